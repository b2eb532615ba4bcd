#include "tools/TAdminCommand.h"
#include "TAdminRun.h"
#include "db/TConnection.h"
#include "support/TJetFixture.h"
#include "tools/TJetImport.h"
#include "db/TSchema.h"
#include "support/TTempDatabase.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>

#include <sqlite3.h>

#include <csignal>

namespace
{

// Every file of a folder with a hash of its bytes: "the folder as it was".
QMap<QString, QByteArray> Snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(QDir(folder).filePath(name));
        file.open(QIODevice::ReadOnly);
        files.insert(name, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
    }
    return files;
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A folder holding an office's Jet cme.mdb (checked with the mdb tools), an older binary
// cme.rav and a quorvel.ini of ours.
void MakeOffice(const QString& folder, TJetWriter& writer, const TJetFixture::TSize& size)
{
    TJetFixture::BuildOffice(writer, size);
    const QString path = QDir(folder).filePath("cme.mdb");
    writer.Write(path);
    const QString differs = TJetFixture::CheckWithMdbTools(writer, path);
    QVERIFY2(differs.isEmpty(), qPrintable("the fixture itself is wrong: " + differs));
    WriteBytes(QDir(folder).filePath("cme.rav"), QByteArray("RAV\x00\x01\x02old binary", 17));
    WriteBytes(QDir(folder).filePath("quorvel.ini"), "[Mail]\r\nFrom=office@example.org\r\n");
}

// Compares every value of every table with what the writer was given. Returns what differs.
QString CompareAll(const TJetWriter& writer, sqlite3* db,
                   const QMap<QString, QSet<int>>& leftOut = {})
{
    for (const QString& table : TSchema::TableNames()) {
        const QList<QVariantList> rows = writer.Rows(table);
        const QString sql = "select " + TSchema::ColumnNames(table).join(", ") + " from " + table +
                            " order by rowid";
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
        int r = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            while (leftOut.value(table).contains(r))
                ++r;
            if (r >= rows.size()) {
                sqlite3_finalize(st);
                return table + " has more rows than the file";
            }
            const QVariantList& expected = rows.at(r);
            for (int c = 0; c < expected.size(); ++c) {
                const QVariant& v = expected.at(c);
                const bool isNull = sqlite3_column_type(st, c) == SQLITE_NULL;
                const QString got =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
                bool same = false;
                if (v.isNull())
                    same = isNull;
                else if (v.typeId() == QMetaType::QDateTime)
                    same = got == v.toDateTime().toString("yyyy-MM-dd HH:mm:ss");
                else if (v.typeId() == QMetaType::Double)
                    same = !isNull && sqlite3_column_double(st, c) == v.toDouble();
                else
                    same = !isNull && got == v.toString();
                if (!same) {
                    sqlite3_finalize(st);
                    return QString("%1 row %2 column %3: \"%4\" instead of \"%5\"")
                        .arg(table)
                        .arg(r)
                        .arg(c)
                        .arg(got, v.toString());
                }
            }
            ++r;
        }
        sqlite3_finalize(st);
        while (leftOut.value(table).contains(r))
            ++r;
        if (r != rows.size())
            return QString("%1 holds %2 rows, the file %3").arg(table).arg(r).arg(rows.size());
    }
    return {};
}

} // namespace

class TstJetImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void officeFileComesAcrossValueByValue();
    void refusedValuesAreListedAndChosen();
    void killedImportLeavesTheFolderAsItWas();
    void otherFilesAreRefused_data();
    void otherFilesAreRefused();
    void importsOntoTheServer();
};

void TstJetImport::initTestCase()
{
    if (QStandardPaths::findExecutable("mdb-export").isEmpty())
        QSKIP("the mdb tools (package mdbtools) are not installed: the fixtures cannot be checked");
}

void TstJetImport::officeFileComesAcrossValueByValue()
{
    if (TTempDatabase::OnServer())
        QSKIP("a file case: the server case is importsOntoTheServer");
    QTemporaryDir dir;
    TJetWriter writer;
    MakeOffice(dir.path(), writer, {});
    const QMap<QString, QByteArray> before = Snapshot(dir.path());

    const TRun run = Admin({"import-mdb", QDir(dir.path()).filePath("cme.mdb"), dir.path()});
    QVERIFY2(run.code == 0, qPrintable(run.err + run.out));
    QVERIFY2(run.out.contains("participants: 2000 rows") &&
                 run.out.contains("attendances: 20000 rows"),
             qPrintable(run.out));
    QVERIFY2(run.out.contains("kept as cme-old.rav"), qPrintable(run.out));

    // The original and the old reports are kept byte for byte; the settings are untouched.
    const QMap<QString, QByteArray> after = Snapshot(dir.path());
    QCOMPARE(after.keys(),
             QStringList({"cme-jet.mdb", "cme-old.rav", "cme.mdb", "cme.rav", "quorvel.ini"}));
    QCOMPARE(after.value("cme-jet.mdb"), before.value("cme.mdb"));
    QCOMPARE(after.value("cme-old.rav"), before.value("cme.rav"));
    QCOMPARE(after.value("quorvel.ini"), before.value("quorvel.ini"));
    QVERIFY(TJetImport::IsOurReportProject(QDir(dir.path()).filePath("cme.rav")));

    TConnection conn;
    conn.Open(QDir(dir.path()).filePath("cme.mdb"));
    const QString differs = CompareAll(writer, conn.Handle());
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
    // Keys go on after the highest one.
    conn.Execute("insert into participants (last_name) values ('New')");
    QCOMPARE(conn.LastInsertRowId(), 2001);
    conn.Execute("insert into conferences (conf_name) values ('New')");
    QCOMPARE(conn.LastInsertRowId(), 301);

    // A second run finds nothing to import in place of the new file.
    const TRun again = Admin({"import-mdb", QDir(dir.path()).filePath("cme-jet.mdb"), dir.path()});
    QCOMPARE(again.code, 1);
}

void TstJetImport::refusedValuesAreListedAndChosen()
{
    if (TTempDatabase::OnServer())
        QSKIP("a file case");
    QTemporaryDir dir;
    TJetWriter writer;
    // Every text as plain UCS-2 here; the office file has the compressed form.
    writer.compressText = false;
    TJetFixture::BuildSmall(writer);
    // A long text (the old file allowed 40 characters), units over 99.99, a pair twice.
    writer.AddRow("participants",
                  {13, QString(31, u'x'), "Anna", QVariant(), QVariant(), QVariant(), QVariant(),
                   QVariant(), QVariant(), QVariant(), QVariant(), 1, QVariant()});
    writer.AddRow("conferences", {6, "Too many units", QDateTime(QDate(2006, 1, 2), QTime(9, 0)),
                                  QVariant(), QVariant(), 100.0});
    writer.AddRow("attendances", {1, 12, QVariant()});
    const QVariantList first = writer.Rows("attendances").first();
    writer.AddRow("attendances", {first.at(0), first.at(1), QVariant()});
    const QString path = QDir(dir.path()).filePath("cme.mdb");
    writer.Write(path);
    QVERIFY(TJetFixture::CheckWithMdbTools(writer, path).isEmpty());
    const QMap<QString, QByteArray> before = Snapshot(dir.path());

    const TRun stop = Admin({"import-mdb", path, dir.path()});
    QCOMPARE(stop.code, 1);
    for (const char* line :
         {"participants, user_id 13: last_name is longer than 30 characters (31)",
          "conferences, conf_id 6: units is outside 0 to 99.99 (100.00)",
          "attendances, conf_id 1, user_id 1: the pair appears twice"})
        QVERIFY2(stop.out.contains(QString::fromUtf8(line)), qPrintable(stop.out));
    QVERIFY2(stop.err.contains("--skip-refused"), qPrintable(stop.err));
    QCOMPARE(Snapshot(dir.path()), before);

    const TRun rest = Admin({"import-mdb", path, dir.path(), "--skip-refused"});
    QVERIFY2(rest.code == 0, qPrintable(rest.err + rest.out));
    TConnection conn;
    conn.Open(path);
    const int attendances = writer.RowCount("attendances");
    const QString differs = CompareAll(
        writer, conn.Handle(),
        {{"participants", {12}}, {"conferences", {5}}, {"attendances", {attendances - 1}}});
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
}

void TstJetImport::killedImportLeavesTheFolderAsItWas()
{
    if (TTempDatabase::OnServer())
        QSKIP("a file case");
    QTemporaryDir dir;
    TJetWriter writer;
    MakeOffice(dir.path(), writer, {4000, 600, 60000});
    const QMap<QString, QByteArray> before = Snapshot(dir.path());
    const QString admin = qEnvironmentVariable("QUORVEL_BUILD_DIR") + "/bin/quorvel-admin";
    QVERIFY2(QFile::exists(admin), qPrintable(admin));
    const QString temporary = QDir(dir.path()).filePath(TJetImport::TemporaryName());

    QProcess child;
    child.start(admin, {"import-mdb", QDir(dir.path()).filePath("cme.mdb"), dir.path()});
    QVERIFY(child.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    // Killed while the rows are being written (the log of the new file grows).
    const QString log = temporary + "-wal";
    while (QFileInfo(log).size() == 0 && child.state() == QProcess::Running &&
           waited.elapsed() < 60000)
        QThread::usleep(200);
    QVERIFY2(QFileInfo(log).size() > 0, "the import ended before it was killed");
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished();

    // The folder is as it was, but for the clearly named temporary file.
    QMap<QString, QByteArray> after = Snapshot(dir.path());
    for (const QString& name : after.keys())
        if (name.startsWith(TJetImport::TemporaryName()))
            after.remove(name);
    QCOMPARE(after, before);

    // The next import removes what was left and finishes.
    const TRun run = Admin({"import-mdb", QDir(dir.path()).filePath("cme.mdb"), dir.path()});
    QVERIFY2(run.code == 0, qPrintable(run.err + run.out));
    for (const QString& name : Snapshot(dir.path()).keys())
        QVERIFY2(!name.startsWith(TJetImport::TemporaryName()), qPrintable(name));
}

void TstJetImport::otherFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text") << QByteArray("Last name;First name\r\nSmith;Anna\r\n");
    QTest::newRow("jet header only") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20);
}

void TstJetImport::otherFilesAreRefused()
{
    if (TTempDatabase::OnServer())
        QSKIP("a file case");
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("cme.mdb");
    WriteBytes(path, bytes);
    const QMap<QString, QByteArray> before = Snapshot(dir.path());
    const TRun run = Admin({"import-mdb", path, dir.path()});
    QCOMPARE(run.code, 1);
    QVERIFY2(run.err.contains("Jet"), qPrintable(run.err));
    QCOMPARE(Snapshot(dir.path()), before);
}

void TstJetImport::importsOntoTheServer()
{
    if (!TTempDatabase::OnServer())
        QSKIP("runs as tst_jetimport_pg on the private PostgreSQL server");
    TTempDatabase server;
    server.Exec("drop schema public cascade; create schema public");
    QTemporaryDir dir;
    TJetWriter writer;
    MakeOffice(dir.path(), writer, {200, 30, 2000});
    const QString jet = QDir(dir.path()).filePath("cme.mdb");
    const QByteArray original = Snapshot(dir.path()).value("cme.mdb");

    const TRun run =
        Admin({"import-mdb", jet, dir.path(), "--postgresql", server.ServerConnectText()});
    QVERIFY2(run.code == 0, qPrintable(run.err + run.out));
    QCOMPARE(Snapshot(dir.path()).value("cme.mdb"), original);
    QCOMPARE(server.Conn().ScalarQuery("select count(*) from attendances").toInt(), 2000);
    QCOMPARE(server.Conn()
                 .ScalarQuery("select last_name from participants where user_id = 9")
                 .toString(),
             QString::fromUtf8("Smile 😀"));
    QCOMPARE(
        server.Conn().ScalarQuery("select units from conferences where conf_id = 5").toDouble(),
        1.25);
    server.Exec("insert into participants (last_name) values ('New')");
    QCOMPARE(server.Conn().LastInsertRowId(), 201);
}

QTEST_GUILESS_MAIN(TstJetImport)
#include "tst_jetimport.moc"
