#include "data/TConfFilter.h"
#include "data/TConferenceDetails.h"
#include "TDataFixture.h"
#include "db/TError.h"
#include "data/TIdList.h"
#include "data/TTimeFilter.h"

#include <QtTest>

#include <limits>

using TDataFixture::Count;

// Conference records: the id-carrying lists, the detail values of the current conference and
// saving a conference with its link rows, all or nothing.
class TstDMConferences : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void fillListsCarryKeys();
    void copiedLinesKeepTheirKeys();
    void pickedSpeakerAndExtraAddedOnce();
    void showCurrentConference();
    void showNothingWhileEditingOrWithoutConference();
    void saveNewConferenceWithLinks();
    void saveTwiceAndSaveEmptyLists();
    void failedSaveOfNewConferenceChangesNothing();
    void failedSaveOfEditedConferenceChangesNothing();
    void refusedRowKeepsInsertState();
    void unitsOutsideTwoDecimalsAreRefused_data();
    void unitsOutsideTwoDecimalsAreRefused();

private:
    TDM& Dm() { return *m_fixture->dm; }
    TConnection& Db() { return m_fixture->db.Conn(); }
    // Every row of the tables a save touches, to compare before and after.
    QString DatabaseDump();
    std::unique_ptr<TDataModuleFixture> m_fixture;
};

void TstDMConferences::init()
{
    m_fixture = std::make_unique<TDataModuleFixture>();
}

void TstDMConferences::cleanup()
{
    m_fixture.reset();
}

QString TstDMConferences::DatabaseDump()
{
    QStringList parts;
    for (const char* sql :
         {"select group_concat(conf_id || '|' || conf_name || '|' || begin_date || '|' || "
          "end_date || '|' || ifnull(series, '') || '|' || units, ';') from (select * from "
          "conferences order by conf_id) as r",
          "select group_concat(conf_id || '-' || speak_id, ';') from (select * from conf_speakers "
          "order by conf_id, speak_id) as r",
          "select group_concat(conf_id || '-' || extra_id, ';') from (select * from conf_extras "
          "order by conf_id, extra_id) as r",
          "select group_concat(conf_id || '-' || credit_id, ';') from (select * from conf_credits "
          "order by conf_id, credit_id) as r",
          // A server's key counters move on for a refused row too (they are not part of its
          // transactions): there only the rows are compared.
          TTempDatabase::OnServer() ? "select 1"
                                    : "select group_concat(name || '=' || seq, ';') from sqlite_sequence"})
        parts << Db().ScalarQuery(QString::fromLatin1(sql)).toString();
    return parts.join(u'\n');
}

void TstDMConferences::fillListsCarryKeys()
{
    TIdList credits;
    credits.Add("stale", 99);
    Dm().Credits->Last();
    Dm().FillCredits(credits);
    QCOMPARE(credits.Texts(), QStringList({"AMA", "ANCC", "CME", "CNE"}));
    QCOMPARE(credits.Ids(), QList<int>({1, 2, 3, 7}));
    QCOMPARE(Dm().Credits->RecNo(), 0);
    QVERIFY(!Dm().Credits->ControlsDisabled());

    QVERIFY(Dm().Conferences->Locate("conf_id", 3));
    TIdList list;
    Dm().FillConferenceCredits(list);
    QCOMPARE(list.Texts(), QStringList({"CME", "CNE"}));
    QCOMPARE(list.Ids(), QList<int>({3, 7}));
    Dm().FillConferenceSpeakers(list);
    QCOMPARE(list.Texts(), QStringList({"Jane Doe", "Jörg Müller"}));
    QCOMPARE(list.Ids(), QList<int>({1, 3}));
    Dm().FillConferenceExtras(list);
    QCOMPARE(list.Texts(), QStringList({"Lunch provided"}));
    QCOMPARE(list.Ids(), QList<int>({1}));
    for (TDataSet* ds : {Dm().ConfCredits, Dm().ConfSpeakers, Dm().ConfExtras})
        QVERIFY(!ds->ControlsDisabled());

    // A link row whose speaker is gone shows with empty names.
    m_fixture->db.Exec("insert into conf_speakers (conf_id, speak_id) values (3, 42)");
    Dm().ConfSpeakers->Requery();
    Dm().FillConferenceSpeakers(list);
    QCOMPARE(list.Texts().last(), QString(" "));
    QCOMPARE(list.Ids().last(), 42);
}

void TstDMConferences::copiedLinesKeepTheirKeys()
{
    auto page = std::make_unique<TIdList>();
    Dm().FillCredits(*page);
    // A filter panel takes the lines with the same key objects.
    TConfFilter panel;
    panel.Credits.Add(page->Item(2));
    panel.Credits.Add(page->Item(3));
    QVERIFY(panel.Credits.Item(0).Object == page->Item(2).Object);
    const std::weak_ptr<const TIdObj> watch = page->Item(3).Object;

    // The page refills (a credit type was removed) and then goes away altogether.
    Dm().FillCredits(*page);
    page.reset();
    QVERIFY(!watch.expired());
    QCOMPARE(panel.Credits.Ids(), QList<int>({3, 7}));
    QCOMPARE(TDM::CreditsCondition("", "or", panel.Credits),
             QString("conf_id in (  select distinct conf_id from conf_credits where credit_id in "
                     "(3,7)) and "));
    panel.Credits.Clear();
    QVERIFY(watch.expired());
}

void TstDMConferences::pickedSpeakerAndExtraAddedOnce()
{
    TIdList speakers;
    QVERIFY(Dm().Speakers->Locate("speak_id", 1));
    Dm().AddPickedSpeaker(speakers);
    QCOMPARE(speakers.Texts(), QStringList{"Jane Doe"});
    QCOMPARE(speakers.Id(0), 1);
    Dm().AddPickedSpeaker(speakers);
    // Another speaker whose name differs only in letter case is taken for the same line.
    QVERIFY(Dm().Speakers->Locate("speak_id", 4));
    Dm().AddPickedSpeaker(speakers);
    QCOMPARE(speakers.Count(), 1);
    QCOMPARE(speakers.Id(0), 1);
    QVERIFY(Dm().Speakers->Locate("speak_id", 3));
    Dm().AddPickedSpeaker(speakers);
    QCOMPARE(speakers.Texts(), QStringList({"Jane Doe", "Jörg Müller"}));

    TIdList extras;
    extras.Add("LUNCH PROVIDED", 1);
    QVERIFY(Dm().Extras->Locate("extra_id", 1));
    Dm().AddPickedExtra(extras);
    QCOMPARE(extras.Count(), 1);
    QVERIFY(Dm().Extras->Locate("extra_id", 3));
    Dm().AddPickedExtra(extras);
    QCOMPARE(extras.Texts(), QStringList({"LUNCH PROVIDED", "Öffentliche Führung"}));
    QCOMPARE(extras.Id(1), 3);
}

void TstDMConferences::showCurrentConference()
{
    TConferenceDetails details;
    Dm().FillCredits(details.Credits);
    details.Credits.SetChecked(0, true); // left over from another conference
    // A credit renamed since the list was built matches no line.
    m_fixture->db.Exec("update credits set c_name = 'CNE-2' where credit_id = 7");
    Dm().Credits->Requery();

    QVERIFY(Dm().Conferences->Locate("conf_id", 3));
    QVERIFY(Dm().ShowCurrentConference(details));
    QCOMPARE(details.Credits.CheckedItems().Texts(), QStringList{"CME"});
    QCOMPARE(details.Speakers.Texts(), QStringList({"Jane Doe", "Jörg Müller"}));
    QCOMPARE(details.Extras.Ids(), QList<int>{1});
    QCOMPARE(details.Title, QString("Card Games"));
    QCOMPARE(details.Series, QString("Fun"));
    QCOMPARE(details.Units, 0.75);
    QCOMPARE(details.BeginDate, QDate(2004, 6, 1));
    QCOMPARE(details.BeginTime, QTime(8, 0));
    QCOMPARE(details.EndDate, QDate(2004, 6, 1));
    QCOMPARE(details.EndTime, QTime(12, 0));

    // Names are matched exactly, letter case included.
    details.Credits.Item(2).Text = "cme";
    QVERIFY(Dm().Conferences->Locate("conf_id", 1));
    QVERIFY(Dm().ShowCurrentConference(details));
    QVERIFY(details.Credits.CheckedItems().IsEmpty());
}

void TstDMConferences::showNothingWhileEditingOrWithoutConference()
{
    TConferenceDetails details;
    Dm().FillCredits(details.Credits);
    QVERIFY(Dm().Conferences->Locate("conf_id", 1));
    Dm().Conferences->Edit();
    details.Units = 9;
    details.Speakers.Add("typed", 5);
    QVERIFY(!Dm().ShowCurrentConference(details));
    QCOMPARE(details.Units, 9.0);
    QCOMPARE(details.Speakers.Count(), 1);
    Dm().Conferences->Cancel();

    TTimeFilter never(QStringLiteral("1990"));
    Dm().ApplyConferenceFilter(Dm().Conferences, TConfFilter(), never);
    QVERIFY(Dm().Conferences->IsEmpty());
    details.Credits.SetAllChecked(true);
    QVERIFY(Dm().ShowCurrentConference(details));
    QVERIFY(details.Speakers.IsEmpty());
    QVERIFY(details.Extras.IsEmpty());
    QVERIFY(details.Credits.CheckedItems().IsEmpty());
    QCOMPARE(details.Credits.Count(), 4);
    QCOMPARE(details.Units, 0.0);
}

void TstDMConferences::saveNewConferenceWithLinks()
{
    TConferenceDetails details;
    Dm().FillCredits(details.Credits);
    details.Credits.SetChecked(1, true); // ANCC
    details.Credits.SetChecked(3, true); // CNE
    details.Speakers.Add("Liam O'Brien", 2);
    details.Speakers.Add("Jane Doe", 1);
    details.Extras.Add("Lunch provided", 1);
    details.Units = 2.25;
    details.BeginDate = QDate(2005, 3, 5);
    details.BeginTime = QTime(14, 30); // a time picker's own date does not matter
    details.EndDate = QDate(2005, 3, 6);
    details.EndTime = QTime(9, 15, 20);

    Dm().Conferences->Insert();
    Dm().Conferences->FieldByName("conf_name").SetAsString("Wound Care");
    Dm().Conferences->FieldByName("series").SetAsString("Skin");
    Dm().SaveConference(details);

    QCOMPARE(Dm().Conferences->DataState(), TDataSet::State::Browse);
    const int confId = Dm().Conferences->FieldByName("conf_id").AsInteger();
    QCOMPARE(confId, 10);
    QCOMPARE(Db().ScalarQuery("select begin_date || ' ' || end_date || ' ' || units || ' ' || "
                              "conf_name from conferences where conf_id = 10")
                 .toString(),
             QString("2005-03-05 14:30:00 2005-03-06 09:15:20 2.25 Wound Care"));
    QCOMPARE(Db().ScalarQuery("select group_concat(speak_id) from conf_speakers where conf_id = 10")
                 .toString(),
             QString("2,1"));
    QCOMPARE(Db().ScalarQuery("select group_concat(credit_id) from conf_credits where conf_id = 10")
                 .toString(),
             QString("2,7"));
    QCOMPARE(Db().ScalarQuery("select group_concat(extra_id) from conf_extras where conf_id = 10")
                 .toString(),
             QString("1"));
    for (TDataSet* ds : {Dm().Conferences, Dm().ConfCredits, Dm().ConfSpeakers, Dm().ConfExtras})
        QVERIFY(!ds->ControlsDisabled());

    // The page shows what was stored.
    TConferenceDetails shown;
    Dm().FillCredits(shown.Credits);
    QVERIFY(Dm().ShowCurrentConference(shown));
    QCOMPARE(shown.Credits.CheckedItems().Texts(), QStringList({"ANCC", "CNE"}));
    QCOMPARE(shown.Speakers.Texts(), QStringList({"Liam O'Brien", "Jane Doe"}));
    QCOMPARE(shown.BeginTime, QTime(14, 30));
}

void TstDMConferences::saveTwiceAndSaveEmptyLists()
{
    QVERIFY(Dm().Conferences->Locate("conf_id", 3));
    TConferenceDetails details;
    Dm().FillCredits(details.Credits);
    QVERIFY(Dm().ShowCurrentConference(details));
    for (int round = 0; round < 2; ++round) {
        Dm().Conferences->Edit();
        Dm().SaveConference(details);
    }
    QCOMPARE(Count(Db(), "select count(*) from conf_speakers where conf_id = 3"), 2);
    QCOMPARE(Count(Db(), "select count(*) from conf_credits where conf_id = 3"), 2);
    QCOMPARE(Count(Db(), "select count(*) from conf_extras where conf_id = 3"), 1);

    Dm().Conferences->Edit();
    Dm().SaveConference(TIdList(), TIdList(), TIdList(), 0, QDate(2004, 6, 1), QTime(8, 0),
                        QDate(2004, 6, 1), QTime(12, 0));
    QCOMPARE(Count(Db(), "select count(*) from conf_speakers where conf_id = 3"), 0);
    QCOMPARE(Count(Db(), "select count(*) from conf_credits where conf_id = 3"), 0);
    QCOMPARE(Count(Db(), "select count(*) from conf_extras where conf_id = 3"), 0);
    QCOMPARE(Count(Db(), "select count(*) from conf_speakers"), 3); // other conferences keep theirs
    QCOMPARE(Db().ScalarQuery("select units from conferences where conf_id = 3").toDouble(), 0.0);
    QVERIFY(Dm().ConfSpeakers->IsEmpty());
}

void TstDMConferences::failedSaveOfNewConferenceChangesNothing()
{
    const QString before = DatabaseDump();
    m_fixture->db.Refuse("refuse_credit", "before insert", "conf_credits", "credit links are refused");
    TConferenceDetails details;
    Dm().FillCredits(details.Credits);
    details.Credits.SetChecked(2, true);
    details.Speakers.Add("Jane Doe", 1);
    details.Extras.Add("Lunch provided", 1);
    details.Units = 1.25;
    details.BeginDate = details.EndDate = QDate(2005, 6, 1);
    details.BeginTime = QTime(9, 0);
    details.EndTime = QTime(10, 0);

    const int rows = Dm().Conferences->RecordCount();
    Dm().Conferences->Insert();
    Dm().Conferences->FieldByName("conf_name").SetAsString("Typed title");
    try {
        Dm().SaveConference(details);
        QFAIL("the save succeeded although a link row was refused");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains("credit links are refused"), qPrintable(e.Message()));
    }
    QCOMPARE(DatabaseDump(), before);
    QCOMPARE(Dm().Conferences->DataState(), TDataSet::State::Insert);
    QCOMPARE(Dm().Conferences->RecordCount(), rows + 1);
    QCOMPARE(Dm().Conferences->FieldByName("conf_name").AsString(), QString("Typed title"));
    QVERIFY(Dm().Conferences->FieldByName("conf_id").IsNull());
    QVERIFY(Dm().ConfSpeakers->IsEmpty());
    QVERIFY(!Dm().Conn->InTransaction());
    for (TDataSet* ds : {Dm().Conferences, Dm().ConfCredits, Dm().ConfSpeakers, Dm().ConfExtras})
        QVERIFY(!ds->ControlsDisabled());

    m_fixture->db.Unrefuse("refuse_credit", "conf_credits");
    Dm().SaveConference(details);
    const int confId = Dm().Conferences->FieldByName("conf_id").AsInteger();
    QCOMPARE(Count(Db(), "select count(*) from conferences where conf_name = 'Typed title'"), 1);
    QCOMPARE(Db().ScalarQuery("select begin_date from conferences where conf_name = 'Typed title'")
                 .toString(),
             QString("2005-06-01 09:00:00"));
    for (const char* table : {"conf_speakers", "conf_extras", "conf_credits"})
        QCOMPARE(Count(Db(), QStringLiteral("select count(*) from %1 where conf_id = %2")
                                 .arg(QLatin1String(table))
                                 .arg(confId)),
                 1);
    QCOMPARE(Dm().Conferences->RecordCount(), rows + 1);
}

void TstDMConferences::failedSaveOfEditedConferenceChangesNothing()
{
    const QString before = DatabaseDump();
    m_fixture->db.Refuse("refuse_extra", "before insert", "conf_extras", "extra links are refused");
    QVERIFY(Dm().Conferences->Locate("conf_id", 1));
    TConferenceDetails details;
    Dm().FillCredits(details.Credits);
    QVERIFY(Dm().ShowCurrentConference(details));
    details.Speakers.Add("Jörg Müller", 3);
    details.Units = 4;

    Dm().Conferences->Edit();
    Dm().Conferences->FieldByName("conf_name").SetAsString("Cardiology Renamed");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().SaveConference(details));
    QCOMPARE(DatabaseDump(), before);
    QCOMPARE(Dm().Conferences->DataState(), TDataSet::State::Edit);
    QCOMPARE(Dm().Conferences->FieldByName("conf_id").AsInteger(), 1);
    QCOMPARE(Dm().Conferences->FieldByName("conf_name").AsString(), QString("Cardiology Renamed"));
    // The link lists show the stored rows again, not the ones rolled back.
    QCOMPARE(Dm().ConfSpeakers->RecordCount(), 1);

    // Cancel shows the stored row.
    Dm().Conferences->Cancel();
    QCOMPARE(Dm().Conferences->FieldByName("conf_name").AsString(), QString("Cardiology Update"));
    QCOMPARE(Dm().Conferences->FieldByName("units").AsFloat(), 1.5);

    // Once the cause is gone the same save goes through, with one set of link rows.
    m_fixture->db.Unrefuse("refuse_extra", "conf_extras");
    Dm().Conferences->Edit();
    Dm().Conferences->FieldByName("conf_name").SetAsString("Cardiology Renamed");
    Dm().SaveConference(details);
    QCOMPARE(Db().ScalarQuery("select conf_name from conferences where conf_id = 1").toString(),
             QString("Cardiology Renamed"));
    QCOMPARE(Db().ScalarQuery("select units from conferences where conf_id = 1").toDouble(), 4.0);
    QCOMPARE(Db().ScalarQuery("select group_concat(speak_id) from conf_speakers where conf_id = 1")
                 .toString(),
             QString("1,3"));
    QCOMPARE(Count(Db(), "select count(*) from conf_extras where conf_id = 1"), 1);
    QCOMPARE(Count(Db(), "select count(*) from conf_credits where conf_id = 1"), 1);
}

void TstDMConferences::refusedRowKeepsInsertState()
{
    const QString before = DatabaseDump();
    Dm().Conferences->Insert();
    Dm().Conferences->FieldByName("conf_name").SetAsString(QString(101, QChar('x')));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().SaveConference(TIdList(), TIdList(), TIdList(), 1,
                                                                 QDate(2005, 1, 1), QTime(9, 0),
                                                                 QDate(2005, 1, 1), QTime(10, 0)));
    QCOMPARE(DatabaseDump(), before);
    QCOMPARE(Dm().Conferences->DataState(), TDataSet::State::Insert);
    QCOMPARE(Dm().Conferences->FieldByName("conf_name").AsString().size(), 101);
    QVERIFY(!Dm().Conn->InTransaction());

    // Saving in browse state is refused by the data set itself.
    Dm().Conferences->Cancel();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().SaveConference(TIdList(), TIdList(), TIdList(), 1,
                                                                 QDate(2005, 1, 1), QTime(9, 0),
                                                                 QDate(2005, 1, 1), QTime(10, 0)));
    QCOMPARE(DatabaseDump(), before);
    QVERIFY(!Dm().Conferences->ControlsDisabled());
}

void TstDMConferences::unitsOutsideTwoDecimalsAreRefused_data()
{
    QTest::addColumn<double>("units");
    QTest::addColumn<bool>("stored");
    QTest::newRow("zero") << 0.0 << true;
    QTest::newRow("largest") << 99.99 << true;
    QTest::newRow("quarter") << 1.25 << true;
    QTest::newRow("three decimals") << 1.255 << false;
    QTest::newRow("too large") << 123.456 << false;
    QTest::newRow("hundred") << 100.0 << false;
    QTest::newRow("negative") << -1.0 << false;
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << false;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << false;
}

void TstDMConferences::unitsOutsideTwoDecimalsAreRefused()
{
    QFETCH(double, units);
    QFETCH(bool, stored);
    const QString before = DatabaseDump();
    Dm().Conferences->Edit();
    auto save = [&] {
        Dm().SaveConference(TIdList(), TIdList(), TIdList(), units, QDate(2005, 1, 1), QTime(9, 0),
                            QDate(2005, 1, 1), QTime(10, 0));
    };
    if (stored) {
        save();
        QCOMPARE(Dm().Conferences->FieldByName("units").AsFloat(), units);
        return;
    }
    try {
        save();
        QFAIL("the units were accepted");
    } catch (const EFieldError& e) {
        QVERIFY2(e.Message().contains(QStringLiteral("units must be a number from 0 to 99.99")),
                 qPrintable(e.Message()));
    }
    QCOMPARE(DatabaseDump(), before);
    QCOMPARE(Dm().Conferences->DataState(), TDataSet::State::Edit);
    QVERIFY(!Dm().Conferences->ControlsDisabled());
}

QTEST_GUILESS_MAIN(TstDMConferences)
#include "tst_dmconferences.moc"
