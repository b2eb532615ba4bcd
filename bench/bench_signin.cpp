// The live sign-in window on the synthetic database, with the main window and the dialogs
// created as at start-up (offscreen):
//  (a) Enter on a three-letter prefix in the sign-in window, to the narrowed list shown;
//  (b) "Sign to conference", to the refreshed list with the participant selected again;
//  (c) opening the sign-in window for a conference, to its list shown.
// Each is followed by the steps it is made of, timed one by one, so a missed goal shows where
// the time goes. Usage: bench_signin DIR   (DIR holds the synthetic cme.mdb; the attendances
// added in (b) are removed again at the end)

#include "TBenchSupport.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TPrompts.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmSignIn.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace
{

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double ElapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Lets the window paint what changed, as the user would see it.
void Settle()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

void PressEnter(QWidget* widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_signin DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    auto dm = std::make_unique<TDM>(dir);
    TBench::SetServerPrefix(dm->Conn->IsServer());
    if (dm->OpenFailed) {
        std::fprintf(stderr, "cannot open %s\n",
                     qPrintable(QDir(dir).filePath(QStringLiteral("cme.mdb"))));
        return 1;
    }
    // The main window with its dialogs, as start-up makes them.
    auto mainWindow = std::make_unique<TfrmMain>(*dm, TPrompts::Current());
    mainWindow->CreateDialogs();
    TfrmSignIn* signIn = mainWindow->SignInWindow();
    mainWindow->show();
    mainWindow->PageControl()->setCurrentIndex(TfrmMain::pageSignIn);
    Settle();

    TDataSet* confs = dm->SignInConfs;
    TDataSet* parts = dm->SignInParts;
    if (confs->IsEmpty()) {
        std::fprintf(stderr, "no conference in the current year\n");
        return 1;
    }
    auto* nameBox = signIn->findChild<QLineEdit*>(QStringLiteral("eSignInName"));
    auto* signButton = signIn->findChild<QPushButton*>(QStringLiteral("sbSignIn"));
    const int confCount = confs->RecordCount();

    auto openFor = [&](int row) {
        confs->SetRecNo(row);
        signIn->setWindowState(Qt::WindowMaximized);
        signIn->open();
        Settle();
    };
    auto close = [&] {
        signIn->close();
        Settle();
    };

    // --- (c) opening the window for a conference ---------------------------------------
    const int openReps = 7;
    std::vector<double> openTimes, closeTimes;
    for (int i = 0; i < openReps; ++i) {
        QElapsedTimer t;
        t.start();
        openFor((i * 97) % confCount);
        openTimes.push_back(ElapsedMs(t));
        t.restart();
        close();
        closeTimes.push_back(ElapsedMs(t));
    }
    // The steps of an opening: the list's query for one conference.
    const QVariant someConf = confs->FieldByName(QStringLiteral("conf_id")).Value();
    const double openQuery = TBench::MedianMs(5, [&] {
        parts->Close();
        parts->SetParam(QStringLiteral("conf_id"), someConf);
        parts->Open();
    });
    parts->Close();

    // --- (a) Enter on a three-letter prefix ---------------------------------------------
    openFor(0);
    QStringList prefixes;
    const int people = parts->RecordCount();
    const int lastName = parts->FieldByName(QStringLiteral("last_name")).Index();
    for (int i = 0; i < 25; ++i)
        prefixes << parts->RowDisplayText(int(qint64(i) * people / 25), lastName).left(3);
    std::vector<double> searchTimes;
    int shown = 0;
    for (const QString& prefix : prefixes) {
        nameBox->setText(prefix);
        QElapsedTimer t;
        t.start();
        PressEnter(nameBox);
        Settle();
        searchTimes.push_back(ElapsedMs(t));
        shown += parts->RecordCount();
    }

    // --- (b) "Sign to conference" -------------------------------------------------------
    const int confId = signIn->ConferenceId().toInt();
    // The first sign-in of a run reads the attendance table; it is shown on its own.
    QList<int> added;
    auto signNext = [&](int fromRow) -> int {
        for (int row = fromRow; row < parts->RecordCount(); ++row) {
            parts->SetRecNo(row);
            if (parts->FieldByName(QStringLiteral("signed_in")).AsInteger() == 0)
                return parts->FieldByName(QStringLiteral("user_id")).AsInteger();
        }
        return -1;
    };
    nameBox->setText(prefixes.first());
    PressEnter(nameBox);
    Settle();
    double firstClick = 0;
    std::vector<double> clickTimes;
    const int clickReps = 11;
    for (int i = 0; i <= clickReps; ++i) {
        nameBox->setText(prefixes.at(i % prefixes.size()));
        PressEnter(nameBox);
        Settle();
        const int userId = signNext(0);
        if (userId < 0)
            continue;
        Settle();
        QElapsedTimer t;
        t.start();
        signButton->click();
        Settle();
        const double ms = ElapsedMs(t);
        if (parts->FieldByName(QStringLiteral("user_id")).AsInteger() != userId ||
            parts->FieldByName(QStringLiteral("signed_in")).AsInteger() != 1)
            std::fprintf(stderr, "sign-in of %d not shown\n", userId);
        added << userId;
        if (i == 0)
            firstClick = ms;
        else
            clickTimes.push_back(ms);
    }

    // The steps of a sign-in, one by one, for participants not yet signed in.
    std::vector<double> locatePart, locateConf, pairSearch, addOnly, refreshSignIn, requerySignIn, relocate,
        requeryPartConfs, requeryConfParts;
    nameBox->clear();
    PressEnter(nameBox);
    Settle();
    for (int i = 0, row = 1; i < 7 && row < parts->RecordCount(); row += 1013) {
        parts->SetRecNo(row);
        if (parts->FieldByName(QStringLiteral("signed_in")).AsInteger() != 0)
            continue;
        const int userId = parts->FieldByName(QStringLiteral("user_id")).AsInteger();
        QElapsedTimer t;
        t.start();
        dm->Participants->Locate(QStringLiteral("user_id"), userId);
        locatePart.push_back(ElapsedMs(t));
        t.restart();
        dm->Conferences->Locate(QStringLiteral("conf_id"), confId);
        locateConf.push_back(ElapsedMs(t));
        t.restart();
        dm->Conn->ScalarQuery(QStringLiteral("select count(*) from attendances where conf_id = ? "
                                             "and user_id = ?"),
                              {confId, userId});
        pairSearch.push_back(ElapsedMs(t));
        t.restart();
        dm->AddAttendance(confId, userId);
        addOnly.push_back(ElapsedMs(t));
        t.restart();
        parts->RefreshRow(QStringLiteral("user_id"), userId);
        refreshSignIn.push_back(ElapsedMs(t));
        t.restart();
        parts->Requery();
        requerySignIn.push_back(ElapsedMs(t));
        t.restart();
        parts->Locate(QStringLiteral("user_id"), userId);
        relocate.push_back(ElapsedMs(t));
        t.restart();
        dm->PartConfs->Requery();
        requeryPartConfs.push_back(ElapsedMs(t));
        t.restart();
        dm->ConfParts->Requery();
        requeryConfParts.push_back(ElapsedMs(t));
        Settle();
        added << userId;
        ++i;
    }
    close();

    // The same list as a count per participant instead of a grouped outer join, through the
    // program's engine: what the list's query would cost written that way.
    TDataSet counted(*dm->Conn, QStringLiteral("SignInPartsCounted"));
    counted.SetSQL(QStringLiteral(
        "select p.user_id, p.last_name, p.first_name, (select count(*) from attendances a where "
        "a.user_id = p.user_id and a.conf_id = :conf_id) as signed_in from participants p"));
    counted.SetParam(QStringLiteral("conf_id"), confId);
    const double countedQuery = TBench::MedianMs(5, [&] {
        counted.Close();
        counted.Open();
    });
    counted.Close();

    TBench::Print("signin_search_ms", Median(searchTimes));
    TBench::Print("signin_click_ms", Median(clickTimes));
    TBench::Print("signin_open_ms", Median(openTimes));
    TBench::Print("signin_search_rows_avg", double(shown) / prefixes.size());
    TBench::Print("signin_first_click_ms", firstClick);
    TBench::Print("signin_close_ms", Median(closeTimes));
    TBench::Print("signin_open_query_ms", openQuery);
    TBench::Print("signin_click_locate_participant_ms", Median(locatePart));
    TBench::Print("signin_click_locate_conference_ms", Median(locateConf));
    TBench::Print("signin_click_attendance_pair_search_ms", Median(pairSearch));
    TBench::Print("signin_click_add_attendance_ms", Median(addOnly));
    TBench::Print("signin_click_refresh_SignInParts_row_ms", Median(refreshSignIn));
    TBench::Print("signin_click_requery_SignInParts_ms", Median(requerySignIn));
    TBench::Print("signin_click_relocate_ms", Median(relocate));
    TBench::Print("signin_click_requery_PartConfs_ms", Median(requeryPartConfs));
    TBench::Print("signin_click_requery_ConfParts_ms", Median(requeryConfParts));
    TBench::Print("signin_list_query_as_count_per_participant_ms", countedQuery);

    for (int userId : added)
        dm->Conn->Execute(
            QStringLiteral("delete from attendances where conf_id = ? and user_id = ?"),
            {confId, userId});
    mainWindow.reset();
    dm.reset();
    return 0;
}
