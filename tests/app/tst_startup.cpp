#include "app/TApplication.h"
#include "ui/TColumnWidths.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "support/TJetFixture.h"
#include "tools/TJetImport.h"
#include "app/TStartup.h"
#include "support/TTempDatabase.h"
#include "support/TTestProgram.h"
#include "support/TTestPrompts.h"
#include "support/TUnprivileged.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmPickConf.h"
#include "ui/TfrmPickExtra.h"
#include "ui/TfrmPickPart.h"
#include "ui/TfrmPickSpeaker.h"
#include "ui/TfrmSignIn.h"
#include "ui/TfrmTimeFilter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

#include <sys/stat.h>

namespace
{

// The main window of the program that RunAndClose runs, while it runs.
TfrmMain* g_main = nullptr;

const QStringList WindowOrder = {
    QStringLiteral("frmMain"),     QStringLiteral("frmTimeFilter"),  QStringLiteral("frmPickConf"),
    QStringLiteral("frmPickPart"), QStringLiteral("frmPickSpeaker"), QStringLiteral("frmPickExtra"),
    QStringLiteral("frmSignIn"),   QStringLiteral("frmAddPart"),
};

QList<QWidget*> AllWindows()
{
    return g_main->Windows();
}

// No window of the program is left over from a run.
bool NoWindowExists()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName().startsWith(QStringLiteral("frm")))
            return false;
    return true;
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString Dimension(const QString& iniPath, const QString& key)
{
    return TConfig(iniPath).ReadString(QStringLiteral("Dimensions"), key);
}

QTableView* Grid(QWidget* window, const char* name)
{
    return window ? window->findChild<QTableView*>(QLatin1String(name)) : nullptr;
}

int RunAndClose(const QString& dir, const std::function<void()>& inspect)
{
    return TTestProgram::RunAndClose(dir, g_main, inspect);
}

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void missingDatabaseEndsTheProgram_data();
    void missingDatabaseEndsTheProgram();
    void foreignFileIsRefused();
    void jetDatabaseIsOfferedForImport_data();
    void jetDatabaseIsOfferedForImport();
    void runsWithoutSettingsFileAndShutsDownInReverseOrder();
    void dialogsReadTheirWidthsFromTheSettings();
    void errorInEventHandlerIsShownAndTheLoopGoesOn_data();
    void errorInEventHandlerIsShownAndTheLoopGoesOn();
    void errorEscapingWindowCreationEndsTheProgram_data();
    void errorEscapingWindowCreationEndsTheProgram();
    void closingDiscardsPendingEdits();
    void closingWhileEditingAsksToSave_data();
    void closingWhileEditingAsksToSave();
    void closingWithUnwritableSettingsStillEnds();
    void unparsableSettingsAreReportedAndKept();
    void eachFolderHasItsOwnDatabaseAndSettings();
    void lockedDatabaseOffersRetry();
    void readOnlyDatabaseRunsAndSaysSo();
};

void TstStartup::cleanup()
{
    TStartup::SetCreationHook({});
    QVERIFY(NoWindowExists());
    QVERIFY(!g_main);
}

void TstStartup::missingDatabaseEndsTheProgram_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::newRow("no settings file") << QByteArray();
    QTest::newRow("settings file with content")
        << QByteArray("[Mail]\r\nFrom=office@example.org\r\n\r\n[Dimensions]\r\n"
                      "PickConfDateWidth=120\r\n\r\n");
}

void TstStartup::missingDatabaseEndsTheProgram()
{
    QFETCH(QByteArray, settings);
    QTemporaryDir dir;
    const QString iniPath = QDir(dir.path()).filePath(QStringLiteral("quorvel.ini"));
    if (!settings.isEmpty())
        WriteBytes(iniPath, settings);
    TTestPrompts prompts;
    QStringList created;
    TStartup::SetCreationHook([&](const QString& name) { created << name; });
    bool ran = false;

    const int exitCode = TStartup::RunProgram(dir.path(), [&](TfrmMain&) { ran = true; });

    QVERIFY(exitCode != TStartup::ExitSuccess);
    QVERIFY(!ran);
    QVERIFY(created.isEmpty());
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Plain);
    QCOMPARE(prompts.shown[0].caption, QStringLiteral("Continuing Education Management Software"));
    QVERIFY2(prompts.shown[0].text.contains(QDir(dir.path()).filePath(QStringLiteral("cme.mdb"))),
             qPrintable(prompts.shown[0].text));
    QVERIFY(!QFile::exists(QDir(dir.path()).filePath(QStringLiteral("cme.mdb"))));
    if (settings.isEmpty()) {
        QVERIFY(!QFile::exists(iniPath));
        QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    } else {
        QCOMPARE(ReadBytes(iniPath), settings);
    }
}

void TstStartup::foreignFileIsRefused()
{
    QTemporaryDir dir;
    const QString dbPath = QDir(dir.path()).filePath(QStringLiteral("cme.mdb"));
    WriteBytes(dbPath, QByteArray("Last name;First name\r\nSmith;Anna\r\n"));
    TTestPrompts prompts;
    bool ran = false;

    const int exitCode = TStartup::RunProgram(dir.path(), [&](TfrmMain&) { ran = true; });

    QVERIFY(exitCode != TStartup::ExitSuccess);
    QVERIFY(!ran);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Plain);
    QVERIFY2(prompts.shown[0].text.contains(QStringLiteral("not a database of this program")),
             qPrintable(prompts.shown[0].text));
    QVERIFY(!QFile::exists(QDir(dir.path()).filePath(QStringLiteral("quorvel.ini"))));
}

void TstStartup::jetDatabaseIsOfferedForImport_data()
{
    QTest::addColumn<bool>("refusal");
    QTest::addColumn<QList<bool>>("answers");
    QTest::newRow("yes") << false << QList<bool>{true};
    QTest::newRow("no") << false << QList<bool>{false};
    QTest::newRow("refused value, import the rest") << true << QList<bool>{true, true};
    QTest::newRow("refused value, stop") << true << QList<bool>{true, false};
}

void TstStartup::jetDatabaseIsOfferedForImport()
{
    QFETCH(bool, refusal);
    QFETCH(QList<bool>, answers);
    QTemporaryDir dir;
    const QString dbPath = QDir(dir.path()).filePath(QStringLiteral("cme.mdb"));
    TJetWriter writer;
    TJetFixture::BuildSmall(writer);
    if (refusal)
        writer.AddRow(QStringLiteral("titles"), {7, QStringLiteral("A title much too long")});
    writer.Write(dbPath);
    const QByteArray original = ReadBytes(dbPath);
    TTestPrompts prompts;
    for (bool answer : answers)
        prompts.QueueAnswer(answer);
    int participants = -1;
    int titles = -1;

    const int exitCode = RunAndClose(dir.path(), [&] {
        participants = g_main->DataModule().Participants->RecordCount();
        titles = g_main->DataModule().Titles->RecordCount();
    });

    QVERIFY(!prompts.shown.isEmpty());
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Confirmation);
    QCOMPARE(prompts.shown[0].text,
             QStringLiteral("This folder holds a database in the older Jet format. Import it into "
                            "Quorvel? The original file is kept unchanged as cme-jet.mdb."));
    const bool imported = answers.size() == (refusal ? 2 : 1) && answers.last();
    if (imported) {
        QCOMPARE(exitCode, TStartup::ExitSuccess);
        QCOMPARE(participants, 12);
        QCOMPARE(titles, 6);
        QCOMPARE(ReadBytes(QDir(dir.path()).filePath(QStringLiteral("cme-jet.mdb"))), original);
        QVERIFY(TJetImport::IsOurReportProject(QDir(dir.path()).filePath(QStringLiteral("cme.rav"))));
        if (refusal)
            QVERIFY2(prompts.shown[1].text.contains(QStringLiteral("titles, title_id 7: t_name is "
                                                                   "longer than 15 characters")),
                     qPrintable(prompts.shown[1].text));
        QVERIFY2(prompts.shown.last().text.contains(QStringLiteral("cme-jet.mdb")),
                 qPrintable(prompts.shown.last().text));
    } else {
        // Nothing was touched; No to the first question ends as a foreign file does today.
        QVERIFY(exitCode != TStartup::ExitSuccess);
        QCOMPARE(participants, -1);
        QCOMPARE(ReadBytes(dbPath), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("cme.mdb")});
        if (answers.size() == 1)
            QVERIFY2(prompts.shown.last().text.contains(QStringLiteral("not a database of this program")),
                     qPrintable(prompts.shown.last().text));
    }
}

void TstStartup::runsWithoutSettingsFileAndShutsDownInReverseOrder()
{
    TTempDatabase db;
    const QString iniPath = db.FilePath(QStringLiteral("quorvel.ini"));
    TTestPrompts prompts;
    QStringList created;
    TStartup::SetCreationHook([&](const QString& name) { created << name; });
    QStringList destroyed;
    bool visible = false;
    QString caption;
    QStringList instanceNames;
    QStringList visibleDialogs;
    bool settingsFileDuringRun = true;
    int widthAfterRequery = -1;
    int widthSet = -1;

    const int exitCode = RunAndClose(db.Dir(), [&] {
        visible = g_main->isVisible();
        caption = g_main->windowTitle();
        for (QWidget* window : AllWindows()) {
            instanceNames << (window ? window->objectName() : QString());
            if (window && window != g_main && window->isVisible())
                visibleDialogs << window->objectName();
            if (window)
                connect(window, &QObject::destroyed, window,
                        [&](QObject* gone) { destroyed << gone->objectName(); });
        }
        TDM* dataModule = &g_main->DataModule();
        connect(dataModule, &QObject::destroyed, dataModule,
                [&] { destroyed << QStringLiteral("DM"); });
        settingsFileDuringRun = QFile::exists(iniPath);
        // Widths on screen are the stored ones scaled to the grid's font.
        widthSet = TColumnWidths::OnScreen(*Grid(g_main->ConferencePicker(), "dbgPickConf"), 321);
        Grid(g_main->ConferencePicker(), "dbgPickConf")->setColumnWidth(1, widthSet);
        // A requery resets the grid's rows but must keep the widths.
        g_main->DataModule().Conferences->Requery();
        widthAfterRequery = Grid(g_main->ConferencePicker(), "dbgPickConf")->columnWidth(1);
    });

    QCOMPARE(exitCode, TStartup::ExitSuccess);
    QVERIFY(prompts.shown.isEmpty());
    QCOMPARE(created, WindowOrder);
    QCOMPARE(instanceNames, WindowOrder);
    QVERIFY(visible);
    QCOMPARE(caption, QStringLiteral("Conferences"));
    QVERIFY(visibleDialogs.isEmpty());
    // Nothing is written before the main window closes.
    QVERIFY(!settingsFileDuringRun);
    QCOMPARE(widthAfterRequery, widthSet);

    QStringList expectedDestruction = WindowOrder;
    std::reverse(expectedDestruction.begin(), expectedDestruction.end());
    expectedDestruction << QStringLiteral("DM");
    QCOMPARE(destroyed, expectedDestruction);

    // The widths reach the file although only the data module's own flush ran after the
    // dialogs were destroyed.
    QVERIFY(QFile::exists(iniPath));
    QCOMPARE(Dimension(iniPath, QStringLiteral("PickConfNameWidth")), QStringLiteral("321"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("PickConfDateWidth")), QStringLiteral("100"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("PickPartLNameWidth")), QStringLiteral("100"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("PickSpeakerFNameWidth")), QStringLiteral("100"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("PickExtraNameWidth")), QStringLiteral("235"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("SignInLNameWidth")), QStringLiteral("100"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("SignInFNameWidth")), QStringLiteral("100"));
}

void TstStartup::dialogsReadTheirWidthsFromTheSettings()
{
    TTempDatabase db;
    const QString iniPath = db.FilePath(QStringLiteral("quorvel.ini"));
    WriteBytes(iniPath, "[Mail]\r\nSubject=Transcript\r\n\r\n"
                        "[Dimensions]\r\nPickConfDateWidth=77\r\nPickConfNameWidth=abc\r\n"
                        "PickPartLNameWidth=\r\nSignInFNameWidth=5\r\n"
                        "PickExtraNameWidth= 150 \r\n\r\n");
    TTestPrompts prompts;
    QList<int> widths;
    QList<int> expected;
    bool dateWhole = false;
    bool signInLastName = false;

    const int exitCode = RunAndClose(db.Dir(), [&] {
        const auto onScreen = [](QTableView* grid, int stored) {
            return TColumnWidths::OnScreen(*grid, stored);
        };
        // A date column is the stored width scaled, or wider when its dates need it.
        dateWhole = Grid(g_main->ConferencePicker(), "dbgPickConf")->columnWidth(0) >=
                    onScreen(Grid(g_main->ConferencePicker(), "dbgPickConf"), 77);
        expected = {onScreen(Grid(g_main->ConferencePicker(), "dbgPickConf"), 400),
                    onScreen(Grid(g_main->ParticipantPicker(), "dbgPickPart"), 100),
                    onScreen(Grid(g_main->ParticipantPicker(), "dbgPickPart"), 100),
                    onScreen(Grid(g_main->SpeakerPicker(), "jdbgSpeakers"), 100),
                    onScreen(Grid(g_main->ExtraPicker(), "jdbgExtras"), 150),
                    onScreen(Grid(g_main->SignInWindow(), "dbgSignInNames"), 5)};
        // The sign-in list widens its last names to show long ones whole.
        signInLastName = Grid(g_main->SignInWindow(), "dbgSignInNames")->columnWidth(0) >=
                         onScreen(Grid(g_main->SignInWindow(), "dbgSignInNames"), 100);
        widths << Grid(g_main->ConferencePicker(), "dbgPickConf")->columnWidth(1)
               << Grid(g_main->ParticipantPicker(), "dbgPickPart")->columnWidth(0)
               << Grid(g_main->ParticipantPicker(), "dbgPickPart")->columnWidth(1)
               << Grid(g_main->SpeakerPicker(), "jdbgSpeakers")->columnWidth(0)
               << Grid(g_main->ExtraPicker(), "jdbgExtras")->columnWidth(0)
               << Grid(g_main->SignInWindow(), "dbgSignInNames")->columnWidth(1);
    });

    QCOMPARE(exitCode, TStartup::ExitSuccess);
    QVERIFY(dateWhole);
    QVERIFY(signInLastName);
    QCOMPARE(widths, expected);
    // Unreadable values are replaced by the width in force; other settings stay.
    QCOMPARE(Dimension(iniPath, QStringLiteral("PickConfNameWidth")), QStringLiteral("400"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("PickConfDateWidth")), QStringLiteral("77"));
    QCOMPARE(TConfig(iniPath).ReadString(QStringLiteral("Mail"), QStringLiteral("Subject")),
             QStringLiteral("Transcript"));
}

void TstStartup::errorInEventHandlerIsShownAndTheLoopGoesOn_data()
{
    QTest::addColumn<bool>("ownError");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("full stop appended") << true << "Cannot remove the row"
                                        << "Cannot remove the row.";
    QTest::newRow("exclamation kept") << true << "Mail handler unknown: 7!"
                                      << "Mail handler unknown: 7!";
    QTest::newRow("full stop not doubled") << true << "Done."
                                           << "Done.";
    QTest::newRow("standard exception") << false << "Out of memory"
                                        << "Out of memory.";
}

void TstStartup::errorInEventHandlerIsShownAndTheLoopGoesOn()
{
    QFETCH(bool, ownError);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    TTempDatabase db;
    TTestPrompts prompts;
    QList<TTestPrompts::TShown> shownWhileRunning;
    bool stillRunning = false;

    const int exitCode = TStartup::RunProgram(db.Dir(), [&](TfrmMain& mainWindow) {
        g_main = &mainWindow;
        QTimer::singleShot(0, g_main, [&] {
            if (ownError)
                throw EOperationError(message);
            throw std::runtime_error(message.toStdString());
        });
        QTimer::singleShot(0, g_main, [&] {
            stillRunning = g_main->isVisible();
            shownWhileRunning = prompts.shown;
            std::exchange(g_main, nullptr)->close();
        });
    });

    QCOMPARE(exitCode, TStartup::ExitSuccess);
    QVERIFY(stillRunning);
    QCOMPARE(shownWhileRunning.size(), 1);
    QCOMPARE(shownWhileRunning[0].kind, TPrompts::Kind::Error);
    QCOMPARE(shownWhileRunning[0].caption,
             QStringLiteral("Continuing Education Management Software"));
    QCOMPARE(shownWhileRunning[0].text, shown);
    QCOMPARE(prompts.shown.size(), 1);
}

void TstStartup::errorEscapingWindowCreationEndsTheProgram_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("ownError");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QStringList>("widthKeysStored");
    QTest::addColumn<QStringList>("widthKeysAbsent");
    QTest::newRow("main window") << "frmMain" << true << "Error occured: EDatabaseError Broken grid"
                                 << QStringList()
                                 << QStringList{"PickConfDateWidth", "SignInLNameWidth"};
    QTest::newRow("participant picker")
        << "frmPickPart" << true << "Error occured: EDatabaseError Broken grid"
        << QStringList{"PickConfDateWidth", "PickConfNameWidth"}
        << QStringList{"PickPartLNameWidth", "PickSpeakerLNameWidth", "SignInLNameWidth"};
    QTest::newRow("last dialog, standard exception")
        << "frmAddPart" << false << "Error occured: std::runtime_error Broken grid"
        << QStringList{"PickConfDateWidth", "PickExtraNameWidth", "SignInFNameWidth"}
        << QStringList();
}

void TstStartup::errorEscapingWindowCreationEndsTheProgram()
{
    QFETCH(QString, failing);
    QFETCH(bool, ownError);
    QFETCH(QString, report);
    QFETCH(QStringList, widthKeysStored);
    QFETCH(QStringList, widthKeysAbsent);
    TTempDatabase db;
    const QString iniPath = db.FilePath(QStringLiteral("quorvel.ini"));
    TTestPrompts prompts;
    TStartup::SetCreationHook([&](const QString& name) {
        if (name != failing)
            return;
        if (ownError)
            throw EDatabaseError(QStringLiteral("Broken grid"));
        throw std::runtime_error("Broken grid");
    });
    bool ran = false;

    const int exitCode = TStartup::RunProgram(db.Dir(), [&](TfrmMain&) { ran = true; });

    QVERIFY(exitCode != TStartup::ExitSuccess);
    QVERIFY(!ran);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Error);
    QCOMPARE(prompts.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(prompts.shown[0].text, report);
    // The windows that were created are destroyed and write their widths; the data module's
    // last flush stores them.
    for (const QString& key : widthKeysStored)
        QVERIFY2(!Dimension(iniPath, key).isEmpty(), qPrintable(key));
    for (const QString& key : widthKeysAbsent)
        QVERIFY2(Dimension(iniPath, key).isEmpty(), qPrintable(key));
}

void TstStartup::closingDiscardsPendingEdits()
{
    TTempDatabase db;
    const QString year = QString::number(QDate::currentDate().year());
    db.Exec(QStringLiteral("INSERT INTO conferences (conf_name, begin_date, end_date, units) "
                           "VALUES ('Cardiology update', '%1-03-01 09:00:00', "
                           "'%1-03-01 17:00:00', 2)")
                .arg(year));
    db.Exec(QStringLiteral(
        "INSERT INTO participants (last_name, first_name) VALUES ('Smith', 'Anna')"));
    TTestPrompts prompts;
    bool editing = false;

    const int exitCode = RunAndClose(db.Dir(), [&] {
        g_main->DataModule().Conferences->First();
        g_main->DataModule().Conferences->Edit();
        g_main->DataModule()
            .Conferences->FieldByName(QStringLiteral("conf_name"))
            .SetAsString(QStringLiteral("Changed"));
        g_main->DataModule().Participants->Insert();
        g_main->DataModule()
            .Participants->FieldByName(QStringLiteral("last_name"))
            .SetAsString(QStringLiteral("Newcomer"));
        editing = g_main->DataModule().Conferences->DataState() == TDataSet::State::Edit &&
                  g_main->DataModule().Participants->DataState() == TDataSet::State::Insert;
    });

    QCOMPARE(exitCode, TStartup::ExitSuccess);
    QVERIFY(editing);
    QVERIFY(prompts.shown.isEmpty());
    QCOMPARE(db.Conn().ScalarQuery(QStringLiteral("SELECT conf_name FROM conferences")).toString(),
             QStringLiteral("Cardiology update"));
    QCOMPARE(db.Conn().ScalarQuery(QStringLiteral("SELECT COUNT(*) FROM participants")).toInt(), 1);
}

void TstStartup::closingWhileEditingAsksToSave_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("closedAtOnce");
    QTest::newRow("Yes saves") << int(TPrompts::Answer::Yes) << "Changed" << true;
    QTest::newRow("No discards") << int(TPrompts::Answer::No) << "Cardiology update" << true;
    QTest::newRow("Cancel goes on editing") << int(TPrompts::Answer::Cancel) << "Cardiology update"
                                            << false;
}

void TstStartup::closingWhileEditingAsksToSave()
{
    QFETCH(int, answer);
    QFETCH(QString, stored);
    QFETCH(bool, closedAtOnce);
    TTempDatabase db;
    db.Exec(QStringLiteral("INSERT INTO conferences (conf_name, begin_date, end_date, units) "
                           "VALUES ('Cardiology update', '2026-03-01 09:00:00', "
                           "'2026-03-01 17:00:00', 2)"));
    TTestPrompts prompts;
    prompts.QueueChoice(TPrompts::Answer(answer));
    bool stillOpen = false;

    const int exitCode = RunAndClose(db.Dir(), [&] {
        g_main->findChild<QAbstractButton*>(QStringLiteral("bConfEdit"))->click();
        auto* name = g_main->findChild<QLineEdit*>(QStringLiteral("dbeConfName"));
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Changed"));
        g_main->close();
        stillOpen = g_main->isVisible();
        if (stillOpen) {
            // Still editing, with the typed text; the next close discards it.
            QCOMPARE(name->text(), QStringLiteral("Changed"));
            prompts.QueueChoice(TPrompts::Answer::No);
        }
    });

    QCOMPARE(exitCode, TStartup::ExitSuccess);
    QCOMPARE(stillOpen, !closedAtOnce);
    QCOMPARE(prompts.shown.first().text, QStringLiteral("Save changes?"));
    QCOMPARE(prompts.unansweredQuestions, 0);
    QCOMPARE(db.Conn().ScalarQuery(QStringLiteral("SELECT conf_name FROM conferences")).toString(),
             stored);
}

void TstStartup::closingWithUnwritableSettingsStillEnds()
{
    TTempDatabase db;
    TTestPrompts prompts;

    // A folder in the settings file's place makes every flush fail.
    const int exitCode = RunAndClose(
        db.Dir(), [&] { QVERIFY(QDir(db.Dir()).mkdir(QStringLiteral("quorvel.ini"))); });

    QCOMPARE(exitCode, TStartup::ExitSuccess);
    QCOMPARE(prompts.shown.size(), 2);
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Error);
    QCOMPARE(prompts.shown[0].caption, QStringLiteral("Continuing Education Management Software"));
    QVERIFY(!prompts.shown[0].text.isEmpty());
    QCOMPARE(prompts.shown[0].text, TPrompts::WithFullStop(prompts.shown[0].text));
    // The last write, after the dialogs have gone, is reported too, not dropped.
    QCOMPARE(prompts.shown[1].kind, TPrompts::Kind::Error);
    QVERIFY2(prompts.shown[1].text.contains(QStringLiteral("quorvel.ini")),
             qPrintable(prompts.shown[1].text));
}

void TstStartup::unparsableSettingsAreReportedAndKept()
{
    TTempDatabase db;
    const QString iniPath = db.FilePath(QStringLiteral("quorvel.ini"));
    const QByteArray garbage("[Dimensions]\r\nPickConfNameWidth=140\r\n<<<<<<< merged\r\n");
    WriteBytes(iniPath, garbage);
    TTestPrompts prompts;
    int width = -1;
    int defaultWidth = -2;

    QCOMPARE(RunAndClose(db.Dir(),
                         [&] {
                             width =
                                 Grid(g_main->ConferencePicker(), "dbgPickConf")->columnWidth(1);
                             defaultWidth = TColumnWidths::OnScreen(
                                 *Grid(g_main->ConferencePicker(), "dbgPickConf"), 400);
                         }),
             TStartup::ExitSuccess);

    QCOMPARE(width, defaultWidth); // the defaults
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Warning);
    QVERIFY2(prompts.shown[0].text.contains(QStringLiteral("line 3")), qPrintable(prompts.shown[0].text));
    QCOMPARE(ReadBytes(iniPath), garbage);
}

void TstStartup::eachFolderHasItsOwnDatabaseAndSettings()
{
    TTempDatabase first;
    TTempDatabase second;
    first.Exec(QStringLiteral("INSERT INTO titles (t_name) VALUES ('Dr.')"));
    second.Exec(QStringLiteral("INSERT INTO titles (t_name) VALUES ('Dr.')"));
    second.Exec(QStringLiteral("INSERT INTO titles (t_name) VALUES ('Prof.')"));
    WriteBytes(second.FilePath(QStringLiteral("quorvel.ini")),
               "[Dimensions]\r\nPickConfNameWidth=140\r\n");
    TTestPrompts prompts;
    int expectedFirst = -2;
    int expectedSecond = -2;

    int firstTitles = -1;
    int firstWidth = -1;
    QCOMPARE(RunAndClose(first.Dir(),
                         [&] {
                             firstTitles = g_main->DataModule().Titles->RecordCount();
                             firstWidth =
                                 Grid(g_main->ConferencePicker(), "dbgPickConf")->columnWidth(1);
                             expectedFirst = TColumnWidths::OnScreen(
                                 *Grid(g_main->ConferencePicker(), "dbgPickConf"), 400);
                         }),
             TStartup::ExitSuccess);
    int secondTitles = -1;
    int secondWidth = -1;
    QCOMPARE(RunAndClose(second.Dir(),
                         [&] {
                             secondTitles = g_main->DataModule().Titles->RecordCount();
                             secondWidth =
                                 Grid(g_main->ConferencePicker(), "dbgPickConf")->columnWidth(1);
                             expectedSecond = TColumnWidths::OnScreen(
                                 *Grid(g_main->ConferencePicker(), "dbgPickConf"), 140);
                         }),
             TStartup::ExitSuccess);

    QCOMPARE(firstTitles, 1);
    QCOMPARE(secondTitles, 2);
    QCOMPARE(firstWidth, expectedFirst);
    QCOMPARE(secondWidth, expectedSecond);
    QVERIFY(QFile::exists(first.FilePath(QStringLiteral("quorvel.ini"))));
    QCOMPARE(Dimension(second.FilePath(QStringLiteral("quorvel.ini")),
                       QStringLiteral("PickConfNameWidth")),
             QStringLiteral("140"));
    QVERIFY(prompts.shown.isEmpty());
}

void TstStartup::lockedDatabaseOffersRetry()
{
    TTempDatabase db;
    db.Conn().SetJournalMode(QStringLiteral("delete"));
    db.Conn().Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    const QByteArray before = ReadBytes(db.DatabasePath());
    TConnection::SetDefaultBusyTimeout(50);
    auto restore = qScopeGuard([] { TConnection::SetDefaultBusyTimeout(5000); });
    TTestPrompts prompts;
    prompts.QueueChoice(TPrompts::Answer::Retry);
    prompts.QueueChoice(TPrompts::Answer::Cancel);
    QStringList created;
    TStartup::SetCreationHook([&](const QString& name) { created << name; });

    const int exitCode = TStartup::RunProgram(db.Dir(), [](TfrmMain&) {});

    // Asked twice (Retry, then Cancel), no second message, no window, the file untouched.
    QVERIFY(exitCode != TStartup::ExitSuccess);
    QVERIFY(created.isEmpty());
    QCOMPARE(prompts.shown.size(), 2);
    for (const auto& shown : prompts.shown)
        QCOMPARE(shown.text, QStringLiteral("cme.mdb is in use by another program."));
    QCOMPARE(prompts.unansweredQuestions, 0);
    db.Conn().Execute(QStringLiteral("ROLLBACK"));
    QCOMPARE(ReadBytes(db.DatabasePath()), before);
}

void TstStartup::readOnlyDatabaseRunsAndSaysSo()
{
    TTempDatabase db;
    db.Exec(QStringLiteral("insert into participants (last_name) values ('Smithers')"));
    const QString why = TUnprivileged::GiveAway(db.Dir());
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    QVERIFY(chmod(QFile::encodeName(db.DatabasePath()).constData(), 0444) == 0);
    const QByteArray before =
        QCryptographicHash::hash(ReadBytes(db.DatabasePath()), QCryptographicHash::Sha256);
    TTestPrompts prompts;
    bool readOnly = false;
    int participants = -1;
    QStringList enabled; // buttons that change data and are still enabled
    QStringList disabledRuns; // document runs that were locked
    int exitCode = -1;
    {
        TUnprivileged user;
        if (!user.Failure().isEmpty())
            QSKIP(qPrintable(user.Failure()));
        exitCode = RunAndClose(db.Dir(), [&] {
            readOnly = g_main->DataModule().ReadOnly();
            participants = g_main->DataModule().Participants->RecordCount();
            // Every page and dialog: no Add new, Edit, Remove or sign-in, also after a page
            // change that would enable them.
            for (int page = 0; page < g_main->PageControl()->count(); ++page)
                g_main->PageControl()->setCurrentIndex(page);
            for (QWidget* window : AllWindows())
                for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
                    const QString caption = button->text().remove(u'&');
                    if (button->isEnabled() &&
                        QStringList{"Add new", "Add", "Edit", "Remove", "Sign to conference",
                                    "New participant", "Edit details", "New badge code"}
                            .contains(caption))
                        enabled << window->objectName() + u'.' + button->objectName();
                    // The document runs only read: they stay available.
                    if (!button->isEnabled() &&
                        QStringList{"bGenerateTranscripts", "bPreviewTranscripts",
                                    "bExpTranscripts", "bGenerateCalendar", "bExpConfParts",
                                    "bPrintConfParts"}
                            .contains(button->objectName()))
                        disabledRuns << button->objectName();
                }
        });
    }
    QCOMPARE(exitCode, int(TStartup::ExitSuccess));
    QVERIFY(readOnly);
    QCOMPARE(participants, 1);
    QCOMPARE(enabled, QStringList());
    QCOMPARE(disabledRuns, QStringList());
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Warning);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("cme.mdb is read-only: changes cannot be saved."));
    QCOMPARE(QCryptographicHash::hash(ReadBytes(db.DatabasePath()), QCryptographicHash::Sha256),
             before);
}

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    TstStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
