#include "app/TApplication.h"
#include "ui/TConfDetailsPanel.h"
#include "ui/TConferencesPage.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "ui/TDBEdit.h"
#include "ui/TColumnWidths.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TParticipantsPage.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestWindows.h"
#include "ui/TfraCFilter.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmPickConf.h"
#include "ui/TfrmPickExtra.h"
#include "ui/TfrmPickPart.h"
#include "ui/TfrmPickSpeaker.h"
#include "ui/TfrmSignIn.h"
#include "ui/TfrmTimeFilter.h"

#include <QDateEdit>
#include <QDir>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace
{

QStringList Lines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QStringList CheckedLines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            lines << list->item(i)->text();
    return lines;
}

void SetChecked(QListWidget* list, const QString& text, bool checked)
{
    const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    items.first()->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

// The control that Tab moves to from a control.
QWidget* NextTabStop(QWidget* from)
{
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if (w->focusProxy() || !w->isVisible() || !w->isEnabled())
            continue;
        if (w->focusPolicy() & Qt::TabFocus)
            return w;
    }
    return nullptr;
}

} // namespace

// The Conferences page on a real database, in a main window created as at start-up.
class TstConferencesPage : public TMainWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void browseStateShowsTheCurrentConference();
    void scrollingAndFilteringShowEachConference();
    void editWithAnEmptyListDoesNothing();
    void addNewStartsFromDefaultsAndHidesTheOtherTabs();
    void leavingTheBeginPickersCopiesThemIntoTheEnd();
    void saveStoresTheConferenceWithItsLists();
    void savedChangesReachTheListsOfOtherPages();
    void cancelRestoresTheStoredLists();
    void removingListLinesAsksFirst();
    void removingAConferenceAsksAndAlwaysRequeries();
    void overLongTitleIsRefusedAndCanBeCorrected();
    void refusedLinkRowsLeaveEverythingAsItWas();
    void participantsAreAddedAndRemovedThroughTheSubPage();
    void keyboardReachesTheEditor();
    void screenshots();

private:
    QString Text(const QString& sql) { return m_db->Conn().ScalarQuery(sql).toString(); }
    void SelectConference(const QString& title);
    void TypeTitle(const QString& title);

    TConferencesPage* m_page = nullptr;
    TConfDetailsPanel* m_info = nullptr;
    QString m_year;
};

void TstConferencesPage::init()
{
    m_db = std::make_unique<TTempDatabase>();
    m_year = QString::number(QDate::currentDate().year());
    m_db->Exec("insert into credits (c_name) values ('AMA'), ('CEU'), ('CME')");
    m_db->Exec("insert into speakers (last_name, first_name) values ('Baker', 'Ann'), "
               "('Young', 'Tom')");
    m_db->Exec("insert into extras (e_name) values ('Lunch included'), ('Parking')");
    m_db->Exec(QStringLiteral("insert into conferences (conf_name, series, begin_date, end_date, "
                              "units) values "
                              "('Heart', 'Cardio', '%1-03-07 09:00:00', '%1-03-07 17:00:00', 2), "
                              "('Lungs', '', '%1-02-01 08:30:00', '%1-02-01 12:15:00', 1)")
                   .arg(m_year));
    m_db->Exec("insert into conf_credits (conf_id, credit_id) values (1, 1), (1, 2), (2, 2)");
    m_db->Exec("insert into conf_speakers (conf_id, speak_id) values (1, 1), (2, 1), (2, 2)");
    m_db->Exec("insert into conf_extras (conf_id, extra_id) values (1, 1), (2, 2)");
    m_db->Exec("insert into participants (last_name, first_name) values ('Smith', 'John'), "
               "('Smythe', 'Jane'), ('Adams', 'Al')");
    m_db->Exec("insert into attendances (conf_id, user_id) values (1, 1), (1, 3), (2, 2)");
    QFile ini(m_db->FilePath(QStringLiteral("quorvel.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Dimensions]\r\nConfDateWidth=123\r\nConfNameWidth=250\r\n"
              "ConfPartLNameWidth=90\r\n\r\n");
    ini.close();

    QVERIFY(OpenMainWindow());
    m_page = m_main->ConferencesPage();
    QVERIFY(m_page);
    m_info = m_page->DetailsPanel();
    QVERIFY(m_info);
}

void TstConferencesPage::cleanup()
{
    CloseMainWindow();
}

void TstConferencesPage::SelectConference(const QString& title)
{
    auto* grid = Find<TDBGrid>("jdbgConferences");
    QVERIFY(grid);
    const int row = m_dm->Conferences->FindRow(QStringLiteral("conf_name"), title);
    QVERIFY2(row >= 0, qPrintable(title));
    grid->setCurrentIndex(grid->model()->index(row, 1));
    QCOMPARE(m_dm->Conferences->FieldByName(QStringLiteral("conf_name")).AsString(), title);
}

void TstConferencesPage::TypeTitle(const QString& title)
{
    m_info->dbeConfName->setFocus();
    m_info->dbeConfName->selectAll();
    QTest::keyClick(m_info->dbeConfName, Qt::Key_Delete);
    QTest::keyClicks(m_info->dbeConfName, title);
}

void TstConferencesPage::browseStateShowsTheCurrentConference()
{
    auto* list = Find<TDBGrid>("jdbgConferences");
    QVERIFY(list);
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Begin date"));
    QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Title"));
    QVERIFY(list->Sortable());
    QCOMPARE(list->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    // Stored widths are scaled to the grid's font; a date column also fits its dates.
    QVERIFY(list->ColumnWidths().value(0) >= TColumnWidths::OnScreen(*list, 123));
    QCOMPARE(list->ColumnWidths().value(1), TColumnWidths::OnScreen(*list, 250));
    auto* parts = Find<TDBGrid>("dbgConfPart");
    QVERIFY(parts);
    QVERIFY(!parts->Sortable());
    QCOMPARE(parts->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    QCOMPARE(parts->ColumnWidths().value(0), TColumnWidths::OnScreen(*parts, 90));
    QCOMPARE(parts->model()->headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("Sign-in date"));
    QVERIFY(Find<QWidget>("fraConfFilter"));
    QVERIFY(Find<QWidget>("Panel1"));
    QCOMPARE(Find<QTabWidget>("pgConfDetails")->tabText(0), QStringLiteral("Conference details"));
    QCOMPARE(Find<QTabWidget>("pgConfDetails")->tabText(1), QStringLiteral("Participants"));

    // Browse state: the list and Edit / Add new / Remove work; the details only show.
    QVERIFY(!m_page->Editing());
    for (const char* name : {"bConfEdit", "bConfNew", "bConfDel", "bExpConfParts", "bPrintConfParts"})
        QVERIFY2(Button(name)->isEnabled(), name);
    for (const char* name : {"bConfSave", "bConfCancel"})
        QVERIFY2(!Button(name)->isEnabled(), name);
    QVERIFY(Find<QWidget>("pConfList")->isEnabled());
    QVERIFY(!m_info->dbeConfName->isEnabled());
    QVERIFY(!m_info->lbSpeakers->isEnabled());
    QVERIFY(!m_info->bSpeakAdd->isEnabled());
    // Units and credits look normal but take no input.
    QVERIFY(m_info->jseUnits->isEnabled());
    QVERIFY(m_info->jseUnits->isReadOnly());
    QVERIFY(m_info->jclbCredits->isEnabled());
    QVERIFY(!(m_info->jclbCredits->item(0)->flags() & Qt::ItemIsUserCheckable));

    // The newest conference of the year is current and shown.
    QCOMPARE(m_info->dbeConfName->text(), QStringLiteral("Heart"));
    QCOMPARE(m_info->dbeSerie->text(), QStringLiteral("Cardio"));
    QCOMPARE(Lines(m_info->jclbCredits), (QStringList{"AMA", "CEU", "CME"}));
    QCOMPARE(CheckedLines(m_info->jclbCredits), (QStringList{"AMA", "CEU"}));
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Ann Baker"}));
    QCOMPARE(Lines(m_info->lbExtras), (QStringList{"Lunch included"}));
    QCOMPARE(m_info->jseUnits->value(), 2.0);
    QCOMPARE(m_info->dtpBeginDate->date(), QDate(m_year.toInt(), 3, 7));
    QCOMPARE(m_info->dtpBeginTime->time(), QTime(9, 0));
    QCOMPARE(m_info->dtpEndTime->time(), QTime(17, 0));
    QCOMPARE(m_info->dtpBeginTime->displayFormat(), QStringLiteral("HH:mm"));
    QCOMPARE(m_info->jseUnits->singleStep(), 0.25);
    QCOMPARE(m_info->jseUnits->maximum(), 100.0);
    QCOMPARE(m_info->jseUnits->decimals(), 2);
}

void TstConferencesPage::scrollingAndFilteringShowEachConference()
{
    SelectConference(QStringLiteral("Lungs"));
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Ann Baker", "Tom Young"}));
    QCOMPARE(Lines(m_info->lbExtras), (QStringList{"Parking"}));
    QCOMPARE(CheckedLines(m_info->jclbCredits), (QStringList{"CEU"}));
    QCOMPARE(m_info->jseUnits->value(), 1.0);
    QCOMPARE(m_info->dtpBeginTime->time(), QTime(8, 30));
    QCOMPARE(m_info->dtpEndDate->date(), QDate(m_year.toInt(), 2, 1));
    QCOMPARE(m_info->dtpEndTime->time(), QTime(12, 15));

    // The filter panel narrows the list; Clear shows all again.
    auto* panel = Find<TfraCFilter>("fraConfFilter");
    auto* title = panel->findChild<QLineEdit*>(QStringLiteral("eFName"));
    QVERIFY(title);
    QTest::keyClicks(title, QStringLiteral("ear"));
    QTest::mouseClick(panel->ApplyButton(), Qt::LeftButton);
    QCOMPARE(m_dm->Conferences->RecordCount(), 1);
    QCOMPARE(m_main->ConfFilter().Name, QStringLiteral("ear"));
    QCOMPARE(m_info->dbeConfName->text(), QStringLiteral("Heart"));
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Ann Baker"}));
    QTest::mouseClick(panel->ClearButton(), Qt::LeftButton);
    QVERIFY(title->text().isEmpty());
    QCOMPARE(m_main->ConfFilter().Name, QString());
    QCOMPARE(m_dm->Conferences->RecordCount(), 2);
}

void TstConferencesPage::editWithAnEmptyListDoesNothing()
{
    auto* panel = Find<TfraCFilter>("fraConfFilter");
    QTest::keyClicks(panel->findChild<QLineEdit*>(QStringLiteral("eFName")),
                     QStringLiteral("nothing like this"));
    QTest::mouseClick(panel->ApplyButton(), Qt::LeftButton);
    QCOMPARE(m_dm->Conferences->RecordCount(), 0);
    // With no conference the details are empty.
    QVERIFY(Lines(m_info->lbSpeakers).isEmpty());
    QVERIFY(Lines(m_info->lbExtras).isEmpty());
    QVERIFY(CheckedLines(m_info->jclbCredits).isEmpty());
    QCOMPARE(m_info->jseUnits->value(), 0.0);

    Click("bConfEdit");
    QVERIFY(!m_page->Editing());
    QCOMPARE(m_dm->Conferences->DataState(), TDataSet::State::Browse);
    QVERIFY(!Button("bConfSave")->isEnabled());
    QVERIFY(OtherMainTabsVisible());

    Click("bConfDel");
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstConferencesPage::addNewStartsFromDefaultsAndHidesTheOtherTabs()
{
    Click("bConfNew");
    QVERIFY(m_page->Editing());
    QCOMPARE(m_dm->Conferences->DataState(), TDataSet::State::Insert);
    QVERIFY(m_info->dbeConfName->text().isEmpty());
    QVERIFY(m_info->dbeSerie->text().isEmpty());
    QCOMPARE(m_info->dtpBeginDate->date(), QDate::currentDate());
    QCOMPARE(m_info->dtpEndDate->date(), QDate::currentDate());
    QCOMPARE(m_info->dtpBeginTime->time(), QTime(9, 0));
    QCOMPARE(m_info->dtpEndTime->time(), QTime(18, 0));
    QCOMPARE(m_info->jseUnits->value(), 0.0);
    QVERIFY(Lines(m_info->lbSpeakers).isEmpty());
    QVERIFY(Lines(m_info->lbExtras).isEmpty());
    QVERIFY(CheckedLines(m_info->jclbCredits).isEmpty());
    QTRY_VERIFY(m_info->dbeConfName->hasFocus());

    // Edit state: only this page and sub-page reachable, the list and filter locked.
    QTabWidget* pages = m_main->PageControl();
    for (int i = 0; i < pages->count(); ++i)
        QCOMPARE(pages->isTabVisible(i), i == TfrmMain::pageConf);
    auto* details = m_page->DetailPages();
    QVERIFY(details->isTabVisible(TConferencesPage::subConfInfo));
    QVERIFY(!details->isTabVisible(TConferencesPage::subConfParticipants));
    QVERIFY(!Find<QWidget>("pConfList")->isEnabled());
    QVERIFY(!Find<QWidget>("fraConfFilter")->isEnabled());
    QVERIFY(!Find<QToolButton>("sbConfTime")->isEnabled());
    for (const char* name : {"bConfEdit", "bConfNew", "bConfDel"})
        QVERIFY2(!Button(name)->isEnabled(), name);
    for (const char* name : {"bConfSave", "bConfCancel"})
        QVERIFY2(Button(name)->isEnabled(), name);
    QVERIFY(m_info->dbeConfName->isEnabled());
    QVERIFY(!m_info->jseUnits->isReadOnly());
    QVERIFY(m_info->jclbCredits->item(0)->flags() & Qt::ItemIsUserCheckable);

    Click("bConfCancel");
    QVERIFY(!m_page->Editing());
    QVERIFY(OtherMainTabsVisible());
    QVERIFY(details->isTabVisible(TConferencesPage::subConfParticipants));
    QCOMPARE(m_dm->Conferences->RecordCount(), 2);
    QCOMPARE(m_info->dbeConfName->text(), QStringLiteral("Heart"));
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Ann Baker"}));
    QCOMPARE(m_info->jseUnits->value(), 2.0);
    QCOMPARE(Count("select count(*) from conferences"), 2);
}

void TstConferencesPage::leavingTheBeginPickersCopiesThemIntoTheEnd()
{
    Click("bConfEdit");
    m_info->dtpEndDate->setDate(QDate(2031, 12, 24));
    m_info->dtpEndTime->setTime(QTime(23, 45));
    m_info->dtpBeginDate->setFocus();
    QTRY_VERIFY(m_info->dtpBeginDate->hasFocus());
    m_info->dtpBeginDate->setDate(QDate(2030, 5, 6));
    m_info->jseUnits->setFocus();
    QTRY_VERIFY(m_info->jseUnits->hasFocus());
    QCOMPARE(m_info->dtpEndDate->date(), QDate(2030, 5, 6));
    QCOMPARE(m_info->dtpEndTime->time(), QTime(9, 0));

    // Leaving the time picker copies both values as well.
    m_info->dtpEndDate->setDate(QDate(2031, 1, 1));
    m_info->dtpBeginTime->setFocus();
    QTRY_VERIFY(m_info->dtpBeginTime->hasFocus());
    m_info->dtpBeginTime->setTime(QTime(14, 30));
    m_info->dbeSerie->setFocus();
    QTRY_VERIFY(m_info->dbeSerie->hasFocus());
    QCOMPARE(m_info->dtpEndDate->date(), QDate(2030, 5, 6));
    QCOMPARE(m_info->dtpEndTime->time(), QTime(14, 30));
}

void TstConferencesPage::saveStoresTheConferenceWithItsLists()
{
    Click("bConfNew");
    TypeTitle(QStringLiteral("Kidneys"));
    m_info->dbeSerie->setFocus();
    QTest::keyClicks(m_info->dbeSerie, QStringLiteral("Renal"));
    const QDate day = QDate::currentDate();
    m_info->dtpBeginTime->setTime(QTime(8, 15));
    m_info->dtpEndTime->setTime(QTime(16, 45));
    m_info->jseUnits->setValue(3.25);
    SetChecked(m_info->jclbCredits, QStringLiteral("CME"), true);
    SetChecked(m_info->jclbCredits, QStringLiteral("AMA"), true);

    // Speakers come from the speaker picker, one double-click each; a name already listed
    // is not added again.
    QVERIFY(m_dm->Speakers->Locate(QStringLiteral("last_name"), QStringLiteral("Young")));
    TGuiTest::WhenShown(m_main->SpeakerPicker(), [this] {
        m_main->SpeakerPicker()->jdbgSpeakersDblClick();
        m_main->SpeakerPicker()->jdbgSpeakersDblClick();
    });
    Click("bSpeakAdd");
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Tom Young"}));
    QVERIFY(m_dm->Speakers->Locate(QStringLiteral("last_name"), QStringLiteral("Baker")));
    m_page->AddPickedSpeaker();
    QVERIFY(m_dm->Extras->Locate(QStringLiteral("e_name"), QStringLiteral("Parking")));
    TGuiTest::WhenShown(m_main->ExtraPicker(),
                        [this] { m_main->ExtraPicker()->jdbgExtrasDblClick(); });
    Click("bExtraAdd");
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Tom Young", "Ann Baker"}));
    QCOMPARE(Lines(m_info->lbExtras), (QStringList{"Parking"}));

    // The pickers were modal: the main window is active again.
    QApplication::setActiveWindow(m_main.get());
    Click("bConfSave");
    QCOMPARE(m_prompts->shown.size(), 0);
    QVERIFY(!m_page->Editing());
    QVERIFY(OtherMainTabsVisible());
    QCOMPARE(m_dm->Conferences->DataState(), TDataSet::State::Browse);
    QTRY_VERIFY(Find<QWidget>("jdbgConferences")->hasFocus());

    QCOMPARE(Count("select count(*) from conferences where conf_name = 'Kidneys'"), 1);
    const QString id = Text("select conf_id from conferences where conf_name = 'Kidneys'");
    QCOMPARE(Text("select series from conferences where conf_id = " + id), QStringLiteral("Renal"));
    QCOMPARE(Text("select begin_date from conferences where conf_id = " + id),
             day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 08:15:00"));
    QCOMPARE(Text("select end_date from conferences where conf_id = " + id),
             day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 16:45:00"));
    QCOMPARE(
        m_db->Conn().ScalarQuery("select units from conferences where conf_id = " + id).toDouble(),
        3.25);
    QCOMPARE(Text("select group_concat(speak_id) from (select speak_id from conf_speakers where "
                  "conf_id = " +
                  id + " order by speak_id)"),
             QStringLiteral("1,2"));
    QCOMPARE(Text("select group_concat(extra_id) from conf_extras where conf_id = " + id),
             QStringLiteral("2"));
    QCOMPARE(Text("select group_concat(credit_id) from (select credit_id from conf_credits where "
                  "conf_id = " +
                  id + " order by credit_id)"),
             QStringLiteral("1,3"));

    // The page shows the stored conference, and the conference lists of the pages hold it.
    QCOMPARE(m_info->dbeConfName->text(), QStringLiteral("Kidneys"));
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Tom Young", "Ann Baker"}));
    QCOMPARE(Lines(m_info->lbExtras), (QStringList{"Parking"}));
    QCOMPARE(CheckedLines(m_info->jclbCredits), (QStringList{"AMA", "CME"}));
    QCOMPARE(m_info->jseUnits->value(), 3.25);
    QCOMPARE(m_info->dtpBeginTime->time(), QTime(8, 15));
    QVERIFY(m_dm->Conferences->FindRow(QStringLiteral("conf_name"), QStringLiteral("Kidneys")) >=
            0);
    QVERIFY(m_dm->SignInConfs->FindRow(QStringLiteral("conf_name"), QStringLiteral("Kidneys")) >=
            0);
    QVERIFY(m_dm->CalendarConfs->FindRow(QStringLiteral("conf_name"), QStringLiteral("Kidneys")) >=
            0);

    // Saving again unchanged leaves one link row per line.
    Click("bConfEdit");
    Click("bConfSave");
    QCOMPARE(Count("select count(*) from conf_speakers where conf_id = " + id), 2);
    QCOMPARE(Count("select count(*) from conf_credits where conf_id = " + id), 2);
    QCOMPARE(Count("select count(*) from conferences"), 3);
}

void TstConferencesPage::savedChangesReachTheListsOfOtherPages()
{
    // Smith attended Heart only: his transcript total is Heart's units.
    QVERIFY(m_dm->Transcripts->Locate(QStringLiteral("last_name"), QStringLiteral("Smith")));
    QCOMPARE(m_dm->Transcripts->FieldByName(QStringLiteral("units")).AsFloat(), 2.0);

    Click("bConfEdit");
    TypeTitle(QStringLiteral("Heart surgery"));
    m_info->jseUnits->setValue(4.5);
    Click("bConfSave");

    QVERIFY(m_dm->SignInConfs->FindRow(QStringLiteral("conf_name"),
                                       QStringLiteral("Heart surgery")) >= 0);
    QVERIFY(m_dm->CalendarConfs->FindRow(QStringLiteral("conf_name"),
                                         QStringLiteral("Heart surgery")) >= 0);
    QVERIFY(m_dm->Transcripts->Locate(QStringLiteral("last_name"), QStringLiteral("Smith")));
    QCOMPARE(m_dm->Transcripts->FieldByName(QStringLiteral("units")).AsFloat(), 4.5);
    QCOMPARE(m_dm->ConfParts->RecordCount(), 2);
    QCOMPARE(Count("select count(*) from conferences where conf_name = 'Heart surgery' and "
                   "units = 4.5"),
             1);
}

void TstConferencesPage::cancelRestoresTheStoredLists()
{
    Click("bConfEdit");
    m_info->lbSpeakers->setCurrentRow(0);
    m_prompts->QueueAnswer(true);
    Click("bSpeakDel");
    QVERIFY(Lines(m_info->lbSpeakers).isEmpty());
    SetChecked(m_info->jclbCredits, QStringLiteral("AMA"), false);
    m_info->jseUnits->setValue(7);
    TypeTitle(QStringLiteral("Changed"));

    Click("bConfCancel");
    QVERIFY(!m_page->Editing());
    QCOMPARE(m_info->dbeConfName->text(), QStringLiteral("Heart"));
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Ann Baker"}));
    QCOMPARE(CheckedLines(m_info->jclbCredits), (QStringList{"AMA", "CEU"}));
    QCOMPARE(m_info->jseUnits->value(), 2.0);
    QCOMPARE(Count("select count(*) from conf_speakers where conf_id = 1"), 1);
    QCOMPARE(Text("select conf_name from conferences where conf_id = 1"), QStringLiteral("Heart"));
}

void TstConferencesPage::removingListLinesAsksFirst()
{
    SelectConference(QStringLiteral("Lungs"));
    Click("bConfEdit");

    // Lines but none selected: the question comes, nothing goes.
    m_prompts->QueueAnswer(true);
    Click("bSpeakDel");
    QCOMPARE(m_prompts->LastText(), QStringLiteral("Remove speaker?"));
    QCOMPARE(m_prompts->shown.last().caption, QStringLiteral("Confirm"));
    QCOMPARE(Lines(m_info->lbSpeakers).size(), 2);

    m_info->lbSpeakers->setCurrentRow(1);
    m_prompts->QueueAnswer(false);
    Click("bSpeakDel");
    QCOMPARE(Lines(m_info->lbSpeakers).size(), 2);
    m_prompts->QueueAnswer(true);
    Click("bSpeakDel");
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Ann Baker"}));

    m_info->lbExtras->setCurrentRow(0);
    m_prompts->QueueAnswer(true);
    Click("bExtraDel");
    QCOMPARE(m_prompts->LastText(), QStringLiteral("Remove additional info?"));
    QVERIFY(Lines(m_info->lbExtras).isEmpty());

    // An empty list asks nothing.
    const int asked = m_prompts->shown.size();
    Click("bExtraDel");
    QCOMPARE(m_prompts->shown.size(), asked);
    QCOMPARE(m_prompts->unansweredQuestions, 0);

    // Nothing reached the database before Save; Save then stores the shortened lists.
    QCOMPARE(Count("select count(*) from conf_speakers where conf_id = 2"), 2);
    Click("bConfSave");
    QCOMPARE(Count("select count(*) from conf_speakers where conf_id = 2"), 1);
    QCOMPARE(Count("select count(*) from conf_extras where conf_id = 2"), 0);
}

void TstConferencesPage::removingAConferenceAsksAndAlwaysRequeries()
{
    // A conference written by someone else shows in the requeried lists only.
    m_db->Exec(QStringLiteral("insert into conferences (conf_name, begin_date, units) values "
                              "('Skin', '%1-01-10 09:00:00', 1)")
                   .arg(m_year));
    QVERIFY(m_dm->SignInConfs->FindRow(QStringLiteral("conf_name"), QStringLiteral("Skin")) < 0);

    m_prompts->QueueAnswer(false);
    Click("bConfDel");
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Confirmation);
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Remove conference?"));
    QCOMPARE(Count("select count(*) from conferences where conf_name = 'Heart'"), 1);
    QCOMPARE(m_dm->Conferences->RecordCount(), 2);
    QVERIFY(m_dm->SignInConfs->FindRow(QStringLiteral("conf_name"), QStringLiteral("Skin")) >= 0);
    QVERIFY(m_dm->CalendarConfs->FindRow(QStringLiteral("conf_name"), QStringLiteral("Skin")) >= 0);

    m_prompts->QueueAnswer(true);
    Click("bConfDel");
    QCOMPARE(Count("select count(*) from conferences where conf_name = 'Heart'"), 0);
    QCOMPARE(Count("select count(*) from conferences"), 2);
    QCOMPARE(m_dm->Conferences->RecordCount(), 1);
    QVERIFY(m_dm->SignInConfs->FindRow(QStringLiteral("conf_name"), QStringLiteral("Heart")) < 0);
    // The remaining conference is shown, with its participants.
    QCOMPARE(m_info->dbeConfName->text(), QStringLiteral("Lungs"));
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Ann Baker", "Tom Young"}));
    QCOMPARE(m_dm->ConfParts->RecordCount(), 1);
    QVERIFY(!m_page->Editing());
}

void TstConferencesPage::overLongTitleIsRefusedAndCanBeCorrected()
{
    Click("bConfNew");
    m_info->jseUnits->setValue(1.75);
    SetChecked(m_info->jclbCredits, QStringLiteral("CEU"), true);
    QVERIFY(m_dm->Speakers->Locate(QStringLiteral("last_name"), QStringLiteral("Young")));
    m_page->AddPickedSpeaker();
    // The edit allows no more than the column holds; a longer text reaches the row only from
    // elsewhere (here: written into the field directly).
    const QString tooLong(101, u'x');
    m_dm->Conferences->FieldByName(QStringLiteral("conf_name")).SetAsString(tooLong);

    Click("bConfSave");
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].caption,
             QStringLiteral("Continuing Education Management Software"));
    QVERIFY2(m_prompts->LastText().contains(QStringLiteral("conf_name is longer than 100")),
             qPrintable(m_prompts->LastText()));
    // Still editing, with everything the user entered.
    QVERIFY(m_page->Editing());
    QCOMPARE(m_dm->Conferences->DataState(), TDataSet::State::Insert);
    QVERIFY(Button("bConfSave")->isEnabled());
    QVERIFY(!OtherMainTabsVisible());
    QCOMPARE(m_info->jseUnits->value(), 1.75);
    QCOMPARE(CheckedLines(m_info->jclbCredits), (QStringList{"CEU"}));
    QCOMPARE(Lines(m_info->lbSpeakers), (QStringList{"Tom Young"}));
    QCOMPARE(m_info->dtpBeginTime->time(), QTime(9, 0));
    QCOMPARE(Count("select count(*) from conferences"), 2);
    QCOMPARE(Count("select count(*) from conf_speakers"), 3);

    TypeTitle(QStringLiteral("Liver"));
    Click("bConfSave");
    QCOMPARE(m_prompts->shown.size(), 1);
    QVERIFY(!m_page->Editing());
    QCOMPARE(Count("select count(*) from conferences"), 3);
    QCOMPARE(Count("select count(*) from conferences where conf_name = 'Liver' and units = 1.75"),
             1);
    const QString id = Text("select conf_id from conferences where conf_name = 'Liver'");
    QCOMPARE(Text("select group_concat(speak_id) from conf_speakers where conf_id = " + id),
             QStringLiteral("2"));
    QCOMPARE(Text("select group_concat(credit_id) from conf_credits where conf_id = " + id),
             QStringLiteral("2"));
    QCOMPARE(Count("select count(*) from conf_speakers"), 4);
}

void TstConferencesPage::refusedLinkRowsLeaveEverythingAsItWas()
{
    m_db->Exec("create trigger refuse_credit before insert on conf_credits "
               "begin select raise(abort, 'credit refused'); end");
    Click("bConfEdit");
    TypeTitle(QStringLiteral("Heart II"));
    m_info->jseUnits->setValue(5);
    m_info->lbSpeakers->setCurrentRow(0);
    m_prompts->QueueAnswer(true);
    Click("bSpeakDel");
    m_info->dtpBeginTime->setTime(QTime(10, 0));

    Click("bConfSave");
    QVERIFY2(m_prompts->LastText().contains(QStringLiteral("credit refused")),
             qPrintable(m_prompts->LastText()));
    QVERIFY(m_page->Editing());
    QCOMPARE(m_dm->Conferences->DataState(), TDataSet::State::Edit);
    QCOMPARE(m_info->dbeConfName->text(), QStringLiteral("Heart II"));
    QCOMPARE(m_info->jseUnits->value(), 5.0);
    QVERIFY(Lines(m_info->lbSpeakers).isEmpty());
    QCOMPARE(CheckedLines(m_info->jclbCredits), (QStringList{"AMA", "CEU"}));
    QCOMPARE(m_info->dtpBeginTime->time(), QTime(10, 0));
    // Nothing stored changed: the row, its speakers and its credits are as before.
    QCOMPARE(Text("select conf_name from conferences where conf_id = 1"), QStringLiteral("Heart"));
    QCOMPARE(Count("select count(*) from conf_speakers where conf_id = 1"), 1);
    QCOMPARE(Count("select count(*) from conf_credits where conf_id = 1"), 2);

    m_db->Exec("drop trigger refuse_credit");
    Click("bConfSave");
    QVERIFY(!m_page->Editing());
    QCOMPARE(Text("select conf_name from conferences where conf_id = 1"),
             QStringLiteral("Heart II"));
    QCOMPARE(Text("select begin_date from conferences where conf_id = 1"),
             m_year + QStringLiteral("-03-07 10:00:00"));
    QCOMPARE(Count("select count(*) from conf_speakers where conf_id = 1"), 0);
    QCOMPARE(Count("select count(*) from conf_credits where conf_id = 1"), 2);
    QCOMPARE(Count("select count(*) from conferences"), 2);
}

void TstConferencesPage::participantsAreAddedAndRemovedThroughTheSubPage()
{
    auto* details = m_page->DetailPages();
    auto* search = Find<QLineEdit>("eSearchConfPart");
    details->setCurrentIndex(TConferencesPage::subConfParticipants);
    QTRY_VERIFY(search->hasFocus());
    QCOMPARE(m_dm->ConfParts->RecordCount(), 2);

    // Enter searches the conference's participants by last name.
    QTest::keyClicks(search, QStringLiteral("sm"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(m_dm->ConfParts->RecordCount(), 1);
    QCOMPARE(m_dm->ConfParts->FieldByName(QStringLiteral("last_name")).AsString(),
             QStringLiteral("Smith"));

    // Add: both searches are reset, and each double-click in the picker signs one in.
    auto* pageSearch =
        m_main->ParticipantsPage()->findChild<QLineEdit*>(QStringLiteral("eSearchPart"));
    QVERIFY(pageSearch);
    pageSearch->setText(QStringLiteral("Ad"));
    m_dm->SearchParticipants(QStringLiteral("Ad"));
    QVERIFY(m_dm->Participants->Locate(QStringLiteral("last_name"), QStringLiteral("Adams")));
    bool participantsNarrowed = true;
    TGuiTest::WhenShown(m_main->ParticipantPicker(), [&] {
        participantsNarrowed = m_dm->Participants->RecordCount() != 3;
        QVERIFY(m_dm->Participants->Locate(QStringLiteral("last_name"), QStringLiteral("Smythe")));
        m_main->ParticipantPicker()->dbgPickPartDblClick();
        m_main->ParticipantPicker()->dbgPickPartDblClick();
        m_dm->SearchParticipants(QStringLiteral("Sm"));
    });
    Click("bConfAddPart");
    QVERIFY(!participantsNarrowed);
    QVERIFY(search->text().isEmpty());
    QVERIFY(pageSearch->text().isEmpty());
    QCOMPARE(m_dm->Participants->RecordCount(), 3);
    QCOMPARE(m_dm->ConfParts->RecordCount(), 3);
    QCOMPARE(Count("select count(*) from attendances where conf_id = 1 and user_id = 2"), 1);
    QCOMPARE(Count("select count(*) from attendances"), 4);

    // Remove: only Yes deletes, exactly that attendance; the pointer is the arrow afterwards.
    QVERIFY(m_dm->ConfParts->Locate(QStringLiteral("last_name"), QStringLiteral("Smythe")));
    m_prompts->QueueAnswer(false);
    Click("bConfDelPart");
    QCOMPARE(m_prompts->LastText(), QStringLiteral("Remove participant?"));
    QCOMPARE(Count("select count(*) from attendances"), 4);
    QVERIFY(m_dm->ConfParts->Locate(QStringLiteral("last_name"), QStringLiteral("Smythe")));
    m_prompts->QueueAnswer(true);
    Click("bConfDelPart");
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(Count("select count(*) from attendances where conf_id = 1 and user_id = 2"), 0);
    QCOMPARE(Count("select count(*) from attendances where user_id = 2"), 1);
    QCOMPARE(Count("select count(*) from participants"), 3);
    QCOMPARE(Count("select count(*) from conferences"), 2);
    QCOMPARE(m_dm->ConfParts->RecordCount(), 2);

    // An empty list asks nothing.
    SelectConference(QStringLiteral("Lungs"));
    m_prompts->QueueAnswer(true);
    Click("bConfDelPart");
    QCOMPARE(m_dm->ConfParts->RecordCount(), 0);
    const int asked = m_prompts->shown.size();
    Click("bConfDelPart");
    QCOMPARE(m_prompts->shown.size(), asked);
}

void TstConferencesPage::keyboardReachesTheEditor()
{
    // A mnemonic presses its button the way a click does, once the press has been shown.
    auto* list = Find<TDBGrid>("jdbgConferences");
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    QTest::keyClick(list, Qt::Key_N, Qt::AltModifier);
    QTRY_VERIFY(m_page->Editing());
    QTRY_VERIFY(m_info->dbeConfName->hasFocus());
    QTest::keyClicks(m_info->dbeConfName, QStringLiteral("Bones"));
    // The editor's controls follow one another in reading order.
    const QList<QWidget*> order = {m_info->dtpBeginDate, m_info->dtpBeginTime, m_info->dtpEndDate,
                                   m_info->dtpEndTime,   m_info->jseUnits,     m_info->dbeSerie};
    QWidget* from = m_info->dbeConfName;
    for (QWidget* next : order) {
        QCOMPARE(NextTabStop(from), next);
        from = next;
    }
    QTest::keyClick(m_info->dbeConfName, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(!m_page->Editing());
    QCOMPARE(Count("select count(*) from conferences where conf_name = 'Bones'"), 1);

    QTest::keyClick(list, Qt::Key_E, Qt::AltModifier);
    QTRY_VERIFY(m_page->Editing());
    QTest::keyClick(m_info->dbeConfName, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(!m_page->Editing());

    // The Delete key in a list asks to remove its selected line.
    SelectConference(QStringLiteral("Heart"));
    Click("bConfEdit");
    m_info->lbSpeakers->setFocus();
    m_info->lbSpeakers->setCurrentRow(0);
    m_prompts->QueueAnswer(true);
    QTest::keyClick(m_info->lbSpeakers, Qt::Key_Delete);
    QCOMPARE(m_prompts->LastText(), QStringLiteral("Remove speaker?"));
    QCOMPARE(m_info->lbSpeakers->count(), 0);
}

void TstConferencesPage::screenshots()
{
    m_main->resize(700, 572);
    QTest::qWait(0);
    const QString dir = TGuiTest::ScreenshotDir();
    QVERIFY(m_main->grab().save(QDir(dir).filePath(QStringLiteral("conferences-browse.png"))));
    Click("bConfEdit");
    m_info->lbSpeakers->setCurrentRow(0);
    QVERIFY(m_main->grab().save(QDir(dir).filePath(QStringLiteral("conferences-edit.png"))));
    Click("bConfCancel");
    m_page->DetailPages()->setCurrentIndex(TConferencesPage::subConfParticipants);
    QVERIFY(
        m_main->grab().save(QDir(dir).filePath(QStringLiteral("conferences-participants.png"))));
}

int main(int argc, char** argv)
{
    // The program's own application object, so an error escaping a click handler reaches the
    // default error handler as it does in the program.
    TApplication application(argc, argv);
    TstConferencesPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_conferencespage.moc"
