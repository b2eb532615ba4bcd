#include "db/TConnection.h"
#include "app/TDataFolder.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// Where a start from the desktop menu works: found without a question, or chosen or created
// by the user, and remembered for this user.
class TstDataFolder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void foundWithoutAsking_data();
    void foundWithoutAsking();
    void theUserOpensAnExistingDatabase();
    void theUserCreatesANewDatabase();
    void aFolderWithoutDatabaseIsRefusedAndAskedAgain();
    void givingUpStartsNothing();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TTestPrompts> m_prompts;
    QString m_empty;
};

void TstDataFolder::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_home->filePath("config"));
    qunsetenv(TDataFolder::EnvironmentVariable);
    m_prompts = std::make_unique<TTestPrompts>();
    m_empty = m_home->filePath("empty");
    QDir().mkpath(m_empty);
}

void TstDataFolder::cleanup()
{
    qunsetenv(TDataFolder::EnvironmentVariable);
    m_prompts.reset();
    m_home.reset();
}

void TstDataFolder::foundWithoutAsking_data()
{
    QTest::addColumn<QString>("where");
    // The working directory comes first, then QUORVEL_DATA, then the folder last used.
    QTest::newRow("working directory") << "cwd";
    QTest::newRow("QUORVEL_DATA") << "env";
    QTest::newRow("last used") << "last";
}

void TstDataFolder::foundWithoutAsking()
{
    QFETCH(QString, where);
    TTempDatabase office;
    TTempDatabase other;
    QString working = m_empty;
    if (where == QLatin1String("cwd")) {
        working = office.Dir();
        qputenv(TDataFolder::EnvironmentVariable, other.Dir().toLocal8Bit());
        TDataFolder::Remember(other.Dir());
    } else if (where == QLatin1String("env")) {
        qputenv(TDataFolder::EnvironmentVariable, office.Dir().toLocal8Bit());
        TDataFolder::Remember(other.Dir());
    } else {
        // A QUORVEL_DATA without a database is passed over.
        qputenv(TDataFolder::EnvironmentVariable, m_empty.toLocal8Bit());
        TDataFolder::Remember(office.Dir());
    }
    QCOMPARE(TDataFolder::ForMenuStart(working, *m_prompts), QDir(office.Dir()).absolutePath());
    QVERIFY(m_prompts->shown.isEmpty());
    QCOMPARE(TDataFolder::LastUsed(), QDir(office.Dir()).absolutePath());
}

void TstDataFolder::theUserOpensAnExistingDatabase()
{
    TTempDatabase office;
    m_prompts->QueueChoice(TPrompts::Answer::Yes);
    m_prompts->QueueFileName(office.DatabasePath());
    QCOMPARE(TDataFolder::ForMenuStart(m_empty, *m_prompts), QDir(office.Dir()).absolutePath());
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->unansweredQuestions, 0);
    // The next start from the menu goes there without a question.
    m_prompts->Clear();
    QCOMPARE(TDataFolder::ForMenuStart(m_empty, *m_prompts), QDir(office.Dir()).absolutePath());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstDataFolder::theUserCreatesANewDatabase()
{
    const QString folder = m_home->filePath("Office data");
    m_prompts->QueueChoice(TPrompts::Answer::No);
    m_prompts->QueueFileName(QDir(folder).filePath("cme.mdb"));
    QCOMPARE(TDataFolder::ForMenuStart(m_empty, *m_prompts), folder);
    QCOMPARE(m_prompts->unansweredQuestions, 0);
    // An empty database the program itself accepts.
    TConnection conn;
    conn.Open(QDir(folder).filePath("cme.mdb"));
    QCOMPARE(conn.ScalarQuery("select count(*) from conferences").toInt(), 0);
    QVERIFY(QFile::exists(QDir(folder).filePath("cme.rav")));
    QCOMPARE(TDataFolder::LastUsed(), folder);
}

void TstDataFolder::aFolderWithoutDatabaseIsRefusedAndAskedAgain()
{
    TTempDatabase office;
    // A picked file in a folder without cme.mdb, then an existing database; a new database
    // is never made over an existing one.
    m_prompts->QueueChoice(TPrompts::Answer::Yes);
    m_prompts->QueueFileName(QDir(m_empty).filePath("notes.mdb"));
    m_prompts->QueueChoice(TPrompts::Answer::No);
    m_prompts->QueueFileName(office.DatabasePath());
    m_prompts->QueueChoice(TPrompts::Answer::Yes);
    m_prompts->QueueFileName(office.DatabasePath());
    QCOMPARE(TDataFolder::ForMenuStart(m_empty, *m_prompts), QDir(office.Dir()).absolutePath());
    QCOMPARE(m_prompts->shown.size(), 5);
    QVERIFY(m_prompts->shown.at(1).text.contains(QStringLiteral("holds no cme.mdb")));
    QCOMPARE(m_prompts->shown.at(3).kind, TPrompts::Kind::Error);
    QCOMPARE(m_prompts->unansweredQuestions, 0);
}

void TstDataFolder::givingUpStartsNothing()
{
    m_prompts->QueueChoice(TPrompts::Answer::Cancel);
    QVERIFY(TDataFolder::ForMenuStart(m_empty, *m_prompts).isEmpty());
    QVERIFY(TDataFolder::LastUsed().isEmpty());
}

QTEST_GUILESS_MAIN(TstDataFolder)
#include "tst_datafolder.moc"
