#include "data/TBadgeCodes.h"
#include "db/TCollation.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "tools/TDatabaseCopy.h"
#include "db/TError.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <random>

// What only a shared server does: several stations on one database, its dialect on real rows,
// and a connection that breaks and comes back. Runs only with a test server (else skipped).
class TstServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void likeAndOrderInEveryAlphabet();
    void unreachableServerNamesTheHost();
    void explicitKeysDoNotBlockLaterRows();
    void otherStationsSignInsArriveWithoutAsking();
    void droppedConnectionIsToldThenReconnects();
    void twoStationsRaceOnTheSamePeople();
    void secondWriterWaitsForTheFirst();
    void doublesKeepEveryDigit();
    void copyToAFileAndBackKeepsEveryRow();

private:
    std::unique_ptr<TTempDatabase> m_db;
};

namespace {

constexpr int kPeople = 200;

// Kills the server session of a connection from another one, as a network failure would.
void DropSession(TTempDatabase& db, TConnection& victim)
{
    const QVariant pid = victim.ScalarQuery("select pg_backend_pid()");
    db.Conn().ScalarQuery("select pg_terminate_backend(?)", {pid});
}

} // namespace

void TstServer::init()
{
    m_db = std::make_unique<TTempDatabase>();
}

void TstServer::cleanup()
{
    m_db.reset();
}

void TstServer::likeAndOrderInEveryAlphabet()
{
    m_db->Exec("insert into participants (last_name) values ('Müller'), ('MÜLLER'), ('Øberg'), "
               "('øster'), ('Smith'), ('mueller'), ('Zoë'), ('zoe')");
    TConnection& conn = m_db->Conn();
    QCOMPARE(conn.ScalarQuery("select count(*) from participants where last_name like 'mü%'").toInt(), 2);
    QCOMPARE(conn.ScalarQuery("select count(*) from participants where last_name like 'Ø%'").toInt(), 2);
    QCOMPARE(conn.ScalarQuery("select count(*) from participants where last_name like ?", {"%ÖE"})
                 .toInt(), 0);
    // The server's order of names is the grids' order.
    TDataSet ds(conn, "Participants");
    ds.SetSQL("select * from participants order by last_name");
    ds.Open();
    QStringList names;
    for (int row = 0; row < ds.RecordCount(); ++row)
        names << ds.RowValue(row, ds.FieldByName("last_name").Index()).toString();
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return TCollation::Compare(a, b) < 0; });
    QCOMPARE(names, sorted);
}

void TstServer::unreachableServerNamesTheHost()
{
    QTemporaryDir dir;
    QFile ini(QDir(dir.path()).filePath("quorvel.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Database]\r\nDriver=postgresql\r\nHost=/nonexistent/quorvel\r\nPort=1\r\nName=cme\r\n");
    ini.close();
    TTestPrompts prompts;
    TDM dm(dir.path());
    QVERIFY(dm.OpenFailed);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown.first().kind, TPrompts::Kind::Plain);
    QVERIFY2(prompts.shown.first().text.contains("/nonexistent/quorvel"),
             qPrintable(prompts.shown.first().text));
}

void TstServer::explicitKeysDoNotBlockLaterRows()
{
    TConnection& conn = m_db->Conn();
    conn.Execute("insert into titles (title_id, t_name) values (5, 'MD')");
    conn.Execute("insert into titles (t_name) values ('RN')");
    QCOMPARE(conn.LastInsertRowId(), 6);
    conn.Execute("insert into conf_credits values (1, 2)");
    QCOMPARE(conn.ScalarQuery("select credit_id from conf_credits where conf_id = 1").toInt(), 2);
}

void TstServer::otherStationsSignInsArriveWithoutAsking()
{
    m_db->Exec("insert into participants (user_id, last_name) values (1, 'Smith'), (2, 'Jones')");
    m_db->Exec("insert into conferences (conf_id, conf_name, begin_date) values (7, 'Heart', "
               "'2005-03-07 09:00:00')");
    TTestPrompts prompts;
    TDM desk(m_db->Dir());
    QVERIFY(!desk.OpenFailed);
    desk.SignInParts->SetParam("conf_id", 7);
    desk.SignInParts->Open();
    QVERIFY(desk.SignInParts->Locate("user_id", 1));
    const qint64 fetches = desk.SignInParts->FetchCount();
    QSignalSpy told(desk.Conn, &TConnection::AttendancesChangedElsewhere);

    // Another station signs Jones in.
    m_db->Exec("insert into attendances (conf_id, user_id) values (7, 2)");
    QTRY_VERIFY(told.count() > 0);
    using TPairs = QList<std::pair<qint64, qint64>>;
    const TPairs expected{{7, 2}};
    QCOMPARE(told.first().first().value<TPairs>(), expected);
    const int jones = desk.SignInParts->FindRow("user_id", 2);
    QCOMPARE(desk.SignInParts->RowValue(jones, desk.SignInParts->FieldByName("signed_in").Index())
                 .toInt(),
             1);
    // Only that row was read; the person at the desk keeps the selected row.
    QCOMPARE(desk.SignInParts->FetchCount(), fetches);
    QCOMPARE(desk.SignInParts->FieldByName("user_id").AsInteger(), 1);
}

void TstServer::droppedConnectionIsToldThenReconnects()
{
    TConnection station;
    m_db->Open(station);
    // A half-done transaction is lost with the connection, never half written.
    station.BeginTransaction();
    station.Execute("insert into titles (t_name) values ('A')");
    DropSession(*m_db, station);
    try {
        station.Execute("insert into titles (t_name) values ('B')");
        QFAIL("a statement on a dropped connection succeeded");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains("lost"), qPrintable(e.Message()));
    }
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, station.Commit());
    station.Rollback();
    QVERIFY(!station.InTransaction());
    // The next action connects again.
    station.Execute("insert into titles (t_name) values ('C')");
    QCOMPARE(m_db->Conn().ScalarQuery("select group_concat(t_name) from titles").toString(),
             QString("C"));

    // A drop outside a transaction: the action that meets it is told, the next one works.
    DropSession(*m_db, station);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, station.ScalarQuery("select count(*) from titles"));
    QCOMPARE(station.ScalarQuery("select count(*) from titles").toInt(), 1);
}

void TstServer::twoStationsRaceOnTheSamePeople()
{
    m_db->Exec("insert into conferences (conf_id, conf_name, begin_date) values (1, 'Heart', "
               "'2005-03-07 09:00:00')");
    m_db->Exec(QStringLiteral("insert into participants (last_name) select 'P' || g from "
                              "generate_series(1, %1) g").arg(kPeople));
    QList<QProcess*> stations;
    for (int seed : {1, 2}) {
        auto* p = new QProcess(this);
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QCoreApplication::applicationFilePath(),
                 {"--station", m_db->Dir(), QString::number(seed)});
        stations << p;
    }
    for (QProcess* p : stations) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
    }
    QCOMPARE(m_db->Conn().ScalarQuery("select count(*) from attendances").toInt(), kPeople);
    QCOMPARE(m_db->Conn().ScalarQuery("select count(distinct user_id) from attendances").toInt(),
             kPeople);
}

void TstServer::secondWriterWaitsForTheFirst()
{
    TTestPrompts prompts;
    TConnection first, second;
    m_db->Open(first);
    m_db->Open(second);
    first.BeginTransaction();
    first.Execute("insert into titles (t_name) values ('A')");
    // While the first station's write transaction is open, the second one's cannot begin: it
    // waits until its time is up and asks; the answer Cancel gives up.
    second.SetBusyTimeout(200);
    prompts.QueueChoice(TPrompts::Answer::Cancel);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, second.BeginTransaction());
    QVERIFY(!second.InTransaction());
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY2(prompts.LastText().contains("another station is writing"),
             qPrintable(prompts.LastText()));
    // Once the first one commits, the second begins at once and sees its row.
    first.Commit();
    second.BeginTransaction();
    second.Execute("insert into titles (t_name) values ('B')");
    second.Commit();
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(m_db->Conn().ScalarQuery("select count(*) from titles").toInt(), 2);

    // A write sent with its transaction in one message waits for the lock in the same way,
    // and what fails leaves the station out of any transaction, with nothing stored.
    const QString insert = QStringLiteral("insert into attendances (conf_id, user_id) values "
                                          "(?, ?) on conflict do nothing returning user_id");
    first.BeginTransaction();
    first.Execute("insert into titles (t_name) values ('C')");
    prompts.QueueChoice(TPrompts::Answer::Cancel);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, second.WriteAndRead(insert, {1, 7}));
    QCOMPARE(prompts.shown.size(), 2);
    first.Commit();
    QCOMPARE(second.WriteAndRead(insert, {1, 7}), QVariantList{7});
    QCOMPARE(second.WriteAndRead(insert, {1, 7}), QVariantList{});
    QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                             second.WriteAndRead("insert into attendances (conf_id, user_id) "
                                                 "values (1, 8), (1, 8) returning user_id"));
    QCOMPARE(second.ScalarQuery("select count(*) from attendances").toInt(), 1);
    // Inside an open transaction it is a part of it.
    second.BeginTransaction();
    QCOMPARE(second.WriteAndRead(insert, {1, 9}), QVariantList{9});
    second.Rollback();
    QCOMPARE(m_db->Conn().ScalarQuery("select count(*) from attendances").toInt(), 1);
}

void TstServer::doublesKeepEveryDigit()
{
    TConnection& conn = m_db->Conn();
    // Every server table has the row key the engine reads back after an insert.
    m_db->Exec("create table measures (rowid bigint generated by default as identity, n integer, "
               "v double precision)");
    const QList<double> values{1234.56789012345, 0.1 + 0.2, 6.02214076e23, -9.87654321e-7,
                               1.0 / 3.0};
    for (qsizetype i = 0; i < values.size(); ++i) {
        const double value = values.at(i);
        const QString exact = QString::number(value, 'g', 17);
        QCOMPARE(QString::number(
                     conn.ScalarQuery("select cast(? as double precision)", {value}).toDouble(),
                     'g', 17),
                 exact);
        conn.Execute("insert into measures (n, v) values (?, ?)", {int(i), value});
    }
    for (qsizetype i = 0; i < values.size(); ++i)
        QCOMPARE(QString::number(
                     conn.ScalarQuery("select v from measures where n = ?", {int(i)}).toDouble(),
                     'g', 17),
                 QString::number(values.at(i), 'g', 17));
}

void TstServer::copyToAFileAndBackKeepsEveryRow()
{
    m_db->Exec("insert into titles (title_id, t_name) values (3, 'MD'), (9, 'RN')");
    m_db->Exec("insert into conferences (conf_id, conf_name, begin_date, units) values (4, "
               "'Ärztetag ''25', '2005-03-07 09:00:00', 1.25)");
    m_db->Exec("insert into attendances (conf_id, user_id, sign_in_date) values (4, 1, "
               "'2005-03-07 08:59:59')");
    m_db->Exec("insert into participants (user_id, last_name, badge_code) values (1, 'Adams', "
               "'QV-0000-0000-0001')");
    m_db->Exec("insert into replaced_badges (badge_code, user_id) values ('QV-0000-0000-0000', "
               "1) returning user_id");
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath("cme.mdb");
    {
        TConnection target;
        target.OpenForCreate(file);
        TDatabaseCopy::Copy(m_db->Conn(), target);
    }
    TConnection copy;
    copy.Open(file);
    QCOMPARE(copy.ScalarQuery("select conf_name || '|' || begin_date || '|' || units from "
                              "conferences").toString(),
             QString("Ärztetag '25|2005-03-07 09:00:00|1.25"));
    QCOMPARE(copy.ScalarQuery("select sign_in_date from attendances").toString(),
             QString("2005-03-07 08:59:59"));
    // Back onto the server: refused where the tables are, accepted on an empty database whose
    // keys then continue after the copied ones.
    QVERIFY_THROWS_EXCEPTION(EOperationError, TDatabaseCopy::Copy(copy, m_db->Conn()));
    m_db->Exec("drop schema public cascade; create schema public");
    TDatabaseCopy::Copy(copy, m_db->Conn());
    m_db->Exec("insert into titles (t_name) values ('DO')");
    QCOMPARE(m_db->Conn().LastInsertRowId(), 10);
    QCOMPARE(m_db->Conn().ScalarQuery("select count(*) from attendances").toInt(), 1);
    // The server has its statistics at once, so its first plans use the indexes.
    QVERIFY(m_db->Conn()
                .ScalarQuery("select count(*) from pg_stats where schemaname = current_schema() "
                             "and tablename = 'attendances'")
                .toInt() > 0);
    // The badge codes, the replaced one too, went there and back.
    QCOMPARE(copy.ScalarQuery("select badge_code from participants").toString(),
             QString("QV-0000-0000-0001"));
    QCOMPARE(m_db->Conn()
                 .ScalarQuery("select badge_code || ' ' || user_id from replaced_badges")
                 .toString(),
             QString("QV-0000-0000-0000 1"));
    QCOMPARE(m_db->Conn().ScalarQuery("select badge_code from participants").toString(),
             QString("QV-0000-0000-0001"));
}

// One sign-in station: signs in every person of conference 1, in its own order, through the
// data module as the desk does. Exit code 0 when no sign-in failed.
static int RunStation(const QString& dir, int seed)
{
    TTestPrompts prompts;
    TDM dm(dir);
    if (dm.OpenFailed)
        return 2;
    std::vector<int> people(kPeople);
    for (int i = 0; i < kPeople; ++i)
        people[size_t(i)] = i + 1;
    std::shuffle(people.begin(), people.end(), std::mt19937(unsigned(seed)));
    if (!dm.Conferences->Locate("conf_id", 1))
        return 3;
    // The second station scans badges, the first signs people in by name.
    TBadgeCodes badges(*dm.Conn);
    const QHash<int, QString> codes =
        seed == 2 ? badges.CodesFor(QList<int>(people.begin(), people.end())) : QHash<int, QString>();
    for (int user : people) {
        if (!dm.Participants->Locate("user_id", user))
            return 4;
        try {
            if (codes.isEmpty())
                dm.AddAttendance();
            else if (dm.AddAttendanceByBadge(1, codes.value(user), badges).result ==
                     TDM::TSignIn::NotInDatabase)
                return 7;
        } catch (const TError& e) {
            std::fprintf(stderr, "station %d: %s\n", seed, qPrintable(e.Message()));
            return 5;
        }
    }
    return prompts.shown.isEmpty() ? 0 : 6;
}

int main(int argc, char** argv)
{
    // Always on the server; without one every case is skipped.
    qputenv("QUORVEL_TEST_ENGINE", "postgresql");
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--station") == 0)
        return RunStation(QString::fromLocal8Bit(argv[2]), atoi(argv[3]));
    TstServer test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_server.moc"
