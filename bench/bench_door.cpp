// Badge scans at the door on the synthetic database: the live sign-in window open for a
// conference (offscreen, with the main window and its dialogs made as at start-up), badge codes
// typed as a keyboard-wedge scanner types them, key by key, then Enter.
//  scan_to_signed_in_ms: from the scanner's Enter to the row stored and the result line shown
//  (median of 200 scans of people not yet signed in);
//  scan_statements_per_signin: statements sent to the database per scan (median);
//  scan_ready_ms: from the line shown to the window ready for the next scan;
//  round_trips_per_signin (on a server, when QUORVEL_BENCH_PG_LOG names the server's log):
//  the messages the server received per scan, counted by the server itself (log_statement
//  logs each message once, however many statements it holds).
// pg_ first on a server (or QUORVEL_BENCH_PREFIX). Usage: bench_door DIR   (the attendances
// added are removed at the end; the badge codes made stay)

#include "data/TBadgeCodes.h"
#include "TBenchSupport.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "db/TPrompts.h"
#include "ui/TScanSignIn.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmSignIn.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QThread>

#include <cstdio>

namespace
{

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void Key(QWidget* widget, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

int KeyOf(QChar c)
{
    if (c == u'-')
        return Qt::Key_Minus;
    return c.toUpper().unicode();
}

// The messages one server session sent between the log's two marks (the marks not counted),
// or -1 when the marks are missing.
int MessagesBetweenMarks(const QString& logPath, qint64 backend)
{
    // The server writes its log a moment later than it answers.
    for (int attempt = 0; attempt < 50; ++attempt) {
        QFile file(logPath);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return -1;
        const QByteArray session = "[" + QByteArray::number(backend) + "] LOG:  statement: ";
        int count = -1;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (!line.contains(session))
                continue;
            if (line.contains("'bench_door scans begin'")) {
                count = 0;
            } else if (line.contains("'bench_door scans end'")) {
                if (count >= 0)
                    return count;
            } else if (count >= 0) {
                ++count;
            }
        }
        QThread::msleep(100);
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_door DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    auto dm = std::make_unique<TDM>(dir);
    if (dm->OpenFailed) {
        std::fprintf(stderr, "cannot open the database of %s\n", qPrintable(dir));
        return 1;
    }
    TBench::SetServerPrefix(dm->Conn->IsServer());
    auto mainWindow = std::make_unique<TfrmMain>(*dm, TPrompts::Current());
    mainWindow->CreateDialogs();
    TfrmSignIn* signIn = mainWindow->SignInWindow();
    mainWindow->show();
    mainWindow->PageControl()->setCurrentIndex(TfrmMain::pageSignIn);
    QApplication::processEvents();
    TDataSet* confs = dm->SignInConfs;
    if (confs->IsEmpty()) {
        std::fprintf(stderr, "no conference in the current year\n");
        return 1;
    }
    signIn->setWindowState(Qt::WindowMaximized);
    signIn->open();
    QApplication::processEvents();
    const QVariant confId = signIn->ConferenceId();
    auto* scan = signIn->findChild<TScanSignIn*>();
    auto* nameBox = signIn->findChild<QLineEdit*>(QStringLiteral("eSignInName"));
    auto* line = signIn->findChild<QLabel*>(QStringLiteral("lScanResult"));

    // 200 people not signed in to this conference, with badge codes.
    TDataSet people(*dm->Conn, QStringLiteral("BenchPeople"));
    people.SetSQL(QStringLiteral("select p.user_id from participants p where not exists (select 1 "
                                 "from attendances a where a.user_id = p.user_id and a.conf_id = "
                                 ":conf_id) order by p.user_id"));
    people.SetParam(QStringLiteral("conf_id"), confId);
    people.Open();
    QList<int> ids;
    for (int r = 0; r < people.RecordCount() && ids.size() < 200; r += 97)
        ids << people.RowValue(r, 0).toInt();
    const QHash<int, QString> codes = TBadgeCodes(*dm->Conn).CodesFor(ids);

    // The server logs this session's messages while it scans, between two marks.
    const QString serverLog = qEnvironmentVariable("QUORVEL_BENCH_PG_LOG");
    qint64 backend = 0;
    bool logged = false;
    if (dm->Conn->IsServer() && !serverLog.isEmpty()) {
        try {
            backend = dm->Conn->ScalarQuery(QStringLiteral("select pg_backend_pid()")).toLongLong();
            dm->Conn->Execute(QStringLiteral("set log_statement = 'all'"));
            dm->Conn->ScalarQuery(QStringLiteral("select 'bench_door scans begin'"));
            logged = true;
        } catch (const TError& error) {
            std::printf("round_trips_per_signin not counted: %s\n", qPrintable(error.Message()));
        }
    }

    std::vector<double> scanTimes, readyTimes, statements;
    int signedIn = 0;
    for (int id : ids) {
        const QString code = codes.value(id);
        nameBox->setFocus();
        for (QChar c : code)
            Key(nameBox, KeyOf(c), QString(c));
        const qint64 before = dm->Conn->QueryCount();
        QElapsedTimer t;
        t.start();
        Key(nameBox, Qt::Key_Return, QStringLiteral("\r"));
        QApplication::processEvents();
        scanTimes.push_back(double(t.nsecsElapsed()) / 1e6);
        statements.push_back(double(dm->Conn->QueryCount() - before));
        if (line->text().startsWith(QStringLiteral("Signed in")))
            ++signedIn;
        t.restart();
        // Ready: the next key reaches the scanner filter with nothing held.
        QApplication::processEvents();
        readyTimes.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    if (logged) {
        dm->Conn->ScalarQuery(QStringLiteral("select 'bench_door scans end'"));
        dm->Conn->Execute(QStringLiteral("set log_statement = 'none'"));
        const int messages = MessagesBetweenMarks(serverLog, backend);
        if (messages >= 0)
            TBench::Print("round_trips_per_signin", double(messages) / double(ids.size()));
        else
            std::printf("round_trips_per_signin not counted: the marks are not in %s\n",
                        qPrintable(serverLog));
    }
    TBench::Print("scan_to_signed_in_ms", Median(scanTimes));
    TBench::Print("scan_statements_per_signin", Median(statements));
    TBench::Print("scan_ready_ms", Median(readyTimes));
    std::printf("%sscan_signed_in %d of %d\n", TBench::Prefix().c_str(), signedIn,
                int(ids.size()));
    (void)scan;

    signIn->close();
    QStringList list;
    for (int id : ids)
        list << QString::number(id);
    dm->Conn->Execute(QStringLiteral("delete from attendances where conf_id = ? and user_id in (%1)")
                          .arg(list.join(u',')),
                      {confId});
    return signedIn == int(ids.size()) ? 0 : 1;
}
