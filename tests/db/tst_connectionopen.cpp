#include "db/TConnection.h"
#include "db/TError.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TUnprivileged.h"

#include <QCryptographicHash>
#include <QtTest>

#include <sys/stat.h>

namespace
{

QByteArray Sha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// A database with one participant in the given journal mode, no connection left open.
void PrepareFile(TTempDatabase& db, const QString& journalMode)
{
    TConnection conn;
    conn.OpenToSwitchJournal(db.DatabasePath());
    conn.Execute("insert into participants (last_name) values ('Smithers')");
    conn.SetJournalMode(journalMode);
}

// Answers the busy question by letting the other program go, then asking to try again.
class TReleasingPrompts : public TTestPrompts
{
public:
    explicit TReleasingPrompts(TConnection& holder) : m_holder(holder) {}
    Answer Ask(Kind kind, const QString& caption, const QString& text, const QList<Answer>& buttons,
               Answer defaultAnswer, Answer escapeAnswer) override
    {
        TTestPrompts::Ask(kind, caption, text, buttons, defaultAnswer, escapeAnswer);
        m_holder.Execute("COMMIT");
        return Answer::Retry;
    }

private:
    TConnection& m_holder;
};

} // namespace

// Opening a database file: the file's own journal mode, read-only files and folders, a file
// another program holds, and saves that meet another program's lock.
class TstConnectionOpen : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TConnection::SetDefaultBusyTimeout(50); }
    void openingWritesNothing_data();
    void openingWritesNothing();
    void lockedFileIsInUseNotBroken();
    void busySaveAsksToTryAgain();
    void walOnNetworkShareIsRefused();
};

void TstConnectionOpen::openingWritesNothing_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<QString>("readOnly"); // "", "file" or "folder"
    for (const char* journal : {"wal", "delete"})
        for (const char* readOnly : {"", "file", "folder"})
            QTest::addRow("%s, read-only %s", journal, *readOnly ? readOnly : "nothing")
                << QString(journal) << QString(readOnly);
}

void TstConnectionOpen::openingWritesNothing()
{
    QFETCH(QString, journal);
    QFETCH(QString, readOnly);
    TTempDatabase db;
    PrepareFile(db, journal);
    const QString why = TUnprivileged::GiveAway(db.Dir());
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    if (readOnly == "file")
        QVERIFY(chmod(QFile::encodeName(db.DatabasePath()).constData(), 0444) == 0);
    if (readOnly == "folder")
        QVERIFY(chmod(QFile::encodeName(db.Dir()).constData(), 0555) == 0);
    const QByteArray before = Sha256(db.DatabasePath());
    {
        TUnprivileged user;
        if (!user.Failure().isEmpty())
            QSKIP(qPrintable(user.Failure()));
        TConnection conn;
        conn.Open(db.DatabasePath());
        QCOMPARE(conn.ReadOnly(), !readOnly.isEmpty());
        if (readOnly != "folder") // there a WAL file is read as an unchanging one
            QCOMPARE(conn.JournalMode(), journal);
        QCOMPARE(conn.ScalarQuery("select last_name from participants").toString(), "Smithers");
        if (conn.ReadOnly())
            QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                     conn.Execute("delete from participants"));
    }
    chmod(QFile::encodeName(db.Dir()).constData(), 0755);
    QCOMPARE(Sha256(db.DatabasePath()), before);
    // A read-only opening may leave an empty log behind, never one with content.
    QCOMPARE(QFileInfo(db.DatabasePath() + "-wal").size(), 0);
}

void TstConnectionOpen::lockedFileIsInUseNotBroken()
{
    TTempDatabase db;
    PrepareFile(db, "delete");
    const QByteArray before = Sha256(db.DatabasePath());
    TConnection holder;
    holder.Open(db.DatabasePath());
    holder.Execute("BEGIN EXCLUSIVE");

    TConnection conn;
    try {
        conn.Open(db.DatabasePath());
        QFAIL("a locked file opened");
    } catch (const EDatabaseLocked& e) {
        QCOMPARE(e.Message(), QString("cme.mdb is in use by another program."));
    }
    QVERIFY(!conn.Connected());

    holder.Execute("COMMIT");
    conn.Open(db.DatabasePath());
    QCOMPARE(conn.JournalMode(), QString("delete"));
    conn.Close();
    holder.Close();
    QCOMPARE(Sha256(db.DatabasePath()), before);
}

void TstConnectionOpen::busySaveAsksToTryAgain()
{
    const QString question = "The database is busy (another program is writing to cme.mdb). "
                             "Try again?";
    TTempDatabase db;
    TConnection holder;
    holder.Open(db.DatabasePath());
    TConnection conn;
    conn.Open(db.DatabasePath());
    holder.Execute("BEGIN IMMEDIATE");
    {
        // Retry waits once more; Cancel gives up, and nothing is stored.
        TTestPrompts prompts;
        prompts.QueueChoice(TPrompts::Answer::Retry);
        prompts.QueueChoice(TPrompts::Answer::Cancel);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 conn.Execute("insert into credits (c_name) values ('AMA')"));
        QCOMPARE(prompts.shown.size(), 2);
        QCOMPARE(prompts.shown.at(1).text, question);
    }
    {
        TReleasingPrompts prompts(holder);
        QCOMPARE(conn.Execute("insert into credits (c_name) values ('AMA')"), 1);
        QCOMPARE(prompts.shown.size(), 1);
    }
    QCOMPARE(holder.ScalarQuery("select count(*) from credits").toInt(), 1);
}

void TstConnectionOpen::walOnNetworkShareIsRefused()
{
    TTempDatabase db;
    PrepareFile(db, "wal");
    TConnection::SetFileSystemProbe([](const QString&) { return QString("NFS"); });
    auto restore = qScopeGuard([] { TConnection::SetFileSystemProbe({}); });

    TConnection conn;
    try {
        conn.Open(db.DatabasePath());
        QFAIL("a WAL file on a network share opened");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains("(NFS)"), qPrintable(e.Message()));
        QVERIFY2(e.Message().contains("quorvel-admin journal \"" + db.DatabasePath() + "\" delete"),
                 qPrintable(e.Message()));
    }
    // The fix named in the message works there, and the file then opens.
    conn.OpenToSwitchJournal(db.DatabasePath());
    conn.SetJournalMode("delete");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, conn.SetJournalMode("wal"));
    conn.Open(db.DatabasePath());
    QCOMPARE(conn.JournalMode(), QString("delete"));
}

QTEST_GUILESS_MAIN(TstConnectionOpen)
#include "tst_connectionopen.moc"
