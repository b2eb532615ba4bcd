#include "app/TApplication.h"
#include "db/TConnection.h"
#include "ui/TDBEdit.h"
#include "ui/TColumnWidths.h"
#include "ui/TDBGrid.h"
#include "ui/TDBLookupComboBox.h"
#include "ui/TDBRadioGroup.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TParticipantsPage.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestWindows.h"
#include "ui/TTimeFilterBox.h"
#include "ui/TfraPartDetails.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmPickConf.h"
#include "ui/TfrmPickExtra.h"
#include "ui/TfrmPickPart.h"
#include "ui/TfrmPickSpeaker.h"
#include "ui/TfrmSignIn.h"
#include "ui/TfrmTimeFilter.h"

#include <QDate>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace
{

using TGuiTest::WithoutMnemonic;

// Types a text key by key; letters beyond ASCII arrive as the keyboard would send them.
void TypeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
    }
}

} // namespace

// The Participants page on a real database, in a main window created as at start-up.
class TstParticipantsPage : public TMainWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void pageShowsTheDesignedControls();
    void phoneAndFaxStoreDigitsOnly();
    void blankOptionalFieldsAreStoredAsNull();
    void mailingOptionsMapToOneTwoThree();
    void addNewAndSaveShowsAndStoresTheParticipant();
    void editAndCancelRestoresTheRow();
    void savedChangeReachesTheOtherPages();
    void removeAsksFirst();
    void emptyListEditAndRemove();
    void refusedPostKeepsTheEditStateAndTypedValues();
    void enterInSearchNarrowsTheList();
    void conferencesSubPageAddsAndRemovesAttendances();
    void keyboardDrivesTheEditor();
    void screenshots();

private:
    // Replaces the text of a details box as a user would: select all, then type.
    void Type(const char* name, const QString& text)
    {
        auto* edit = Find<QLineEdit>(name);
        QVERIFY(edit);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        TypeText(edit, text);
    }
    void Search(const QString& text)
    {
        auto* search = Find<QLineEdit>("eSearchPart");
        search->setFocus();
        search->selectAll();
        QTest::keyClick(search, Qt::Key_Delete);
        TypeText(search, text);
        QTest::keyClick(search, Qt::Key_Return);
    }
    // Opens the conference picker with "Add" and runs the step while it is shown.
    void WithPicker(const std::function<void(TfrmPickConf&)>& step);
    void ShowParticipants(int subPage = TParticipantsPage::subPartInfo);
    void Select(const QString& lastName)
    {
        QVERIFY(m_dm->Participants->Locate("last_name", lastName));
    }
    QStringList ListedLastNames() const;
    QVariant Stored(const QString& column, const QString& lastName)
    {
        return m_db->Conn().ScalarQuery(
            QStringLiteral("select %1 from participants where last_name = ?").arg(column),
            {lastName});
    }
    bool ConferencesTabVisible() { return Find<QTabWidget>("pgPartDetails")->isTabVisible(1); }
    void VerifyBrowseState();
    void VerifyEditState();

    TParticipantsPage* m_page = nullptr;
};

void TstParticipantsPage::init()
{
    m_db = std::make_unique<TTempDatabase>();
    const QString year = QString::number(QDate::currentDate().year());
    m_db->Exec("insert into titles (t_name) values ('RN'), ('MD')");
    m_db->Exec("insert into specialities (s_name) values ('Nursing'), ('Cardiology')");
    m_db->Exec("insert into participants (last_name, first_name, title_id, spec_id, city, phone, "
               "mail_type) values "
               "('Smith', 'John', 2, 2, 'Boston', '6175551234', 1), "
               "('Smithers', 'Anna', 1, 1, 'Austin', null, 2), "
               "('M\u00fcller', 'J\u00f6rg', null, null, null, null, 3), "
               "('Jones', 'Mary', null, null, null, null, null), "
               "('Odd', 'Value', null, null, null, null, 7)");
    m_db->Exec(QStringLiteral("insert into conferences (conf_name, begin_date, end_date, units) "
                              "values ('Heart', '%1-03-07 09:00:00', '%1-03-07 17:00:00', 2), "
                              "('Lungs', '%1-02-01 09:00:00', '%1-02-01 12:00:00', 1)")
                   .arg(year));
    m_db->Exec("insert into attendances (conf_id, user_id) values (1, 1)");

    QVERIFY(OpenMainWindow());
    m_page = m_main->ParticipantsPage();
    QVERIFY(m_page);
}

void TstParticipantsPage::cleanup()
{
    CloseMainWindow();
}

void TstParticipantsPage::ShowParticipants(int subPage)
{
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageParticipants);
    Find<QTabWidget>("pgPartDetails")->setCurrentIndex(subPage);
}

QStringList TstParticipantsPage::ListedLastNames() const
{
    auto* grid = m_main->findChild<TDBGrid*>(QStringLiteral("jdbgParticipants"));
    QStringList names;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        names << grid->model()->index(row, 0).data().toString();
    return names;
}

void TstParticipantsPage::VerifyBrowseState()
{
    QVERIFY(!m_page->Editing());
    QVERIFY(OtherMainTabsVisible());
    QVERIFY(ConferencesTabVisible());
    QVERIFY(!Find<QWidget>("pPartInfo")->isEnabled());
    QVERIFY(Find<QWidget>("pPartList")->isEnabled());
    for (const char* name : {"bPartEdit", "bPartInsert", "bPartDel"})
        QVERIFY2(Button(name)->isEnabled(), name);
    for (const char* name : {"bPartSave", "bPartCancel"})
        QVERIFY2(!Button(name)->isEnabled(), name);
}

void TstParticipantsPage::VerifyEditState()
{
    QVERIFY(m_page->Editing());
    QTabWidget* pages = m_main->PageControl();
    for (int i = 0; i < pages->count(); ++i)
        QCOMPARE(pages->isTabVisible(i), i == TfrmMain::pageParticipants);
    QVERIFY(!ConferencesTabVisible());
    QVERIFY(Find<QWidget>("pPartInfo")->isEnabled());
    QVERIFY(!Find<QWidget>("pPartList")->isEnabled());
    for (const char* name : {"bPartEdit", "bPartInsert", "bPartDel"})
        QVERIFY2(!Button(name)->isEnabled(), name);
    for (const char* name : {"bPartSave", "bPartCancel"})
        QVERIFY2(Button(name)->isEnabled(), name);
}

void TstParticipantsPage::WithPicker(const std::function<void(TfrmPickConf&)>& step)
{
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
        auto* picker = qobject_cast<TfrmPickConf*>(QApplication::activeModalWidget());
        if (picker) {
            step(*picker);
            ran = true;
        }
        // Never leave a modal loop running, whatever the step did.
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    Click("bPartAddConf");
    QVERIFY(ran);
    QVERIFY(!m_main->ConferencePicker()->isVisible());
}

void TstParticipantsPage::pageShowsTheDesignedControls()
{
    ShowParticipants();
    QCOMPARE(m_main->windowTitle(), QStringLiteral("Participants"));
    // The page selected puts the focus into the search box.
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>("eSearchPart"));

    auto* details = Find<QTabWidget>("pgPartDetails");
    QCOMPARE(details->count(), 2);
    QCOMPARE(details->widget(0)->objectName(), QStringLiteral("tsPartInfo"));
    QCOMPARE(details->tabText(0), QStringLiteral("Participant details"));
    QCOMPARE(details->widget(1)->objectName(), QStringLiteral("tsPartConferences"));
    QCOMPARE(details->tabText(1), QStringLiteral("Conferences"));
    QVERIFY(Find<TfraPartDetails>("fraPartDetailsMain"));
    QVERIFY(Find<QWidget>("Panel5"));
    QVERIFY(Find<QLabel>("lPartTime"));
    QCOMPARE(Find<QLabel>("lPartTime")->text(), QString::number(QDate::currentDate().year()));
    QCOMPARE(Find<QToolButton>("sbPartTime")->text(), QStringLiteral("select date range"));

    const QList<QPair<const char*, QString>> buttons = {
        {"bPartEdit", "Edit"},        {"bPartInsert", "Add new"}, {"bPartDel", "Remove"},
        {"bPartSave", "Save"},        {"bPartCancel", "Cancel"},  {"bPartAddConf", "Add"},
        {"bPartConfDelete", "Remove"}};
    for (const auto& [name, caption] : buttons) {
        QVERIFY(Button(name));
        QCOMPARE(WithoutMnemonic(Button(name)->text()), caption);
    }
    VerifyBrowseState();

    auto* list = Find<TDBGrid>("jdbgParticipants");
    QCOMPARE(list->DataSet(), m_dm->Participants);
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Last name"));
    QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("First name"));
    QVERIFY(list->Sortable());
    QCOMPARE(list->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(list->columnWidth(0), TColumnWidths::OnScreen(*list, 100));

    auto* conferences = Find<TDBGrid>("dbgPartConf");
    QCOMPARE(conferences->DataSet(), m_dm->PartConfs);
    const QStringList titles = {"Begin date", "Conference name", "Sign-in date"};
    for (int c = 0; c < titles.size(); ++c)
        QCOMPARE(conferences->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
    QVERIFY(!conferences->Sortable());
    QCOMPARE(conferences->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    QCOMPARE(conferences->columnWidth(1), TColumnWidths::OnScreen(*conferences, 300));

    // The hand shows over the titles: on moving over the participant list, on a press over the
    // conference list.
    ShowParticipants(TParticipantsPage::subPartConferences);
    QWidget* listTitles = list->horizontalHeader()->viewport();
    QTest::mouseMove(listTitles, QPoint(20, 5));
    QTRY_COMPARE(listTitles->cursor().shape(), Qt::PointingHandCursor);
    QWidget* confTitles = conferences->horizontalHeader()->viewport();
    QTest::mouseMove(confTitles, QPoint(20, 5));
    QCOMPARE(confTitles->cursor().shape(), Qt::ArrowCursor);
    QTest::mousePress(confTitles, Qt::LeftButton, {}, QPoint(20, 5));
    QTest::mouseRelease(confTitles, Qt::LeftButton, {}, QPoint(20, 5));
    QCOMPARE(confTitles->cursor().shape(), Qt::PointingHandCursor);
    ShowParticipants();

    // A title click on the participant list sorts it; on the conference list it changes nothing.
    QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(list->columnViewportPosition(1) + 10, 5));
    QCOMPARE(m_dm->Participants->Sort(), QStringLiteral("first_name  ASC"));
    QVERIFY(list->IsColumnTitleBold(1));
    QCOMPARE(ListedLastNames().first(), QStringLiteral("Smithers"));
    ShowParticipants(TParticipantsPage::subPartConferences);
    QTest::mouseClick(conferences->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(conferences->columnViewportPosition(1) + 10, 5));
    QVERIFY(m_dm->PartConfs->Sort().isEmpty());
    QVERIFY(!conferences->IsColumnTitleBold(1));

    // Titles and specialities list every name after "<none>", sorted by name.
    auto* title = Find<TDBLookupComboBox>("jdblcPartTitle");
    QCOMPARE(title->count(), 3);
    QCOMPARE(title->itemText(0), QStringLiteral("<none>"));
    QCOMPARE(title->itemText(1), QStringLiteral("MD"));
    auto* speciality = Find<TDBLookupComboBox>("jdblcSpeciality");
    QCOMPARE(speciality->itemText(0), QStringLiteral("<none>"));
    QCOMPARE(speciality->itemText(1), QStringLiteral("Cardiology"));
    Select(QStringLiteral("Jones"));
    QCOMPARE(title->currentText(), QStringLiteral("<none>"));
    Select(QStringLiteral("Smith"));
    QCOMPARE(title->currentText(), QStringLiteral("MD"));
    QCOMPARE(speciality->currentText(), QStringLiteral("Cardiology"));
    // A ten-digit number fills the mask from the right.
    QCOMPARE(Find<QLineEdit>("dbePartPhone")->displayText().replace(u'_', u' '),
             QStringLiteral(" (617)555-1234"));
}

void TstParticipantsPage::phoneAndFaxStoreDigitsOnly()
{
    ShowParticipants();
    Select(QStringLiteral("Jones"));
    Click("bPartEdit");

    auto* phone = Find<QLineEdit>("dbePartPhone");
    QCOMPARE(phone->inputMask(), QStringLiteral("0\\(000\\)000-0000;_"));
    phone->setFocus();
    QTest::keyClick(phone, Qt::Key_Home);
    // The pattern's parentheses and hyphen are typed over, not stored.
    QTest::keyClicks(phone, QStringLiteral("1(800)555-1212"));
    QCOMPARE(phone->text(), QStringLiteral("1(800)555-1212"));
    QCOMPARE(m_dm->Participants->FieldByName("phone").AsString(), QStringLiteral("18005551212"));

    auto* fax = Find<QLineEdit>("dbePartFax");
    fax->setFocus();
    QTest::keyClick(fax, Qt::Key_Home);
    QTest::keyClicks(fax, QStringLiteral("5556667"));
    Click("bPartSave");

    QCOMPARE(Stored("phone", "Jones").toString(), QStringLiteral("18005551212"));
    QCOMPARE(Stored("fax", "Jones").toString(), QStringLiteral("5556667"));
    QCOMPARE(phone->text(), QStringLiteral("1(800)555-1212"));
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstParticipantsPage::blankOptionalFieldsAreStoredAsNull()
{
    ShowParticipants();
    Select(QStringLiteral("Smithers"));
    Click("bPartEdit");
    Type("dbePartFirstName", QStringLiteral("   "));
    Type("dbePartCity", QStringLiteral(" "));
    Type("dbePartAddress", QStringLiteral("  12 Elm St  "));
    Click("bPartSave");

    QVERIFY(Stored("first_name", "Smithers").isNull());
    QVERIFY(Stored("city", "Smithers").isNull());
    // A text with a non-blank character keeps its own blanks.
    QCOMPARE(Stored("address", "Smithers").toString(), QStringLiteral("  12 Elm St  "));
    QVERIFY(Stored("zip", "Smithers").isNull());
    QVERIFY(Stored("phone", "Smithers").isNull());
    // Deleting every digit of a phone number stores null, not the empty mask.
    Select(QStringLiteral("Smith"));
    Click("bPartEdit");
    Type("dbePartPhone", QString());
    Click("bPartSave");
    QVERIFY(Stored("phone", "Smith").isNull());
}

void TstParticipantsPage::mailingOptionsMapToOneTwoThree()
{
    ShowParticipants();
    auto* options = Find<TDBRadioGroup>("dbMailOptions");
    QCOMPARE(WithoutMnemonic(options->title()), QStringLiteral("Mailing options"));
    const QList<QPair<QString, int>> shown = {
        {"Smith", 0}, {"Smithers", 1}, {"M\u00fcller", 2}, {"Jones", -1}, {"Odd", -1}};
    for (const auto& [name, item] : shown) {
        Select(name);
        QCOMPARE(options->ItemIndex(), item);
    }

    // A value with no item stays stored as it is until the user picks an item.
    Click("bPartEdit");
    Type("dbePartFirstName", QStringLiteral("Val"));
    Click("bPartSave");
    QCOMPARE(Stored("mail_type", "Odd").toInt(), 7);

    const QStringList captions = {"E-mail", "Postal mail", "Fax"};
    for (int i = 0; i < captions.size(); ++i) {
        Click("bPartEdit");
        QRadioButton* item = nullptr;
        for (QRadioButton* button : options->findChildren<QRadioButton*>())
            if (WithoutMnemonic(button->text()) == captions[i])
                item = button;
        QVERIFY(item);
        // On the round indicator: a short caption leaves the item's middle outside its text.
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, item->height() / 2));
        Click("bPartSave");
        QCOMPARE(Stored("mail_type", "Odd").toInt(), i + 1);
        QCOMPARE(options->ItemIndex(), i);
    }
}

void TstParticipantsPage::addNewAndSaveShowsAndStoresTheParticipant()
{
    ShowParticipants();
    const int before = m_dm->Participants->RecordCount();
    Click("bPartInsert");
    VerifyEditState();
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Insert);
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>("dbePartLastName"));
    // A new row starts empty: no title, no mailing option.
    QCOMPARE(Find<TDBLookupComboBox>("jdblcPartTitle")->currentText(), QStringLiteral("<none>"));
    QCOMPARE(Find<TDBRadioGroup>("dbMailOptions")->ItemIndex(), -1);

    Type("dbePartLastName", QStringLiteral("Nguyen"));
    Type("dbePartFirstName", QStringLiteral("Lan"));
    Type("dbeEmail", QStringLiteral("lan@example.org"));
    auto* title = Find<TDBLookupComboBox>("jdblcPartTitle");
    title->setFocus();
    // "RN" follows "MD" in the sorted list.
    QTest::keyClick(title, Qt::Key_Down);
    QTest::keyClick(title, Qt::Key_Down);
    QCOMPARE(title->currentText(), QStringLiteral("RN"));
    Click("bPartSave");

    VerifyBrowseState();
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>("eSearchPart"));
    QCOMPARE(m_dm->Participants->RecordCount(), before + 1);
    QCOMPARE(m_dm->Participants->FieldByName("last_name").AsString(), QStringLiteral("Nguyen"));
    QVERIFY(m_dm->Participants->FieldByName("user_id").AsInteger() > 0);
    auto* list = Find<TDBGrid>("jdbgParticipants");
    QCOMPARE(list->currentIndex().row(), m_dm->Participants->RecNo());
    QCOMPARE(list->currentIndex().data().toString(), QStringLiteral("Nguyen"));
    QCOMPARE(Stored("first_name", "Nguyen").toString(), QStringLiteral("Lan"));
    QCOMPARE(Stored("email", "Nguyen").toString(), QStringLiteral("lan@example.org"));
    QCOMPARE(Stored("title_id", "Nguyen").toInt(), 1);
    QVERIFY(Stored("spec_id", "Nguyen").isNull());
    QVERIFY(Stored("mail_type", "Nguyen").isNull());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstParticipantsPage::editAndCancelRestoresTheRow()
{
    ShowParticipants();
    Select(QStringLiteral("Smith"));
    Click("bPartEdit");
    VerifyEditState();
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>("dbePartLastName"));
    Type("dbePartLastName", QStringLiteral("Smyth"));
    Type("dbePartCity", QStringLiteral("Denver"));
    QCOMPARE(m_dm->Participants->FieldByName("last_name").AsString(), QStringLiteral("Smyth"));

    Click("bPartCancel");
    VerifyBrowseState();
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>("eSearchPart"));
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
    QCOMPARE(Find<QLineEdit>("dbePartLastName")->text(), QStringLiteral("Smith"));
    QCOMPARE(Find<QLineEdit>("dbePartCity")->text(), QStringLiteral("Boston"));
    QCOMPARE(Count("select count(*) from participants where last_name = 'Smyth'"), 0);

    // Cancel after Add new drops the new row.
    const int rows = m_dm->Participants->RecordCount();
    Click("bPartInsert");
    Type("dbePartLastName", QStringLiteral("Ghost"));
    Click("bPartCancel");
    QCOMPARE(m_dm->Participants->RecordCount(), rows);
    QCOMPARE(Count("select count(*) from participants"), rows);
    QVERIFY(!ListedLastNames().contains(QStringLiteral("Ghost")));
}

void TstParticipantsPage::savedChangeReachesTheOtherPages()
{
    ShowParticipants();
    QVERIFY(m_dm->Transcripts->Locate("user_id", 1));
    QVERIFY(m_dm->Conferences->Locate("conf_id", 1));
    QVERIFY(m_dm->ConfParts->Locate("user_id", 1));
    Select(QStringLiteral("Smith"));
    Click("bPartEdit");
    Type("dbePartLastName", QStringLiteral("Smythe"));
    Click("bPartSave");

    QVERIFY(m_dm->Transcripts->Locate("user_id", 1));
    QCOMPARE(m_dm->Transcripts->FieldByName("last_name").AsString(), QStringLiteral("Smythe"));
    QVERIFY(m_dm->ConfParts->Locate("user_id", 1));
    QCOMPARE(m_dm->ConfParts->FieldByName("last_name").AsString(), QStringLiteral("Smythe"));
}

void TstParticipantsPage::removeAsksFirst()
{
    ShowParticipants();
    Select(QStringLiteral("Smith"));
    const int rows = m_dm->Participants->RecordCount();

    m_prompts->QueueAnswer(false);
    Click("bPartDel");
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Confirmation);
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Remove participant?"));
    QCOMPARE(m_dm->Participants->RecordCount(), rows);
    QCOMPARE(Count("select count(*) from participants where last_name = 'Smith'"), 1);

    m_prompts->QueueAnswer(true);
    Click("bPartDel");
    QCOMPARE(m_prompts->shown.size(), 2);
    QCOMPARE(m_dm->Participants->RecordCount(), rows - 1);
    QCOMPARE(Count("select count(*) from participants where last_name = 'Smith'"), 0);
    QVERIFY(!ListedLastNames().contains(QStringLiteral("Smith")));
    // The lists that show attendances no longer list the removed participant.
    QVERIFY(!m_dm->Transcripts->Locate("user_id", 1));
    QVERIFY(m_dm->Conferences->Locate("conf_id", 1));
    QVERIFY(!m_dm->ConfParts->Locate("user_id", 1));
    VerifyBrowseState();
}

void TstParticipantsPage::emptyListEditAndRemove()
{
    ShowParticipants();
    Search(QStringLiteral("Nobody"));
    QVERIFY(m_dm->Participants->IsEmpty());

    Click("bPartEdit");
    VerifyBrowseState();
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
    Click("bPartDel");
    QVERIFY(m_prompts->shown.isEmpty());
    QCOMPARE(m_prompts->unansweredQuestions, 0);
    QCOMPARE(Count("select count(*) from participants"), 5);

    ShowParticipants(TParticipantsPage::subPartConferences);
    QVERIFY(m_dm->PartConfs->IsEmpty());
    Click("bPartConfDelete");
    QVERIFY(m_prompts->shown.isEmpty());
    // The picker opens, but a double-click with no participant signs no one in.
    WithPicker([this](TfrmPickConf& picker) {
        QVERIFY(m_dm->Conferences->Locate("conf_id", 2));
        picker.dbgPickConfDblClick();
    });
    QCOMPARE(Count("select count(*) from attendances"), 1);
}

void TstParticipantsPage::refusedPostKeepsTheEditStateAndTypedValues()
{
    ShowParticipants();
    Select(QStringLiteral("Jones"));
    Click("bPartEdit");
    Type("dbePartFirstName", QStringLiteral("Maria"));
    Type("dbePartPhone", QStringLiteral("5551234567"));
    // The box takes no more than the column holds, so the long name is put in directly.
    const QString tooLong(31, u'x');
    m_dm->Participants->FieldByName("last_name").SetValue(tooLong);

    Click("bPartSave");
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Error);
    QCOMPARE(m_prompts->shown[0].caption, TPrompts::ApplicationTitle());
    QVERIFY2(m_prompts->shown[0].text.contains(QStringLiteral("last_name")),
             qPrintable(m_prompts->shown[0].text));
    VerifyEditState();
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Edit);
    QCOMPARE(Find<QLineEdit>("dbePartFirstName")->text(), QStringLiteral("Maria"));
    QCOMPARE(m_dm->Participants->FieldByName("last_name").AsString(), tooLong);
    QCOMPARE(m_dm->Participants->FieldByName("phone").AsString(), QStringLiteral("5551234567"));
    QCOMPARE(Stored("first_name", "Jones").toString(), QStringLiteral("Mary"));

    // Corrected, the same edit saves.
    Type("dbePartLastName", QStringLiteral("Jonas"));
    Click("bPartSave");
    VerifyBrowseState();
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(Stored("first_name", "Jonas").toString(), QStringLiteral("Maria"));
    QCOMPARE(Stored("phone", "Jonas").toString(), QStringLiteral("5551234567"));
    QCOMPARE(Count("select count(*) from participants where last_name = 'Jones'"), 0);

    // A new row the database refuses stays in the list as typed until it is cancelled.
    const int rows = m_dm->Participants->RecordCount();
    m_db->Exec("create trigger refuse_new before insert on participants begin "
               "select raise(abort, 'The participant list is closed'); end");
    Click("bPartInsert");
    Type("dbePartLastName", QStringLiteral("Late"));
    Click("bPartSave");
    QCOMPARE(m_prompts->shown.size(), 2);
    QCOMPARE(m_prompts->shown[1].text, QStringLiteral("The participant list is closed."));
    VerifyEditState();
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Insert);
    QCOMPARE(Find<QLineEdit>("dbePartLastName")->text(), QStringLiteral("Late"));
    Click("bPartCancel");
    VerifyBrowseState();
    QCOMPARE(m_dm->Participants->RecordCount(), rows);
    QCOMPARE(Count("select count(*) from participants"), rows);
}

void TstParticipantsPage::enterInSearchNarrowsTheList()
{
    ShowParticipants();
    auto* search = Find<QLineEdit>("eSearchPart");
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("Smi"));
    // Typing alone does not search.
    QCOMPARE(ListedLastNames().size(), 5);
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(ListedLastNames(), QStringList({"Smith", "Smithers"}));

    Search(QStringLiteral("m\u00fc"));
    QCOMPARE(ListedLastNames(), QStringList({QStringLiteral("M\u00fcller")}));
    QCOMPARE(Find<QLineEdit>("dbePartFirstName")->text(), QStringLiteral("J\u00f6rg"));

    // Leaving the page keeps the narrowed list; Enter elsewhere does not search.
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageConf);
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageParticipants);
    QCOMPARE(ListedLastNames().size(), 1);
    search->setText(QString());
    auto* list = Find<TDBGrid>("jdbgParticipants");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(ListedLastNames().size(), 1);

    Search(QStringLiteral("  "));
    QCOMPARE(ListedLastNames().size(), 5);
    // A name with an apostrophe is matched as typed, not refused.
    Search(QStringLiteral("O'"));
    QVERIFY(ListedLastNames().isEmpty());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstParticipantsPage::conferencesSubPageAddsAndRemovesAttendances()
{
    ShowParticipants();
    Select(QStringLiteral("Jones"));
    ShowParticipants(TParticipantsPage::subPartConferences);
    auto* grid = Find<TDBGrid>("dbgPartConf");
    QCOMPARE(grid->model()->rowCount(), 0);
    QVERIFY(!m_dm->Transcripts->Locate("user_id", 4));

    // A double-click in the picker signs the participant in; a second one adds nothing.
    WithPicker([this](TfrmPickConf& picker) {
        auto* list = picker.findChild<TDBGrid*>(QStringLiteral("dbgPickConf"));
        QVERIFY(list);
        const int row = m_dm->Conferences->FindRow("conf_id", 2);
        QVERIFY(row >= 0);
        const QRect cell = list->visualRect(list->model()->index(row, 1));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    });
    QCOMPARE(Count("select count(*) from attendances where user_id = 4"), 1);
    QCOMPARE(Count("select count(*) from attendances where user_id = 4 and conf_id = 2"), 1);
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("Lungs"));
    // The database filled the sign-in time, shown as "dd.mm.yyyy  hh:mm AM/PM".
    const QString signedIn = grid->model()->index(0, 2).data().toString();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}  \\d\\d:\\d\\d (AM|PM)$"))
                 .match(signedIn)
                 .hasMatch(),
             qPrintable(signedIn));
    // The other pages' lists show the attendance.
    QVERIFY(m_dm->Transcripts->Locate("user_id", 4));
    QCOMPARE(m_dm->Transcripts->FieldByName("units").AsFloat(), 1.0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(m_prompts->shown.isEmpty());

    m_prompts->QueueAnswer(false);
    Click("bPartConfDelete");
    QCOMPARE(m_prompts->LastText(), QStringLiteral("Remove conference?"));
    QCOMPARE(Count("select count(*) from attendances where user_id = 4"), 1);
    QCOMPARE(grid->model()->rowCount(), 1);

    m_prompts->QueueAnswer(true);
    Click("bPartConfDelete");
    QCOMPARE(m_prompts->shown.size(), 2);
    QCOMPARE(Count("select count(*) from attendances where user_id = 4"), 0);
    QCOMPARE(grid->model()->rowCount(), 0);
    QVERIFY(!m_dm->Transcripts->Locate("user_id", 4));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // Another participant's attendance is untouched.
    QCOMPARE(Count("select count(*) from attendances where user_id = 1"), 1);
}

void TstParticipantsPage::keyboardDrivesTheEditor()
{
    ShowParticipants();
    Select(QStringLiteral("Smithers"));
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>("eSearchPart"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
    QTRY_VERIFY(m_page->Editing());
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>("dbePartLastName"));

    // Tab walks the details row by row.
    const QStringList order = {
        "dbePartFirstName", "jdblcPartTitle", "jdblcSpeciality", "dbePartAddress", "dbePartCity",
        "dbePartState",     "dbePartZip",     "dbePartPhone",    "dbeEmail",       "dbePartFax"};
    for (const QString& name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
    // After the fax the mailing options: Space picks the focused item, the arrow keys move on.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* options = Find<TDBRadioGroup>("dbMailOptions");
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("dbMailOptions_0"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(options->ItemIndex(), 0);
    QCOMPARE(m_dm->Participants->FieldByName("mail_type").AsInteger(), 1);
    // As in every radio group, the arrow keys move to the next item and choose it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("dbMailOptions_1"));
    QCOMPARE(options->ItemIndex(), 1);
    // Alt and a caption's letter reach a box directly.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("dbePartCity"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Waco"));
    // Enter in a details box neither saves nor moves on.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(m_page->Editing());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(!m_page->Editing());
    QCOMPARE(Stored("city", "Smithers").toString(), QStringLiteral("Waco"));
    QCOMPARE(Stored("mail_type", "Smithers").toInt(), 2);
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>("eSearchPart"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(m_page->Editing());
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Insert);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(!m_page->Editing());
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
}

void TstParticipantsPage::screenshots()
{
    m_main->resize(700, 572);
    const QString dir = TGuiTest::ScreenshotDir();
    ShowParticipants();
    Select(QStringLiteral("Smith"));
    QVERIFY(m_main->grab().save(QDir(dir).filePath(QStringLiteral("participants-browse.png"))));
    Click("bPartEdit");
    QVERIFY(m_main->grab().save(QDir(dir).filePath(QStringLiteral("participants-edit.png"))));
    Click("bPartCancel");
    ShowParticipants(TParticipantsPage::subPartConferences);
    QVERIFY(
        m_main->grab().save(QDir(dir).filePath(QStringLiteral("participants-conferences.png"))));
}

int main(int argc, char** argv)
{
    // The program's own application object, so an error escaping a click handler reaches the
    // default error handler as it does in the program.
    TApplication application(argc, argv);
    TstParticipantsPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_participantspage.moc"
