#include "data/TConfFilter.h"
#include "TDataFixture.h"
#include "db/TError.h"
#include "data/TTimeFilter.h"

#include <QSignalSpy>
#include <QtTest>

using TDataFixture::Column;

// The condition texts of the filtered lists, letter for letter, and the rows they select when
// the data module runs them on a real database.
class TstDMFilters : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void filterObjects();
    void fragments_data();
    void fragments();
    void conditionTexts_data();
    void conditionTexts();
    void conferenceQueryTexts();
    void conferenceFilterSelectsRows_data();
    void conferenceFilterSelectsRows();
    void quotesTypedByUserAreLiteral();
    void yearsFilterWithoutYearSelectsNothing();
    void applyKeepsSortAndNotifiesOnce();
    void applyFailureLeavesClosedWithNotificationsOn();
    void transcriptFilter();
    void partConfsFilterFollowsParticipant();
    void transcriptParticipants();
    void searchConferenceParticipants();
    void commaPrefixed();

private:
    TDM& Dm() { return *m_fixture->dm; }
    std::unique_ptr<TDataModuleFixture> m_fixture;
};

namespace
{

TIdList CreditLines(std::initializer_list<int> ids)
{
    TIdList list;
    for (int id : ids)
        list.Add(QStringLiteral("credit %1").arg(id), id);
    return list;
}

TTimeFilter Years(const QStringList& years)
{
    TTimeFilter filter(QString{});
    filter.Years = years;
    return filter;
}

TTimeFilter NoTime()
{
    TTimeFilter filter(QStringLiteral("2005"));
    filter.Kind = tkNone;
    return filter;
}

TTimeFilter Range(const QDate& begin, const QDate& end)
{
    TTimeFilter filter(QStringLiteral("2005"));
    filter.Kind = tkDateRange;
    filter.BeginDate = begin;
    filter.EndDate = end;
    return filter;
}

// A conference filter on these texts.
TConfFilter Texts(const QString& name, const QString& serie, const QString& extra,
                  const QString& speaker)
{
    TConfFilter conf;
    conf.Name = name;
    conf.Serie = serie;
    conf.Extra = extra;
    conf.Speaker = speaker;
    return conf;
}

} // namespace

void TstDMFilters::init()
{
    m_fixture = std::make_unique<TDataModuleFixture>();
}

void TstDMFilters::cleanup()
{
    m_fixture.reset();
}

void TstDMFilters::filterObjects()
{
    TConfFilter conf;
    QVERIFY(conf.IsEmpty());
    QCOMPARE(conf.CreditsAndOr, QString("or"));
    conf.CreditsAndOr = "and";
    QVERIFY(conf.IsEmpty());
    conf.Speaker = "   ";
    QVERIFY(!conf.IsEmpty());
    conf.Speaker.clear();
    conf.Credits.Add("CME", 3);
    QVERIFY(!conf.IsEmpty());

    const TTimeFilter time(QStringLiteral("2005"));
    QCOMPARE(time.Kind, tkYears);
    QCOMPARE(time.Years, QStringList{"2005"});
    QCOMPARE(time.BeginDate, TTimeFilter::ZeroDate());
    QVERIFY(!time.IsNone());
    QVERIFY(NoTime().IsNone());
    QCOMPARE(TTimeFilter::CurrentYear().Years,
             QStringList{QString::number(QDate::currentDate().year())});
}

void TstDMFilters::fragments_data()
{
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QString>("expected");

    QTest::newRow("title") << TDM::ConfNameCondition("", "card") << " conf_name like '%card%' and ";
    QTest::newRow("title of blanks")
        << TDM::ConfNameCondition("", "   ") << " conf_name like '%   %' and ";
    QTest::newRow("series") << TDM::SeriesCondition("c.", "Heart")
                            << " c.series like '%Heart%' and ";
    QTest::newRow("extra")
        << TDM::ExtraCondition("c.", "lunch")
        << "c.conf_id in (  select distinct ce.conf_id from conf_extras ce, extras e "
           "where     ce.extra_id = e.extra_id and e.e_name like '%lunch%') and ";
    QTest::newRow("speaker")
        << TDM::SpeakerCondition("", "Doe")
        << "conf_id in (  select distinct cs.conf_id from conf_speakers cs, "
           "speakers s where     cs.speak_id = s.speak_id and s.last_name like "
           "'%Doe%') and ";
    QTest::newRow("date range") << TDM::DateRangeCondition("c.", QDate(2005, 1, 1),
                                                           QDate(2005, 3, 31))
                                << " c.begin_date between #1/1/2005# and #3/31/2005# and ";
    QTest::newRow("date range, no leading zeros")
        << TDM::DateRangeCondition("", QDate(2005, 3, 5), QDate(2005, 12, 25))
        << " begin_date between #3/5/2005# and #12/25/2005# and ";
    QTest::newRow("years") << TDM::YearsCondition("c.", {"2005", "2004"})
                           << "( DatePart('yyyy', c.begin_date) = 2005 or  DatePart('yyyy', "
                              "c.begin_date) = 2004 ) and ";
    QTest::newRow("one year") << TDM::YearsCondition("", {"2005"})
                              << "( DatePart('yyyy', begin_date) = 2005 ) and ";
    QTest::newRow("credits or") << TDM::CreditsCondition("", "or", CreditLines({3, 7}))
                                << "conf_id in (  select distinct conf_id from conf_credits where "
                                   "credit_id in (3,7)) and ";
    QTest::newRow("credits and")
        << TDM::CreditsCondition("c.", "and", CreditLines({3, 7}))
        << "c.conf_id in (  select distinct conf_id from conf_credits where "
           "credit_id = 3) and c.conf_id in (  select distinct conf_id from "
           "conf_credits where credit_id = 7)  and ";
    // Only the exact text "or" is the or-mode.
    QTest::newRow("credits OR is and") << TDM::CreditsCondition("", "OR", CreditLines({3}))
                                       << "conf_id in (  select distinct conf_id from conf_credits "
                                          "where credit_id = 3)  and ";
    QTest::newRow("quote in title")
        << TDM::ConfNameCondition("", "O'Brien") << " conf_name like '%O''Brien%' and ";
    QTest::newRow("quote in speaker")
        << TDM::SpeakerCondition("c.", "x' or '1'='1")
        << "c.conf_id in (  select distinct cs.conf_id from "
           "conf_speakers cs, speakers s where     cs.speak_id = "
           "s.speak_id and s.last_name like '%x'' or ''1''=''1%') and ";
    QTest::newRow("no year") << TDM::YearsCondition("c.", {}) << "( 1 = 0 ) and ";
    // Control characters pasted into a filter box never reach the SQL text.
    QTest::newRow("NUL in title") << TDM::ConfNameCondition("", QString("ca") + QChar(0) + "rd")
                                  << " conf_name like '%card%' and ";
    QTest::newRow("tab and newline in series")
        << TDM::SeriesCondition("", "\tHe\r\nart\n") << " series like '%Heart%' and ";
}

void TstDMFilters::fragments()
{
    QFETCH(QString, fragment);
    QFETCH(QString, expected);
    QCOMPARE(fragment, expected);
}

void TstDMFilters::conditionTexts_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<int>("timeKind");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing") << "where"
                             << ""
                             << ""
                             << ""
                             << "" << int(tkNone) << "";
    QTest::newRow("start state") << "where"
                                 << ""
                                 << ""
                                 << ""
                                 << "" << int(tkYears)
                                 << " where ( DatePart('yyyy', begin_date) = 2005 ) ";
    QTest::newRow("title only") << "and"
                                << "c."
                                << "card"
                                << ""
                                << "" << int(tkNone) << " and  c.conf_name like '%card%' ";
    QTest::newRow("extra before speaker")
        << "where"
        << ""
        << ""
        << "lunch"
        << "Doe" << int(tkNone)
        << " where conf_id in (  select distinct ce.conf_id from conf_extras ce, extras e where  "
           "   ce.extra_id = e.extra_id and e.e_name like '%lunch%') and conf_id in (  select "
           "distinct cs.conf_id from conf_speakers cs, speakers s where     cs.speak_id = "
           "s.speak_id and s.last_name like '%Doe%') ";
    QTest::newRow("date range trimmed")
        << "and"
        << "c."
        << ""
        << ""
        << "" << int(tkDateRange) << " and  c.begin_date between #1/1/2005# and #3/31/2005# ";
}

void TstDMFilters::conditionTexts()
{
    QFETCH(QString, keyword);
    QFETCH(QString, prefix);
    QFETCH(QString, name);
    QFETCH(QString, extra);
    QFETCH(QString, speaker);
    QFETCH(int, timeKind);
    QFETCH(QString, expected);

    const TConfFilter conf = Texts(name, {}, extra, speaker);
    TTimeFilter time = Range(QDate(2005, 1, 1), QDate(2005, 3, 31));
    time.Kind = TTimeKind(timeKind);
    QCOMPARE(TDM::ConferenceConditions(keyword, prefix, conf, time), expected);
}

void TstDMFilters::conferenceQueryTexts()
{
    TConfFilter conf;
    Dm().ApplyConferenceFilter(Dm().Conferences, conf, NoTime());
    QCOMPARE(Dm().Conferences->SQL(),
             QString("select * from conferences  order by begin_date desc "));
    QCOMPARE(Dm().Conferences->RecordCount(), 9);
    QCOMPARE(Column(Dm().Conferences, "conf_id").first(), QString("8")); // newest first

    Dm().ApplyConferenceFilter(Dm().Conferences, conf, Years({"2005"}));
    QCOMPARE(Dm().Conferences->SQL(),
             QString("select * from conferences  where ( DatePart('yyyy', begin_date) = 2005 )  "
                     "order by begin_date desc "));

    conf.Name = "card";
    conf.Credits = CreditLines({3, 7});
    Dm().ApplyConferenceFilter(Dm().Conferences, conf, Years({"2005", "2004"}));
    QCOMPARE(Dm().Conferences->SQL(),
             QString("select * from conferences  where  conf_name like '%card%' and conf_id in (  "
                     "select distinct conf_id from conf_credits where credit_id in (3,7)) and ( "
                     "DatePart('yyyy', begin_date) = 2005 or  DatePart('yyyy', begin_date) = 2004 "
                     ")  order by begin_date desc "));
    // "card" in any letter case: Cardiology Update (2005, CME) and Card Games (2004, both).
    QCOMPARE(Column(Dm().Conferences, "conf_id"), QStringList({"1", "3"}));
}

void TstDMFilters::conferenceFilterSelectsRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("serie");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<QList<int>>("credits");
    QTest::addColumn<QString>("andOr");
    QTest::addColumn<QStringList>("years");
    QTest::addColumn<QStringList>("expected"); // conf_id, newest first

    const QList<int> none;
    QTest::newRow("year 2005") << ""
                               << ""
                               << ""
                               << "" << none << "or" << QStringList{"2005"}
                               << QStringList{"8", "2", "5", "1", "7", "6"};
    QTest::newRow("years 2004, 2003")
        << ""
        << ""
        << ""
        << "" << none << "or" << QStringList{"2004", "2003"} << QStringList{"9", "3", "4"};
    QTest::newRow("credits or") << ""
                                << ""
                                << ""
                                << "" << QList<int>{3, 7} << "or" << QStringList{}
                                << QStringList{"2", "5", "1", "7", "3"};
    QTest::newRow("credits and") << ""
                                 << ""
                                 << ""
                                 << "" << QList<int>{3, 7} << "and" << QStringList{}
                                 << QStringList{"3"};
    QTest::newRow("speaker") << ""
                             << ""
                             << ""
                             << "doe" << none << "or" << QStringList{} << QStringList{"1", "3"};
    QTest::newRow("extra") << ""
                           << ""
                           << "LUNCH"
                           << "" << none << "or" << QStringList{} << QStringList{"1", "3"};
    QTest::newRow("series") << ""
                            << "fun"
                            << ""
                            << "" << none << "or" << QStringList{} << QStringList{"9", "3"};
    QTest::newRow("speaker and extra and year")
        << ""
        << ""
        << "lunch"
        << "Müller" << none << "or" << QStringList{"2004"} << QStringList{"3"};
    QTest::newRow("title, other alphabet")
        << "ärzte"
        << ""
        << ""
        << "" << none << "or" << QStringList{} << QStringList{"8"};
    QTest::newRow("series, other alphabet")
        << ""
        << "öffent"
        << ""
        << "" << none << "or" << QStringList{} << QStringList{"8"};
    QTest::newRow("extra, other alphabet")
        << ""
        << ""
        << "FÜHRUNG"
        << "" << none << "or" << QStringList{} << QStringList{"8"};
    QTest::newRow("speaker, other alphabet")
        << ""
        << ""
        << ""
        << "mü" << none << "or" << QStringList{} << QStringList{"3"};
    QTest::newRow("title with '#'") << "#1"
                                    << ""
                                    << ""
                                    << "" << none << "or" << QStringList{} << QStringList{};
}

void TstDMFilters::conferenceFilterSelectsRows()
{
    QFETCH(QString, name);
    QFETCH(QString, serie);
    QFETCH(QString, extra);
    QFETCH(QString, speaker);
    QFETCH(QList<int>, credits);
    QFETCH(QString, andOr);
    QFETCH(QStringList, years);
    QFETCH(QStringList, expected);

    TConfFilter conf = Texts(name, serie, extra, speaker);
    for (int id : credits)
        conf.Credits.Add(QString::number(id), id);
    conf.CreditsAndOr = andOr;
    const TTimeFilter time = years.isEmpty() ? NoTime() : Years(years);
    for (TDataSet* ds : {Dm().Conferences, Dm().SignInConfs, Dm().CalendarConfs}) {
        Dm().ApplyConferenceFilter(ds, conf, time);
        QCOMPARE(Column(ds, "conf_id"), expected);
    }
}

void TstDMFilters::quotesTypedByUserAreLiteral()
{
    struct TCase {
        QString TConfFilter::*member;
        QString text;
        QStringList expected;
    };
    const QList<TCase> cases = {
        {&TConfFilter::Name, "o'brien", {"7"}},
        {&TConfFilter::Serie, "O'Neill", {"7"}},
        {&TConfFilter::Speaker, "O'BRIEN", {"2", "7"}},
        {&TConfFilter::Extra, "o'reilly", {"2"}},
        // An injection attempt is only text: it finds the one title that holds it.
        {&TConfFilter::Name, "x' or '1'='1", {"9"}},
        {&TConfFilter::Speaker, "x' or '1'='1", {}},
        {&TConfFilter::Name, "'", {"7", "9"}},
        // Pasted control characters are dropped, never an SQL error.
        {&TConfFilter::Name, QString("o'bri") + QChar(0) + "en", {"7"}},
        {&TConfFilter::Serie, "O'\tNeill\n", {"7"}},
        {&TConfFilter::Extra, QString("o'reilly\r\n") + QChar(0), {"2"}},
    };
    for (const TCase& c : cases) {
        TConfFilter conf;
        conf.*c.member = c.text;
        Dm().ApplyConferenceFilter(Dm().Conferences, conf, NoTime());
        QVERIFY2(Column(Dm().Conferences, "conf_id") == c.expected, qPrintable(c.text));
    }

    // The transcripts list and the transcript participants follow the same rule.
    TConfFilter conf;
    conf.Speaker = "o'brien";
    Dm().ApplyTranscriptFilter(conf, NoTime());
    QCOMPARE(Column(Dm().Transcripts, "user_id"), QStringList{"1"});
    Dm().TransParticipants->SetSQL(TDM::SelectTranscriptParticipants(conf, NoTime()));
    Dm().TransParticipants->Open();
    QCOMPARE(Column(Dm().TransParticipants, "user_id"), QStringList{"1"});
}

void TstDMFilters::yearsFilterWithoutYearSelectsNothing()
{
    const TTimeFilter noYear = Years({});
    TConfFilter conf;
    QCOMPARE(TDM::ConferenceConditions("where", "", conf, noYear), QString(" where ( 1 = 0 ) "));
    for (TDataSet* ds : {Dm().Conferences, Dm().SignInConfs, Dm().CalendarConfs}) {
        Dm().ApplyConferenceFilter(ds, conf, noYear);
        QVERIFY(ds->Active());
        QVERIFY(ds->IsEmpty());
    }
    Dm().ApplyTranscriptFilter(conf, noYear);
    QVERIFY(Dm().Transcripts->IsEmpty());
    Dm().ApplyPartConfsFilter(conf, noYear);
    QVERIFY(Dm().PartConfs->Active());
    QVERIFY(Dm().PartConfs->IsEmpty());
    Dm().TransParticipants->SetSQL(TDM::SelectTranscriptParticipants(conf, noYear));
    Dm().TransParticipants->Open();
    QVERIFY(Dm().TransParticipants->IsEmpty());
}

void TstDMFilters::applyKeepsSortAndNotifiesOnce()
{
    TDataSet* confs = Dm().Conferences;
    confs->SetSort("conf_id ASC");
    QSignalSpy resets(confs, &TDataSet::RowsReset);
    TConfFilter conf;
    Dm().ApplyConferenceFilter(confs, conf, Years({"2005"}));
    QCOMPARE(confs->Sort(), QString("conf_id ASC"));
    QCOMPARE(Column(confs, "conf_id"), QStringList({"1", "2", "5", "6", "7", "8"}));
    // The grid hears of the new rows once, not at the close and again at the open.
    QCOMPARE(resets.count(), 1);
    QVERIFY(!confs->ControlsDisabled());
    // The details follow the new current row.
    QCOMPARE(Dm().ConfExtras->RecordCount(), 1);
    QCOMPARE(Dm().ConfExtras->FieldByName("l_e_name").AsString(), QString("Lunch provided"));
}

void TstDMFilters::applyFailureLeavesClosedWithNotificationsOn()
{
    // A date the engine cannot read makes the open fail.
    const TTimeFilter broken = Range(QDate(), QDate(2005, 3, 31));
    TConfFilter conf;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                             Dm().ApplyConferenceFilter(Dm().Conferences, conf, broken));
    QVERIFY(!Dm().Conferences->Active());
    QVERIFY(!Dm().Conferences->ControlsDisabled());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().ApplyTranscriptFilter(conf, broken));
    QVERIFY(!Dm().Transcripts->Active());
    QVERIFY(!Dm().Transcripts->ControlsDisabled());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().ApplyPartConfsFilter(conf, broken));
    QVERIFY(!Dm().PartConfs->ControlsDisabled());

    // The next Apply with a sound filter opens them again.
    Dm().ApplyConferenceFilter(Dm().Conferences, conf, NoTime());
    QCOMPARE(Dm().Conferences->RecordCount(), 9);
}

void TstDMFilters::transcriptFilter()
{
    TConfFilter conf;
    Dm().ApplyTranscriptFilter(conf, NoTime());
    QCOMPARE(
        Dm().Transcripts->SQL(),
        QString("select   distinct p.user_id, p.last_name, p.first_name, sum(c.units) as units "
                "from   participants p, attendances a, conferences c where   p.user_id = "
                "a.user_id and   a.conf_id = c.conf_id    group by   p.user_id, p.last_name, "
                "p.first_name"));
    QCOMPARE(Dm().Transcripts->RecordCount(), 6);

    // The end bound is midnight at the start of 31 March: Range End (09:00 that day) is out.
    Dm().ApplyTranscriptFilter(conf, Range(QDate(2005, 1, 1), QDate(2005, 3, 31)));
    QVERIFY(Dm().Transcripts->SQL().contains(
        "a.conf_id = c.conf_id    and  c.begin_date between #1/1/2005# and #3/31/2005#  group by"));
    QCOMPARE(Column(Dm().Transcripts, "user_id"), QStringList({"1", "2", "3", "6"}));

    conf.Credits = CreditLines({7});
    Dm().ApplyTranscriptFilter(conf, Years({"2005", "2004"}));
    // CNE: Oncology Day (2005, 2 units) and Card Games (2004, 0.75 units).
    QCOMPARE(Column(Dm().Transcripts, "user_id"), QStringList({"1", "2"}));
    QVERIFY(Dm().Transcripts->Locate("user_id", 1));
    QCOMPARE(Dm().Transcripts->FieldByName("units").AsFloat(), 2.0);
    QVERIFY(Dm().Transcripts->Locate("user_id", 2));
    QCOMPARE(Dm().Transcripts->FieldByName("units").AsFloat(), 0.75);
}

void TstDMFilters::partConfsFilterFollowsParticipant()
{
    TConfFilter conf;
    QVERIFY(Dm().Participants->Locate("user_id", 1));
    Dm().ApplyPartConfsFilter(conf, Years({"2005"}));
    QCOMPARE(
        Dm().PartConfs->SQL(),
        QString("select  a.user_id, a.conf_id, a.sign_in_date, c.conf_name, c.begin_date from  "
                "conferences c, attendances a where  c.conf_id = a.conf_id   and ( "
                "DatePart('yyyy', c.begin_date) = 2005 )  "));
    QCOMPARE(Column(Dm().PartConfs, "conf_id"), QStringList({"1", "2"}));
    QVERIFY(Dm().Participants->Locate("user_id", 2));
    QCOMPARE(Column(Dm().PartConfs, "conf_id"), QStringList({"1"})); // Card Games is 2004
    QVERIFY(Dm().Participants->Locate("user_id", 4));
    Dm().ApplyPartConfsFilter(conf, Range(QDate(2005, 1, 1), QDate(2005, 3, 31)));
    QVERIFY(Dm().PartConfs->IsEmpty()); // Range End begins after the end bound
    Dm().ApplyPartConfsFilter(conf, Range(QDate(2005, 1, 1), QDate(2005, 4, 1)));
    QCOMPARE(Column(Dm().PartConfs, "conf_id"), QStringList({"5"}));
}

void TstDMFilters::transcriptParticipants()
{
    TConfFilter conf;
    conf.Name = "card";
    QCOMPARE(TDM::SelectTranscriptParticipants(conf, NoTime(), {"12", "40"}),
             QString("select p.* from participants p where p.user_id in (12,40)"));
    QCOMPARE(TDM::SelectTranscriptParticipants(conf, NoTime(), {}),
             QString("select   distinct p.* from   participants p, attendances a, conferences c "
                     "where   p.user_id = a.user_id and   a.conf_id = c.conf_id    and  "
                     "c.conf_name like '%card%' "));
    QCOMPARE(TDM::SelectTranscriptParticipants(TConfFilter(), NoTime()),
             QString("select   distinct p.* from   participants p, attendances a, conferences c "
                     "where   p.user_id = a.user_id and   a.conf_id = c.conf_id   "));

    Dm().TransParticipants->SetSQL(TDM::SelectTranscriptParticipants(conf, Years({"2004"})));
    Dm().TransParticipants->Open();
    QCOMPARE(Column(Dm().TransParticipants, "user_id"), QStringList({"2"}));
    Dm().TransParticipants->Close();
    Dm().TransParticipants->SetSQL(TDM::SelectTranscriptParticipants(conf, NoTime(), {"3", "5"}));
    Dm().TransParticipants->Open();
    QCOMPARE(Column(Dm().TransParticipants, "user_id"), QStringList({"3", "5"}));
}

void TstDMFilters::searchConferenceParticipants()
{
    TDataSet* parts = Dm().ConfParts;
    QVERIFY(Dm().Conferences->Locate("conf_id", 1));
    parts->SetSort("first_name DESC");

    Dm().SearchConferenceParticipants("smi");
    QCOMPARE(parts->SQL(),
             QString("select   a.user_id, a.conf_id, a.sign_in_date, p.last_name, p.first_name,   "
                     "p.spec_id, p.title_id from   participants p, attendances a where   p.user_id "
                     "= a.user_id   and p.last_name like 'smi%' order by   p.last_name, "
                     "p.first_name "));
    QCOMPARE(Column(parts, "user_id"), QStringList{"1"});
    QCOMPARE(parts->Sort(), QString());

    Dm().SearchConferenceParticipants(" smi");
    QCOMPARE(Column(parts, "user_id"), QStringList{"6"});
    Dm().SearchConferenceParticipants("   ");
    QCOMPARE(parts->SQL(),
             QString("select   a.user_id, a.conf_id, a.sign_in_date, p.last_name, p.first_name,   "
                     "p.spec_id, p.title_id from   participants p, attendances a where   p.user_id "
                     "= a.user_id    order by   p.last_name, p.first_name "));
    QCOMPARE(parts->RecordCount(), 4);
    Dm().SearchConferenceParticipants("o'b");
    QCOMPARE(Column(parts, "user_id"), QStringList{"3"});
    Dm().SearchConferenceParticipants("MÜ");
    QCOMPARE(Column(parts, "user_id"), QStringList{"2"});
    Dm().SearchConferenceParticipants("x' or '1'='1");
    QVERIFY(parts->IsEmpty());

    // It stays the detail of the current conference.
    Dm().SearchConferenceParticipants("");
    QVERIFY(Dm().Conferences->Locate("conf_id", 2));
    QCOMPARE(Column(parts, "user_id"), QStringList{"1"});
}

void TstDMFilters::commaPrefixed()
{
    QCOMPARE(TDM::CommaPrefixed("CME"), QString(", CME"));
    QCOMPARE(TDM::CommaPrefixed(" a "), QString(",  a "));
    QCOMPARE(TDM::CommaPrefixed(""), QString());
    QCOMPARE(TDM::CommaPrefixed("  \t"), QString());
}

QTEST_GUILESS_MAIN(TstDMFilters)
#include "tst_dmfilters.moc"
