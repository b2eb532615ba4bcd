#include "TDataFixture.h"
#include "db/TError.h"

#include <QtTest>

using TDataFixture::Column;
using TDataFixture::Count;

// Participants and attendances: signing in once per pair, removing, saving with blank fields
// cleared, the last-name search, deleting, and the lists each change requeries in order.
class TstDMParticipants : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void addAttendanceOncePerPair();
    void addAttendancePairWrittenByAnotherProgram();
    void addAttendanceWithoutUniqueRule();
    void addAttendanceNeedsStoredRows();
    void addAttendanceByKeysSaysWhatItCameTo();
    void removeAttendanceRequeriesInOrder();
    void removeAttendanceNotHeldChangesNothing();
    void refreshSetsInOrder();
    void saveParticipantClearsBlankFields();
    void emailWithControlCharacterIsRefused_data();
    void emailWithControlCharacterIsRefused();
    void refusedSaveKeepsEditState();
    void searchParticipants_data();
    void searchParticipants();
    void searchBlankShowsAll();
    void deleteParticipant();

private:
    TDM& Dm() { return *m_fixture->dm; }
    TConnection& Db() { return m_fixture->db.Conn(); }
    void MakeCurrent(int confId, int userId);
    std::unique_ptr<TDataModuleFixture> m_fixture;
};

void TstDMParticipants::init()
{
    m_fixture = std::make_unique<TDataModuleFixture>();
}

void TstDMParticipants::cleanup()
{
    m_fixture.reset();
}

void TstDMParticipants::MakeCurrent(int confId, int userId)
{
    QVERIFY(Dm().Conferences->Locate("conf_id", confId));
    QVERIFY(Dm().Participants->Locate("user_id", userId));
}

void TstDMParticipants::addAttendanceOncePerPair()
{
    MakeCurrent(2, 3);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    Dm().AddAttendance();
    Dm().AddAttendance();
    QCOMPARE(Count(Db(), "select count(*) from attendances where conf_id = 2 and user_id = 3"), 1);
    QCOMPARE(Count(Db(), "select count(*) from attendances"), 9);
    QVERIFY(m_fixture->prompts.shown.isEmpty());
    QVERIFY(!Dm().Conn->InTransaction());

    // The database filled the sign-in time; the lists show it after their refresh.
    Dm().RequeryAfterPickedAttendance();
    QVERIFY(Dm().PartConfs->Locate("conf_id", 2));
    const QDateTime signedIn = Dm().PartConfs->FieldByName("sign_in_date").AsDateTime();
    QVERIFY(signedIn >= before && signedIn <= QDateTime::currentDateTime().addSecs(2));
    QVERIFY(Dm().ConfParts->Locate("user_id", 3));
    QCOMPARE(Dm().ConfParts->FieldByName("sign_in_date").AsDateTime(), signedIn);
}

void TstDMParticipants::addAttendancePairWrittenByAnotherProgram()
{
    MakeCurrent(2, 4);
    QCOMPARE(Dm().Attendances->RecordCount(), 8); // read before the other program writes
    m_fixture->db.Exec("insert into attendances (conf_id, user_id) values (2, 4)");
    Dm().AddAttendance();
    QCOMPARE(Count(Db(), "select count(*) from attendances where conf_id = 2 and user_id = 4"), 1);
    QVERIFY(m_fixture->prompts.shown.isEmpty());
    QCOMPARE(Dm().Attendances->DataState(), TDataSet::State::Browse);
    QVERIFY(!Dm().Conn->InTransaction());
}

void TstDMParticipants::addAttendanceWithoutUniqueRule()
{
    // A database file whose table lacks the pair rule must not get a second row either.
    if (TTempDatabase::OnServer())
        QSKIP("A server database is always made with the pair rule.");
    m_fixture->dm.reset();
    m_fixture->db.Exec("create table attendances_copy (conf_id INTEGER, user_id INTEGER, "
                       "sign_in_date DATETIME DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', "
                       "'localtime')))");
    m_fixture->db.Exec("insert into attendances_copy select * from attendances");
    m_fixture->db.Exec("drop table attendances");
    m_fixture->db.Exec("alter table attendances_copy rename to attendances");
    m_fixture->dm = std::make_unique<TDM>(m_fixture->db.Dir());
    QVERIFY(!Dm().OpenFailed);

    MakeCurrent(5, 5);
    QCOMPARE(Dm().Attendances->RecordCount(), 8);
    m_fixture->db.Exec("insert into attendances (conf_id, user_id) values (5, 5)");
    Dm().AddAttendance();
    Dm().AddAttendance();
    QCOMPARE(Count(Db(), "select count(*) from attendances where conf_id = 5 and user_id = 5"), 1);
    MakeCurrent(5, 6);
    Dm().AddAttendance();
    Dm().AddAttendance();
    QCOMPARE(Count(Db(), "select count(*) from attendances where conf_id = 5 and user_id = 6"), 1);
}

void TstDMParticipants::addAttendanceNeedsStoredRows()
{
    QVERIFY(Dm().Participants->Locate("user_id", 1));
    Dm().Conferences->Insert();
    Dm().AddAttendance();
    Dm().Conferences->Cancel();
    Dm().SearchParticipants("nobody");
    QVERIFY(Dm().Participants->IsEmpty());
    Dm().AddAttendance();
    QCOMPARE(Count(Db(), "select count(*) from attendances"), 8);
}

void TstDMParticipants::addAttendanceByKeysSaysWhatItCameTo()
{
    // The keys need not be the current rows of the lists: the sign-in window passes its own.
    MakeCurrent(1, 1);
    QCOMPARE(Dm().AddAttendance(2, 3), TDM::TSignIn::Added);
    QCOMPARE(Dm().AddAttendance(2, 3), TDM::TSignIn::AlreadySignedIn);
    QCOMPARE(Dm().AddAttendance(2, 9999), TDM::TSignIn::NotInDatabase);
    QCOMPARE(Dm().AddAttendance(9999, 3), TDM::TSignIn::NotInDatabase);
    QCOMPARE(Dm().AddAttendance(QVariant(), 3), TDM::TSignIn::NotInDatabase);
    QCOMPARE(Count(Db(), "select count(*) from attendances"), 9);
    QVERIFY(!Dm().Conn->InTransaction());
    // Written through the list, so that a later "Remove" finds the row.
    QVERIFY(Dm().Attendances->Locate("conf_id;user_id", QVariantList{2, 3}));
}

void TstDMParticipants::removeAttendanceRequeriesInOrder()
{
    MakeCurrent(1, 2);
    QCOMPARE(Dm().Attendances->RecordCount(), 8);
    TRequeryLog log(Dm());
    Dm().RemoveAttendance(1, 2);
    QCOMPARE(log.names, QStringList({"ConfParts", "PartConfs", "Transcripts"}));
    QCOMPARE(Count(Db(), "select count(*) from attendances where conf_id = 1 and user_id = 2"), 0);
    QCOMPARE(Count(Db(), "select count(*) from attendances"), 7);
    QVERIFY(!Dm().ConfParts->Locate("user_id", 2));
    QVERIFY(!Dm().PartConfs->Locate("conf_id", 1));
}

void TstDMParticipants::removeAttendanceNotHeldChangesNothing()
{
    // Written by another program after Attendances was read: listed, but not held.
    QCOMPARE(Dm().Attendances->RecordCount(), 8);
    m_fixture->db.Exec("insert into attendances (conf_id, user_id) values (4, 1)");
    TRequeryLog log(Dm());
    Dm().RemoveAttendance(4, 1);
    Dm().RemoveAttendance(99, 99);
    QVERIFY2(log.names.isEmpty(), qPrintable(log.names.join(",")));
    QCOMPARE(Count(Db(), "select count(*) from attendances"), 9);
    QVERIFY(m_fixture->prompts.shown.isEmpty());
}

void TstDMParticipants::refreshSetsInOrder()
{
    TRequeryLog log(Dm());
    Dm().RequeryAfterPickedAttendance();
    QCOMPARE(log.names, QStringList({"PartConfs", "ConfParts", "Transcripts"}));
    log.names.clear();
    Dm().RequeryAfterParticipantChange();
    QCOMPARE(log.names, QStringList({"PartConfs", "ConfParts", "SignInConfs", "Transcripts"}));
    log.names.clear();
    Dm().RequeryAfterSignInClosed();
    QCOMPARE(log.names, QStringList({"ConfParts", "PartConfs"}));
    log.names.clear();
    Dm().RequeryAfterConferenceChange();
    QCOMPARE(log.names, QStringList({"Attendances", "PartConfs", "ConfParts", "CalendarConfs",
                                     "SignInConfs", "Transcripts"}));

    Dm().SignInParts->SetParam("conf_id", 2);
    Dm().SignInParts->Open();
    QVERIFY(Dm().SignInParts->Locate("user_id", 5));
    log.names.clear();
    Dm().RequeryAfterSignInAttendance(5);
    QCOMPARE(log.names, QStringList({"SignInParts", "PartConfs", "ConfParts"}));
    QCOMPARE(Dm().SignInParts->FieldByName("user_id").AsInteger(), 5);
}

void TstDMParticipants::saveParticipantClearsBlankFields()
{
    Dm().Participants->Insert();
    TDataSet* p = Dm().Participants;
    p->FieldByName("last_name").SetAsString("  ");
    p->FieldByName("first_name").SetAsString("   ");
    p->FieldByName("address").SetAsString(" \t\r\n");
    p->FieldByName("city").SetAsString(" Bern ");
    p->FieldByName("state").SetAsString("");
    p->FieldByName("email").SetAsString(QString(QChar(0x1f)));
    p->FieldByName("phone").SetAsString("15551234567");
    p->FieldByName("mail_type").SetAsInteger(2);
    Dm().SaveParticipant();
    QCOMPARE(p->DataState(), TDataSet::State::Browse);
    const int userId = p->FieldByName("user_id").AsInteger();
    QVERIFY(userId > 6);
    const QString stored =
        Db().ScalarQuery(QStringLiteral("select '[' || last_name || ']' || ifnull(first_name, "
                                        "'null') || ifnull(address, 'null') || "
                                        "'[' || city || ']' || ifnull(state, 'null') || "
                                        "ifnull(email, 'null') || phone || "
                                        "ifnull(fax, 'null') from participants where user_id = %1")
                             .arg(userId))
            .toString();
    QCOMPARE(stored, QString("[  ]nullnull[ Bern ]nullnull15551234567null"));

    // ClearIfBlank on its own leaves a field with text alone.
    p->Edit();
    p->FieldByName("zip").SetAsString(" 3011");
    Dm().ClearIfBlank(p, "zip");
    QCOMPARE(p->FieldByName("zip").AsString(), QString(" 3011"));
    Dm().ClearIfBlank(p, "city");
    QCOMPARE(p->FieldByName("city").AsString(), QString(" Bern "));
    p->Cancel();
}

void TstDMParticipants::emailWithControlCharacterIsRefused_data()
{
    QTest::addColumn<QString>("email");
    QTest::newRow("CR LF") << "ann@example.org\r\nRCPT TO:<evil@example.net>";
    QTest::newRow("trailing LF") << "ann@example.org\n";
    QTest::newRow("TAB") << "ann\t@example.org";
    QTest::newRow("DEL") << QString("ann@example.org") + QChar(0x7f);
    QTest::newRow("line separator") << QString("ann@example.org") + QChar(0x2028);
}

void TstDMParticipants::emailWithControlCharacterIsRefused()
{
    QFETCH(QString, email);
    TDataSet* p = Dm().Participants;
    QVERIFY(p->Locate("user_id", 1));
    const QString before = p->FieldByName("email").AsString();
    p->Edit();
    p->FieldByName("email").SetAsString(email);
    try {
        Dm().SaveParticipant();
        QFAIL("saved");
    } catch (const TError& error) {
        QCOMPARE(error.Message(),
                 QString("The E-mail field contains a line break or another control character."));
    }
    QCOMPARE(p->DataState(), TDataSet::State::Edit);
    p->Cancel();
    QCOMPARE(Db().ScalarQuery("select email from participants where user_id = 1").toString(),
             before);

    // A new participant is refused alike; one stored so before keeps its address while the
    // rest of the row changes.
    p->Insert();
    p->FieldByName("last_name").SetAsString("Newman");
    p->FieldByName("email").SetAsString(email);
    QVERIFY_THROWS_EXCEPTION(TError, Dm().SaveParticipant());
    p->Cancel();
    Db().Execute("update participants set email = ? where user_id = 1", {email});
    p->Requery();
    QVERIFY(p->Locate("user_id", 1));
    p->Edit();
    p->FieldByName("city").SetAsString("Basel");
    Dm().SaveParticipant();
    QCOMPARE(Db().ScalarQuery("select email from participants where user_id = 1").toString(),
             email);
}

void TstDMParticipants::refusedSaveKeepsEditState()
{
    QVERIFY(Dm().Participants->Locate("user_id", 1));
    Dm().Participants->Edit();
    Dm().Participants->FieldByName("state").SetAsString("TOO");
    Dm().Participants->FieldByName("first_name").SetAsString(" ");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dm().SaveParticipant());
    QCOMPARE(Dm().Participants->DataState(), TDataSet::State::Edit);
    QCOMPARE(Dm().Participants->FieldByName("state").AsString(), QString("TOO"));
    Dm().Participants->FieldByName("state").SetAsString("BE");
    Dm().SaveParticipant();
    QCOMPARE(
        Db().ScalarQuery(
                "select ifnull(first_name, 'null') || state from participants where user_id = 1")
            .toString(),
        QString("nullBE"));
}

void TstDMParticipants::searchParticipants_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("prefix") << "smi"
                            << "last_name like 'smi%'" << QStringList({"1", "4"});
    QTest::newRow("leading blank kept") << " Smi"
                                        << "last_name like ' Smi%'" << QStringList({"6"});
    QTest::newRow("quote") << "O'B"
                           << "last_name like 'O''B%'" << QStringList({"3"});
    QTest::newRow("quote, lower case") << "o'brien"
                                       << "last_name like 'o''brien%'" << QStringList({"3"});
    QTest::newRow("injection is text") << "x' or '1'='1"
                                       << "last_name like 'x'' or ''1''=''1%'" << QStringList();
    QTest::newRow("umlaut") << "mü"
                            << "last_name like 'mü%'" << QStringList({"2"});
    QTest::newRow("capital umlaut") << "ö"
                                    << "last_name like 'ö%'" << QStringList({"5"});
    QTest::newRow("other case, whole name") << "MÜLLER"
                                            << "last_name like 'MÜLLER%'" << QStringList({"2"});
}

void TstDMParticipants::searchParticipants()
{
    QFETCH(QString, text);
    QFETCH(QString, filter);
    QFETCH(QStringList, ids);
    Dm().SearchParticipants(text);
    QVERIFY(Dm().Participants->Filtered());
    QCOMPARE(Dm().Participants->Filter(), filter);
    QCOMPARE(Column(Dm().Participants, "user_id"), ids);
    QVERIFY(!Dm().Participants->ControlsDisabled());
}

void TstDMParticipants::searchBlankShowsAll()
{
    Dm().SearchParticipants("smi");
    QCOMPARE(Dm().Participants->RecordCount(), 2);
    // The participant's conference list follows the first row found.
    QCOMPARE(Column(Dm().PartConfs, "conf_id"), QStringList({"1", "2"}));
    Dm().SearchParticipants("  ");
    QVERIFY(!Dm().Participants->Filtered());
    QCOMPARE(Dm().Participants->RecordCount(), 6);
    Dm().SearchParticipants("smi");
    Dm().SearchParticipants("");
    QCOMPARE(Dm().Participants->RecordCount(), 6);
}

void TstDMParticipants::deleteParticipant()
{
    const QStringList refresh{"PartConfs", "ConfParts", "SignInConfs", "Transcripts"};
    QVERIFY(Dm().Participants->Locate("user_id", 3));
    TRequeryLog log(Dm());
    m_fixture->prompts.QueueAnswer(false);
    QVERIFY(!Dm().DeleteParticipant());
    QCOMPARE(m_fixture->prompts.LastText(), QString("Remove participant?"));
    QCOMPARE(log.names, refresh);
    QCOMPARE(Count(Db(), "select count(*) from participants"), 6);

    QVERIFY(Dm().Participants->Locate("user_id", 3));
    log.names.clear();
    m_fixture->prompts.QueueAnswer(true);
    QVERIFY(Dm().DeleteParticipant());
    QCOMPARE(Count(Db(), "select count(*) from participants where user_id = 3"), 0);
    // Its attendances stay in the table but show in no list.
    QCOMPARE(Count(Db(), "select count(*) from attendances where user_id = 3"), 1);
    QCOMPARE(log.names.mid(log.names.size() - 4), refresh);
    QVERIFY(Dm().Conferences->Locate("conf_id", 1));
    QVERIFY(!Dm().ConfParts->Locate("user_id", 3));

    // With no participant nothing is asked, and the lists are still requeried.
    Dm().SearchParticipants("nobody");
    m_fixture->prompts.Clear();
    log.names.clear();
    QVERIFY(!Dm().DeleteParticipant());
    QVERIFY(m_fixture->prompts.shown.isEmpty());
    QCOMPARE(log.names, refresh);
    QCOMPARE(m_fixture->prompts.unansweredQuestions, 0);
}

QTEST_GUILESS_MAIN(TstDMParticipants)
#include "tst_dmparticipants.moc"
