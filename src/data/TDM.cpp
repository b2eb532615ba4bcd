#include "data/TDM.h"

#include "data/TRegistrations.h"

#include "settings/TConfig.h"
#include "settings/TDatabaseSettings.h"
#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "db/TPrompts.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kPhoneMask = QStringLiteral("!9\\(999\\)999-9999;0;_");

TFieldDef Int(const char* name)
{
    return TFieldDef::Data(QLatin1String(name), TFieldType::Integer);
}
TFieldDef AutoInc(const char* name)
{
    return TFieldDef::Data(QLatin1String(name), TFieldType::AutoInc);
}
TFieldDef Text(const char* name, int size)
{
    return TFieldDef::Data(QLatin1String(name), TFieldType::String, size);
}
TFieldDef Date(const char* name, const QString& format = {})
{
    return TFieldDef::Data(QLatin1String(name), TFieldType::DateTime, 0, format);
}
TFieldDef Dec(const char* name, const QString& format = {})
{
    return TFieldDef::Data(QLatin1String(name), TFieldType::Decimal, 0, format);
}
TFieldDef Small(const char* name)
{
    return TFieldDef::Data(QLatin1String(name), TFieldType::SmallUInt);
}
TFieldDef Masked(TFieldDef def)
{
    def.editMask = kPhoneMask;
    return def;
}

const QString kDateTimeAmPm = QStringLiteral("dd.mm.yyyy  hh:mm AM/PM");
const QString kDateTimeSecAmPm = QStringLiteral("dd.mm.yyyy  hh:mm:ss AM/PM");

} // namespace

TDM::TDM(const QString& workingDirectory, QObject* parent)
    : QObject(parent),
      m_workingDirectory(workingDirectory.isEmpty() ? QDir::currentPath() : workingDirectory)
{
    setObjectName(QStringLiteral("DM"));
    Conn = new TConnection(this);
    connect(Conn, &TConnection::AttendancesChangedElsewhere, this, &TDM::RefreshSignInsElsewhere);
    CreateCatalogue();
    DataModuleCreate();
    Registrations = new TRegistrations(*this);
}

TDM::~TDM()
{
    DataModuleDestroy();
}

QList<TDataSet*> TDM::AllDataSets() const
{
    return {Participants, PartConfs,     Conferences,      ConfParts,        Speakers,
            ConfSpeakers, ConfCredits,   Credits,          Titles,           Specialities,
            ConfExtras,   Extras,        Attendances,      Transcripts,      CalendarConfs,
            SignInConfs,  SignInParts,   TransParticipants, TransConferences, TransStatistics,
            TransConfCredits, TransConfExtras, TransEmail};
}

void TDM::CreateCatalogue()
{
    auto make = [this](const char* name, const QString& sql) {
        auto* ds = new TDataSet(*Conn, QLatin1String(name), this);
        ds->SetSQL(sql);
        return ds;
    };

    Participants = make("Participants", QStringLiteral("select * from participants"));
    Participants->DeclareFields({Int("user_id"), Text("last_name", 30), Text("first_name", 30),
                                 Text("address", 100), Text("city", 50), Text("state", 2),
                                 Text("zip", 10), Masked(Text("phone", 12)), Text("email", 50),
                                 Int("title_id"), Int("spec_id"), Small("mail_type"),
                                 Masked(Text("fax", 12))});

    PartConfs = make("PartConfs",
                     QStringLiteral("select a.user_id, a.conf_id, a.sign_in_date, c.conf_name, "
                                    "c.begin_date from conferences c, attendances a where "
                                    "c.conf_id = a.conf_id"));
    PartConfs->DeclareFields({Int("conf_id"), Int("user_id"), Date("sign_in_date", kDateTimeAmPm),
                              Text("conf_name", 100), Date("begin_date")});

    Conferences = make("Conferences", QStringLiteral("select * from conferences order by begin_date desc"));
    Conferences->DeclareFields({Int("conf_id"), Text("conf_name", 100),
                                Date("begin_date", QStringLiteral("c")),
                                Date("end_date", kDateTimeAmPm), Text("series", 100), Dec("units")});

    ConfParts = make("ConfParts",
                     QStringLiteral("select a.user_id, a.conf_id, a.sign_in_date, p.last_name, "
                                    "p.first_name, p.spec_id, p.title_id from participants p, "
                                    "attendances a where p.user_id = a.user_id order by "
                                    "p.last_name, p.first_name"));
    ConfParts->DeclareFields({Int("conf_id"), Int("user_id"), Date("sign_in_date", kDateTimeSecAmPm),
                              Text("last_name", 30), Text("first_name", 30), Int("spec_id"),
                              Int("title_id")});

    Speakers = make("Speakers", QStringLiteral("select * from speakers order by last_name"));
    Speakers->DeclareFields({AutoInc("speak_id"), Text("last_name", 30), Text("first_name", 30),
                             Text("place", 100), Int("title_id")});

    Credits = make("Credits", QStringLiteral("select * from credits order by c_name"));
    Titles = make("Titles", QStringLiteral("select * from titles order by t_name"));
    Titles->DeclareFields({AutoInc("title_id"), Text("t_name", 15)});
    Specialities = make("Specialities", QStringLiteral("select * from specialities order by s_name"));
    Specialities->DeclareFields({AutoInc("spec_id"), Text("s_name", 40)});
    Extras = make("Extras", QStringLiteral("select * from extras"));

    ConfSpeakers = make("ConfSpeakers", QStringLiteral("select * from conf_speakers"));
    ConfSpeakers->DeclareFields(
        {Int("conf_id"), Int("speak_id"),
         TFieldDef::Lookup(QStringLiteral("l_last_name"), TFieldType::String, 30, Speakers,
                           QStringLiteral("speak_id"), QStringLiteral("speak_id"), QStringLiteral("last_name")),
         TFieldDef::Lookup(QStringLiteral("l_first_name"), TFieldType::String, 30, Speakers,
                           QStringLiteral("speak_id"), QStringLiteral("speak_id"), QStringLiteral("first_name")),
         TFieldDef::Lookup(QStringLiteral("l_title_id"), TFieldType::Integer, 0, Speakers,
                           QStringLiteral("speak_id"), QStringLiteral("speak_id"), QStringLiteral("title_id")),
         TFieldDef::Lookup(QStringLiteral("l_place"), TFieldType::String, 100, Speakers,
                           QStringLiteral("speak_id"), QStringLiteral("speak_id"), QStringLiteral("place"))});

    ConfCredits = make("ConfCredits", QStringLiteral("select * from conf_credits"));
    ConfCredits->DeclareFields(
        {Int("conf_id"), Int("credit_id"),
         TFieldDef::Lookup(QStringLiteral("l_c_name"), TFieldType::String, 10, Credits,
                           QStringLiteral("credit_id"), QStringLiteral("credit_id"), QStringLiteral("c_name"))});

    ConfExtras = make("ConfExtras", QStringLiteral("select * from conf_extras"));
    ConfExtras->DeclareFields(
        {Int("conf_id"), Int("extra_id"),
         TFieldDef::Lookup(QStringLiteral("l_e_name"), TFieldType::String, 50, Extras,
                           QStringLiteral("extra_id"), QStringLiteral("extra_id"), QStringLiteral("e_name"))});

    Attendances = make("Attendances", QStringLiteral("select * from attendances"));

    Transcripts = make("Transcripts",
                       QStringLiteral("select distinct p.user_id, p.last_name, p.first_name, "
                                      "sum(c.units) as units from participants p, attendances a, "
                                      "conferences c where p.user_id = a.user_id and a.conf_id = "
                                      "c.conf_id group by p.user_id, p.last_name, p.first_name"));
    Transcripts->DeclareFields({AutoInc("user_id"), Text("last_name", 30), Text("first_name", 30),
                                Dec("units", QStringLiteral("0.00"))});

    CalendarConfs = make("CalendarConfs", QStringLiteral("select * from conferences order by begin_date desc"));
    CalendarConfs->DeclareFields({AutoInc("conf_id"), Date("begin_date", QStringLiteral("c")),
                                  Text("conf_name", 100)});

    SignInConfs = make("SignInConfs", QStringLiteral("select conf_id, begin_date, conf_name from "
                                                     "conferences order by begin_date desc"));
    SignInConfs->DeclareFields({AutoInc("conf_id"), Date("begin_date", QStringLiteral("c")),
                                Text("conf_name", 100)});

    SignInParts = make("SignInParts",
                       QStringLiteral("select p.user_id, p.last_name, p.first_name, "
                                      "count(a.user_id) as signed_in from participants p left "
                                      "outer join attendances a on (p.user_id = a.user_id and "
                                      "a.conf_id = :conf_id) group by p.user_id, p.last_name, "
                                      "p.first_name"));

    TransParticipants = make("TransParticipants", QStringLiteral("select distinct p.* from participants p"));
    TransParticipants->DeclareFields(
        {AutoInc("user_id"), Text("last_name", 30), Text("first_name", 30), Text("address", 100),
         Text("city", 50), Text("state", 2), Text("zip", 10), Text("phone", 12), Text("email", 50),
         Int("title_id"), Int("spec_id"), Small("mail_type"),
         TFieldDef::Lookup(QStringLiteral("l_title"), TFieldType::String, 15, Titles,
                           QStringLiteral("title_id"), QStringLiteral("title_id"), QStringLiteral("t_name")),
         TFieldDef::Lookup(QStringLiteral("l_speciality"), TFieldType::String, 40, Specialities,
                           QStringLiteral("spec_id"), QStringLiteral("spec_id"), QStringLiteral("s_name")),
         Text("fax", 12)});

    TransConferences = make("TransConferences",
                            QStringLiteral("select a.user_id, a.conf_id, c.conf_name, c.begin_date, "
                                           "c.units from conferences c, attendances a where "
                                           "c.conf_id = a.conf_id"));
    TransConferences->DeclareFields({Int("user_id"), Int("conf_id"), Text("conf_name", 100),
                                     Date("begin_date", QStringLiteral("ddddd")),
                                     Dec("units", QStringLiteral("0.00")),
                                     TFieldDef::Calculated(QStringLiteral("c_credits"), TFieldType::String, 200),
                                     TFieldDef::Calculated(QStringLiteral("c_extras"), TFieldType::String, 200)});

    TransStatistics = make("TransStatistics",
                           QStringLiteral("select a.user_id, cre.c_name, sum(c.units) as credit_units "
                                          "from conferences c, attendances a, conf_credits cc, "
                                          "credits cre where c.conf_id = a.conf_id and cc.conf_id = "
                                          "c.conf_id and cc.credit_id = cre.credit_id group by "
                                          "a.user_id, cre.c_name"));
    TransStatistics->DeclareFields({Int("user_id"), Text("c_name", 10),
                                    Dec("credit_units", QStringLiteral("0.00"))});

    TransConfCredits = make("TransConfCredits",
                            QStringLiteral("select cc.conf_id, c.c_name from conf_credits cc, credits "
                                           "c where cc.credit_id = c.credit_id"));
    TransConfExtras = make("TransConfExtras",
                           QStringLiteral("select ce.conf_id, e.e_name from conf_extras ce, extras e "
                                          "where ce.extra_id = e.extra_id"));
    TransEmail = make("TransEmail", QString());
    TransConferences->SetCalcHandler([this](const TDataSet& ds, const TField& field) -> QVariant {
        const int confId = ds.FieldByName(QStringLiteral("conf_id")).AsInteger();
        return field.FieldName() == QLatin1String("c_credits") ? ConferenceCreditsText(confId)
                                                               : ConferenceExtrasText(confId);
    });

    // Details follow their masters from the start, so no million-row join is ever fetched whole.
    LinkDetails();
    // The two largest lists are read when first used: Transcripts gets its filtered text before
    // the main window shows, and Attendances serves only the search for an existing pair.
    Transcripts->SetDeferredFetch(true);
    Attendances->SetDeferredFetch(true);
}

void TDM::LinkDetails()
{
    PartConfs->SetMaster(Participants, QStringLiteral("user_id"));
    ConfParts->SetMaster(Conferences, QStringLiteral("conf_id"));
    ConfSpeakers->SetMaster(Conferences, QStringLiteral("conf_id"));
    ConfCredits->SetMaster(Conferences, QStringLiteral("conf_id"));
    ConfExtras->SetMaster(Conferences, QStringLiteral("conf_id"));
}

void TDM::DataModuleCreate()
{
    Conn->Close();
    const QString databasePath = QDir(m_workingDirectory).filePath(QStringLiteral("cme.mdb"));
    OpenFailed = false;
    try {
        // Another program holding the file may let go of it: the user may try again.
        for (;;) {
            try {
                OpenDatabase(databasePath);
                break;
            } catch (const EDatabaseLocked& e) {
                if (!TPrompts::RetryOrCancel(e.Message())) {
                    OpenFailed = true;
                    return;
                }
            }
        }
        if (Conn->ReadOnly())
            TPrompts::ShowWarning(ReadOnlyReason());
        for (TDataSet* ds : {Titles, Specialities, Credits, Speakers, Extras, Transcripts,
                             Attendances, Participants, PartConfs, Conferences, ConfParts,
                             ConfSpeakers, ConfExtras, ConfCredits, CalendarConfs, SignInConfs})
            ds->Open();
        m_config = std::make_unique<TConfig>(QDir(m_workingDirectory).filePath(QStringLiteral("quorvel.ini")));
        Config = m_config.get();
        if (!Config->ParseProblem().isEmpty())
            TPrompts::ShowWarning(Config->ParseProblem());
    } catch (const TError& e) {
        TPrompts::ShowPlain(e.Message());
        Conn->Close();
        OpenFailed = true;
    } catch (const std::exception& e) {
        TPrompts::ShowPlain(QString::fromLocal8Bit(e.what()));
        Conn->Close();
        OpenFailed = true;
    }
}

void TDM::OpenDatabase(const QString& databasePath)
{
    // The engine comes from the [Database] section; without it, the file in the working folder.
    OpenConfiguredDatabase(*Conn, m_workingDirectory, databasePath);
}

bool TDM::ReadOnly() const
{
    return Conn->ReadOnly();
}

QString TDM::ReadOnlyReason() const
{
    return tr("%1 is read-only: changes cannot be saved.")
        .arg(QFileInfo(Conn->FilePath()).fileName());
}

void TDM::DataModuleDestroy()
{
    // Runs from the destructor: nothing may escape, and every step is tried.
    for (TDataSet* ds : AllDataSets()) {
        try {
            ds->Close();
        } catch (...) {
        }
    }
    Conn->Close();
    Config = nullptr;
    // The last write of quorvel.ini (the dialogs' column widths) is reported when it fails.
    if (m_config) {
        try {
            m_config->Flush();
        } catch (const TError& e) {
            TPrompts::ShowErrorBox(e.Message());
        }
    }
    m_config.reset();
}
