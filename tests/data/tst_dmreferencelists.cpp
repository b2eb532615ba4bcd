#include "TDataFixture.h"
#include "db/TError.h"

#include <QtTest>

using TDataFixture::Column;
using TDataFixture::Count;

// Removing entries of the reference lists together with what refers to them, all or nothing,
// and the name look-ups of the documents.
class TstDMReferenceLists : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void deleteCredit();
    void deleteTitle();
    void deleteSpeciality();
    void deleteSpeakerAndExtra();
    void failedRemovalChangesNothing();
    void failedSecondStepKeepsFirst();
    void names();

private:
    TDM& Dm() { return *m_fixture->dm; }
    TConnection& Db() { return m_fixture->db.Conn(); }
    std::unique_ptr<TDataModuleFixture> m_fixture;
};

void TstDMReferenceLists::init()
{
    m_fixture = std::make_unique<TDataModuleFixture>();
}

void TstDMReferenceLists::cleanup()
{
    m_fixture.reset();
}

void TstDMReferenceLists::deleteCredit()
{
    QVERIFY(Dm().Conferences->Locate("conf_id", 3));
    QCOMPARE(Dm().ConfCredits->RecordCount(), 2);
    QVERIFY(Dm().Credits->Locate("credit_id", 3)); // CME: granted by three conferences
    TRequeryLog log(Dm());
    Dm().DeleteCredit();
    QCOMPARE(log.names, QStringList{"ConfCredits"});
    QCOMPARE(Count(Db(), "select count(*) from conf_credits where credit_id = 3"), 0);
    QCOMPARE(Count(Db(), "select count(*) from conf_credits"), 4);
    QCOMPARE(Count(Db(), "select count(*) from credits where credit_id = 3"), 0);
    QCOMPARE(Column(Dm().Credits, "c_name"), QStringList({"AMA", "ANCC", "CNE"}));
    QCOMPARE(Column(Dm().ConfCredits, "credit_id"), QStringList{"7"});
    QVERIFY(!Dm().Conn->InTransaction());
}

void TstDMReferenceLists::deleteTitle()
{
    // MD: participant 1 and speakers 1 and 3.
    QVERIFY(Dm().Titles->Locate("title_id", 1));
    TRequeryLog log(Dm());
    Dm().DeleteTitle();
    QCOMPARE(log.names.filter(QRegularExpression("^(Participants|Speakers)$")),
             QStringList({"Participants", "Speakers"}));
    QCOMPARE(Count(Db(), "select count(*) from participants where title_id is null"), 5);
    QCOMPARE(
        Count(Db(), "select count(*) from participants where user_id = 1 and title_id is null"), 1);
    QCOMPARE(Count(Db(), "select count(*) from speakers where title_id is null"), 3);
    QCOMPARE(Count(Db(), "select count(*) from speakers where title_id = 2"), 1);
    QCOMPARE(Column(Dm().Titles, "t_name"), QStringList{"RN"});
    QVERIFY(Dm().Participants->Locate("user_id", 1));
    QVERIFY(Dm().Participants->FieldByName("title_id").IsNull());
    QVERIFY(Dm().Speakers->Locate("speak_id", 3));
    QVERIFY(Dm().Speakers->FieldByName("title_id").IsNull());
}

void TstDMReferenceLists::deleteSpeciality()
{
    QVERIFY(Dm().Specialities->Locate("spec_id", 1)); // participants 1 and 3
    TRequeryLog log(Dm());
    Dm().DeleteSpeciality();
    QCOMPARE(log.names.first(), QString("Participants"));
    QCOMPARE(Count(Db(), "select count(*) from participants where spec_id = 1"), 0);
    QCOMPARE(Count(Db(), "select count(*) from participants where spec_id = 2"), 1);
    QCOMPARE(Count(Db(), "select count(*) from participants"), 6);
    QCOMPARE(Column(Dm().Specialities, "s_name"), QStringList{"Oncology"});
    QVERIFY(Dm().Participants->Locate("user_id", 3));
    QVERIFY(Dm().Participants->FieldByName("spec_id").IsNull());
}

void TstDMReferenceLists::deleteSpeakerAndExtra()
{
    QVERIFY(Dm().Conferences->Locate("conf_id", 3));
    QVERIFY(Dm().Speakers->Locate("speak_id", 1));
    Dm().DeleteSpeaker();
    QCOMPARE(Count(Db(), "select count(*) from conf_speakers where speak_id = 1"), 0);
    QCOMPARE(Column(Dm().ConfSpeakers, "speak_id"), QStringList{"3"});
    // A speaker of no conference: the link statement has nothing to do.
    QVERIFY(Dm().Speakers->Locate("speak_id", 4));
    Dm().DeleteSpeaker();
    QCOMPARE(Count(Db(), "select count(*) from speakers"), 2);
    QCOMPARE(Count(Db(), "select count(*) from conf_speakers"), 3);

    QVERIFY(Dm().Extras->Locate("extra_id", 1));
    TRequeryLog log(Dm());
    Dm().DeleteExtra();
    QCOMPARE(log.names, QStringList{"ConfExtras"});
    QCOMPARE(Count(Db(), "select count(*) from conf_extras where extra_id = 1"), 0);
    QCOMPARE(Count(Db(), "select count(*) from conf_extras"), 2);
    QVERIFY(Dm().ConfExtras->IsEmpty());
    QCOMPARE(Count(Db(), "select count(*) from extras"), 2);
}

void TstDMReferenceLists::failedRemovalChangesNothing()
{
    // The row itself is refused after its link rows were deleted.
    m_fixture->db.Refuse("keep_credit", "before delete", "credits", "credits are kept");
    QVERIFY(Dm().Conferences->Locate("conf_id", 3));
    QVERIFY(Dm().Credits->Locate("credit_id", 7));
    try {
        Dm().DeleteCredit();
        QFAIL("the removal succeeded although the credit was kept");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains("credits are kept"), qPrintable(e.Message()));
    }
    QCOMPARE(Count(Db(), "select count(*) from conf_credits where credit_id = 7"), 3);
    QCOMPARE(Count(Db(), "select count(*) from credits"), 4);
    QCOMPARE(Dm().Credits->RecordCount(), 4);
    QCOMPARE(Dm().Credits->FieldByName("credit_id").AsInteger(), 7);
    QCOMPARE(Dm().ConfCredits->RecordCount(), 2);
    QVERIFY(!Dm().Conn->InTransaction());

    m_fixture->db.Refuse("keep_extra", "before delete", "extras", "extras are kept");
    QVERIFY(Dm().Extras->Locate("extra_id", 1));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().DeleteExtra());
    QCOMPARE(Count(Db(), "select count(*) from conf_extras where extra_id = 1"), 2);
    QCOMPARE(Dm().ConfExtras->RecordCount(), 1);

    // Once the cause is gone the same removal goes through.
    m_fixture->db.Unrefuse("keep_credit", "credits");
    QVERIFY(Dm().Credits->Locate("credit_id", 7));
    Dm().DeleteCredit();
    QCOMPARE(Count(Db(), "select count(*) from conf_credits where credit_id = 7"), 0);
    QCOMPARE(Dm().Credits->RecordCount(), 3);
}

void TstDMReferenceLists::failedSecondStepKeepsFirst()
{
    // The speakers' update fails after the participants' one succeeded.
    m_fixture->db.Refuse("keep_speaker_title", "before update", "speakers", "speaker titles are kept");
    QVERIFY(Dm().Titles->Locate("title_id", 1));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().DeleteTitle());
    QCOMPARE(Count(Db(), "select count(*) from participants where title_id = 1"), 1);
    QCOMPARE(Count(Db(), "select count(*) from speakers where title_id = 1"), 2);
    QCOMPARE(Count(Db(), "select count(*) from titles"), 2);
    QCOMPARE(Dm().Titles->RecordCount(), 2);
    QVERIFY(!Dm().Conn->InTransaction());

    m_fixture->db.Refuse("keep_speciality", "before update", "participants", "specialities are kept");
    QVERIFY(Dm().Specialities->Locate("spec_id", 2));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().DeleteSpeciality());
    QCOMPARE(Count(Db(), "select count(*) from specialities"), 2);
    QCOMPARE(Count(Db(), "select count(*) from participants where spec_id = 2"), 1);
}

void TstDMReferenceLists::names()
{
    Dm().Titles->Last();
    QCOMPARE(Dm().TitleName(2), QString("RN"));
    QCOMPARE(Dm().TitleName(1), QString("MD"));
    QCOMPARE(Dm().Titles->RecNo(), 1); // not moved
    QCOMPARE(Dm().TitleName(42), QString());
    QVERIFY(Dm().Participants->Locate("user_id", 3));
    QCOMPARE(Dm().TitleName(Dm().Participants->FieldByName("title_id").AsInteger()), QString());
    QCOMPARE(Dm().SpecialityName(2), QString("Oncology"));
    QCOMPARE(Dm().SpecialityName(0), QString());
}

QTEST_GUILESS_MAIN(TstDMReferenceLists)
#include "tst_dmreferencelists.moc"
