#include "TAdminRun.h"
#include "db/TConnection.h"
#include "tools/TNewDatabase.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// quorvel-admin import: a registrant list for a conference, the exit codes, and a process
// killed in the middle of an import leaving the database as it was.
class TstImportCommand : public QObject
{
    Q_OBJECT

private:
    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static qint64 Count(const QString& folder, const QString& sql)
    {
        TConnection conn;
        conn.Open(QDir(folder).filePath("cme.mdb"));
        return conn.ScalarQuery(sql).toLongLong();
    }
    QString MakeDatabase()
    {
        const QString folder = m_dir.filePath(QString::number(++m_count));
        TNewDatabase::CreateEmpty(folder);
        TConnection conn;
        conn.Open(QDir(folder).filePath("cme.mdb"));
        conn.Execute("insert into conferences (conf_id, conf_name, begin_date) values (7, "
                     "'Spring Meeting', '2026-04-01 09:00:00')");
        conn.Execute("insert into participants (last_name, first_name, email) values ('Adams', "
                     "'Anna', 'anna@example.org')");
        return folder;
    }
    QTemporaryDir m_dir;
    int m_count = 0;

private Q_SLOTS:
    void registrantListForAConference()
    {
        const QString folder = MakeDatabase();
        const QString list = QDir(folder).filePath("registrants.csv");
        Write(list, "\xEF\xBB\xBFLast Name;First name;Email Address\r\n"
                    "Adams;Anna;ANNA@example.org\r\nBaker;Ben;ben@example.org\r\n"
                    "Baker;Ben;ben@example.org\r\nCole;Cy;cy-at-example.org\r\n");
        const TRun run = Admin({"import", list, folder, "--conference", "7"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("New: 1, matched: 2, possible duplicates left out: 0, refused: 1"),
                 qPrintable(run.out));
        QVERIFY(run.out.contains("Last Name -> Last name, First name -> First name, Email "
                                 "Address -> E-mail"));
        QCOMPARE(Count(folder, "select count(*) from participants"), 2);
        QCOMPARE(Count(folder, "select count(*) from registrations where conf_id = 7"), 2);
        QVERIFY(QFile::exists(QDir(folder).filePath("registrants-refused.csv")));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments"); // FILE is the list, DIR the database
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QByteArray refusedOnly = "Surname,E-mail\nCole,cy-at-example.org\n,x@y.org\n";
        QTest::newRow("nothing importable")
            << QStringList{"import", "FILE", "DIR"} << refusedOnly << 1 << "refused: 2";
        QTest::newRow("no such conference")
            << QStringList{"import", "FILE", "DIR", "--conference", "8"}
            << QByteArray("Surname\nDoe\n") << 1 << "There is no conference number 8";
        QTest::newRow("no folder") << QStringList{"import", "FILE"} << QByteArray() << 2
                                   << "import needs a file and a folder";
        QTest::newRow("unknown option") << QStringList{"import", "FILE", "DIR", "--force"}
                                        << QByteArray() << 2 << "unknown option --force";
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, list);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QString folder = MakeDatabase();
        const QString path = QDir(folder).filePath("list.csv");
        Write(path, list);
        arguments.replaceInStrings("FILE", path);
        arguments.replaceInStrings("DIR", folder);
        const TRun run = Admin(arguments);
        QCOMPARE(run.code, code);
        const QString text = run.out + run.err;
        QVERIFY2(text.contains(message), qPrintable(text));
        QCOMPARE(Count(folder, "select count(*) from participants"), 1);
    }

    void killedImportLeavesTheDatabaseAsItWas()
    {
        const QString admin = qEnvironmentVariable("QUORVEL_BUILD_DIR") + "/bin/quorvel-admin";
        if (!QFile::exists(admin))
            QSKIP("quorvel-admin is not built beside the tests (QUORVEL_BUILD_DIR)");
        const QString folder = MakeDatabase();
        const QString list = QDir(folder).filePath("big.csv");
        // Names one letter apart but nothing shared: all new, none a possible duplicate.
        QByteArray bytes = "Last name,First name,E-mail\n";
        for (int i = 0; i < 60000; ++i)
            bytes += QStringLiteral("Person%1,Pat,p@host%1.org\n").arg(i).toUtf8();
        Write(list, bytes);

        QProcess child;
        child.start(admin, {"import", list, folder, "--conference", "7"});
        QVERIFY(child.waitForStarted());
        QByteArray seen;
        const QDeadlineTimer deadline(120000);
        while (!seen.contains("Stored 1000 of") && child.state() == QProcess::Running &&
               !deadline.hasExpired()) {
            child.waitForReadyRead(100);
            seen += child.readAllStandardOutput();
        }
        QVERIFY2(child.state() == QProcess::Running, "the import ended before it could be killed");
        child.kill(); // SIGKILL: no clean-up of any kind runs
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QCOMPARE(Count(folder, "select count(*) from participants"), 1);
        QCOMPARE(Count(folder, "select count(*) from registrations"), 0);
        TConnection conn;
        conn.Open(QDir(folder).filePath("cme.mdb"));
        QCOMPARE(conn.ScalarQuery("pragma integrity_check").toString(), QString("ok"));
        conn.Close();
        // The same list imports whole afterwards.
        const TRun again = Admin({"import", list, folder});
        QCOMPARE(again.code, 0);
        QCOMPARE(Count(folder, "select count(*) from participants"), 60001);
    }
};

QTEST_MAIN(TstImportCommand)
#include "tst_importcommand.moc"
