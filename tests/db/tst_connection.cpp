#include "db/TConnection.h"
#include "db/TError.h"
#include "support/TTempDatabase.h"

#include <QtTest>

// Opening files that are not ours, and the SQL the connection adds to the engine.
class TstConnection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingFileIsNeverCreated();
    void foreignFilesAreRefused_data();
    void foreignFilesAreRefused();
    void datePartAndJetLiterals();
    void likeIgnoresCaseInEveryAlphabet();
    void functionsSurviveReopen();
    void attendancePairIsUnique();
    void repeatedTextsSurviveErrorsAndRollbacks();
    void repeatedTextsFollowSchemaChanges();
};

void TstConnection::missingFileIsNeverCreated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cme.mdb");
    TConnection conn;
    try {
        conn.Open(path);
        QFAIL("a missing database opened");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains(QDir::toNativeSeparators(path)), qPrintable(e.Message()));
    }
    QVERIFY(!QFile::exists(path));
    QVERIFY(!conn.Connected());
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
}

void TstConnection::foreignFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("why");
    QTest::newRow("text file") << QByteArray("just some text\nnot a database\n") << "not an SQLite database";
    QTest::newRow("jet header") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 19) + QByteArray(2048, '\x11')
                                << "not an SQLite database";
    QTest::newRow("empty file") << QByteArray() << "is missing";
}

void TstConnection::foreignFilesAreRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString path = dir.filePath("cme.mdb");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    TConnection conn;
    try {
        conn.Open(path);
        QFAIL("a foreign file opened");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains("is not a database of this program"), qPrintable(e.Message()));
        QVERIFY2(e.Message().contains(why), qPrintable(e.Message()));
    }
    QCOMPARE(QFileInfo(path).size(), qint64(content.size())); // untouched

    // An SQLite file with other tables is refused too.
    TTempDatabase db;
    db.Exec("drop table conf_extras");
    TConnection other;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, other.Open(db.DatabasePath()));
}

void TstConnection::datePartAndJetLiterals()
{
    TTempDatabase db;
    db.Exec("insert into conferences (conf_name, begin_date) values ('a', '2005-03-31 09:00:00'), "
            "('b', '2005-03-30 23:59:59'), ('c', '2004-12-31 10:00:00'), ('d', null)");
    TConnection& conn = db.Conn();
    QCOMPARE(conn.ScalarQuery("select count(*) from conferences where DatePart('yyyy', begin_date) = 2005").toInt(), 2);
    QCOMPARE(conn.ScalarQuery("select DatePart('m', begin_date) from conferences where conf_name = 'a'").toInt(), 3);
    // The end bound is midnight at the start of that day.
    QCOMPARE(conn.ScalarQuery("select group_concat(conf_name) from conferences where begin_date "
                              "between #1/1/2005# and #3/31/2005#").toString(),
             QString("b"));
    QCOMPARE(conn.ScalarQuery("select count(*) from conferences where conf_name = '#1/1/2005#'").toInt(), 0);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, conn.ScalarQuery("select DatePart('zz', begin_date) from conferences where conf_name = 'a'"));
}

void TstConnection::likeIgnoresCaseInEveryAlphabet()
{
    TTempDatabase db;
    db.Exec("insert into participants (last_name) values ('Müller'), ('Östberg'), ('MÜNCH'), ('Smith')");
    TConnection& conn = db.Conn();
    QCOMPARE(conn.ScalarQuery("select count(*) from participants where last_name like 'mü%'").toInt(), 2);
    QCOMPARE(conn.ScalarQuery("select count(*) from participants where last_name like 'ö%'").toInt(), 1);
    QCOMPARE(conn.ScalarQuery("select count(*) from participants where last_name like '%TH'").toInt(), 1);
    QCOMPARE(conn.ScalarQuery("select count(*) from participants where last_name like 'x'' or ''1''=''1'").toInt(), 0);
}

void TstConnection::functionsSurviveReopen()
{
    TTempDatabase db;
    TConnection conn;
    conn.Open(db.DatabasePath());
    conn.Close();
    conn.Open(db.DatabasePath());
    QCOMPARE(conn.ScalarQuery("select DatePart('yyyy', '2026-01-02 00:00:00')").toInt(), 2026);
    QCOMPARE(conn.ScalarQuery("select 'Ärger' like 'ä%'").toInt(), 1);
}

void TstConnection::attendancePairIsUnique()
{
    TTempDatabase db;
    db.Exec("insert into attendances (conf_id, user_id) values (1, 1)");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, db.Exec("insert into attendances (conf_id, user_id) values (1, 1)"));
    QCOMPARE(db.Conn().ScalarQuery("select count(*) from attendances").toInt(), 1);
    // A write that reads back what it stored, in a transaction of its own.
    const QString insert = QStringLiteral("insert into attendances (conf_id, user_id) values "
                                          "(?, ?) on conflict do nothing returning user_id");
    QCOMPARE(db.Conn().WriteAndRead(insert, {1, 2}), QVariantList{2});
    QCOMPARE(db.Conn().WriteAndRead(insert, {1, 2}), QVariantList{});
    QVERIFY(!db.Conn().InTransaction());
    QCOMPARE(db.Conn().ScalarQuery("select count(*) from attendances").toInt(), 2);
}

// A text run again reuses its compiled statement; what it did before must not leak into the
// next run: a failure, a rolled-back transaction, or the values of the last run.
void TstConnection::repeatedTextsSurviveErrorsAndRollbacks()
{
    TTempDatabase db;
    const QString wal = db.DatabasePath() + QStringLiteral("-wal");
    {
        TConnection conn;
        db.Open(conn);
        const QString attend = QStringLiteral("insert into attendances (conf_id, user_id) values (?, ?)");
        const QString count = QStringLiteral("select count(*) from attendances where conf_id = ?");
        conn.Execute(attend, {1, 1});
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, conn.Execute(attend, {1, 1}));
        conn.Execute(attend, {1, 2});
        QCOMPARE(conn.ScalarQuery(count, {1}).toInt(), 2);
        QCOMPARE(conn.ScalarQuery(count, {2}).toInt(), 0);

        conn.BeginTransaction();
        conn.Execute(attend, {1, 3});
        conn.BeginTransaction(); // a savepoint
        conn.Execute(attend, {1, 4});
        QCOMPARE(conn.ScalarQuery(count, {1}).toInt(), 4);
        conn.Rollback();
        QCOMPARE(conn.ScalarQuery(count, {1}).toInt(), 3);
        conn.Rollback();
        QCOMPARE(conn.ScalarQuery(count, {1}).toInt(), 2);
        conn.Execute(attend, {1, 3});
        QCOMPARE(conn.ScalarQuery(count, {1}).toInt(), 3);

        // Fewer values than marks leave the rest empty, not as the last run had them.
        const QString person = QStringLiteral("insert into participants (last_name, first_name) values (?, ?)");
        conn.Execute(person, {"Adams", "Anna"});
        conn.Execute(person, {"Baker"});
        QCOMPARE(conn.ScalarQuery("select count(*) from participants where first_name is null").toInt(), 1);
        QVERIFY(QFile::exists(wal));
    }
    // Closing finalizes every kept statement: the file is closed for real and its log goes.
    QVERIFY(!QFile::exists(wal));
}

void TstConnection::repeatedTextsFollowSchemaChanges()
{
    TTempDatabase db;
    TConnection conn;
    db.Open(conn);
    db.Exec("insert into participants (last_name) values ('Adams'), ('Baker')");
    const QString count = QStringLiteral("select count(*) from participants");
    QCOMPARE(conn.ScalarQuery(count).toInt(), 2);
    // A temporary table of the same name hides the stored one from the same text.
    conn.Execute("create temp table participants (user_id integer)");
    QCOMPARE(conn.ScalarQuery(count).toInt(), 0);
    conn.Execute("drop table temp.participants");
    QCOMPARE(conn.ScalarQuery(count).toInt(), 2);

    const QString insert = QStringLiteral("insert into extra values (?, ?)");
    conn.Execute("create table extra (a text, b text)");
    conn.Execute(insert, {"a1", "b1"});
    conn.Execute("drop table extra");
    conn.Execute("create table extra (b text, a text)");
    conn.Execute(insert, {"b2", "a2"});
    QCOMPARE(conn.ScalarQuery("select a || b from extra").toString(), QString("a2b2"));
    conn.Execute("alter table extra add column c text");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, conn.Execute(insert, {"b3", "a3"}));
    QCOMPARE(conn.ScalarQuery("select count(*) from extra").toInt(), 1);
}

QTEST_GUILESS_MAIN(TstConnection)
#include "tst_connection.moc"
