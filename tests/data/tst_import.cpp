#include "settings/TConfig.h"
#include "TDataFixture.h"
#include "import/TDuplicateGuard.h"
#include "import/TImportFile.h"
#include "import/TImportRun.h"

#include <QtTest>

using TDataFixture::Count;

// The fixtures in import/ were made once from one list (UTF-8, commas, a caption row, a quoted
// line break, accents) with LibreOffice headless, column 5 read as text:
//   soffice --headless --infilter="Text - txt - csv (StarCalc):44,34,76,1,5/2" --convert-to X base.csv
// with X = xlsx (libreoffice.xlsx), xls (excel97.xls), "csv:Text - txt - csv (StarCalc):44,34,1"
// (windows1252.csv), "csv:Text - txt - csv (StarCalc):9,34,65535" (utf16-tab.csv) and
// "csv:Text - txt - csv (StarCalc):59,34,76" with a UTF-8 byte order mark put in front, as a
// spreadsheet program of a comma-decimal locale saves it (utf8-bom-semicolon.csv).
namespace {

QString Fixture(const char* name)
{
    return QFINDTESTDATA(QStringLiteral("import/") + QLatin1String(name));
}

TImportTable Table(const QStringList& captions, const QList<QStringList>& rows)
{
    TImportTable table;
    table.captions = captions;
    table.rows = rows;
    for (qsizetype i = 0; i < rows.size(); ++i)
        table.lines << int(i + 2);
    return table;
}

const QStringList kCaptions{"Surname", "Given name", "E-mail", "Phone", "ZIP", "City", "Title",
                            "Speciality"};

} // namespace

class TstImport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsFilesAsOfficesHaveThem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("utf-8 with BOM and ;") << "utf8-bom-semicolon.csv" << "UTF-8";
        QTest::newRow("windows-1252") << "windows1252.csv" << "Windows-1252";
        QTest::newRow("utf-16 with tabs") << "utf16-tab.csv" << "UTF-16";
        QTest::newRow("xlsx") << "libreoffice.xlsx" << "xlsx";
        QTest::newRow("xls") << "excel97.xls" << "xls";
    }
    void readsFilesAsOfficesHaveThem()
    {
        QFETCH(QString, file);
        QFETCH(QString, encoding);
        const TImportTable table = TImportFile::Read(Fixture(file.toLatin1()));
        QCOMPARE(table.encoding, encoding);
        QCOMPARE(table.captions.size(), 10);
        QCOMPARE(table.captions.first(), QString("Last Name"));
        QCOMPARE(table.rows.size(), 4);
        QCOMPARE(table.rows.at(0).mid(0, 5),
                 QStringList({"Müller", "Jörg", "joerg@example.org", "(555) 010-2000", "02134"}));
        QCOMPARE(table.rows.at(1).at(1), QString("Ångström"));
        QCOMPARE(table.rows.at(1).at(7), QString("Flat 2\nHigh Street 5"));
        QCOMPARE(table.rows.at(2).at(0), QString("O'Brien"));
        QCOMPARE(table.rows.at(3).mid(0, 2), QStringList({"Naïve", "Café"}));
        // The quoted line break moves the rows after it down one line of the file.
        if (file.endsWith(".csv"))
            QCOMPARE(table.lines, QList<int>({2, 3, 5, 6}));
    }

    void csvSeparatorsAndLineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("comma LF") << QByteArray("Last name,First name\nAdams,Anna\n");
        QTest::newRow("semicolon CRLF") << QByteArray("Last name;First name\r\nAdams;Anna\r\n");
        QTest::newRow("tab, no end") << QByteArray("Last name\tFirst name\r\nAdams\tAnna");
        QTest::newRow("quoted separators")
            << QByteArray("\"Last name\";\"First, name\"\n\"Adams\";\"Anna\"\n\n");
    }
    void csvSeparatorsAndLineEnds()
    {
        QFETCH(QByteArray, bytes);
        const TImportTable table = TImportFile::ReadCsv(bytes);
        QCOMPARE(table.rows, QList<QStringList>({{"Adams", "Anna"}}));
        QCOMPARE(TImportMapping::ByCaptions(table.captions).first(), TImportField::LastName);
    }

    void mappingByCaptions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<TImportField>("field");
        const QList<std::pair<const char*, TImportField>> cases{
            {"Last Name", TImportField::LastName},     {"SURNAME", TImportField::LastName},
            {"Family name", TImportField::LastName},   {"First name", TImportField::FirstName},
            {"Given name", TImportField::FirstName},   {"E-mail", TImportField::Email},
            {"Email Address", TImportField::Email},    {"Phone", TImportField::Phone},
            {"ZIP", TImportField::Zip},                {"Postal code", TImportField::Zip},
            {"Title", TImportField::Title},            {"Credentials", TImportField::Title},
            {"Specialty", TImportField::Speciality},   {"Speciality", TImportField::Speciality},
            {"Address", TImportField::Address},        {" city ", TImportField::City},
            {"State", TImportField::State},            {"Fax", TImportField::Fax},
            {"Name", TImportField::Ignore},            {"Badge colour", TImportField::Ignore}};
        for (const auto& [caption, field] : cases)
            QTest::newRow(caption) << QString(caption) << field;
    }
    void mappingByCaptions()
    {
        QFETCH(QString, caption);
        QFETCH(TImportField, field);
        QCOMPARE(TImportMapping::FieldForCaption(caption), field);
    }

    void mappingIsRemembered()
    {
        QTemporaryDir dir;
        const QStringList captions{"Surname", "E-mail", "Surname"};
        QCOMPARE(TImportMapping::ByCaptions(captions),
                 QList<TImportField>({TImportField::LastName, TImportField::Email,
                                      TImportField::Ignore}));
        const QList<TImportField> chosen{TImportField::Ignore, TImportField::Email,
                                         TImportField::LastName};
        {
            TConfig config(dir.filePath("quorvel.ini"));
            TImportMapping::Remember(config, captions, chosen);
        }
        TConfig config(dir.filePath("quorvel.ini"));
        QCOMPARE(TImportMapping::Remembered(config, captions), chosen);
        QCOMPARE(TImportMapping::Remembered(config, {"surname", "e-mail"}).first(),
                 TImportField::LastName);
    }

    void valueRules_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored"); // or the reason when refused
        QTest::addColumn<bool>("accepted");
        QTest::newRow("phone digits") << "phone" << "+1 (555) 010-2000" << "15550102000" << true;
        QTest::newRow("phone too long") << "phone" << "555 010 2000 ext 12"
                                        << "phone has more than 11 digits" << false;
        QTest::newRow("fax") << "fax" << "555.010.3000" << "5550103000" << true;
        QTest::newRow("e-mail") << "email" << " ann@example.org " << "ann@example.org" << true;
        QTest::newRow("e-mail without @") << "email" << "ann.example.org"
                                          << "the e-mail address has no \"@\"" << false;
        QTest::newRow("e-mail control") << "email" << "ann@exa\nmple.org"
                                        << "the e-mail address holds a control character" << false;
        QTest::newRow("empty e-mail") << "email" << "" << "" << true;
        QTest::newRow("no last name") << "last_name" << "  " << "no last name" << false;
        QTest::newRow("long name") << "last_name" << QString(31, 'x')
                                   << "last_name is longer than 30 characters" << false;
        QTest::newRow("line break") << "address" << "Flat 2\r\nHigh St" << "Flat 2 High St" << true;
        QTest::newRow("state") << "state" << "Mass" << "state is longer than 2 characters" << false;
    }
    void valueRules()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, stored);
        QFETCH(bool, accepted);
        QString reason;
        QCOMPARE(TImportRun::CheckValue(column, value, reason), accepted);
        QCOMPARE(accepted ? value : reason, stored);
    }

    void duplicateRules_data()
    {
        QTest::addColumn<QStringList>("person"); // last, first, email, phone, zip, city
        QTest::addColumn<int>("kind");           // TDuplicateIndex::TKind
        using K = TDuplicateIndex::TKind;
        QTest::newRow("same e-mail, other case")
            << QStringList{"Other", "Name", "ANNA@Example.org", "", "", ""} << int(K::Same);
        QTest::newRow("same name without accents, same zip")
            << QStringList{"MULLER", "jorg", "", "", "02134-1234", ""} << int(K::Same);
        QTest::newRow("same name, same phone")
            << QStringList{"Müller", "Jörg", "", "1 555 010 2000", "", ""} << int(K::Same);
        QTest::newRow("same name, nothing shared")
            << QStringList{"Müller", "Jörg", "", "", "", ""} << int(K::None);
        QTest::newRow("one letter off, same city")
            << QStringList{"Mueller", "Jorg", "", "", "", "boston"} << int(K::Possible);
        QTest::newRow("sounds alike, same domain")
            << QStringList{"Adems", "Ana", "a.adems@example.org", "", "", ""} << int(K::Possible);
        QTest::newRow("close name elsewhere")
            << QStringList{"Adems", "Ana", "", "", "99999", "Paris"} << int(K::None);
        QTest::newRow("other first name")
            << QStringList{"Adams", "Robert", "", "", "", "Boston"} << int(K::None);
        // Names without a Latin letter have no Soundex: they are close by spelling only.
        QTest::newRow("other name without Latin letters")
            << QStringList{"Петров", "Пётр", "", "", "20002", ""} << int(K::None);
        QTest::newRow("one letter off without Latin letters")
            << QStringList{"Иванова", "Иван", "", "", "20002", ""} << int(K::Possible);
    }
    void duplicateRules()
    {
        QFETCH(QStringList, person);
        QFETCH(int, kind);
        TDuplicateIndex index;
        index.Add({"Müller", "Jörg", "", "(555) 010-2000", "02134", "Boston"}, 1);
        index.Add({"Adams", "Anna", "anna@example.org", "", "10001", "Boston"}, 2);
        index.Add({"Иванов", "Иван", "", "", "20002", "Kyiv"}, 3);
        const auto match = index.Find({person[0], person[1], person[2], person[3], person[4], person[5]});
        QCOMPARE(int(match.kind), kind);
    }

    // The index kept in a file follows every change made since, by this program or another;
    // a damaged one or one far behind is built again. A server builds it each time.
    void keptIndexFollowsChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("probe"); // last, first, email, phone, zip, city
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("kept");
        using K = TDuplicateIndex::TKind;
        const QString newEmail = "update participants set email = 'new@example.org' where user_id = 1";
        QTest::newRow("added")
            << "insert into participants (last_name, first_name, email) values ('Quist', "
               "'Quinn', 'quinn@example.org')"
            << QStringList{"Other", "Name", "QUINN@example.org", "", "", ""} << int(K::Same) << true;
        QTest::newRow("e-mail changed: the new one")
            << newEmail << QStringList{"Other", "Name", "new@example.org", "", "", ""}
            << int(K::Same) << true;
        QTest::newRow("e-mail changed: the old one")
            << newEmail << QStringList{"Other", "Name", "anna@example.org", "", "", ""}
            << int(K::None) << true;
        QTest::newRow("removed") << "delete from participants where user_id = 1"
                                 << QStringList{"Other", "Name", "anna@example.org", "", "", ""}
                                 << int(K::None) << true;
        QTest::newRow("damaged") << "update dupe_index set data = zeroblob(200)"
                                 << QStringList{"Other", "Name", "anna@example.org", "", "", ""}
                                 << int(K::Same) << false;
        QTest::newRow("far behind")
            << "with recursive n(x) as (select 1 union all select x + 1 from n where x < 2001) "
               "insert into participants (last_name, first_name, zip) select 'Many', 'M' || x, '12345' "
               "from n"
            << QStringList{"Many", "M2001", "", "", "12345", ""} << int(K::Same) << false;
    }
    void keptIndexFollowsChanges()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, probe);
        QFETCH(int, kind);
        QFETCH(bool, kept);
        TTempDatabase db;
        TDataFixture::Seed(db);
        db.Exec("update participants set email = 'anna@example.org' where user_id = 1");
        const bool server = db.Conn().IsServer();
        if (server && change.contains("dupe_index"))
            QSKIP("a server database keeps no index to damage");
        QCOMPARE(TDuplicateIndex().LoadParticipants(db.Conn()), TDuplicateIndex::TLoad::Built);
        db.Exec(change);
        TDuplicateIndex index;
        QCOMPARE(index.LoadParticipants(db.Conn()) == TDuplicateIndex::TLoad::Kept, kept && !server);
        const auto match = index.Find({probe[0], probe[1], probe[2], probe[3], probe[4], probe[5]});
        QCOMPARE(int(match.kind), kind);
        if (kind == int(TDuplicateIndex::TKind::Same) && change == "update participants set email "
                                                                   "= 'new@example.org' where "
                                                                   "user_id = 1")
            QCOMPARE(match.id, 1);
        // Built again, the index is kept again and holds no change.
        if (!server && !kept)
            QCOMPARE(TDuplicateIndex().LoadParticipants(db.Conn()), TDuplicateIndex::TLoad::Kept);
    }

    void importMatchesMergesAndRefuses()
    {
        TTempDatabase db;
        TDataFixture::Seed(db);
        db.Exec("update participants set email = 'anna@example.org', zip = '10001', city = "
                "'Boston', phone = NULL where user_id = 1");
        db.Exec("update participants set zip = '02134', address = '9 Old Road' where user_id = 2");
        const TImportTable table = Table(
            kCaptions,
            {{"Smith", "Anna", "ANNA@example.org", "555 010 9999", "", "", "MD", ""},   // same e-mail
             {"Muller", "Jorg", "", "", "02134", "Bern", "", "Cardiology"},          // same name + zip
             {"Smyth", "Ana", "", "", "", "Boston", "", ""},                          // possible
             {"Newman", "Nina", "nina@example.org", "", "", "", "DO", "Dermatology"}, // new
             {"NEWMAN", "nina", "Nina@Example.org", "555 010 1111", "", "", "", ""},  // same as above
             {"Broken", "Bea", "bea.example.org", "", "", "", "", ""},                // refused
             {"", "Nobody", "", "", "", "", "", ""}});                                // refused
        TImportRun run(db.Conn());
        const TImportPlan plan = run.Analyse(table, TImportMapping::ByCaptions(kCaptions));
        QCOMPARE(plan.Count(TImportOutcome::New), 1);
        QCOMPARE(plan.Count(TImportOutcome::Matched), 3);
        QCOMPARE(plan.Count(TImportOutcome::Possible), 1);
        QCOMPARE(plan.Count(TImportOutcome::Refused), 2);
        QCOMPARE(plan.rows.at(2).matchId, 1);
        QCOMPARE(plan.rows.at(4).matchRow, 3);
        QCOMPARE(plan.unknownTitles, QStringList({"DO"}));
        QCOMPARE(plan.unknownSpecialities, QStringList({"Dermatology"}));
        QCOMPARE(Count(db.Conn(), "select count(*) from participants"), 6); // nothing stored yet

        TImportOptions options;
        options.conferenceId = 2;
        TImportResult result;
        QVERIFY(run.Commit(plan, options, result));
        QCOMPARE(result.added, 1);
        QCOMPARE(result.merged, 2);
        QCOMPARE(result.leftOut, 1);
        QCOMPARE(result.refused, 2);
        QCOMPARE(Count(db.Conn(), "select count(*) from participants"), 7);
        // Merging fills empty fields and never overwrites one.
        QCOMPARE(db.Conn().ScalarQuery("select phone || ' ' || email || ' ' || title_id from "
                                       "participants where user_id = 1").toString(),
                 QString("5550109999 anna@example.org 1"));
        QCOMPARE(db.Conn().ScalarQuery("select city || ' ' || address || ' ' || spec_id from "
                                       "participants where user_id = 2").toString(),
                 QString("Bern 9 Old Road 2"));
        // The second Newman row filled the first one's phone; the new title became an entry.
        QCOMPARE(db.Conn().ScalarQuery("select p.phone || ' ' || t.t_name || ' ' || s.s_name from "
                                       "participants p, titles t, specialities s where "
                                       "p.title_id = t.title_id and p.spec_id = s.spec_id and "
                                       "p.last_name = 'Newman'").toString(),
                 QString("5550101111 DO Dermatology"));
        // Everyone imported or matched is registered for the conference, once.
        QCOMPARE(Count(db.Conn(), "select count(*) from registrations where conf_id = 2"), 3);
        QCOMPARE(Count(db.Conn(), "select count(*) from registrations where source = 'import'"), 3);

        // The refused rows and the possible duplicate come back with their reasons.
        QTemporaryDir dir;
        const QString listPath = dir.filePath("list.csv");
        const QString refusedPath = TImportRun::WriteRefused(plan, options, listPath);
        QCOMPARE(refusedPath, dir.filePath("list-refused.csv"));
        QFile file(refusedPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const TImportTable back = TImportFile::ReadCsv(file.readAll());
        QCOMPARE(back.captions.last(), QString("reason"));
        QCOMPARE(back.rows.size(), 3);
        QVERIFY(back.rows.at(0).last().startsWith("possible duplicate of Anna Smith"));
        QCOMPARE(back.rows.at(1).last(), QString("the e-mail address has no \"@\""));
        QCOMPARE(back.rows.at(2).mid(0, 2), QStringList({"", "Nobody"}));
        QCOMPARE(back.rows.at(2).last(), QString("no last name"));

        // Imported again, everyone is a match and nothing new is stored.
        TImportResult again;
        QVERIFY(run.Commit(run.Analyse(table, TImportMapping::ByCaptions(kCaptions)), options, again));
        QCOMPARE(again.added, 0);
        QCOMPARE(again.registered, 0);
        QCOMPARE(Count(db.Conn(), "select count(*) from participants"), 7);
    }

    // Each possible duplicate is left out, added or merged as decided; without a decision the
    // run's default holds. A merge fills the empty fields only and names the ones it keeps.
    void possibleDuplicateDecisions_data()
    {
        QTest::addColumn<int>("decision"); // -1: none, the default of addPossibleDuplicates
        QTest::addColumn<bool>("addByDefault");
        QTest::addColumn<int>("added");
        QTest::addColumn<QString>("stored"); // email and phone of user 1 afterwards
        QTest::addColumn<bool>("refusedFile");
        using D = TDuplicateDecision;
        QTest::newRow("left out by default") << -1 << false << 0 << " 5550000000" << true;
        QTest::newRow("added by default") << -1 << true << 1 << " 5550000000" << false;
        QTest::newRow("left out") << int(D::LeaveOut) << true << 0 << " 5550000000" << true;
        QTest::newRow("added") << int(D::AddNew) << false << 1 << " 5550000000" << false;
        QTest::newRow("merged") << int(D::Merge) << false << 0 << "ana@example.net 5550000000"
                                << false;
    }
    void possibleDuplicateDecisions()
    {
        QFETCH(int, decision);
        QFETCH(bool, addByDefault);
        QFETCH(int, added);
        QFETCH(QString, stored);
        QFETCH(bool, refusedFile);
        TTempDatabase db;
        TDataFixture::Seed(db);
        db.Exec("update participants set city = 'Boston', phone = '5550000000' where user_id = 1");
        TImportRun run(db.Conn());
        const TImportPlan plan = run.Analyse(
            Table(kCaptions, {{"Smyth", "Ana", "ana@example.net", "555 010 2222", "", "Boston", "", ""}}),
            TImportMapping::ByCaptions(kCaptions));
        QCOMPARE(plan.rows.at(0).outcome, TImportOutcome::Possible);
        QCOMPARE(run.Conflicts(plan.rows.at(0)),
                 QStringList({"first_name: Anna stays (not Ana)", "last_name: Smith stays (not Smyth)",
                              "phone: 5550000000 stays (not 5550102222)"}));
        TImportOptions options;
        options.conferenceId = 1;
        options.addPossibleDuplicates = addByDefault;
        if (decision >= 0)
            options.decisions.insert(0, TDuplicateDecision(decision));
        TImportResult result;
        QVERIFY(run.Commit(plan, options, result));
        QCOMPARE(result.added, added);
        QCOMPARE(Count(db.Conn(), "select count(*) from participants"), 6 + added);
        QCOMPARE(db.Conn().ScalarQuery("select coalesce(email, '') || ' ' || phone from "
                                       "participants where user_id = 1").toString(),
                 stored);
        // Whoever is taken, new or merged, is registered; a left-out row is not.
        QCOMPARE(Count(db.Conn(), "select count(*) from registrations"), refusedFile ? 0 : 1);
        QTemporaryDir dir;
        QCOMPARE(!TImportRun::WriteRefused(plan, options, dir.filePath("list.csv")).isEmpty(),
                 refusedFile);
    }

    // A long list is registered in a few statements: each person once, and a registration
    // made before stays as it was.
    void longListRegistersEachPersonOnce()
    {
        TTempDatabase db;
        db.Exec("insert into participants (last_name, email) values ('Known', 'known@example.org')");
        db.Exec("insert into registrations (conf_id, user_id, source) values (1, 1, 'desk')");
        QList<QStringList> rows;
        rows << QStringList{"Known", "", "known@example.org", "", "", "", "", ""};
        for (int i = 0; i < 600; ++i)
            rows << QStringList{QStringLiteral("Person%1").arg(i), "A",
                                QStringLiteral("p@d%1.example").arg(i), "", "", "", "", ""};
        rows << QStringList{"Person0", "A", "P@D0.example", "555 0100", "", "", "", ""};
        TImportRun run(db.Conn());
        const TImportPlan plan = run.Analyse(Table(kCaptions, rows), TImportMapping::ByCaptions(kCaptions));
        TImportOptions options;
        options.conferenceId = 1;
        TImportResult result;
        QVERIFY(run.Commit(plan, options, result));
        QCOMPARE(result.added, 600);
        QCOMPARE(result.registered, 600);
        QCOMPARE(Count(db.Conn(), "select count(*) from registrations where conf_id = 1"), 601);
        QCOMPARE(db.Conn().ScalarQuery("select source from registrations where user_id = 1").toString(),
                 QString("desk"));
        QCOMPARE(Count(db.Conn(), "select count(*) from participants where phone = '5550100'"), 1);
    }

    // Every possible duplicate of a stored person is named in its reason, however many there are.
    void possibleDuplicatesOfALongListAreNamed()
    {
        TTempDatabase db;
        db.Exec("with recursive n(i) as (select 0 union all select i + 1 from n where i < 599) "
                "insert into participants (last_name, first_name, email) select 'Person' || i, "
                "'Ann', 'q@d' || i || '.example' from n");
        QList<QStringList> rows;
        for (int i = 0; i < 600; ++i)
            rows << QStringList{QStringLiteral("Person%1").arg(i), "Anne",
                                QStringLiteral("p@d%1.example").arg(i), "", "", "", "", ""};
        TImportRun run(db.Conn());
        const TImportPlan plan = run.Analyse(Table(kCaptions, rows), TImportMapping::ByCaptions(kCaptions));
        QCOMPARE(plan.Count(TImportOutcome::Possible), 600);
        for (int i = 0; i < 600; ++i) {
            const TImportRow& row = plan.rows.at(i);
            QCOMPARE(row.reason, QStringLiteral("possible duplicate of Ann Person%1, q@d%1.example (number %2)")
                                     .arg(i)
                                     .arg(row.matchId));
        }
    }

    void cancelStoresNothing()
    {
        TTempDatabase db;
        TImportRun run(db.Conn());
        QList<QStringList> rows;
        for (int i = 0; i < 1200; ++i)
            rows << QStringList{QStringLiteral("Person%1").arg(i), "A", "", "", "", "", "", ""};
        const TImportPlan plan = run.Analyse(Table(kCaptions, rows), TImportMapping::ByCaptions(kCaptions));
        TImportResult result;
        QVERIFY(!run.Commit(plan, {}, result, [](int done, int) { return done < 1000; }));
        QCOMPARE(Count(db.Conn(), "select count(*) from participants"), 0);
        QVERIFY(!db.Conn().InTransaction());
    }
};

QTEST_MAIN(TstImport)
#include "tst_import.moc"
