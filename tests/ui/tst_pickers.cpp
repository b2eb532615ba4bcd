#include "app/TApplication.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "ui/TDBEdit.h"
#include "ui/TColumnWidths.h"
#include "ui/TDBGrid.h"
#include "ui/TDBLookupComboBox.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TSlidingPanel.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestWindows.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmPickConf.h"
#include "ui/TfrmPickExtra.h"
#include "ui/TfrmPickPart.h"
#include "ui/TfrmPickSpeaker.h"
#include "ui/TfrmTimeFilter.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace
{

const QString SaveOrCancel = QStringLiteral("Save or cancel changes first!");

using TGuiTest::ScreenshotDir;
using TGuiTest::ShowActive;

template <class T> T* Child(QWidget* window, const char* name)
{
    return TGuiTest::Find<T>(window, name);
}

// The visible row of the grid whose first column shows text, -1 when none does.
int RowShowing(TDBGrid* grid, const QString& text, int column = 0)
{
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        if (grid->model()->index(row, column).data().toString() == text)
            return row;
    return -1;
}

void DoubleClickRow(TDBGrid* grid, int row)
{
    const QPoint centre = grid->visualRect(grid->model()->index(row, 0)).center();
    // A real double-click: the first press makes the row current, the second one acts.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, centre);
}

void ClickTitle(TDBGrid* grid, int column)
{
    QHeaderView* header = grid->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

} // namespace

// The four picker dialogs on a real database, created in start-up order after the main window.
class TstPickers : public TMainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void dialogsPlaceThemselvesAndSayWhatAPickDoes_data();
    void dialogsPlaceThemselvesAndSayWhatAPickDoes();
    void participantPickerSignsInToTheCurrentConferenceOnce();
    void pickerWorksWithoutTheMainWindow();
    void pickerWritesNothingWithoutTheOtherSide_data();
    void pickerWritesNothingWithoutTheOtherSide();
    void conferencePickerSignsTheCurrentParticipantInOnce();
    void failedPickShowsTheErrorAndRestoresThePointer();
    void participantSearchActsOnEnterInTheEditOnly();
    void speakerPickerAddsTheNameOnce();
    void extraPickerAddsTheItemOnce();
    void newSpeakerIsSavedAndListed();
    void cancelAndEmptyEditLeaveTheListAlone();
    void refusedSaveKeepsThePanelOpen();
    void closeGuardWhileEditing_data();
    void closeGuardWhileEditing();
    void sortIsSharedWithTheMainListButTitlesAreNot();
    void widthsAreWrittenWhenTheDialogsGo();
    void screenshots();

private:
    void CreateWindows();
    void DestroyWindows();
};

void TstPickers::init()
{
    m_db = std::make_unique<TTempDatabase>();
    m_db->Exec(QStringLiteral(
        "insert into conferences (conf_name, begin_date, end_date, series, units) values "
        "('Cardiology update', '2024-03-05 09:00:00', '2024-03-05 18:00:00', 'Heart', 2), "
        "('Asthma in children', '2024-05-10 09:00:00', '2024-05-10 12:00:00', 'Lung', 1.5), "
        "('Burns', '2024-01-20 14:00:00', '2024-01-20 17:00:00', '', 1)"));
    m_db->Exec(QStringLiteral("insert into participants (last_name, first_name) values "
                              "('Smith', 'Anna'), ('Adams', 'Bo'), ('Kent', 'Cy'), "
                              "('Kennedy', 'Di')"));
    m_db->Exec(QStringLiteral("insert into titles (t_name) values ('MD'), ('PhD')"));
    m_db->Exec(QStringLiteral("insert into speakers (last_name, first_name, place) values "
                              "('Doe', 'John', 'Boston'), ('Doe', 'JOHN', 'Denver'), "
                              "('Roe', 'Jane', 'Austin')"));
    m_db->Exec(QStringLiteral("insert into extras (e_name) values ('Lunch included'), "
                              "('Hands-on workshop')"));
    m_prompts = std::make_unique<TTestPrompts>();
    m_dm = std::make_unique<TDM>(m_db->Dir());
    QVERIFY(!m_dm->OpenFailed);
    CreateWindows();
}

void TstPickers::cleanup()
{
    CloseMainWindow();
}

void TstPickers::CreateWindows()
{
    m_main = TTestWindows::CreateMainWindow(*m_dm);
}

void TstPickers::DestroyWindows()
{
    m_main.reset();
}

void TstPickers::dialogsPlaceThemselvesAndSayWhatAPickDoes_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("conferences") << "frmPickConf"
                                 << "Select conferences"
                                 << "lConferences"
                                 << "Double-click on a conference to add it to the participant"
                                 << QPoint(150, 150);
    QTest::newRow("participants") << "frmPickPart"
                                  << "Select participants"
                                  << "lParticipants"
                                  << "Double-click on a participant to add him to the conference"
                                  << QPoint(150, 150);
    QTest::newRow("speakers") << "frmPickSpeaker"
                              << "Select speakers"
                              << "lSpeakers"
                              << "Double-click on a speaker to add him to the conference"
                              << QPoint(350, 185);
    QTest::newRow("additional info")
        << "frmPickExtra"
        << "Select additional info"
        << "lExtras"
        << "Double-click on additional info to add it to the conference" << QPoint(350, 185);
}

void TstPickers::dialogsPlaceThemselvesAndSayWhatAPickDoes()
{
    QFETCH(QString, dialog);
    QFETCH(QString, caption);
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(QPoint, offset);
    // The place is taken from where the main window stood when the dialog was created.
    DestroyWindows();
    m_main = std::make_unique<TfrmMain>(*m_dm, *m_prompts);
    m_main->move(40, 30);
    const QPoint mainAt = m_main->pos();
    m_main->CreateDialogs();
    m_main->move(300, 200);

    const QList<QWidget*> dialogs = {m_main->ConferencePicker(), m_main->ParticipantPicker(),
                                     m_main->SpeakerPicker(), m_main->ExtraPicker()};
    QWidget* window = nullptr;
    for (QWidget* candidate : dialogs)
        if (candidate->objectName() == dialog)
            window = candidate;
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(window->findChild<QLabel*>(label)->text(), text);
    QCOMPARE(window->pos(), mainAt + offset);
    // Edit panels start closed.
    if (auto* picker = qobject_cast<TInlineEditPicker*>(window)) {
        QCOMPARE(picker->DetailsPanel()->height(), 0);
        QVERIFY(!picker->DetailsPanel()->IsOpen());
    }
}

void TstPickers::pickerWorksWithoutTheMainWindow()
{
    // Built on the data module alone, a picker signs in and keeps its widths as at start-up.
    DestroyWindows();
    QVERIFY(m_dm->Participants->Locate(QStringLiteral("last_name"), QStringLiteral("Adams")));
    QVERIFY(m_dm->Conferences->Locate(QStringLiteral("conf_name"), QStringLiteral("Burns")));
    const int before = Count(QStringLiteral("select count(*) from attendances"));
    {
        TfrmPickConf picker(*m_dm);
        picker.dbgPickConfDblClick();
        picker.dbgPickConfDblClick();
        QCOMPARE(Count(QStringLiteral("select count(*) from attendances")), before + 1);
    }
    QCOMPARE(m_dm->Config->ReadString(QStringLiteral("Dimensions"),
                                      QStringLiteral("PickConfNameWidth")),
             QStringLiteral("400"));
}

void TstPickers::participantPickerSignsInToTheCurrentConferenceOnce()
{
    TDataSet* conferences = m_dm->Conferences;
    QVERIFY(conferences->Locate(QStringLiteral("conf_name"), QStringLiteral("Burns")));
    const int confId = conferences->FieldByName(QStringLiteral("conf_id")).AsInteger();
    ShowActive(m_main->ParticipantPicker());
    auto* grid = Child<TDBGrid>(m_main->ParticipantPicker(), "dbgPickPart");
    const int kent = RowShowing(grid, QStringLiteral("Kent"));
    QVERIFY(kent >= 0);
    // The pointer is the hourglass while the lists are being refreshed.
    QList<Qt::CursorShape> pointerDuringRefresh;
    QObject watching;
    connect(m_dm->ConfParts, &TDataSet::Fetched, &watching, [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        pointerDuringRefresh << (cursor ? cursor->shape() : Qt::ArrowCursor);
    });

    DoubleClickRow(grid, kent);
    QCOMPARE(Count(QStringLiteral("select count(*) from attendances a join participants p on "
                                  "p.user_id = a.user_id where p.last_name = 'Kent' and "
                                  "a.conf_id = %1")
                       .arg(confId)),
             1);
    QVERIFY(!pointerDuringRefresh.isEmpty());
    QVERIFY(pointerDuringRefresh.contains(Qt::WaitCursor));
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(m_dm->ConfParts->RecordCount(), 1);
    QCOMPARE(m_dm->ConfParts->FieldByName(QStringLiteral("last_name")).AsString(),
             QStringLiteral("Kent"));
    QVERIFY(!m_dm->ConfParts->FieldByName(QStringLiteral("sign_in_date")).IsNull());
    QCOMPARE(conferences->FieldByName(QStringLiteral("conf_id")).AsInteger(), confId);
    auto* label = Child<QLabel>(m_main->ParticipantPicker(), "lParticipants");
    QVERIFY2(label->text().startsWith(QStringLiteral("Added: ")) &&
                 label->text().endsWith(QStringLiteral("Kent")),
             qPrintable(label->text()));

    // The same participant again, by mouse and by Enter on the list: still one row.
    DoubleClickRow(grid, RowShowing(grid, QStringLiteral("Kent")));
    QVERIFY2(label->text().startsWith(QStringLiteral("Already on the list: ")),
             qPrintable(label->text()));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(Count(QStringLiteral("select count(*) from attendances")), 1);
    QCOMPARE(m_dm->ConfParts->RecordCount(), 1);

    // Enter on the list is the keyboard's double-click.
    QVERIFY(m_dm->Participants->Locate(QStringLiteral("last_name"), QStringLiteral("Adams")));
    QTest::keyClick(grid, Qt::Key_Enter);
    QCOMPARE(Count(QStringLiteral("select count(*) from attendances")), 2);
    QCOMPARE(m_dm->ConfParts->RecordCount(), 2);
    QVERIFY(m_main->ParticipantPicker()->isVisible());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstPickers::pickerWritesNothingWithoutTheOtherSide_data()
{
    QTest::addColumn<bool>("conferencePicker");
    QTest::newRow("participant picker, no conference") << false;
    QTest::newRow("conference picker, no participant") << true;
}

void TstPickers::pickerWritesNothingWithoutTheOtherSide()
{
    QFETCH(bool, conferencePicker);
    TDataSet* emptied = conferencePicker ? m_dm->Participants : m_dm->Conferences;
    m_db->Exec(conferencePicker ? QStringLiteral("delete from participants")
                                : QStringLiteral("delete from conferences"));
    emptied->Requery();
    QVERIFY(emptied->IsEmpty());
    QWidget* dialog = conferencePicker ? static_cast<QWidget*>(m_main->ConferencePicker())
                                       : m_main->ParticipantPicker();
    auto* grid = Child<TDBGrid>(dialog, conferencePicker ? "dbgPickConf" : "dbgPickPart");
    ShowActive(dialog);
    QVERIFY(grid->model()->rowCount() > 0);

    DoubleClickRow(grid, 0);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);

    QCOMPARE(Count(QStringLiteral("select count(*) from attendances")), 0);
    QVERIFY(m_dm->Attendances->IsEmpty());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstPickers::conferencePickerSignsTheCurrentParticipantInOnce()
{
    QVERIFY(m_dm->Participants->Locate(QStringLiteral("last_name"), QStringLiteral("Smith")));
    const int userId = m_dm->Participants->FieldByName(QStringLiteral("user_id")).AsInteger();
    ShowActive(m_main->ConferencePicker());
    auto* grid = Child<TDBGrid>(m_main->ConferencePicker(), "dbgPickConf");
    const int asthma = RowShowing(grid, QStringLiteral("Asthma in children"), 1);
    QVERIFY(asthma >= 0);
    QVERIFY(grid->toolTip() == QStringLiteral("Double-click to add a conference!"));

    DoubleClickRow(grid, asthma);
    DoubleClickRow(grid, RowShowing(grid, QStringLiteral("Asthma in children"), 1));

    QCOMPARE(Count(QStringLiteral("select count(*) from attendances a join conferences c on "
                                  "c.conf_id = a.conf_id where c.conf_name = 'Asthma in "
                                  "children' and a.user_id = %1")
                       .arg(userId)),
             1);
    QCOMPARE(Count(QStringLiteral("select count(*) from attendances")), 1);
    QCOMPARE(m_dm->PartConfs->RecordCount(), 1);
    QCOMPARE(m_dm->PartConfs->FieldByName(QStringLiteral("conf_name")).AsString(),
             QStringLiteral("Asthma in children"));
    // The participant of the Participants page stays the current one.
    QCOMPARE(m_dm->Participants->FieldByName(QStringLiteral("user_id")).AsInteger(), userId);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstPickers::failedPickShowsTheErrorAndRestoresThePointer()
{
    // Another program moved the table away for a moment: the pick fails on the way.
    m_db->Exec(QStringLiteral("alter table attendances rename to attendances_away"));
    ShowActive(m_main->ConferencePicker());
    auto* grid = Child<TDBGrid>(m_main->ConferencePicker(), "dbgPickConf");

    DoubleClickRow(grid, 0);
    m_db->Exec(QStringLiteral("alter table attendances_away rename to attendances"));

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Error);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(m_dm->Attendances->DataState(), TDataSet::State::Browse);
    QVERIFY(m_main->ConferencePicker()->isVisible());
}

void TstPickers::participantSearchActsOnEnterInTheEditOnly()
{
    auto* search = Child<QLineEdit>(m_main->ParticipantPicker(), "eSearchPart");
    auto* grid = Child<TDBGrid>(m_main->ParticipantPicker(), "dbgPickPart");
    search->setText(QStringLiteral("left from last time"));
    ShowActive(m_main->ParticipantPicker());
    QCOMPARE(search->text(), QString());
    QTRY_VERIFY(search->hasFocus());

    QTest::keyClicks(search, QStringLiteral("Ken"));
    QCOMPARE(m_dm->Participants->RecordCount(), 4); // typing alone does not search
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(m_dm->Participants->RecordCount(), 2);
    QCOMPARE(grid->model()->rowCount(), 2);

    // Enter on the list picks instead of searching.
    QTest::keyClicks(search, QStringLiteral("n"));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(m_dm->Participants->RecordCount(), 2);
    QCOMPARE(Count(QStringLiteral("select count(*) from attendances")), 1);

    // A blank search shows everybody again; Enter never closes the dialog.
    search->setFocus();
    search->clear();
    QTest::keyClicks(search, QStringLiteral("  "));
    QTest::keyClick(search, Qt::Key_Enter);
    QCOMPARE(m_dm->Participants->RecordCount(), 4);
    QVERIFY(m_main->ParticipantPicker()->isVisible());

    m_main->ParticipantPicker()->hide();
    search->setText(QStringLiteral("Smi"));
    ShowActive(m_main->ParticipantPicker());
    QCOMPARE(search->text(), QString());
}

void TstPickers::speakerPickerAddsTheNameOnce()
{
    auto* speakers = Child<QListWidget>(m_main.get(), "lbSpeakers");
    QVERIFY(speakers);
    if (auto* edit = Child<QPushButton>(m_main.get(), "bConfEdit"))
        edit->click();
    const int before = speakers->count();
    ShowActive(m_main->SpeakerPicker());
    auto* grid = Child<TDBGrid>(m_main->SpeakerPicker(), "jdbgSpeakers");

    DoubleClickRow(grid, RowShowing(grid, QStringLiteral("Roe")));
    DoubleClickRow(grid, RowShowing(grid, QStringLiteral("Roe")));
    QCOMPARE(speakers->count(), before + 1);
    QCOMPARE(speakers->item(speakers->count() - 1)->text(), QStringLiteral("Jane Roe"));

    // Two speakers whose names differ only in letter case: the second one adds nothing.
    QVERIFY(m_dm->Speakers->Locate(QStringLiteral("place"), QStringLiteral("Boston")));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(speakers->count(), before + 2);
    QCOMPARE(speakers->item(speakers->count() - 1)->text(), QStringLiteral("John Doe"));
    QVERIFY(m_dm->Speakers->Locate(QStringLiteral("place"), QStringLiteral("Denver")));
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(speakers->count(), before + 2);
    QVERIFY(m_main->SpeakerPicker()->isVisible());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstPickers::extraPickerAddsTheItemOnce()
{
    auto* extras = Child<QListWidget>(m_main.get(), "lbExtras");
    QVERIFY(extras);
    if (auto* edit = Child<QPushButton>(m_main.get(), "bConfEdit"))
        edit->click();
    const int before = extras->count();
    ShowActive(m_main->ExtraPicker());
    auto* grid = Child<TDBGrid>(m_main->ExtraPicker(), "jdbgExtras");

    DoubleClickRow(grid, RowShowing(grid, QStringLiteral("Hands-on workshop")));
    DoubleClickRow(grid, RowShowing(grid, QStringLiteral("Hands-on workshop")));

    QCOMPARE(extras->count(), before + 1);
    QCOMPARE(extras->item(extras->count() - 1)->text(), QStringLiteral("Hands-on workshop"));
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstPickers::newSpeakerIsSavedAndListed()
{
    ShowActive(m_main->SpeakerPicker());
    TSlidingPanel* panel = m_main->SpeakerPicker()->DetailsPanel();
    auto* grid = Child<TDBGrid>(m_main->SpeakerPicker(), "jdbgSpeakers");
    auto* bNew = Child<QPushButton>(m_main->SpeakerPicker(), "bNew");
    auto* bEdit = Child<QPushButton>(m_main->SpeakerPicker(), "bEdit");
    auto* lastName = Child<TDBEdit>(m_main->SpeakerPicker(), "dbeLastName");
    const int rows = grid->model()->rowCount();

    QTest::mouseClick(bNew, Qt::LeftButton);
    QVERIFY(panel->IsOpen());
    QCOMPARE(panel->TargetHeight(), TfrmPickSpeaker::DetailsHeight);
    panel->FinishSlide();
    QCOMPARE(panel->height(), 168);
    QVERIFY(lastName->hasFocus());
    QVERIFY(!grid->isEnabled() && !bNew->isEnabled() && !bEdit->isEnabled());
    QCOMPARE(m_dm->Speakers->DataState(), TDataSet::State::Insert);

    QTest::keyClicks(lastName, QStringLiteral("Miller"));
    QTest::keyClicks(Child<TDBEdit>(m_main->SpeakerPicker(), "dbeFirstName"),
                     QStringLiteral("Ann"));
    QTest::keyClicks(Child<TDBEdit>(m_main->SpeakerPicker(), "dbePlace"),
                     QStringLiteral("Chicago"));
    auto* title = Child<TDBLookupComboBox>(m_main->SpeakerPicker(), "jdblcTitle");
    title->setFocus();
    // Items: "<none>", then the titles in name order.
    QTest::keyClick(title, Qt::Key_Down);
    QTest::keyClick(title, Qt::Key_Down);
    QCOMPARE(title->currentText(), QStringLiteral("PhD"));
    // Enter saves the row being edited.
    QTest::keyClick(title, Qt::Key_Return);

    QVERIFY(!panel->IsOpen());
    panel->FinishSlide();
    QCOMPARE(panel->height(), 0);
    QVERIFY(grid->isEnabled() && bNew->isEnabled() && bEdit->isEnabled());
    QCOMPARE(m_dm->Speakers->DataState(), TDataSet::State::Browse);
    QCOMPARE(Count(QStringLiteral("select count(*) from speakers s join titles t on t.title_id = "
                                  "s.title_id where s.last_name = 'Miller' and s.first_name = "
                                  "'Ann' and s.place = 'Chicago' and t.t_name = 'PhD'")),
             1);
    QCOMPARE(grid->model()->rowCount(), rows + 1);
    QVERIFY(RowShowing(grid, QStringLiteral("Miller")) >= 0);

    // Saved is not picked: the conference's list only grows by a double-click.
    auto* speakers = Child<QListWidget>(m_main.get(), "lbSpeakers");
    QVERIFY(!speakers ||
            speakers->findItems(QStringLiteral("Ann Miller"), Qt::MatchExactly).isEmpty());

    // Editing the current row through the panel, saved with the button.
    QVERIFY(m_dm->Speakers->Locate(QStringLiteral("last_name"), QStringLiteral("Miller")));
    QTest::mouseClick(bEdit, Qt::LeftButton);
    QCOMPARE(m_dm->Speakers->DataState(), TDataSet::State::Edit);
    lastName->selectAll();
    QTest::keyClicks(lastName, QStringLiteral("Millner"));
    panel->FinishSlide();
    QTest::mouseClick(Child<QPushButton>(m_main->SpeakerPicker(), "bSave"), Qt::LeftButton);
    QCOMPARE(Count(QStringLiteral("select count(*) from speakers where last_name = 'Millner'")), 1);
    QCOMPARE(Count(QStringLiteral("select count(*) from speakers")), 4);
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstPickers::cancelAndEmptyEditLeaveTheListAlone()
{
    ShowActive(m_main->SpeakerPicker());
    TSlidingPanel* panel = m_main->SpeakerPicker()->DetailsPanel();
    QTest::mouseClick(Child<QPushButton>(m_main->SpeakerPicker(), "bNew"), Qt::LeftButton);
    QTest::keyClicks(Child<TDBEdit>(m_main->SpeakerPicker(), "dbeLastName"),
                     QStringLiteral("Nobody"));
    panel->FinishSlide();
    QTest::mouseClick(Child<QPushButton>(m_main->SpeakerPicker(), "bCancel"), Qt::LeftButton);
    QCOMPARE(panel->TargetHeight(), 0);
    panel->FinishSlide();
    QCOMPARE(panel->height(), 0);
    QVERIFY(!panel->isVisible());
    QCOMPARE(m_dm->Speakers->DataState(), TDataSet::State::Browse);
    QCOMPARE(m_dm->Speakers->RecordCount(), 3);
    QCOMPARE(Count(QStringLiteral("select count(*) from speakers")), 3);

    // "Edit" on an empty list does nothing.
    m_db->Exec(QStringLiteral("delete from extras"));
    m_dm->Extras->Requery();
    ShowActive(m_main->ExtraPicker());
    QTest::mouseClick(Child<QPushButton>(m_main->ExtraPicker(), "bEdit"), Qt::LeftButton);
    QVERIFY(!m_main->ExtraPicker()->DetailsPanel()->IsOpen());
    QCOMPARE(m_dm->Extras->DataState(), TDataSet::State::Browse);
    QVERIFY(Child<TDBGrid>(m_main->ExtraPicker(), "jdbgExtras")->isEnabled());
}

void TstPickers::refusedSaveKeepsThePanelOpen()
{
    ShowActive(m_main->ExtraPicker());
    TSlidingPanel* panel = m_main->ExtraPicker()->DetailsPanel();
    QTest::mouseClick(Child<QPushButton>(m_main->ExtraPicker(), "bNew"), Qt::LeftButton);
    panel->FinishSlide();
    QCOMPARE(panel->height(), 73);
    QVERIFY(Child<TDBEdit>(m_main->ExtraPicker(), "dbeExtraName")->hasFocus());
    // Longer than the column allows: the database refuses the row.
    m_dm->Extras->FieldByName(QStringLiteral("e_name")).SetValue(QString(60, u'x'));

    QTest::mouseClick(Child<QPushButton>(m_main->ExtraPicker(), "bSave"), Qt::LeftButton);

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Error);
    QVERIFY(panel->IsOpen());
    QVERIFY(!Child<TDBGrid>(m_main->ExtraPicker(), "jdbgExtras")->isEnabled());
    QCOMPARE(m_dm->Extras->DataState(), TDataSet::State::Insert);

    // Corrected, the row goes in.
    auto* name = Child<TDBEdit>(m_main->ExtraPicker(), "dbeExtraName");
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Certificate"));
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(!panel->IsOpen());
    QCOMPARE(Count(QStringLiteral("select count(*) from extras where e_name = 'Certificate'")), 1);
    QCOMPARE(m_prompts->shown.size(), 1);
}

void TstPickers::closeGuardWhileEditing_data()
{
    QTest::addColumn<bool>("speakers");
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("speakers, close box") << true << false;
    QTest::newRow("speakers, Escape") << true << true;
    QTest::newRow("additional info, close box") << false << false;
    QTest::newRow("additional info, Escape") << false << true;
}

void TstPickers::closeGuardWhileEditing()
{
    QFETCH(bool, speakers);
    QFETCH(bool, byEscape);
    TInlineEditPicker* picker = speakers ? static_cast<TInlineEditPicker*>(m_main->SpeakerPicker())
                                         : static_cast<TInlineEditPicker*>(m_main->ExtraPicker());
    const auto closeIt = [&] {
        if (byEscape)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else
            picker->close();
    };
    ShowActive(picker);

    QTest::mouseClick(Child<QPushButton>(picker, "bNew"), Qt::LeftButton);
    closeIt();
    QVERIFY(picker->isVisible());
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Plain);
    QCOMPARE(m_prompts->shown[0].caption,
             QStringLiteral("Continuing Education Management Software"));
    QCOMPARE(m_prompts->shown[0].text, SaveOrCancel);
    QVERIFY(picker->Editing());
    QVERIFY(picker->DetailsPanel()->IsOpen());

    QTest::mouseClick(Child<QPushButton>(picker, "bCancel"), Qt::LeftButton);
    closeIt();
    QVERIFY(!picker->isVisible());
    QCOMPARE(m_prompts->shown.size(), 1);
}

void TstPickers::sortIsSharedWithTheMainListButTitlesAreNot()
{
    ShowActive(m_main->ConferencePicker());
    auto* pickGrid = Child<TDBGrid>(m_main->ConferencePicker(), "dbgPickConf");
    auto* mainGrid = Child<TDBGrid>(m_main.get(), "jdbgConferences");
    QVERIFY(mainGrid);

    ClickTitle(pickGrid, 1);
    QCOMPARE(m_dm->Conferences->Sort(), QStringLiteral("conf_name  ASC"));
    QCOMPARE(pickGrid->model()->index(0, 1).data().toString(),
             QStringLiteral("Asthma in children"));
    QCOMPARE(mainGrid->model()->index(0, 1).data().toString(),
             QStringLiteral("Asthma in children"));
    QVERIFY(pickGrid->IsColumnTitleBold(1));
    QVERIFY(!mainGrid->IsColumnTitleBold(1));
    ClickTitle(pickGrid, 1);
    QCOMPARE(m_dm->Conferences->Sort(), QStringLiteral("conf_name  DESC"));
    // And the other way round: the page's list sorts what the picker shows.
    ClickTitle(mainGrid, 0);
    QCOMPARE(m_dm->Conferences->Sort(), QStringLiteral("begin_date  ASC"));
    QCOMPARE(pickGrid->model()->index(0, 1).data().toString(), QStringLiteral("Burns"));
    QVERIFY(mainGrid->IsColumnTitleBold(0));
    QVERIFY(pickGrid->IsColumnTitleBold(1));
    QVERIFY(!pickGrid->IsColumnTitleBold(0));
    ClickTitle(pickGrid, 1);
    QCOMPARE(m_dm->Conferences->Sort(), QStringLiteral("conf_name  ASC"));

    // The pointer is a hand over the titles only.
    QHeaderView* header = pickGrid->horizontalHeader();
    QTest::mouseMove(header->viewport(), QPoint(10, header->height() / 2));
    QTRY_COMPARE(header->viewport()->cursor().shape(), Qt::PointingHandCursor);

    // The participant picker and the speaker picker sort their own data sets.
    ShowActive(m_main->ParticipantPicker());
    ClickTitle(Child<TDBGrid>(m_main->ParticipantPicker(), "dbgPickPart"), 1);
    QCOMPARE(m_dm->Participants->Sort(), QStringLiteral("first_name  ASC"));
    ShowActive(m_main->SpeakerPicker());
    ClickTitle(Child<TDBGrid>(m_main->SpeakerPicker(), "jdbgSpeakers"), 1);
    QCOMPARE(m_dm->Speakers->Sort(), QStringLiteral("first_name  ASC"));
    QCOMPARE(m_dm->Conferences->Sort(), QStringLiteral("conf_name  ASC"));
}

void TstPickers::widthsAreWrittenWhenTheDialogsGo()
{
    // Only the conference and participant lists let the user drag column borders.
    QCOMPARE(Child<TDBGrid>(m_main->ConferencePicker(), "dbgPickConf")
                 ->horizontalHeader()
                 ->sectionResizeMode(0),
             QHeaderView::Interactive);
    QCOMPARE(Child<TDBGrid>(m_main->ParticipantPicker(), "dbgPickPart")
                 ->horizontalHeader()
                 ->sectionResizeMode(1),
             QHeaderView::Interactive);
    QCOMPARE(Child<TDBGrid>(m_main->SpeakerPicker(), "jdbgSpeakers")
                 ->horizontalHeader()
                 ->sectionResizeMode(0),
             QHeaderView::Fixed);
    QCOMPARE(Child<TDBGrid>(m_main->ExtraPicker(), "jdbgExtras")
                 ->horizontalHeader()
                 ->sectionResizeMode(0),
             QHeaderView::Fixed);

    // Widths on screen are the stored ones scaled to the grid's font.
    const auto set = [](TDBGrid* grid, int column, int stored) {
        grid->setColumnWidth(column, TColumnWidths::OnScreen(*grid, stored));
    };
    set(Child<TDBGrid>(m_main->ConferencePicker(), "dbgPickConf"), 0, 123);
    set(Child<TDBGrid>(m_main->ConferencePicker(), "dbgPickConf"), 1, 321);
    set(Child<TDBGrid>(m_main->ParticipantPicker(), "dbgPickPart"), 0, 90);
    set(Child<TDBGrid>(m_main->ParticipantPicker(), "dbgPickPart"), 1, 80);
    set(Child<TDBGrid>(m_main->SpeakerPicker(), "jdbgSpeakers"), 1, 111);
    set(Child<TDBGrid>(m_main->ExtraPicker(), "jdbgExtras"), 0, 199);
    const auto dimension = [&](const char* key) {
        return m_dm->Config->ReadString(QStringLiteral("Dimensions"), QLatin1String(key));
    };
    QCOMPARE(dimension("PickConfDateWidth"), QString());

    DestroyWindows();

    QCOMPARE(dimension("PickConfDateWidth"), QStringLiteral("123"));
    QCOMPARE(dimension("PickConfNameWidth"), QStringLiteral("321"));
    QCOMPARE(dimension("PickPartLNameWidth"), QStringLiteral("90"));
    QCOMPARE(dimension("PickPartFNameWidth"), QStringLiteral("80"));
    QCOMPARE(dimension("PickSpeakerLNameWidth"), QStringLiteral("100"));
    QCOMPARE(dimension("PickSpeakerFNameWidth"), QStringLiteral("111"));
    QCOMPARE(dimension("PickExtraNameWidth"), QStringLiteral("199"));
}

void TstPickers::screenshots()
{
    const QString dir = ScreenshotDir();
    const auto save = [&](QWidget* window, const QString& name) {
        QVERIFY(window->grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))));
    };
    ShowActive(m_main->ConferencePicker());
    save(m_main->ConferencePicker(), QStringLiteral("frmPickConf"));
    ShowActive(m_main->ParticipantPicker());
    save(m_main->ParticipantPicker(), QStringLiteral("frmPickPart"));

    ShowActive(m_main->SpeakerPicker());
    save(m_main->SpeakerPicker(), QStringLiteral("frmPickSpeaker"));
    QTest::mouseClick(Child<QPushButton>(m_main->SpeakerPicker(), "bEdit"), Qt::LeftButton);
    m_main->SpeakerPicker()->DetailsPanel()->FinishSlide();
    save(m_main->SpeakerPicker(), QStringLiteral("frmPickSpeaker-editing"));
    QTest::mouseClick(Child<QPushButton>(m_main->SpeakerPicker(), "bCancel"), Qt::LeftButton);

    ShowActive(m_main->ExtraPicker());
    save(m_main->ExtraPicker(), QStringLiteral("frmPickExtra"));
    QTest::mouseClick(Child<QPushButton>(m_main->ExtraPicker(), "bNew"), Qt::LeftButton);
    m_main->ExtraPicker()->DetailsPanel()->FinishSlide();
    save(m_main->ExtraPicker(), QStringLiteral("frmPickExtra-editing"));
    QTest::mouseClick(Child<QPushButton>(m_main->ExtraPicker(), "bCancel"), Qt::LeftButton);
}

int main(int argc, char** argv)
{
    // The program's application object: errors escaping a handler reach the error box.
    TApplication application(argc, argv);
    TstPickers test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pickers.moc"
