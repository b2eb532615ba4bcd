#include "data/TBadgeCodes.h"
#include "ui/TBadgeDecoder.h"
#include "documents/TBadgeRun.h"
#include "support/TTestReportWindows.h"
#include "documents/TDocuments.h"
#include "db/TConnection.h"
#include "db/TServerAddress.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TScanSignIn.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestWindows.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmCamera.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmPrintBadges.h"
#include "ui/TfrmSignIn.h"

#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace
{

constexpr int kHeart = 1;
constexpr int kSmith = 1;
constexpr int kSmithers = 2;
constexpr int kBrown = 3;
constexpr int kJones = 5;

} // namespace

// Badge scans in the real sign-in window: codes typed at a scanner's speed into whatever has the
// focus sign the right people in and say so; bad scans are refused and reach no field.
class TstBadgeScan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void scansSignInWhereverTheFocusIs();
    void badScansAreRefusedAndReachNoField();
    void scanWhileTheWalkInDialogIsOpenGoesToTheSignIn();
    void peopleStillTypeNamesAndCodes();
    void pagesReplaceCodesAndPrintBadges();
    void twoStationsLoseNothingThroughAnOutage();
    void cameraFramesSignInOnce();

private:
    template <class T> T* Find(QWidget* window, const char* name)
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qWarning("missing control %s", name);
        return widget;
    }
    TfrmSignIn* Window() { return m_main->SignInWindow(); }
    QLineEdit* NameBox() { return Find<QLineEdit>(Window(), "eSignInName"); }
    QLabel* Line() { return Find<QLabel>(Window(), "lScanResult"); }
    // Types the text and Enter into the widget as a scanner does: one burst.
    static void Scan(QWidget* target, const QString& text)
    {
        QTest::keyClicks(target, text);
        QTest::keyClick(target, Qt::Key_Return);
    }
    int Attendances(int userId)
    {
        return m_db->Conn()
            .ScalarQuery(QStringLiteral("select count(*) from attendances where conf_id = ? and "
                                        "user_id = ?"),
                         {kHeart, userId})
            .toInt();
    }
    QColor LineColour() { return Line()->palette().color(QPalette::WindowText); }

    std::unique_ptr<TTempDatabase> m_db;
    std::unique_ptr<TTestPrompts> m_prompts;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TfrmMain> m_main;
    QHash<int, QString> m_codes;
};

void TstBadgeScan::init()
{
    m_db = std::make_unique<TTempDatabase>();
    const QString year = QString::number(QDate::currentDate().year());
    m_db->Exec(QStringLiteral("insert into conferences (conf_name, begin_date, end_date, units) "
                              "values ('Heart', '%1-03-07 09:00:00', '%1-03-07 17:00:00', 2)")
                   .arg(year));
    m_db->Exec("insert into participants (last_name, first_name) values ('Smith', 'John'), "
               "('Smithers', 'Anna'), ('Brown', 'Bob'), ('O''Brien', 'Pat'), ('Jones', 'Mary')");
    m_db->Exec("insert into attendances (conf_id, user_id, sign_in_date) values "
               "(1, 3, '2020-01-01 08:42:00')");
    m_codes = TBadgeCodes(m_db->Conn()).CodesFor({kSmith, kSmithers, kBrown, kJones});

    m_prompts = std::make_unique<TTestPrompts>();
    m_dm = std::make_unique<TDM>(m_db->Dir());
    QVERIFY(!m_dm->OpenFailed);
    m_main = TTestWindows::CreateMainWindow(*m_dm);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageSignIn);
    QVERIFY(m_dm->SignInConfs->Locate(QStringLiteral("conf_id"), kHeart));
    Window()->setWindowState(Qt::WindowMaximized);
    Window()->open();
    QVERIFY(QTest::qWaitForWindowExposed(Window()));
}

void TstBadgeScan::cleanup()
{
    if (m_main && Window()->isVisible())
        Window()->close();
    m_main.reset();
    m_dm.reset();
    m_prompts.reset();
    m_db.reset();
}

void TstBadgeScan::scansSignInWhereverTheFocusIs()
{
    auto* button = Find<QPushButton>(Window(), "sbSignIn");
    auto* grid = Find<TDBGrid>(Window(), "dbgSignInNames");
    QVERIFY(NameBox() && button && grid && Line());
    // Brown is selected first: the Enter of a scan on the button must not sign him in again,
    // nor anyone else the list happens to show.
    QVERIFY(m_dm->SignInParts->Locate(QStringLiteral("user_id"), kSmith));
    const QString lost = m_codes.value(kSmithers);
    const QString fresh = TBadgeCodes(m_db->Conn()).Replace(kSmithers);
    // Read before the scans, as after a typed sign-in.
    m_dm->Attendances->EnsureFetched();

    struct TCase {
        QWidget* focus;
        QString text;
        QString line;
        QColor colour;
        int userId;
    };
    const QList<TCase> cases = {
        {NameBox(), m_codes.value(kJones), "Signed in: Mary Jones", TScanSignIn::kGreen, kJones},
        {button, m_codes.value(kSmith).toLower(), "Signed in: John Smith", TScanSignIn::kGreen,
         kSmith},
        {grid, m_codes.value(kBrown), "Already signed in: Bob Brown at 08:42",
         TScanSignIn::kAmber, kBrown},
        {grid, lost, "Badge replaced, ask at the desk", TScanSignIn::kRed, kSmithers},
        {button, TBadgeCodes::NewCode(), "Unknown badge", TScanSignIn::kRed, 0},
        {NameBox(), fresh, "Signed in: Anna Smithers", TScanSignIn::kGreen, kSmithers},
        {NameBox(), m_codes.value(kJones), "Already signed in: Mary Jones at ",
         TScanSignIn::kAmber, kJones},
    };
    for (const TCase& c : cases) {
        c.focus->setFocus();
        const qint64 before = m_dm->Conn->QueryCount();
        Scan(c.focus, c.text);
        // On a server a scan is the sign-in's one statement and the list's row read again
        // (and, the first time, whether the database has badges).
        if (TTempDatabase::OnServer())
            QVERIFY2(m_dm->Conn->QueryCount() - before <= 3,
                     qPrintable(QString::number(m_dm->Conn->QueryCount() - before)));
        QVERIFY2(Line()->text().startsWith(c.line), qPrintable(Line()->text()));
        QCOMPARE(LineColour(), c.colour);
        if (c.userId)
            QCOMPARE(Attendances(c.userId), c.userId == kSmithers && c.line.contains("replaced")
                                                ? 0
                                                : 1);
        // Nothing of the scan was typed anywhere, and the list shows all.
        QCOMPARE(NameBox()->text(), QString());
        QCOMPARE(m_dm->SignInParts->RecordCount(), 5);
    }
    // The amber line gives the time the person came in.
    const QString today = m_db->Conn()
                              .ScalarQuery(QStringLiteral("select sign_in_date from attendances "
                                                          "where user_id = ?"),
                                           {kJones})
                              .toString();
    QVERIFY2(Line()->text().endsWith(today.mid(11, 5)), qPrintable(Line()->text()));
    QCOMPARE(m_db->Conn().ScalarQuery(QStringLiteral("select count(*) from attendances")).toInt(),
             4);
    // The list shows the last person scanned selected, in grey.
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("user_id")).AsInteger(), kJones);
    QCOMPARE(m_dm->SignInParts->FieldByName(QStringLiteral("signed_in")).AsInteger(), 1);
    // "Remove" finds a pair a scan stored.
    m_dm->RemoveAttendance(kHeart, kJones);
    QCOMPARE(Attendances(kJones), 0);
}

void TstBadgeScan::badScansAreRefusedAndReachNoField()
{
    const QString good = m_codes.value(kJones);
    NameBox()->setFocus();
    // A letter outside the alphabet, one character too many, an over-long burst, a shape
    // without dashes.
    for (const QString& text :
         QStringList{good.chopped(1) + u'U', good + u'7', QStringLiteral("QV-") + QString(120, u'7'),
                     QStringLiteral("QV-7KQ2M9XD4TZ0AB")}) {
        Line()->clear();
        Scan(NameBox(), text);
        QCOMPARE(Line()->text(), QStringLiteral("Unknown badge"));
        QCOMPARE(LineColour(), TScanSignIn::kRed);
        QCOMPARE(NameBox()->text(), QString());
    }
    // A control character inside the burst (a Tab, an arrow key) spoils the whole scan; the
    // rest of it is not typed into the next control.
    for (Qt::Key inside : {Qt::Key_Tab, Qt::Key_Left}) {
        Line()->clear();
        NameBox()->setFocus();
        QTest::keyClicks(NameBox(), good.left(8));
        QTest::keyClick(NameBox(), inside);
        QTest::keyClicks(NameBox(), good.mid(8));
        QTest::keyClick(NameBox(), Qt::Key_Return);
        QCOMPARE(Line()->text(), QStringLiteral("Unknown badge"));
        QCOMPARE(NameBox()->text(), QString());
    }
    QCOMPARE(Attendances(kJones), 0);
    QCOMPARE(m_dm->SignInParts->RecordCount(), 5);
    QVERIFY(!m_dm->SignInParts->Filtered());
    // A scan cut before its Enter is still a scan once the scanner stops.
    Line()->clear();
    QTest::keyClicks(NameBox(), good);
    QTRY_COMPARE(Line()->text(), QStringLiteral("Signed in: Mary Jones"));
    QCOMPARE(NameBox()->text(), QString());
}

void TstBadgeScan::scanWhileTheWalkInDialogIsOpenGoesToTheSignIn()
{
    TfrmAddPart* dialog = m_main->AddPartDialog();
    QString lastName;
    QString typed;
    QString line;
    int signedIn = -1;
    auto* timer = new QTimer(dialog);
    timer->setInterval(5);
    connect(timer, &QTimer::timeout, dialog, [&] {
        if (!dialog->isVisible() || QApplication::activeModalWidget() != dialog)
            return;
        timer->stop();
        auto* edit = Find<QLineEdit>(dialog, "dbePartLastName");
        edit->setFocus();
        Scan(edit, m_codes.value(kSmith));
        lastName = edit->text();
        line = Line()->text();
        signedIn = Attendances(kSmith);
        // A person typing into the dialog is not held up; a last Q waits one gap at most.
        QTest::keyClicks(edit, QStringLiteral("Quinn-Q"));
        QTRY_VERIFY_WITH_TIMEOUT(edit->text().endsWith(u'Q'), 2000);
        typed = edit->text();
        dialog->reject();
    });
    timer->start();
    QTest::mouseClick(Find<QPushButton>(Window(), "bSignInNew"), Qt::LeftButton);
    QCOMPARE(signedIn, 1);
    QCOMPARE(line, QStringLiteral("Signed in: John Smith"));
    QCOMPARE(lastName, QString());
    QCOMPARE(typed, QStringLiteral("Quinn-Q"));
    // Cancel left no new participant behind.
    QCOMPARE(m_db->Conn().ScalarQuery(QStringLiteral("select count(*) from participants")).toInt(),
             5);
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
}

void TstBadgeScan::peopleStillTypeNamesAndCodes()
{
    NameBox()->setFocus();
    // Names that begin like a code, typed quickly or slowly, reach the box and search on Enter.
    QTest::keyClicks(NameBox(), QStringLiteral("Qu"));
    QCOMPARE(NameBox()->text(), QStringLiteral("Qu"));
    NameBox()->clear();
    QTest::keyClick(NameBox(), 'Q');
    QTRY_COMPARE(NameBox()->text(), QStringLiteral("Q"));
    NameBox()->clear();
    QTest::keyClicks(NameBox(), QStringLiteral("Smi"));
    QTest::keyClick(NameBox(), Qt::Key_Return);
    QCOMPARE(m_dm->SignInParts->RecordCount(), 2);
    QCOMPARE(Line()->text(), QString());
    // A code typed by hand, key by key, signs in on Enter like a scan.
    NameBox()->clear();
    QTest::keyClicks(NameBox(), m_codes.value(kJones), Qt::NoModifier, 60);
    QCOMPARE(NameBox()->text(), m_codes.value(kJones));
    QTest::keyClick(NameBox(), Qt::Key_Return);
    QCOMPARE(Line()->text(), QStringLiteral("Signed in: Mary Jones"));
    QCOMPARE(Attendances(kJones), 1);
    QCOMPARE(NameBox()->text(), QString());
}

void TstBadgeScan::pagesReplaceCodesAndPrintBadges()
{
    Window()->close();
    // "New badge code" on the Participants page: after a yes the old badge is refused.
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageParticipants);
    QVERIFY(m_dm->Participants->Locate(QStringLiteral("user_id"), kSmith));
    auto* newCode = m_main->findChild<QPushButton*>(QStringLiteral("bPartNewBadge"));
    QVERIFY(newCode);
    m_prompts->QueueAnswer(false);
    newCode->click();
    TBadgeCodes codes(m_db->Conn());
    QCOMPARE(int(codes.Find(m_codes.value(kSmith)).kind), int(TBadgeCodes::TKind::Found));
    m_prompts->QueueAnswer(true);
    newCode->click();
    QCOMPARE(int(codes.Find(m_codes.value(kSmith)).kind), int(TBadgeCodes::TKind::Replaced));
    const QString fresh = codes.CodeFor(kSmith);
    QVERIFY(fresh != m_codes.value(kSmith));

    // "Print badges…" asks for the sheet and the output, and remembers the sheet.
    QTemporaryDir dir;
    // Returns the sheet the dialog offered; OnePerPage also when no dialog came.
    auto printTo = [&](const char* button, const QString& file,
                       TBadgeSheet sheet) -> TBadgeSheet {
        bool asked = false;
        TBadgeSheet offered = TBadgeSheet::OnePerPage;
        auto* timer = new QTimer(m_main.get());
        timer->setInterval(5);
        connect(timer, &QTimer::timeout, m_main.get(), [&, timer] {
            auto* dialog = qobject_cast<TfrmPrintBadges*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer->stop();
            timer->deleteLater();
            asked = true;
            offered = dialog->Sheet();
            dialog->SetSheet(sheet);
            dialog->SetOutput(TfrmPrintBadges::TOutput::Pdf);
            dialog->accept();
        });
        timer->start();
        m_prompts->QueueFileName(dir.filePath(file));
        m_main->findChild<QPushButton*>(QLatin1String(button))->click();
        return asked ? offered : TBadgeSheet::OnePerPage;
    };
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageConf);
    QVERIFY(m_dm->Conferences->Locate(QStringLiteral("conf_id"), kHeart));
    QCOMPARE(printTo("bPrintBadges", "conference.pdf", TBadgeSheet::LetterLabels),
             TBadgeSheet::A4Labels);
    // The conference's one attendee, Brown.
    QVERIFY2(QFile::exists(dir.filePath("conference.pdf")), qPrintable(m_prompts->LastText()));
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageParticipants);
    QVERIFY(m_dm->Participants->Locate(QStringLiteral("user_id"), kSmith));
    QCOMPARE(printTo("bPartPrintBadges", "one.pdf", TBadgeSheet::OnePerPage),
             TBadgeSheet::LetterLabels);
    QVERIFY(QFile::exists(dir.filePath("one.pdf")));
    // Several people chosen in the list get a badge each.
    auto* list = m_main->findChild<TDBGrid*>(QStringLiteral("jdbgParticipants"));
    QVERIFY(list);
    const int rowOf = m_dm->Participants->FindRow(QStringLiteral("user_id"), kJones);
    QVERIFY(m_dm->Participants->Locate(QStringLiteral("user_id"), kBrown));
    list->selectionModel()->select(list->model()->index(rowOf, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(list->SelectedRows().size(), 2);
    printTo("bPartPrintBadges", "two.pdf", TBadgeSheet::OnePerPage);
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {dir.filePath("two.pdf")});
    QVERIFY(info.waitForFinished(60000));
    QVERIFY2(QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression("Pages:\\s+2\\n")),
             "two badges, one per page");
    QCOMPARE(codes.CodeFor(kSmith), fresh);
}

void TstBadgeScan::twoStationsLoseNothingThroughAnOutage()
{
    if (!TTempDatabase::OnServer())
        QSKIP("Stations that lose their server need the PostgreSQL test server "
              "(QUORVEL_TEST_ENGINE=postgresql).");
    TConnection& admin = m_db->Conn();
    // Brown lost his badge before station B opened: B keeps his old code as replaced.
    const QString lostBrown = m_codes.value(kBrown);
    TBadgeCodes(admin).Replace(kBrown);
    // Station B: a second machine with its own folder and quorvel.ini, on the same server.
    QTemporaryDir folderB;
    QVERIFY(QFile::copy(m_db->FilePath(QStringLiteral("quorvel.ini")),
                        QDir(folderB.path()).filePath(QStringLiteral("quorvel.ini"))));
    TDM dmB(folderB.path());
    QVERIFY(!dmB.OpenFailed);
    dmB.SignInParts->SetParam(QStringLiteral("conf_id"), kHeart);
    dmB.SignInParts->Open();
    QWidget windowB;
    TScanSignIn stationB(dmB, [] { return QVariant(kHeart); }, &windowB);
    stationB.SetActive(true, false);
    auto* stationA = Window()->findChild<TScanSignIn*>();
    QVERIFY(stationA);

    NameBox()->setFocus();
    Scan(NameBox(), m_codes.value(kJones));
    QCOMPARE(Line()->text(), QStringLiteral("Signed in: Mary Jones"));

    // The server goes away for both stations: their connections are cut and no new one is let
    // in.
    const QString database = admin.ScalarQuery(QStringLiteral("select current_database()")).toString();
    TConnection server; // on the server's own database: a database cannot shut itself
    server.OpenServerForCreate(TServerAddress::FromConnectText(qEnvironmentVariable("QUORVEL_TEST_PG")));
    server.Execute(QStringLiteral("alter database %1 allow_connections false").arg(database));
    for (TDM* dm : {m_dm.get(), &dmB})
        admin.ScalarQuery(QStringLiteral("select pg_terminate_backend(?)"),
                          {dm->Conn->ScalarQuery(QStringLiteral("select pg_backend_pid()"))});

    // Both sign people in meanwhile, the same person too.
    Scan(NameBox(), m_codes.value(kSmith));
    QCOMPARE(Line()->text(), QStringLiteral("Signed in: John Smith"));
    QVERIFY(stationA->Offline());
    auto* state = Find<QLabel>(Window(), "lOfflineState");
    QCOMPARE(state->text(), QStringLiteral("Offline: 1 sign-ins waiting"));
    Scan(NameBox(), m_codes.value(kSmith));
    QVERIFY(Line()->text().startsWith(QStringLiteral("Already signed in: John Smith")));
    Scan(NameBox(), m_codes.value(kBrown));
    QVERIFY(Line()->text().startsWith(QStringLiteral("Already signed in: Bob Brown")));
    Scan(NameBox(), TBadgeCodes::NewCode());
    QCOMPARE(Line()->text(), QStringLiteral("Unknown badge"));
    for (int userId : {kSmith, kSmithers})
        stationB.SignInBadge(m_codes.value(userId));
    QVERIFY(stationB.Offline());
    QCOMPARE(stationB.Waiting(), 2);
    stationB.SignInBadge(lostBrown);
    QCOMPARE(stationB.ResultLine()->text(), QStringLiteral("Badge replaced, ask at the desk"));
    stationB.SignInBadge(TBadgeCodes::NewCode());
    QCOMPARE(stationB.ResultLine()->text(), QStringLiteral("Unknown badge"));
    QCOMPARE(stationB.Waiting(), 2);
    // A walk-in needs the server: the button says so and opens nothing.
    m_prompts->Clear();
    Find<QPushButton>(Window(), "bSignInNew")->click();
    QVERIFY2(m_prompts->LastText().contains(QStringLiteral("cannot be reached")),
             qPrintable(m_prompts->LastText()));
    QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
    // The waiting sign-ins survive the program: they are in a file beside quorvel.ini.
    QCOMPARE(TSignInQueue(TSignInQueue::FileBeside(m_db->FilePath(QStringLiteral("quorvel.ini"))))
                 .Count(),
             1);
    stationA->SendWaiting();
    QVERIFY(stationA->Offline());

    // The server is back: every sign-in is stored once, at the time it was made.
    server.Execute(QStringLiteral("alter database %1 allow_connections true").arg(database));
    stationA->SendWaiting();
    stationB.SendWaiting();
    QVERIFY(!stationA->Offline());
    QVERIFY(!stationB.Offline());
    QCOMPARE(stationA->Waiting() + stationB.Waiting(), 0);
    QCOMPARE(state->text(), QString());
    for (int userId : {kSmith, kSmithers, kBrown, kJones})
        QCOMPARE(Attendances(userId), 1);
    QCOMPARE(admin.ScalarQuery(QStringLiteral("select count(*) from attendances")).toInt(), 4);
    // Station A's list shows Smith in, without a full reading.
    QTRY_COMPARE(m_dm->SignInParts->RowValue(m_dm->SignInParts->FindRow(QStringLiteral("user_id"), kSmith),
                                             m_dm->SignInParts->FieldByName(QStringLiteral("signed_in")).Index())
                     .toInt(),
                 1);
    // Online again, scans go straight to the server.
    Scan(NameBox(), m_codes.value(kSmithers));
    QVERIFY(Line()->text().startsWith(QStringLiteral("Already signed in: Anna Smithers at ")));
}

void TstBadgeScan::cameraFramesSignInOnce()
{
    // Frames made from printed badges: one badge per page, two people.
    TTestReportWindows windows;
    TDocuments documents(*m_dm, *m_prompts, windows);
    TBadgeRun run(documents, {kSmithers, kJones}, kHeart, TBadgeSheet::OnePerPage);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("badges.pdf"));
    run.ToPdf(pdf);
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"), pdf,
                  dir.filePath(QStringLiteral("frame"))});
    QVERIFY(render.waitForFinished(60000) && render.exitCode() == 0);
    QList<QImage> frames;
    for (const QString& name :
         QDir(dir.path()).entryList({QStringLiteral("frame*.png")}, QDir::Files, QDir::Name))
        frames << QImage(dir.filePath(name));
    QCOMPARE(frames.size(), 2);
    QCOMPARE(TBadgeDecoder::Decode(frames.at(1)), QStringList{m_codes.value(kJones)});
    QImage blank(200, 200, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QVERIFY(TBadgeDecoder::Decode(blank).isEmpty());

    // The camera window of the sign-in window, without a camera: frames are handed to it.
    auto* cameraButton = Find<QPushButton>(Window(), "bCamera");
    QVERIFY(cameraButton);
    cameraButton->click();
    auto* camera = Window()->findChild<TfrmCamera*>();
    QVERIFY(camera && camera->isVisible());
    camera->FrameArrived(frames.at(0));
    QCOMPARE(Line()->text(), QStringLiteral("Signed in: Anna Smithers"));
    // The same badge still in view is not read again; the next one is.
    Line()->clear();
    camera->FrameArrived(frames.at(0));
    QCOMPARE(Line()->text(), QString());
    camera->FrameArrived(frames.at(1));
    QCOMPARE(Line()->text(), QStringLiteral("Signed in: Mary Jones"));
    QCOMPARE(Attendances(kSmithers) + Attendances(kJones), 2);
    camera->close();
}

QTEST_MAIN(TstBadgeScan)
#include "tst_badgescan.moc"
