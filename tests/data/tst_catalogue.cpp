#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"

#include <QtTest>

// The data module's start-up and its catalogue of data sets on real database files.
class TstCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startupOpensTheSixteen();
    void missingDatabaseFailsWithOneMessage();
    void declaredFieldsAndFormats();
    void everyCatalogueTextRuns();
    void signInDateFilledByDatabase();
    void lookupsEmptyWithoutMatch();
    void detailsEmptyWithoutMaster();
    void settingsFlushedAtDestruction();
};

void TstCatalogue::startupOpensTheSixteen()
{
    TTempDatabase db;
    TTestPrompts prompts;
    TDM dm(db.Dir());
    QVERIFY(!dm.OpenFailed);
    QVERIFY(dm.Config);
    const QList<TDataSet*> open = {dm.Titles, dm.Specialities, dm.Credits, dm.Speakers,
                                   dm.Extras, dm.Transcripts, dm.Attendances, dm.Participants,
                                   dm.PartConfs, dm.Conferences, dm.ConfParts, dm.ConfSpeakers,
                                   dm.ConfExtras, dm.ConfCredits, dm.CalendarConfs, dm.SignInConfs};
    for (TDataSet* ds : dm.AllDataSets())
        QVERIFY2(ds->Active() == open.contains(ds), qPrintable(ds->Name()));
    QCOMPARE(dm.AllDataSets().size(), 23);
    QVERIFY(prompts.shown.isEmpty());
}

void TstCatalogue::missingDatabaseFailsWithOneMessage()
{
    QTemporaryDir dir;
    TTestPrompts prompts;
    {
        TDM dm(dir.path());
        QVERIFY(dm.OpenFailed);
        QVERIFY(!dm.Config);
        QVERIFY(!dm.Conn->Connected());
    }
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown.first().kind, TPrompts::Kind::Plain);
    QCOMPARE(prompts.shown.first().caption, TPrompts::ApplicationTitle());
    QVERIFY(prompts.shown.first().text.contains(QDir::toNativeSeparators(dir.filePath("cme.mdb"))));
    QVERIFY(!QFile::exists(dir.filePath("cme.mdb")));
    QVERIFY(!QFile::exists(dir.filePath("quorvel.ini")));
}

void TstCatalogue::declaredFieldsAndFormats()
{
    TTempDatabase db;
    TDM dm(db.Dir());
    QCOMPARE(dm.Participants->FieldNames(),
             QStringList({"user_id", "last_name", "first_name", "address", "city", "state", "zip",
                          "phone", "email", "title_id", "spec_id", "mail_type", "fax"}));
    QCOMPARE(dm.Participants->FieldByName("phone").EditMask(), QString("!9\\(999\\)999-9999;0;_"));
    QCOMPARE(dm.Participants->FieldByName("fax").EditMask(), QString("!9\\(999\\)999-9999;0;_"));
    QCOMPARE(dm.Conferences->FieldNames(),
             QStringList({"conf_id", "conf_name", "begin_date", "end_date", "series", "units"}));
    QCOMPARE(dm.Conferences->FieldByName("begin_date").DisplayFormat(), QString("c"));
    QCOMPARE(dm.Conferences->FieldByName("end_date").DisplayFormat(), QString("dd.mm.yyyy  hh:mm AM/PM"));
    QCOMPARE(dm.ConfParts->FieldByName("sign_in_date").DisplayFormat(), QString("dd.mm.yyyy  hh:mm:ss AM/PM"));
    QCOMPARE(dm.Transcripts->FieldByName("units").DisplayFormat(), QString("0.00"));
    QCOMPARE(dm.ConfSpeakers->FieldNames(),
             QStringList({"conf_id", "speak_id", "l_last_name", "l_first_name", "l_title_id", "l_place"}));
    QCOMPARE(dm.ConfSpeakers->FieldByName("l_place").Kind(), TFieldKind::Lookup);
    QCOMPARE(dm.Credits->FieldNames(), QStringList({"credit_id", "c_name"}));
    QCOMPARE(dm.Attendances->FieldNames(), QStringList({"conf_id", "user_id", "sign_in_date"}));
    QCOMPARE(dm.SignInConfs->FieldNames(), QStringList({"conf_id", "begin_date", "conf_name"}));
}

void TstCatalogue::everyCatalogueTextRuns()
{
    TTempDatabase db;
    db.Exec("insert into titles (t_name) values ('MD')");
    db.Exec("insert into specialities (s_name) values ('Cardiology')");
    db.Exec("insert into credits (c_name) values ('CME'), ('ANCC')");
    db.Exec("insert into extras (e_name) values ('Lunch')");
    db.Exec("insert into participants (last_name, first_name, title_id, spec_id, mail_type) values "
            "('Smith', 'Anna', 1, 1, 1), ('Adams', 'Bo', null, null, 2)");
    db.Exec("insert into conferences (conf_name, begin_date, end_date, units) values "
            "('Heart', '2005-03-07 09:00:00', '2005-03-07 17:00:00', 1.5), "
            "('Lungs', '2005-04-07 09:00:00', '2005-04-07 17:00:00', 2.25)");
    db.Exec("insert into conf_credits values (1, 1), (1, 2), (2, 1)");
    db.Exec("insert into conf_extras values (1, 1)");
    db.Exec("insert into attendances (conf_id, user_id) values (1, 1), (2, 1), (2, 2)");
    TDM dm(db.Dir());
    QVERIFY(!dm.OpenFailed);
    for (TDataSet* ds : {dm.TransParticipants, dm.TransConferences, dm.TransStatistics,
                         dm.TransConfCredits, dm.TransConfExtras}) {
        ds->Open();
        QVERIFY2(ds->RecordCount() > 0, qPrintable(ds->Name()));
    }
    dm.SignInParts->SetParam("conf_id", 2);
    dm.SignInParts->Open();
    QCOMPARE(dm.SignInParts->RecordCount(), 2);

    // Units summed per participant and per credit type.
    QVERIFY(dm.Transcripts->Locate("user_id", 1));
    QCOMPARE(dm.Transcripts->FieldByName("units").AsFloat(), 3.75);
    QCOMPARE(dm.Transcripts->FieldByName("units").DisplayText(), QLocale::system().toString(3.75, 'f', 2));
    QVERIFY(dm.TransStatistics->Locate("user_id;c_name", QVariantList{1, "CME"}));
    QCOMPARE(dm.TransStatistics->FieldByName("credit_units").AsFloat(), 3.75);
    QVERIFY(dm.TransStatistics->Locate("user_id;c_name", QVariantList{1, "ANCC"}));
    QCOMPARE(dm.TransStatistics->FieldByName("credit_units").AsFloat(), 1.5);
}

void TstCatalogue::signInDateFilledByDatabase()
{
    TTempDatabase db;
    db.Exec("insert into participants (last_name) values ('Smith')");
    db.Exec("insert into conferences (conf_name, begin_date) values ('Heart', '2005-03-07 09:00:00')");
    TDM dm(db.Dir());
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    dm.Attendances->Insert();
    dm.Attendances->FieldByName("conf_id").SetAsInteger(1);
    dm.Attendances->FieldByName("user_id").SetAsInteger(1);
    dm.Attendances->Post();
    dm.ConfParts->Requery();
    dm.PartConfs->Requery();
    QCOMPARE(dm.ConfParts->RecordCount(), 1);
    QVERIFY(dm.ConfParts->FieldByName("sign_in_date").AsDateTime() >= before);
    QVERIFY(dm.PartConfs->FieldByName("sign_in_date").AsDateTime() >= before);
    QVERIFY(dm.PartConfs->FieldByName("sign_in_date").AsDateTime() <= QDateTime::currentDateTime().addSecs(2));
}

void TstCatalogue::lookupsEmptyWithoutMatch()
{
    TTempDatabase db;
    db.Exec("insert into conferences (conf_name, begin_date) values ('Heart', '2005-03-07 09:00:00')");
    db.Exec("insert into conf_speakers values (1, 77)");
    db.Exec("insert into participants (last_name, title_id) values ('Smith', null)");
    TDM dm(db.Dir());
    QCOMPARE(dm.ConfSpeakers->RecordCount(), 1);
    for (const char* f : {"l_last_name", "l_first_name", "l_title_id", "l_place"})
        QVERIFY2(dm.ConfSpeakers->FieldByName(f).IsNull(), f);
    dm.TransParticipants->Open();
    QVERIFY(dm.TransParticipants->FieldByName("l_title").IsNull());
    QCOMPARE(dm.TransParticipants->FieldByName("l_title").AsString(), QString());
}

void TstCatalogue::detailsEmptyWithoutMaster()
{
    TTempDatabase db;
    db.Exec("insert into conferences (conf_name, begin_date) values ('Heart', '2005-03-07 09:00:00')");
    db.Exec("insert into attendances (conf_id, user_id) values (1, 5)");
    TDM dm(db.Dir());
    QVERIFY(dm.Participants->IsEmpty());
    QVERIFY(dm.PartConfs->IsEmpty());
    // The attendance's participant does not exist, so no conference list shows it either.
    QVERIFY(dm.ConfParts->IsEmpty());
}

void TstCatalogue::settingsFlushedAtDestruction()
{
    TTempDatabase db;
    // On a server the folder's settings name it.
    QCOMPARE(QFile::exists(db.FilePath("quorvel.ini")), TTempDatabase::OnServer());
    {
        TDM dm(db.Dir());
        dm.Config->WriteString("Dimensions", "PickConfNameWidth", "321");
    }
    QFile ini(db.FilePath("quorvel.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("PickConfNameWidth=321"));
}

QTEST_GUILESS_MAIN(TstCatalogue)
#include "tst_catalogue.moc"
