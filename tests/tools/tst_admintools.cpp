#include "tools/TAdminCommand.h"
#include "TAdminRun.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "tools/TDemoBuilder.h"
#include "db/TError.h"
#include "tools/TNewDatabase.h"
#include "db/TSchema.h"
#include "tools/TSynthBuilder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <sqlite3.h>

#include <cmath>

namespace
{

// Every row of a query as texts (null as a null QString), straight from the engine.
QList<QStringList> Rows(TConnection& conn, const QString& sql)
{
    QList<QStringList> rows;
    sqlite3_stmt* statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(conn.Handle(), utf8.constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(conn.Handle())) + u": " + sql);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            row << (text ? QString::fromUtf8(text) : QString());
        }
        rows << row;
    }
    sqlite3_finalize(statement);
    return rows;
}

qint64 Count(TConnection& conn, const QString& sql)
{
    return Rows(conn, sql).value(0).value(0).toLongLong();
}

constexpr auto RunCommand = &Admin;

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TstAdminTools : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_case = 0;

    // A folder of its own for every case, not yet created.
    QString NewFolder()
    {
        return QDir(m_dir.path()).filePath(QStringLiteral("case%1").arg(++m_case));
    }

    // A synthetic database of these sizes in a new folder, opened on conn.
    void Synth(TConnection& conn, int participants, int conferences, int attendances, int speakers)
    {
        const QString folder = NewFolder();
        TSynthBuilder::TOptions options;
        options.participants = participants;
        options.conferences = conferences;
        options.attendances = attendances;
        options.speakers = speakers;
        TSynthBuilder(options).Build(folder);
        conn.Open(QDir(folder).filePath(QStringLiteral("cme.mdb")));
    }

    // The tables and columns, in order, and the indexes, as the schema declares them.
    void VerifySchema(TConnection& conn)
    {
        for (const QString& table : TSchema::TableNames()) {
            QStringList columns;
            for (const QStringList& row :
                 Rows(conn, QStringLiteral("PRAGMA table_info(%1)").arg(table)))
                columns << row.at(1);
            // New files also carry the badge codes, which older files gain when first used.
            QStringList expected = TSchema::ColumnNames(table);
            if (table == u"participants")
                expected << QStringLiteral("badge_code");
            QCOMPARE(columns, expected);
        }
        QCOMPARE(TSchema::TableNames().size(), 11);
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from sqlite_master where type = "
                                            "'index' and substr(name, 1, 3) = 'ix_'")),
                 qint64(TNewDatabase::IndexStatements().size()));
    }

    // Checks that hold for every generated database.
    void VerifyConsistent(TConnection& conn, int currentYear)
    {
        // One row per pair.
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from (select conf_id, user_id from "
                                            "attendances group by conf_id, user_id having "
                                            "count(*) > 1)")),
                 qint64(0));
        // Every link points at an existing row.
        QCOMPARE(Count(conn, QStringLiteral(
                                 "select count(*) from attendances a where not exists (select 1 "
                                 "from conferences c where c.conf_id = a.conf_id) or not exists "
                                 "(select 1 from participants p where p.user_id = a.user_id)")),
                 qint64(0));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from conf_speakers l where not "
                                            "exists (select 1 from speakers s where s.speak_id = "
                                            "l.speak_id)")),
                 qint64(0));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from conf_credits l where not "
                                            "exists (select 1 from credits c where c.credit_id = "
                                            "l.credit_id)")),
                 qint64(0));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from conf_extras l where not exists "
                                            "(select 1 from extras e where e.extra_id = "
                                            "l.extra_id)")),
                 qint64(0));
        // Every conference has 1-3 speakers, 1-3 credit types and 0-2 extras, none twice.
        const QString perConference = QStringLiteral(
            "select count(*) from conferences c where (select count(*) from %1 l where l.conf_id "
            "= c.conf_id) not between %2 or (select count(distinct %3) from %1 l where l.conf_id "
            "= c.conf_id) <> (select count(*) from %1 l where l.conf_id = c.conf_id)");
        QCOMPARE(
            Count(conn, perConference.arg(QStringLiteral("conf_speakers"),
                                          QStringLiteral("1 and 3"), QStringLiteral("speak_id"))),
            qint64(0));
        QCOMPARE(
            Count(conn, perConference.arg(QStringLiteral("conf_credits"), QStringLiteral("1 and 3"),
                                          QStringLiteral("credit_id"))),
            qint64(0));
        QCOMPARE(
            Count(conn, perConference.arg(QStringLiteral("conf_extras"), QStringLiteral("0 and 2"),
                                          QStringLiteral("extra_id"))),
            qint64(0));

        // Conferences: the three years, 08:00-10:00 on a weekday, ending later the same day,
        // units 1 to 8 in quarters.
        const QRegularExpression stamp(
            QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
        QSet<int> years;
        for (const QStringList& row :
             Rows(conn, QStringLiteral("select begin_date, end_date, units, conf_name from "
                                       "conferences"))) {
            QVERIFY2(stamp.match(row.at(0)).hasMatch(), qPrintable(row.at(0)));
            QVERIFY2(stamp.match(row.at(1)).hasMatch(), qPrintable(row.at(1)));
            const QDateTime begin =
                QDateTime::fromString(row.at(0), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            const QDateTime end =
                QDateTime::fromString(row.at(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            years.insert(begin.date().year());
            QVERIFY(begin.date().dayOfWeek() <= 5);
            QVERIFY2(begin.time() >= QTime(8, 0) && begin.time() <= QTime(10, 0),
                     qPrintable(row.at(0)));
            QCOMPARE(end.date(), begin.date());
            QVERIFY(end > begin);
            const double units = row.at(2).toDouble();
            QVERIFY2(units >= 1 && units <= 8 && units * 4 == std::floor(units * 4),
                     qPrintable(row.at(2)));
            QVERIFY(!row.at(3).isEmpty() && row.at(3).size() <= 100);
        }
        QCOMPARE(years, (QSet<int>{currentYear - 2, currentYear - 1, currentYear}));

        // Sign-in near the conference's beginning, in the storage form.
        for (const QStringList& row :
             Rows(conn, QStringLiteral("select a.sign_in_date, c.begin_date from attendances a, "
                                       "conferences c where a.conf_id = c.conf_id"))) {
            QVERIFY2(stamp.match(row.at(0)).hasMatch(), qPrintable(row.at(0)));
            const QDateTime signIn =
                QDateTime::fromString(row.at(0), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            const QDateTime begin =
                QDateTime::fromString(row.at(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            QVERIFY2(qAbs(begin.secsTo(signIn)) <= 3600, qPrintable(row.join(u' ')));
        }

        // Participants: digits-only phone and fax of 10 or 11 digits, two-letter states, known
        // mail types, every text within its column's size.
        const QRegularExpression digits(QStringLiteral("^\\d{10,11}$"));
        const QRegularExpression state(QStringLiteral("^[A-Z]{2}$"));
        for (const QStringList& row :
             Rows(conn, QStringLiteral("select phone, fax, state, mail_type, last_name, "
                                       "first_name, email, zip from participants"))) {
            for (int i : {0, 1})
                QVERIFY2(row.at(i).isNull() || digits.match(row.at(i)).hasMatch(),
                         qPrintable(row.at(i)));
            QVERIFY2(state.match(row.at(2)).hasMatch(), qPrintable(row.at(2)));
            QVERIFY(QSet<QString>({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")})
                        .contains(row.at(3)));
            QVERIFY(!row.at(4).isEmpty() && row.at(4).size() <= 30);
            QVERIFY(!row.at(5).isEmpty() && row.at(5).size() <= 30);
            QVERIFY(row.at(6).size() <= 50);
            QVERIFY(row.at(7).size() <= 10);
        }
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void initCreatesEmptyDatabaseWithFullSchema()
    {
        const QString folder = NewFolder() + QStringLiteral("/nested/deeper");
        const TRun run = RunCommand({QStringLiteral("init"), folder});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        const QString path = QDir(folder).filePath(QStringLiteral("cme.mdb"));
        QVERIFY(run.out.contains(QDir(folder).absolutePath()));
        // The default report project beside it.
        QVERIFY(FileBytes(QDir(folder).filePath(QStringLiteral("cme.rav"))).contains("@report TranscriptReport"));

        TConnection conn;
        conn.Open(path); // checks the tables the program needs
        QCOMPARE(conn.JournalMode(), QStringLiteral("wal"));
        VerifySchema(conn);
        for (const QString& table : TSchema::TableNames())
            QCOMPARE(Count(conn, QStringLiteral("select count(*) from %1").arg(table)), qint64(0));
        // The pair rule is kept by the database as well.
        conn.Execute(QStringLiteral("insert into attendances (conf_id, user_id) values (1, 1)"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 conn.Execute(QStringLiteral(
                                     "insert into attendances (conf_id, user_id) values (1, 1)")));
    }

    void existingDatabaseIsNeverOverwritten_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("init") << QStringList{QStringLiteral("init")};
        QTest::newRow("demo") << QStringList{QStringLiteral("demo")};
        QTest::newRow("synth") << QStringList{
            QStringLiteral("synth"), QStringLiteral("--participants=10"),
            QStringLiteral("--conferences=5"), QStringLiteral("--attendances=20"),
            QStringLiteral("--speakers=3")};
    }

    void existingDatabaseIsNeverOverwritten()
    {
        QFETCH(QStringList, arguments);
        const QString folder = NewFolder();
        QVERIFY(QDir().mkpath(folder));
        const QString path = QDir(folder).filePath(QStringLiteral("cme.mdb"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("precious data");
        }
        const TRun run = RunCommand(arguments << folder);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("already exists")), qPrintable(run.err));
        QVERIFY(run.err.contains(path));
        QCOMPARE(FileBytes(path), QByteArray("precious data"));
        QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("quorvel.ini"))));
        QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("cme.rav"))));
    }

    void journalSwitchesAnExistingFile()
    {
        const QString folder = NewFolder();
        QCOMPARE(RunCommand({QStringLiteral("init"), folder}).code, 0);
        const QString path = QDir(folder).filePath(QStringLiteral("cme.mdb"));
        for (const QString& mode : {QStringLiteral("delete"), QStringLiteral("wal")}) {
            const TRun run = RunCommand({QStringLiteral("journal"), path, mode.toUpper()});
            QVERIFY2(run.code == 0, qPrintable(run.err));
            TConnection conn;
            conn.Open(path);
            QCOMPARE(conn.JournalMode(), mode);
        }
        // Held open by another program, a file cannot leave WAL: said, not pretended.
        TConnection holder;
        holder.Open(path);
        holder.ScalarQuery(QStringLiteral("select count(*) from conferences"));
        const TRun refused = RunCommand({QStringLiteral("journal"), path, QStringLiteral("delete")});
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.contains(QStringLiteral("another program")), qPrintable(refused.err));
    }

    void wrongUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("usageOnStdout");
        QTest::newRow("nothing") << QStringList() << false;
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << true;
        QTest::newRow("unknown command") << QStringList{QStringLiteral("create")} << false;
        QTest::newRow("two folders")
            << QStringList{QStringLiteral("init"), QStringLiteral("a"), QStringLiteral("b")}
            << false;
        QTest::newRow("option for init")
            << QStringList{QStringLiteral("init"), QStringLiteral("--force")} << false;
        QTest::newRow("unknown synth option")
            << QStringList{QStringLiteral("synth"), QStringLiteral("--users"), QStringLiteral("5")}
            << false;
        QTest::newRow("not a number")
            << QStringList{QStringLiteral("synth"), QStringLiteral("--participants"),
                           QStringLiteral("many")}
            << false;
        QTest::newRow("negative") << QStringList{QStringLiteral("synth"),
                                                 QStringLiteral("--conferences=-3")}
                                  << false;
        QTest::newRow("missing value")
            << QStringList{QStringLiteral("synth"), QStringLiteral("--speakers")} << false;
        QTest::newRow("journal without mode")
            << QStringList{QStringLiteral("journal"), QStringLiteral("cme.mdb")} << false;
        QTest::newRow("unknown journal mode")
            << QStringList{QStringLiteral("journal"), QStringLiteral("cme.mdb"),
                           QStringLiteral("truncate")}
            << false;
    }

    void wrongUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, usageOnStdout);
        const QString before = QDir::currentPath();
        const TRun run = RunCommand(arguments);
        QCOMPARE(run.code, 2);
        QVERIFY((usageOnStdout ? run.out : run.err).contains(QStringLiteral("Usage:")));
        // Nothing was created in the current folder.
        QVERIFY(!QFile::exists(QDir(before).filePath(QStringLiteral("cme.mdb"))));
    }

    void demoBuildsRealisticDatabaseAndSettings()
    {
        const QString folder = NewFolder();
        const int year = QDate::currentDate().year();
        TDemoBuilder().Build(folder);

        TConnection conn;
        conn.Open(QDir(folder).filePath(QStringLiteral("cme.mdb")));
        VerifySchema(conn);
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from conferences")),
                 qint64(TDemoBuilder::ConferenceCount));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from speakers")),
                 qint64(TDemoBuilder::SpeakerCount));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from participants")),
                 qint64(TDemoBuilder::ParticipantCount));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from attendances")),
                 qint64(TDemoBuilder::AttendanceCount));
        QCOMPARE(Rows(conn, QStringLiteral("select c_name from credits order by credit_id")),
                 (QList<QStringList>{{QStringLiteral("CME")},
                                     {QStringLiteral("AMA-1")},
                                     {QStringLiteral("ANCC")},
                                     {QStringLiteral("AAFP")},
                                     {QStringLiteral("ACPE")},
                                     {QStringLiteral("CEU")}}));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from titles")), qint64(7));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from specialities")), qint64(12));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from extras")), qint64(10));
        VerifyConsistent(conn, year);

        // The latest conferences have nobody signed in yet; the others all have someone.
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from conferences c where not exists "
                                            "(select 1 from attendances a where a.conf_id = "
                                            "c.conf_id)")),
                 qint64(TDemoBuilder::UpcomingCount));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from (select conf_id from "
                                            "conferences order by begin_date desc limit %1) l "
                                            "where exists (select 1 from attendances a where "
                                            "a.conf_id = l.conf_id)")
                                 .arg(TDemoBuilder::UpcomingCount)),
                 qint64(0));

        // Names that test the program's handling of accents and apostrophes, stored as UTF-8.
        for (const QString& name :
             {QStringLiteral("O'Brien"), QStringLiteral("Müller"), QStringLiteral("Østberg")})
            QVERIFY2(Count(conn, QStringLiteral("select count(*) from participants where "
                                                "last_name = '%1'")
                                     .arg(QString(name).replace(u'\'', QStringLiteral("''")))) > 0,
                     qPrintable(name));
        // The variety the pages must cope with: missing and empty e-mail, missing title and
        // speciality, every mail type, e-mail wanted without an address.
        QVERIFY(Count(conn,
                      QStringLiteral("select count(*) from participants where email is null")) > 0);
        QVERIFY(Count(conn, QStringLiteral("select count(*) from participants where email = ''")) >
                0);
        QVERIFY(Count(conn, QStringLiteral(
                                "select count(*) from participants where title_id is null")) > 0);
        QVERIFY(Count(conn, QStringLiteral(
                                "select count(*) from participants where spec_id is null")) > 0);
        QCOMPARE(Count(conn, QStringLiteral("select count(distinct mail_type) from participants")),
                 qint64(3));
        QVERIFY(Count(conn, QStringLiteral("select count(*) from participants where mail_type = 1 "
                                           "and (email is null or email = '')")) > 0);
        // Most have an address; no two participants share a name.
        QVERIFY(Count(conn, QStringLiteral(
                                "select count(*) from participants where instr(email, '@') > 1")) >
                TDemoBuilder::ParticipantCount * 3 / 4);
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from (select last_name, first_name "
                                            "from participants group by last_name, first_name "
                                            "having count(*) > 1)")),
                 qint64(0));
        // Titles such as "Cardiology Update 2026" carry the year they take place in.
        QCOMPARE(
            Count(conn, QStringLiteral("select count(*) from conferences where instr(conf_name, "
                                       "' Update ') > 0 and substr(conf_name, -4) <> "
                                       "substr(begin_date, 1, 4)")),
            qint64(0));

        TConfig config(QDir(folder).filePath(QStringLiteral("quorvel.ini")));
        QCOMPARE(config.ReadInteger(QStringLiteral("Mail"), QStringLiteral("HandlerType"), 0), 1);
        QVERIFY(config.ReadString(QStringLiteral("Mail"), QStringLiteral("From")).contains(u'@'));
        QVERIFY(!config.ReadString(QStringLiteral("Mail"), QStringLiteral("Subject")).isEmpty());
        QCOMPARE(config.ReadString(QStringLiteral("SMTP"), QStringLiteral("Host")),
                 QStringLiteral("localhost"));
        QCOMPARE(config.ReadInteger(QStringLiteral("SMTP"), QStringLiteral("Port"), 0), 25);
        QCOMPARE(config.ReadInteger(QStringLiteral("SMTP"), QStringLiteral("AuthType"), -1), 0);
        for (const QString& section :
             {QStringLiteral("Body"), QStringLiteral("Header"), QStringLiteral("Footer")})
            QVERIFY2(config.ReadList(section).size() >= 2, qPrintable(section));
    }

    void demoIsDeterministicAndFollowsTheYear()
    {
        const QString first = NewFolder();
        const QString second = NewFolder();
        TDemoBuilder(2030).Build(first);
        TDemoBuilder(2030).Build(second);
        const QString dump = QStringLiteral(
            "select p.last_name, p.first_name, p.email, c.conf_name, c.begin_date, "
            "a.sign_in_date from attendances a, participants p, conferences c where "
            "a.user_id = p.user_id and a.conf_id = c.conf_id order by a.conf_id, a.user_id");
        TConnection a;
        a.Open(QDir(first).filePath(QStringLiteral("cme.mdb")));
        TConnection b;
        b.Open(QDir(second).filePath(QStringLiteral("cme.mdb")));
        const QList<QStringList> rows = Rows(a, dump);
        QCOMPARE(rows.size(), TDemoBuilder::AttendanceCount);
        QCOMPARE(Rows(b, dump), rows);
        QCOMPARE(Rows(a, QStringLiteral("select min(substr(begin_date, 1, 4)), "
                                        "max(substr(begin_date, 1, 4)) from conferences")),
                 (QList<QStringList>{{QStringLiteral("2028"), QStringLiteral("2030")}}));
    }

    void demoKeepsOtherSettingsOfAnExistingFile()
    {
        const QString folder = NewFolder();
        QVERIFY(QDir().mkpath(folder));
        const QString ini = QDir(folder).filePath(QStringLiteral("quorvel.ini"));
        {
            TConfig config(ini);
            config.WriteString(QStringLiteral("Dimensions"), QStringLiteral("ConfNameWidth"),
                               QStringLiteral("321"));
            config.WriteString(QStringLiteral("SMTP"), QStringLiteral("Host"),
                               QStringLiteral("mail.example.org"));
        }
        TDemoBuilder().Build(folder);
        TConfig config(ini);
        QCOMPARE(
            config.ReadInteger(QStringLiteral("Dimensions"), QStringLiteral("ConfNameWidth"), 0),
            321);
        QCOMPARE(config.ReadString(QStringLiteral("SMTP"), QStringLiteral("Host")),
                 QStringLiteral("localhost"));
    }

    void failedBuildLeavesNoDatabase()
    {
        // quorvel.ini cannot be written when a folder has its name; the database built just
        // before must not stay behind, or the next attempt would be refused.
        const QString folder = NewFolder();
        const QString ini = QDir(folder).filePath(QStringLiteral("quorvel.ini"));
        QVERIFY(QDir().mkpath(ini));
        QVERIFY_THROWS_EXCEPTION(TError, TDemoBuilder().Build(folder));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());

        QVERIFY(QDir(ini).removeRecursively());
        const TRun run = RunCommand({QStringLiteral("demo"), folder});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("cme.mdb"))));
    }

    void synthBuildsExactCounts()
    {
        const QString folder = NewFolder();
        TSynthBuilder::TOptions options;
        options.participants = 400;
        options.conferences = 90;
        options.attendances = 9000;
        options.speakers = 12;
        options.currentYear = 2031;
        QStringList progress;
        TSynthBuilder builder(options);
        builder.progress = [&progress](const QString& line) { progress << line; };
        builder.Build(folder);
        QVERIFY(!progress.isEmpty());

        TConnection conn;
        conn.Open(QDir(folder).filePath(QStringLiteral("cme.mdb")));
        VerifySchema(conn);
        QCOMPARE(conn.JournalMode(), QStringLiteral("wal"));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from participants")), qint64(400));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from conferences")), qint64(90));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from attendances")), qint64(9000));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from speakers")), qint64(12));
        QCOMPARE(Count(conn, QStringLiteral("select count(*) from credits")), qint64(6));
        VerifyConsistent(conn, 2031);
    }

    void synthFillsEveryConferenceWhenPairsRunShort()
    {
        // All possible pairs: every participant attends every conference exactly once.
        TConnection conn;
        Synth(conn, 30, 20, 600, 2);
        QCOMPARE(Count(conn, QStringLiteral("select count(distinct conf_id || '/' || user_id) "
                                            "from attendances")),
                 qint64(600));
    }

    void synthRefusesImpossibleNumbers()
    {
        const QString folder = NewFolder();
        const TRun run =
            RunCommand({QStringLiteral("synth"), QStringLiteral("--participants"),
                        QStringLiteral("10"), QStringLiteral("--conferences"), QStringLiteral("10"),
                        QStringLiteral("--attendances"), QStringLiteral("101"), folder});
        QCOMPARE(run.code, 1);
        QVERIFY(!run.err.isEmpty());
        QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("cme.mdb"))));
    }

    void synthLastNamesSpreadOverPrefixes()
    {
        // The participants page searches by the first letters of the last name: two letters
        // must select a slice of the table, neither almost nothing nor a large part of it.
        TConnection conn;
        Synth(conn, 20000, 10, 0, 5);
        const QList<QStringList> prefixes =
            Rows(conn, QStringLiteral("select substr(last_name, 1, 2) p, count(*) n from "
                                      "participants group by p order by n desc"));
        QVERIFY(prefixes.size() >= 60);
        QVERIFY2(prefixes.first().at(1).toInt() <= 20000 / 25,
                 qPrintable(prefixes.first().join(u' ')));
        QVERIFY(Count(conn, QStringLiteral("select count(*) from participants where "
                                           "substr(last_name, 1, 2) = 'Sm'")) >= 20000 / 500);
        QVERIFY(Count(conn, QStringLiteral("select count(distinct last_name) from participants")) >=
                300);
    }
};

QTEST_GUILESS_MAIN(TstAdminTools)
#include "tst_admintools.moc"
