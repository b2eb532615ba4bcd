#include "app/TApplication.h"
#include "data/TConfFilter.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TSignInPage.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestWindows.h"
#include "data/TTimeFilter.h"
#include "ui/TfraCFilter.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmSignIn.h"
#include "ui/TfrmTimeFilter.h"

#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <functional>
#include <memory>

namespace
{

// Seeded ids.
constexpr int kHeart = 1;
constexpr int kLungs = 2;
constexpr int kSmith = 1;
constexpr int kSmithers = 2;
constexpr int kBrown = 3;
constexpr int kJones = 5;

using TGuiTest::ScreenshotDir;
using TGuiTest::WhenShown;
using TGuiTest::WithoutMnemonic;

// Notes when a window has been seen without its maximised state.
class TStateRecorder : public QObject
{
public:
    bool leftMaximised = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange &&
            !(static_cast<QWidget*>(watched)->windowState() & Qt::WindowMaximized))
            leftMaximised = true;
        return false;
    }
};

} // namespace

// The Live sign-in page, the sign-in window and the add-participant dialog on a real database,
// with every window created as at start-up.
class TstSignIn : public TMainWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void pageFilterNarrowsTheConferencesAndClearShowsAllAgain();
    void liveSignInOpensTheWindowForTheSelectedConference();
    void liveSignInWithNoConferenceOpensNothing();
    void searchActsOnEnterOnly();
    void searchIsKeptWhenReopenedForAnotherConference();
    void selectionShowsTheNameOnlyForThoseNotSignedIn();
    void doubleClickSignsInBlackRowsOnly();
    void signToConferenceRecordsOneRowAndRefreshesThePages();
    void signInIsRecordedWhileTheOtherPagesHideBoth();
    void refreshedListEqualsAFullRequery();
    void namesSortInTheLocaleOrderInSqlAndGrid();
    void signInOfAVanishedParticipantIsRefusedWithAMessage();
    void newParticipantIsSignedInAlthoughTheFilterHidesThem();
    void cancelCloseBoxAndEscapeLeaveNoNewParticipant();
    void refusedSaveShowsTheMessageAndKeepsTheTypedValues();
    void editDetailsSavesAndSignsNoOneIn();
    void editDetailsReachesAParticipantHiddenByThePageSearch();
    void editDetailsWithAnEmptyListOpensNothing();
    void windowStaysMaximisedWhereItIs();
    void statusLineAndKeyboardSignIn();
    void lastNameColumnFollowsTheDoorType_data();
    void lastNameColumnFollowsTheDoorType();
    void screenshots();

private:
    // Opens the sign-in window without a modal loop, for the conference with this id.
    void OpenSignIn(int confId);
    void CloseSignIn() { m_main->SignInWindow()->close(); }
    void SelectPerson(int userId)
    {
        QVERIFY(m_dm->SignInParts->Locate(QStringLiteral("user_id"), userId));
    }
    void Search(const QString& text);
    int Attendances(int confId, int userId)
    {
        return Count(QStringLiteral("select count(*) from attendances where conf_id = %1 and "
                                    "user_id = %2")
                         .arg(confId)
                         .arg(userId));
    }
    QLabel* SelName() { return Find<QLabel>(m_main->SignInWindow(), "lSelName"); }
    QPushButton* SignButton() { return Find<QPushButton>(m_main->SignInWindow(), "sbSignIn"); }
    QColor RowColour(int userId);
    // Every row of the names grid as shown (texts and colour), then the selected row.
    QStringList ShownNames();
    // The names grid equals what a requery of the whole list shows.
    void CompareWithRequery();
    // Types into the add-participant dialog's box of this name.
    void TypeInto(const char* name, const QString& text)
    {
        auto* edit = Find<QLineEdit>(m_main->AddPartDialog(), name);
        QVERIFY(edit);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
};

void TstSignIn::init()
{
    m_db = std::make_unique<TTempDatabase>();
    const QString year = QString::number(QDate::currentDate().year());
    m_db->Exec("insert into titles (t_name) values ('MD'), ('RN')");
    m_db->Exec("insert into specialities (s_name) values ('Cardiology'), ('Nursing')");
    m_db->Exec(QStringLiteral("insert into conferences (conf_name, begin_date, end_date, units) "
                              "values ('Heart', '%1-03-07 09:00:00', '%1-03-07 17:00:00', 2), "
                              "('Lungs', '%1-02-01 09:00:00', '%1-02-01 12:00:00', 1)")
                   .arg(year));
    m_db->Exec("insert into participants (last_name, first_name) values ('Smith', 'John'), "
               "('Smithers', 'Anna'), ('Brown', 'Bob'), ('O''Brien', 'Pat'), ('Jones', 'Mary')");
    m_db->Exec("insert into attendances (conf_id, user_id) values (1, 3)");

    QVERIFY(OpenMainWindow());
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageSignIn);
}

void TstSignIn::cleanup()
{
    if (m_main && m_main->SignInWindow()->isVisible())
        m_main->SignInWindow()->close();
    CloseMainWindow();
}

void TstSignIn::OpenSignIn(int confId)
{
    QVERIFY(m_dm->SignInConfs->Locate(QStringLiteral("conf_id"), confId));
    m_main->SignInWindow()->setWindowState(Qt::WindowMaximized);
    m_main->SignInWindow()->open();
    QVERIFY(QTest::qWaitForWindowExposed(m_main->SignInWindow()));
    QCOMPARE(m_main->SignInWindow()->ConferenceId().toInt(), confId);
}

void TstSignIn::Search(const QString& text)
{
    auto* edit = Find<QLineEdit>(m_main->SignInWindow(), "eSignInName");
    QVERIFY(edit);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QColor TstSignIn::RowColour(int userId)
{
    auto* grid = Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames");
    const int row = m_dm->SignInParts->FindRow(QStringLiteral("user_id"), userId);
    if (!grid || row < 0)
        return {};
    return grid->model()->index(row, 0).data(Qt::ForegroundRole).value<QBrush>().color();
}

QStringList TstSignIn::ShownNames()
{
    QAbstractItemModel* model = Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames")->model();
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        cells << model->index(r, 0).data(Qt::ForegroundRole).value<QBrush>().color().name();
        rows << cells.join(u'|');
    }
    rows << QStringLiteral("selected %1").arg(m_dm->SignInParts->RecNo());
    return rows;
}

void TstSignIn::CompareWithRequery()
{
    const QStringList refreshed = ShownNames();
    TDataSet* parts = m_dm->SignInParts;
    const QVariant userId = parts->FieldByName(QStringLiteral("user_id")).Value();
    parts->Requery();
    if (!parts->Locate(QStringLiteral("user_id"), userId))
        parts->First();
    QCOMPARE(refreshed, ShownNames());
}

void TstSignIn::refreshedListEqualsAFullRequery()
{
    OpenSignIn(kHeart);
    // Sorted by a title click, so a changed row must keep its place among the sorted ones.
    auto* grid = Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames");
    Q_EMIT grid->horizontalHeader()->sectionClicked(1);
    QVERIFY(!m_dm->SignInParts->Sort().isEmpty());

    SelectPerson(kJones);
    QTest::mouseClick(SignButton(), Qt::LeftButton);
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("signed_in")).AsInteger(), 1);
    CompareWithRequery();

    // Already signed in: nothing is added, the list is refreshed all the same.
    SelectPerson(kBrown);
    m_main->SignInWindow()->sbSignInClick();
    QCOMPARE(Attendances(kHeart, kBrown), 1);
    CompareWithRequery();

    // Changed by another program meanwhile: the refresh shows the participant's new name.
    m_db->Exec("update participants set first_name = 'Aaron' where user_id = 4");
    Search(QStringLiteral("O'B"));
    SelectPerson(4);
    m_main->SignInWindow()->sbSignInClick();
    QVERIFY(ShownNames().first().startsWith(QStringLiteral("O'Brien|Aaron|")));
    CompareWithRequery();

    // A walk-in added from the window, with the search cleared.
    Search(QString());
    WhenShown(m_main->AddPartDialog(), [&] {
        TypeInto("dbePartLastName", QStringLiteral("Adams"));
        TypeInto("dbePartFirstName", QStringLiteral("Zoe"));
        QTest::mouseClick(Find<QPushButton>(m_main->AddPartDialog(), "bPartSave"), Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(m_main->SignInWindow(), "bSignInNew"), Qt::LeftButton);
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("last_name")).AsString(),
             QStringLiteral("Adams"));
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("signed_in")).AsInteger(), 1);
    CompareWithRequery();
}

void TstSignIn::namesSortInTheLocaleOrderInSqlAndGrid()
{
    m_db->Exec("insert into participants (last_name, first_name) values ('Zimmerman', 'Ida'), "
               "('\u00d8degaard', 'Ole'), ('\u00d6stberg', 'Ulla'), ('\u0141ukasz', 'Ewa'), "
               "('adams', 'Al'), ('brown', 'Bea')");
    const QStringList expected = {"adams", "Brown", "brown", "Jones", "\u0141ukasz", "O'Brien",
                                  "\u00d8degaard", "\u00d6stberg", "Smith", "Smithers", "Zimmerman"};
    TDataSet sorted(*m_dm->Conn, QStringLiteral("Sorted"));
    sorted.SetSQL(QStringLiteral("select last_name from participants order by last_name"));
    sorted.Open();
    QStringList sqlOrder;
    for (sorted.First(); !sorted.Eof(); sorted.Next())
        sqlOrder << sorted.FieldByName(QStringLiteral("last_name")).AsString();
    QCOMPARE(sqlOrder, expected);

    OpenSignIn(kHeart);
    auto* grid = Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames");
    Q_EMIT grid->horizontalHeader()->sectionClicked(0);
    QStringList gridOrder;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        gridOrder << grid->model()->index(row, 0).data().toString();
    QCOMPARE(gridOrder, expected);
}

void TstSignIn::pageFilterNarrowsTheConferencesAndClearShowsAllAgain()
{
    auto* grid = Find<TDBGrid>(m_main.get(), "jdbgSignInConfs");
    auto* panel = Find<TfraCFilter>(m_main.get(), "fraSignInFilter");
    QVERIFY(grid && panel);
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Begin date"));
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Title"));
    QCOMPARE(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(m_dm->SignInConfs->RecordCount(), 2);
    // Newest first.
    QCOMPARE(m_dm->SignInConfs->FieldByName(QStringLiteral("conf_name")).AsString(),
             QStringLiteral("Heart"));

    auto* title = Find<QLineEdit>(panel, "eFName");
    QVERIFY(title);
    QTest::keyClicks(title, QStringLiteral("Lun"));
    QCOMPARE(m_dm->SignInConfs->RecordCount(), 2); // typing alone changes nothing
    QTest::mouseClick(panel->ApplyButton(), Qt::LeftButton);
    QCOMPARE(m_dm->SignInConfs->RecordCount(), 1);
    QCOMPARE(m_main->SignInFilter().Name, QStringLiteral("Lun"));
    // The other pages keep their own filters.
    QCOMPARE(m_dm->Conferences->RecordCount(), 2);

    QTest::mouseClick(panel->ClearButton(), Qt::LeftButton);
    QVERIFY(title->text().isEmpty());
    QCOMPARE(m_dm->SignInConfs->RecordCount(), 2);

    // Enter in a text box of the panel applies, as the Apply button does.
    title->setFocus();
    QTest::keyClicks(title, QStringLiteral("Hea"));
    QTest::keyClick(title, Qt::Key_Return);
    QCOMPARE(m_dm->SignInConfs->RecordCount(), 1);
    QTest::mouseClick(panel->ClearButton(), Qt::LeftButton);

    // The page's date-range button opens the time filter dialog; closing it changes nothing.
    auto* timeButton = Find<QToolButton>(m_main.get(), "sbSignInTime");
    QVERIFY(timeButton);
    bool dialogShown = false;
    WhenShown(
        m_main->TimeFilterDialog(), [this] { m_main->TimeFilterDialog()->close(); }, &dialogShown);
    QTest::mouseClick(timeButton, Qt::LeftButton);
    QVERIFY(dialogShown);
    QCOMPARE(m_dm->SignInConfs->RecordCount(), 2);

    // Title clicks sort the list, alternating the direction.
    const int name = m_dm->SignInConfs->FieldByName(QStringLiteral("conf_name")).Index();
    grid->horizontalHeader()->sectionClicked(1);
    QCOMPARE(m_dm->SignInConfs->RowDisplayText(0, name), QStringLiteral("Heart"));
    grid->horizontalHeader()->sectionClicked(1);
    QCOMPARE(m_dm->SignInConfs->RowDisplayText(0, name), QStringLiteral("Lungs"));
    QVERIFY(grid->IsColumnTitleBold(1));
}

void TstSignIn::liveSignInOpensTheWindowForTheSelectedConference()
{
    QVERIFY(m_dm->SignInConfs->Locate(QStringLiteral("conf_id"), kLungs));
    QStringList refreshed;
    QObject watcher; // the connections end with this test
    for (TDataSet* ds : {m_dm->ConfParts, m_dm->PartConfs, m_dm->Transcripts})
        connect(ds, &TDataSet::Fetched, &watcher, [&refreshed, ds] { refreshed << ds->Name(); });

    bool shown = false;
    bool modal = false;
    bool maximised = false;
    QString title;
    QString caption;
    int listed = 0;
    WhenShown(
        m_main->SignInWindow(),
        [&] {
            modal = m_main->SignInWindow()->isModal();
            maximised = m_main->SignInWindow()->windowState() & Qt::WindowMaximized;
            title = Find<QLabel>(m_main->SignInWindow(), "lConfName")->text();
            caption = m_main->SignInWindow()->windowTitle();
            listed = m_dm->SignInParts->RecordCount();
            refreshed.clear();
            m_main->SignInWindow()->close();
        },
        &shown);
    auto* button = Find<QPushButton>(m_main.get(), "bSignIn");
    QVERIFY(button);
    QCOMPARE(WithoutMnemonic(button->text()), QStringLiteral("Live sign-in"));
    QTest::mouseClick(button, Qt::LeftButton);

    QVERIFY(shown);
    QVERIFY(modal);
    QVERIFY(maximised);
    QCOMPARE(title, QStringLiteral("Lungs"));
    QCOMPARE(caption, QStringLiteral("Live sign-in"));
    QCOMPARE(listed, 5);
    // Closing ends the sign-in: the list is closed and the two detail lists are read again,
    // the transcripts list is not.
    QVERIFY(!m_dm->SignInParts->Active());
    QCOMPARE(refreshed, (QStringList{"ConfParts", "PartConfs"}));
    QVERIFY(m_main->SignInWindow()->ConferenceId().isNull());
}

void TstSignIn::liveSignInWithNoConferenceOpensNothing()
{
    auto* panel = Find<TfraCFilter>(m_main.get(), "fraSignInFilter");
    QTest::keyClicks(Find<QLineEdit>(panel, "eFName"), QStringLiteral("No such conference"));
    QTest::mouseClick(panel->ApplyButton(), Qt::LeftButton);
    QVERIFY(m_dm->SignInConfs->IsEmpty());
    bool shown = false;
    WhenShown(
        m_main->SignInWindow(), [] {}, &shown);
    m_main->SignInPage()->bSignInClick();
    QVERIFY(!shown);
    QVERIFY(!m_main->SignInWindow()->isVisible());
}

void TstSignIn::searchActsOnEnterOnly()
{
    OpenSignIn(kHeart);
    auto* edit = Find<QLineEdit>(m_main->SignInWindow(), "eSignInName");
    QVERIFY(edit->hasFocus());
    QCOMPARE(m_dm->SignInParts->RecordCount(), 5);

    QTest::keyClicks(edit, QStringLiteral("Smi"));
    QCOMPARE(m_dm->SignInParts->RecordCount(), 5);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_dm->SignInParts->RecordCount(), 2);
    QCOMPARE(m_dm->SignInParts->FindRow(QStringLiteral("user_id"), kSmithers) >= 0, true);
    // The first row is selected and shown in the name label.
    QCOMPARE(m_dm->SignInParts->RecNo(), 0);
    QVERIFY(!SelName()->text().isEmpty());

    // Enter searches whatever control has the focus, and no button takes it.
    edit->setText(QStringLiteral("Jo"));
    auto* editButton = Find<QPushButton>(m_main->SignInWindow(), "bEdit");
    editButton->setFocus();
    bool dialogShown = false;
    WhenShown(
        m_main->AddPartDialog(), [] {}, &dialogShown);
    QTest::keyClick(editButton, Qt::Key_Return);
    QVERIFY(!dialogShown);
    QCOMPARE(m_dm->SignInParts->RecordCount(), 1);

    // The arrow keys in the name box move the list's selection; the list takes no focus.
    edit->setFocus();
    Search(QStringLiteral("Smi"));
    QCOMPARE(m_dm->SignInParts->RecNo(), 0);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(m_dm->SignInParts->RecNo(), 1);
    QVERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(m_dm->SignInParts->RecNo(), 0);
    QVERIFY(Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames")->focusPolicy() ==
            Qt::ClickFocus);

    // A quote in the name is matched as typed.
    Search(QStringLiteral("O'B"));
    QCOMPARE(m_dm->SignInParts->RecordCount(), 1);
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("last_name")).AsString(),
             QStringLiteral("O'Brien"));
    QVERIFY(m_prompts->shown.isEmpty());

    Search(QStringLiteral("   "));
    QCOMPARE(m_dm->SignInParts->RecordCount(), 5);
    Search(QString());
    QCOMPARE(m_dm->SignInParts->RecordCount(), 5);

    // Escape does not end the sign-in.
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(m_main->SignInWindow()->isVisible());
}

void TstSignIn::searchIsKeptWhenReopenedForAnotherConference()
{
    OpenSignIn(kHeart);
    Search(QStringLiteral("Smi"));
    CloseSignIn();
    QVERIFY(!m_dm->SignInParts->Active());

    OpenSignIn(kLungs);
    QCOMPARE(Find<QLineEdit>(m_main->SignInWindow(), "eSignInName")->text(), QStringLiteral("Smi"));
    QCOMPARE(m_dm->SignInParts->RecordCount(), 2);
    QCOMPARE(Find<QLabel>(m_main->SignInWindow(), "lConfName")->text(), QStringLiteral("Lungs"));
    // The counts belong to the new conference: Brown is signed in to Heart only.
    Search(QString());
    SelectPerson(kBrown);
    QCOMPARE(SelName()->text(), QStringLiteral("Bob Brown"));
}

void TstSignIn::selectionShowsTheNameOnlyForThoseNotSignedIn()
{
    OpenSignIn(kHeart);
    SelectPerson(kBrown);
    QVERIFY(SelName()->text().isEmpty());
    QVERIFY(!SignButton()->isEnabled());
    QCOMPARE(RowColour(kBrown), QColor(128, 128, 128));

    SelectPerson(kSmith);
    QCOMPARE(SelName()->text(), QStringLiteral("John Smith"));
    QVERIFY(SignButton()->isEnabled());
    QCOMPARE(RowColour(kSmith), QColor(Qt::black));

    // An empty list has no selection: nothing to show, nothing to sign.
    Search(QStringLiteral("Nobody"));
    QVERIFY(m_dm->SignInParts->IsEmpty());
    QVERIFY(SelName()->text().isEmpty());
    QVERIFY(!SignButton()->isEnabled());
    m_main->SignInWindow()->dbgSignInNamesDblClick();
    m_main->SignInWindow()->sbSignInClick();
    QCOMPARE(Count("select count(*) from attendances"), 1);
}

void TstSignIn::doubleClickSignsInBlackRowsOnly()
{
    OpenSignIn(kHeart);
    auto* grid = Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames");
    auto doubleClick = [&](int userId) {
        const int row = m_dm->SignInParts->FindRow(QStringLiteral("user_id"), userId);
        QVERIFY(row >= 0);
        const QPoint at = grid->visualRect(grid->model()->index(row, 0)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    };

    doubleClick(kBrown);
    QCOMPARE(Count("select count(*) from attendances"), 1);
    QCOMPARE(m_prompts->shown.size(), 0);

    doubleClick(kSmithers);
    QCOMPARE(Attendances(kHeart, kSmithers), 1);
    QCOMPARE(RowColour(kSmithers), QColor(128, 128, 128));
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("user_id")).AsInteger(), kSmithers);
    QVERIFY(SelName()->text().isEmpty());
    QVERIFY(!SignButton()->isEnabled());
}

void TstSignIn::signToConferenceRecordsOneRowAndRefreshesThePages()
{
    OpenSignIn(kLungs);
    SelectPerson(kJones);
    QCOMPARE(SelName()->text(), QStringLiteral("Mary Jones"));
    QTest::mouseClick(SignButton(), Qt::LeftButton);

    QCOMPARE(Attendances(kLungs, kJones), 1);
    // The sign-in date comes from the database.
    QCOMPARE(Count("select count(*) from attendances where sign_in_date is null"), 0);
    // The row is selected again, grey, and can no longer be signed.
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("user_id")).AsInteger(), kJones);
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("signed_in")).AsInteger(), 1);
    QVERIFY(!SignButton()->isEnabled());
    QVERIFY(Find<QLineEdit>(m_main->SignInWindow(), "eSignInName")->hasFocus());
    // The Participants and Conferences pages show this person and this conference, with the
    // new attendance in their detail lists.
    QCOMPARE(m_dm->Participants->FieldByName(QStringLiteral("user_id")).AsInteger(), kJones);
    QCOMPARE(m_dm->Conferences->FieldByName(QStringLiteral("conf_id")).AsInteger(), kLungs);
    QVERIFY(m_dm->PartConfs->FindRow(QStringLiteral("conf_id"), kLungs) >= 0);
    QVERIFY(!m_dm->PartConfs->FieldByName(QStringLiteral("sign_in_date")).IsNull());
    QVERIFY(m_dm->ConfParts->FindRow(QStringLiteral("user_id"), kJones) >= 0);

    // A second request for the same pair adds nothing and says nothing.
    m_main->SignInWindow()->sbSignInClick();
    QCOMPARE(Attendances(kLungs, kJones), 1);
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstSignIn::signInIsRecordedWhileTheOtherPagesHideBoth()
{
    // The Participants page shows only the B names; the Conferences page only "Heart".
    m_dm->SearchParticipants(QStringLiteral("Br"));
    TConfFilter heartOnly;
    heartOnly.Name = QStringLiteral("Heart");
    m_dm->ApplyConferenceFilter(m_dm->Conferences, heartOnly, m_main->TimeFilter());
    QCOMPARE(m_dm->Participants->FindRow(QStringLiteral("user_id"), kSmith), -1);
    QCOMPARE(m_dm->Conferences->FindRow(QStringLiteral("conf_id"), kLungs), -1);

    OpenSignIn(kLungs);
    SelectPerson(kSmith);
    QTest::mouseClick(SignButton(), Qt::LeftButton);
    QCOMPARE(Attendances(kLungs, kSmith), 1);
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("signed_in")).AsInteger(), 1);
    QVERIFY(m_prompts->shown.isEmpty());
    // The pages keep their search and filter.
    QVERIFY(m_dm->Participants->Filtered());
    QCOMPARE(m_dm->Conferences->RecordCount(), 1);

    // Only the conference hidden: the participant is found and the pair recorded once.
    SelectPerson(kBrown);
    QTest::mouseClick(SignButton(), Qt::LeftButton);
    QCOMPARE(Attendances(kLungs, kBrown), 1);
    m_main->SignInWindow()->sbSignInClick();
    QCOMPARE(Attendances(kLungs, kBrown), 1);
    CloseSignIn();

    // The rows are known to the attendance list, so the pages can remove them again.
    m_dm->RemoveAttendance(kLungs, kSmith);
    QCOMPARE(Attendances(kLungs, kSmith), 0);
}

void TstSignIn::signInOfAVanishedParticipantIsRefusedWithAMessage()
{
    m_dm->SearchParticipants(QStringLiteral("Br"));
    OpenSignIn(kHeart);
    SelectPerson(kSmith);
    // Another program removes the participant while the list still shows them.
    m_db->Exec("delete from participants where user_id = 1");
    QTest::mouseClick(SignButton(), Qt::LeftButton);

    QCOMPARE(Attendances(kHeart, kSmith), 0);
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Warning);
    QVERIFY(m_prompts->shown[0].text.contains(QStringLiteral("nobody was signed in")));
    // The list is refreshed as after any sign-in.
    QCOMPARE(m_dm->SignInParts->FindRow(QStringLiteral("user_id"), kSmith), -1);
}

void TstSignIn::newParticipantIsSignedInAlthoughTheFilterHidesThem()
{
    OpenSignIn(kHeart);
    Search(QStringLiteral("Smi"));
    const int participantsBefore = m_dm->Participants->RecordCount();
    auto* newButton = Find<QPushButton>(m_main->SignInWindow(), "bSignInNew");
    auto* grid = Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames");
    const QPoint corner = m_main->SignInWindow()->mapToGlobal(
        QPoint(newButton->mapTo(m_main->SignInWindow(), QPoint()).x(),
               grid->mapTo(m_main->SignInWindow(), QPoint()).y()));

    QString caption;
    QString saveCaption;
    QPoint placedAt;
    bool inserting = false;
    WhenShown(m_main->AddPartDialog(), [&] {
        caption = m_main->AddPartDialog()->windowTitle();
        saveCaption =
            WithoutMnemonic(Find<QPushButton>(m_main->AddPartDialog(), "bPartSave")->text());
        placedAt = m_main->AddPartDialog()->pos();
        inserting = m_dm->Participants->DataState() == TDataSet::State::Insert;
        TypeInto("dbePartLastName", QStringLiteral("Zeta"));
        TypeInto("dbePartFirstName", QStringLiteral("  "));
        QTest::mouseClick(Find<QPushButton>(m_main->AddPartDialog(), "bPartSave"), Qt::LeftButton);
    });
    QTest::mouseClick(newButton, Qt::LeftButton);

    QCOMPARE(caption, QStringLiteral("Add new participant"));
    QCOMPARE(saveCaption, QStringLiteral("Save and sign in"));
    QCOMPARE(placedAt, corner);
    QVERIFY(inserting);
    const int zeta = Count("select user_id from participants where last_name = 'Zeta'");
    QVERIFY(zeta > 0);
    // Stored as typed: the blank first name is not cleared.
    QCOMPARE(
        Count("select count(*) from participants where last_name = 'Zeta' and first_name = '  '"),
        1);
    QCOMPARE(Attendances(kHeart, zeta), 1);
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
    QCOMPARE(m_dm->Participants->RecordCount(), participantsBefore + 1);
    // The list keeps its filter: the new row stays hidden there.
    QCOMPARE(m_dm->SignInParts->RecordCount(), 2);
    QCOMPARE(m_dm->SignInParts->FindRow(QStringLiteral("user_id"), zeta), -1);
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstSignIn::cancelCloseBoxAndEscapeLeaveNoNewParticipant()
{
    OpenSignIn(kHeart);
    const int participantsBefore = m_dm->Participants->RecordCount();
    auto* newButton = Find<QPushButton>(m_main->SignInWindow(), "bSignInNew");
    const QList<std::function<void()>> endings = {
        [this] {
            QTest::mouseClick(Find<QPushButton>(m_main->AddPartDialog(), "bPartCancel"),
                              Qt::LeftButton);
        },
        [this] { m_main->AddPartDialog()->close(); },
        [this] {
            QTest::keyClick(Find<QLineEdit>(m_main->AddPartDialog(), "dbePartLastName"),
                            Qt::Key_Escape);
        },
    };
    for (const auto& end : endings) {
        bool shown = false;
        WhenShown(
            m_main->AddPartDialog(),
            [&] {
                TypeInto("dbePartLastName", QStringLiteral("Half"));
                end();
            },
            &shown);
        QTest::mouseClick(newButton, Qt::LeftButton);
        QVERIFY(shown);
        QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
        QCOMPARE(m_dm->Participants->RecordCount(), participantsBefore);
        QCOMPARE(Count("select count(*) from participants where last_name = 'Half'"), 0);
        QCOMPARE(Count("select count(*) from attendances"), 1);
        // A later save elsewhere cannot store the abandoned row either.
        m_dm->Participants->Post();
        QCOMPARE(Count("select count(*) from participants"), 5);
    }
}

void TstSignIn::refusedSaveShowsTheMessageAndKeepsTheTypedValues()
{
    m_db->Refuse("refuse_participant", "before insert", "participants", "Participant refused",
                 "new.last_name = 'Refused'");
    OpenSignIn(kHeart);
    bool stillOpen = false;
    bool stillInserting = false;
    QString typed;
    QString message;
    WhenShown(m_main->AddPartDialog(), [&] {
        TypeInto("dbePartLastName", QStringLiteral("Refused"));
        QTest::mouseClick(Find<QPushButton>(m_main->AddPartDialog(), "bPartSave"), Qt::LeftButton);
        stillOpen = m_main->AddPartDialog()->isVisible();
        stillInserting = m_dm->Participants->DataState() == TDataSet::State::Insert;
        typed = Find<QLineEdit>(m_main->AddPartDialog(), "dbePartLastName")->text();
        message = m_prompts->LastText();
        QTest::mouseClick(Find<QPushButton>(m_main->AddPartDialog(), "bPartCancel"),
                          Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(m_main->SignInWindow(), "bSignInNew"), Qt::LeftButton);

    QVERIFY(stillOpen);
    QVERIFY(stillInserting);
    QCOMPARE(typed, QStringLiteral("Refused"));
    QVERIFY2(message.contains(QStringLiteral("Participant refused")), qPrintable(message));
    QCOMPARE(Count("select count(*) from participants"), 5);
    QCOMPARE(Count("select count(*) from attendances"), 1);
}

void TstSignIn::editDetailsSavesAndSignsNoOneIn()
{
    OpenSignIn(kHeart);
    SelectPerson(kSmith);
    QString saveCaption;
    QString shownName;
    WhenShown(m_main->AddPartDialog(), [&] {
        saveCaption =
            WithoutMnemonic(Find<QPushButton>(m_main->AddPartDialog(), "bPartSave")->text());
        shownName = Find<QLineEdit>(m_main->AddPartDialog(), "dbePartLastName")->text();
        TypeInto("dbePartFirstName", QStringLiteral("Johnny"));
        QTest::mouseClick(Find<QPushButton>(m_main->AddPartDialog(), "bPartSave"), Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(m_main->SignInWindow(), "bEdit"), Qt::LeftButton);

    QCOMPARE(saveCaption, QStringLiteral("Save"));
    QCOMPARE(shownName, QStringLiteral("Smith"));
    QCOMPARE(Count("select count(*) from participants where first_name = 'Johnny'"), 1);
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("user_id")).AsInteger(), kSmith);
    QCOMPARE(SelName()->text(), QStringLiteral("Johnny Smith"));
    QCOMPARE(Count("select count(*) from attendances"), 1);

    // Cancel discards the changes.
    WhenShown(m_main->AddPartDialog(), [&] {
        TypeInto("dbePartFirstName", QStringLiteral("Jack"));
        QTest::mouseClick(Find<QPushButton>(m_main->AddPartDialog(), "bPartCancel"),
                          Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(m_main->SignInWindow(), "bEdit"), Qt::LeftButton);
    QCOMPARE(Count("select count(*) from participants where first_name = 'Jack'"), 0);
    QCOMPARE(m_dm->Participants->FieldByName(QStringLiteral("first_name")).AsString(),
             QStringLiteral("Johnny"));
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
}

void TstSignIn::editDetailsReachesAParticipantHiddenByThePageSearch()
{
    m_dm->SearchParticipants(QStringLiteral("Br"));
    OpenSignIn(kHeart);
    SelectPerson(kJones);
    bool shown = false;
    QString shownName;
    WhenShown(
        m_main->AddPartDialog(),
        [&] {
            shownName = Find<QLineEdit>(m_main->AddPartDialog(), "dbePartLastName")->text();
            TypeInto("dbePartLastName", QStringLiteral("Jones-Hill"));
            QTest::mouseClick(Find<QPushButton>(m_main->AddPartDialog(), "bPartSave"),
                              Qt::LeftButton);
        },
        &shown);
    QTest::mouseClick(Find<QPushButton>(m_main->SignInWindow(), "bEdit"), Qt::LeftButton);

    QVERIFY(shown);
    QCOMPARE(shownName, QStringLiteral("Jones"));
    QCOMPARE(Count("select count(*) from participants where last_name = 'Jones-Hill'"), 1);
    // The Participants page's search is in force again.
    QVERIFY(m_dm->Participants->Filtered());
    QCOMPARE(m_dm->Participants->RecordCount(), 1);
    QCOMPARE(Count("select count(*) from attendances"), 1);
}

void TstSignIn::editDetailsWithAnEmptyListOpensNothing()
{
    OpenSignIn(kHeart);
    Search(QStringLiteral("Nobody"));
    bool shown = false;
    WhenShown(
        m_main->AddPartDialog(), [] {}, &shown);
    QTest::mouseClick(Find<QPushButton>(m_main->SignInWindow(), "bEdit"), Qt::LeftButton);
    QTest::qWait(50);
    QVERIFY(!shown);
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
}

void TstSignIn::windowStaysMaximisedWhereItIs()
{
    OpenSignIn(kHeart);
    const Qt::WindowFlags flags = m_main->SignInWindow()->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_main->SignInWindow()->windowState() & Qt::WindowMaximized);
    const QPoint home = m_main->SignInWindow()->screen()->availableGeometry().topLeft();
    QTRY_COMPARE(m_main->SignInWindow()->frameGeometry().topLeft(), home);

    // The window system takes the maximised state away and moves the window, as a drag of
    // the title bar does on some desktops: the window goes back.
    TStateRecorder states;
    m_main->SignInWindow()->installEventFilter(&states);
    m_main->SignInWindow()->windowHandle()->setWindowStates(Qt::WindowNoState);
    m_main->SignInWindow()->windowHandle()->setFramePosition(home + QPoint(60, 40));
    QTRY_VERIFY(states.leftMaximised);
    QTRY_VERIFY(m_main->SignInWindow()->windowState() & Qt::WindowMaximized);
    QTRY_COMPARE(m_main->SignInWindow()->frameGeometry().topLeft(), home);
    QVERIFY(m_main->SignInWindow()->windowState() & Qt::WindowMaximized);
}

void TstSignIn::statusLineAndKeyboardSignIn()
{
    OpenSignIn(kHeart);
    auto* status = Find<QLabel>(m_main->SignInWindow(), "lSignInStatus");
    auto* edit = Find<QLineEdit>(m_main->SignInWindow(), "eSignInName");
    QVERIFY(status && edit);
    auto shot = [this](const char* name) {
        QTest::qWait(0); // lets the layout follow the new status text
        QVERIFY(m_main->SignInWindow()->grab().save(
            QDir(ScreenshotDir()).filePath(QLatin1String(name))));
    };

    // Type, Enter, Down, Enter: the second of the two matches is signed in.
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("Smi"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_dm->SignInParts->RecordCount(), 2);
    QCOMPARE(Attendances(kHeart, kSmith) + Attendances(kHeart, kSmithers), 0);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(SelName()->text(), QStringLiteral("Anna Smithers"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(Attendances(kHeart, kSmithers), 1);
    QCOMPARE(Attendances(kHeart, kSmith), 0);
    QCOMPARE(status->text(), QStringLiteral("Signed in: Anna Smithers"));
    QVERIFY(SelName()->text().isEmpty());
    shot("signin-status-signed-in.png");
    // A further Enter on the same name signs no one else in: the row is grey now.
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(Count("select count(*) from attendances"), 2);

    // Someone already in is told so; a search without a match points to New participant.
    Search(QString());
    SelectPerson(kBrown);
    QCOMPARE(status->text(), QStringLiteral("Already signed in"));
    shot("signin-status-already.png");
    Search(QStringLiteral("Zzz"));
    QCOMPARE(m_dm->SignInParts->RecordCount(), 0);
    QCOMPARE(status->text(), QStringLiteral("Not on the list? Press New participant"));
    shot("signin-status-not-listed.png");

    // Enter and Space on the focused button sign in; they do not search.
    Search(QString());
    for (const auto& [key, userId] : {std::pair{Qt::Key_Return, kSmith}, {Qt::Key_Space, kJones}}) {
        SelectPerson(userId);
        SignButton()->setFocus();
        QTest::keyClick(SignButton(), key);
        QCOMPARE(Attendances(kHeart, userId), 1);
    }
    QCOMPARE(m_dm->SignInParts->RecordCount(), 5);

    // The titles are as large as the names, and the columns fill the list.
    auto* grid = Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames");
    QCOMPARE(grid->horizontalHeader()->font().pointSize(), grid->font().pointSize());
    QCOMPARE(grid->horizontalHeader()->length(), grid->viewport()->width());
}

void TstSignIn::lastNameColumnFollowsTheDoorType_data()
{
    QTest::addColumn<QSize>("window");
    QTest::newRow("1280 x 1024") << QSize(1280, 1024);
    QTest::newRow("1024 x 768") << QSize(1024, 768);
    QTest::newRow("1920 x 1080") << QSize(1920, 1080);
}

void TstSignIn::lastNameColumnFollowsTheDoorType()
{
    // Last names of 24 characters, and the widths a small dialog font would store.
    QFETCH(QSize, window);
    m_db->Exec("insert into participants (last_name, first_name) values "
               "('Montgomery-Wolfeschlegel', 'Alexandra'), ('D''Angelo-Montgomery-Wahl', 'Bo'), "
               "('Kennedy-García-Oppenheim', 'Ulla')");
    // The dialogs read their widths when they are made, with the main window that owns them.
    m_main.reset();
    m_dm->Config->WriteString(QStringLiteral("Dimensions"), QStringLiteral("SignInLNameWidth"),
                              QStringLiteral("64"));
    m_dm->Config->WriteString(QStringLiteral("Dimensions"), QStringLiteral("SignInFNameWidth"),
                              QStringLiteral("200"));
    QVERIFY(ShowMainWindow());
    OpenSignIn(kHeart);
    m_main->SignInWindow()->showNormal();
    m_main->SignInWindow()->resize(window);
    QTest::qWait(0);
    Search(QString());

    auto* grid = Find<TDBGrid>(m_main->SignInWindow(), "dbgSignInNames");
    const QAbstractItemView& view = *grid;
    QVERIFY(grid->font().pointSize() > QApplication::font().pointSize());
    // The grid's own measure of the widest name shown, and of the title.
    const int lastName = grid->columnWidth(0);
    QVERIFY2(lastName >= view.sizeHintForColumn(0),
             qPrintable(QStringLiteral("%1 < %2").arg(lastName).arg(view.sizeHintForColumn(0))));
    QVERIFY(lastName >= grid->horizontalHeader()->sectionSizeHint(0));
    // The first names take the rest of the list, and show the longest first name whole.
    QCOMPARE(grid->horizontalHeader()->length(), grid->viewport()->width());
    QVERIFY2(grid->columnWidth(1) >= view.sizeHintForColumn(1),
             qPrintable(QStringLiteral("%1 < %2")
                            .arg(grid->columnWidth(1))
                            .arg(view.sizeHintForColumn(1))));
    if (window == QSize(1280, 1024))
        QVERIFY(m_main->SignInWindow()->grab().save(
            QDir(ScreenshotDir()).filePath(QStringLiteral("signin-door.png"))));

    // The widths the user did not change are stored as they were read.
    CloseSignIn();
    m_main.reset();
    QCOMPARE(
        m_dm->Config->ReadString(QStringLiteral("Dimensions"), QStringLiteral("SignInLNameWidth")),
        QStringLiteral("64"));
}

void TstSignIn::screenshots()
{
    const QString dir = ScreenshotDir();
    m_main->resize(700, 572);
    QTest::qWait(0);
    QVERIFY(m_main->grab().save(QDir(dir).filePath(QStringLiteral("signin-page.png"))));

    OpenSignIn(kHeart);
    Search(QStringLiteral("Smi"));
    SelectPerson(kSmithers);
    m_main->SignInWindow()->showNormal();
    m_main->SignInWindow()->resize(1024, 768);
    QTest::qWait(0);
    QVERIFY(m_main->SignInWindow()->grab().save(
        QDir(dir).filePath(QStringLiteral("signin-window.png"))));
    Search(QString());
    SelectPerson(kBrown);
    m_main->SignInWindow()->resize(m_main->SignInWindow()->minimumSize());
    QTest::qWait(0);
    QVERIFY(m_main->SignInWindow()->grab().save(
        QDir(dir).filePath(QStringLiteral("signin-window-small.png"))));

    QImage dialog;
    WhenShown(m_main->AddPartDialog(), [&] {
        TypeInto("dbePartLastName", QStringLiteral("Zeta"));
        dialog = m_main->AddPartDialog()->grab().toImage();
    });
    QTest::mouseClick(Find<QPushButton>(m_main->SignInWindow(), "bSignInNew"), Qt::LeftButton);
    QVERIFY(dialog.save(QDir(dir).filePath(QStringLiteral("signin-addpart.png"))));
}

int main(int argc, char** argv)
{
    // The program's own application object, so an error escaping a click handler reaches the
    // default error handler as it does in the program.
    TApplication application(argc, argv);
    TstSignIn test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signin.moc"
