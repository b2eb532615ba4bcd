#include "TDataFixture.h"
#include "data/TRegistrations.h"

#include <QtTest>

using TDataFixture::Column;
using TDataFixture::Count;

// Registrations: once per pair, the registrants list of the current conference, the counts and
// the "Not come" list, and that a registration grants no credit.
class TstRegistrations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fixture = std::make_unique<TDataModuleFixture>(); }
    void cleanup() { m_fixture.reset(); }

    void registerOncePerPairAndList()
    {
        TRegistrations& regs = *Dm().Registrations;
        QVERIFY(regs.Available());
        QVERIFY(TRegistrations::Register(Db(), 1, 2, "import"));
        QVERIFY(!TRegistrations::Register(Db(), 1, 2, "desk"));
        QVERIFY(Dm().Conferences->Locate("conf_id", 1));
        QVERIFY(Dm().Participants->Locate("user_id", 5));
        regs.RegisterCurrentParticipant("desk");
        regs.RegisterCurrentParticipant("desk");
        QCOMPARE(Count(Db(), "select count(*) from registrations"), 2);
        QCOMPARE(Column(regs.ConfRegs, "last_name"), QStringList({"Müller", "Östberg"}));
        QCOMPARE(Column(regs.ConfRegs, "source"), QStringList({"import", "desk"}));
        QVERIFY(!regs.ConfRegs->FieldByName("registered_at").IsNull());

        // The list follows the current conference.
        QVERIFY(Dm().Conferences->Locate("conf_id", 2));
        QVERIFY(regs.ConfRegs->IsEmpty());
        QVERIFY(Dm().Conferences->Locate("conf_id", 1));
        regs.Remove(1, 2);
        regs.Remove(1, 2);
        QCOMPARE(Column(regs.ConfRegs, "last_name"), QStringList({"Östberg"}));
        QVERIFY(regs.IsRegistered(1, 5));
        QVERIFY(!regs.IsRegistered(1, 2));
    }

    void countsAndNotCome()
    {
        // Conference 1 has four sign-ins (users 1, 2, 3, 6); 1 and 4 registered, 4 did not come.
        QVERIFY(TRegistrations::Register(Db(), 1, 1, "import"));
        QVERIFY(TRegistrations::Register(Db(), 1, 4, "import"));
        QVERIFY(TRegistrations::Register(Db(), 2, 4, "import"));
        const auto counts = TRegistrations::Counts(Db(), 1);
        QCOMPARE(counts.registered, 2);
        QCOMPARE(counts.signedIn, 4);
        QCOMPARE(counts.notCome, 1);
        QCOMPARE(TRegistrations::CountsText(counts),
                 QString::fromUtf8("Registered 2 · Signed in 4 · Not come 1"));
        QCOMPARE(Db().ScalarQuery("select last_name from (" + TRegistrations::NotComeSql(1) + ") n")
                     .toString(),
                 QString("smithers"));
        QCOMPARE(TRegistrations::RegisteredIds(Db(), 1), QSet<int>({1, 4}));
        // A registrant whose participant row is gone counts nowhere.
        m_fixture->db.Exec("delete from participants where user_id = 4");
        QCOMPARE(TRegistrations::Counts(Db(), 1).registered, 1);
        QCOMPARE(TRegistrations::Counts(Db(), 1).notCome, 0);
    }

    void registrationGrantsNoCredit()
    {
        Dm().Transcripts->Open();
        const QStringList before = Column(Dm().Transcripts, "units");
        QVERIFY(TRegistrations::Register(Db(), 2, 4, "import"));
        QVERIFY(TRegistrations::Register(Db(), 4, 1, "import"));
        Dm().Transcripts->Requery();
        QCOMPARE(Column(Dm().Transcripts, "units"), before);
    }

    // A file or a server database made before registrations gains the table (and the one
    // before it, the delivery log) when it is opened for use, and can register at once.
    void olderDatabaseGainsTheTableWhenOpenedForUse()
    {
        TTempDatabase db;
        db.Exec("drop table registrations");
        db.Exec("drop table mail_log");
        TDM dm(db.Dir());
        QVERIFY(!dm.OpenFailed);
        QVERIFY(dm.Registrations->Available());
        QCOMPARE(Count(*dm.Conn, "select count(*) from registrations"), 0);
        QCOMPARE(Count(*dm.Conn, "select count(*) from mail_log"), 0);
        db.Exec("insert into participants (last_name) values ('New')");
        db.Exec("insert into conferences (conf_name) values ('New')");
        QVERIFY(TRegistrations::Register(*dm.Conn, 1, 1, "desk"));
        QVERIFY(!TRegistrations::Register(*dm.Conn, 1, 1, "desk"));
    }

private:
    TDM& Dm() { return *m_fixture->dm; }
    TConnection& Db() { return m_fixture->db.Conn(); }
    std::unique_ptr<TDataModuleFixture> m_fixture;
};

QTEST_MAIN(TstRegistrations)
#include "tst_registrations.moc"
