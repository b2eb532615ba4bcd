#include "data/TRegistrations.h"

#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "db/TTransaction.h"

namespace {

bool HasTable(TConnection& conn)
{
    try {
        conn.ScalarQuery(QStringLiteral("select count(*) from registrations where conf_id = 0"));
        return true;
    } catch (const EDatabaseError&) {
        return false;
    }
}

} // namespace

TRegistrations::TRegistrations(TDM& dm) : QObject(&dm), m_dm(dm)
{
    ConfRegs = new TDataSet(*dm.Conn, QStringLiteral("ConfRegs"), this);
    ConfRegs->SetSQL(QStringLiteral(
        "select r.conf_id, r.user_id, r.registered_at, r.source, p.last_name, p.first_name "
        "from participants p, registrations r where p.user_id = r.user_id order by "
        "p.last_name, p.first_name"));
    ConfRegs->DeclareFields(
        {TFieldDef::Data(QStringLiteral("conf_id"), TFieldType::Integer),
         TFieldDef::Data(QStringLiteral("user_id"), TFieldType::Integer),
         TFieldDef::Data(QStringLiteral("registered_at"), TFieldType::DateTime, 0,
                         QStringLiteral("c")),
         TFieldDef::Data(QStringLiteral("source"), TFieldType::String, 20),
         TFieldDef::Data(QStringLiteral("last_name"), TFieldType::String, 30),
         TFieldDef::Data(QStringLiteral("first_name"), TFieldType::String, 30)});
    ConfRegs->SetMaster(dm.Conferences, QStringLiteral("conf_id"));
    m_available = !dm.OpenFailed && dm.Conn->Connected() && HasTable(*dm.Conn);
    if (m_available)
        ConfRegs->Open();
}

bool TRegistrations::Register(TConnection& conn, int confId, int userId, const QString& source)
{
    // One statement, so the pair check and the insert cannot be split by another writer.
    return conn.Execute(QStringLiteral("insert into registrations (conf_id, user_id, source) "
                                       "select %1, %2, ? where not exists (select 1 from "
                                       "registrations where conf_id = %1 and user_id = %2)")
                            .arg(confId)
                            .arg(userId),
                        {source}) > 0;
}

void TRegistrations::RegisterCurrentParticipant(const QString& source)
{
    if (!m_available || m_dm.Conferences->IsEmpty() || m_dm.Participants->IsEmpty())
        return;
    const QVariant confId = m_dm.Conferences->FieldByName(QStringLiteral("conf_id")).Value();
    const QVariant userId = m_dm.Participants->FieldByName(QStringLiteral("user_id")).Value();
    if (confId.isNull() || userId.isNull())
        return;
    TTransaction transaction(*m_dm.Conn);
    Register(*m_dm.Conn, confId.toInt(), userId.toInt(), source);
    transaction.Commit();
    Requery();
}

void TRegistrations::Remove(int confId, int userId)
{
    if (!m_available)
        return;
    m_dm.Conn->Execute(QStringLiteral("delete from registrations where conf_id = %1 and "
                                      "user_id = %2")
                           .arg(confId)
                           .arg(userId));
    Requery();
}

void TRegistrations::Requery()
{
    if (m_available)
        ConfRegs->Requery();
}

TRegistrations::TCounts TRegistrations::Counts(TConnection& conn, int confId)
{
    TCounts counts;
    // Only rows whose participant is still there count, as in every list.
    counts.registered =
        conn.ScalarQuery(QStringLiteral("select count(*) from registrations r, participants p "
                                        "where p.user_id = r.user_id and r.conf_id = %1")
                             .arg(confId))
            .toInt();
    counts.signedIn =
        conn.ScalarQuery(QStringLiteral("select count(*) from attendances a, participants p "
                                        "where p.user_id = a.user_id and a.conf_id = %1")
                             .arg(confId))
            .toInt();
    counts.notCome =
        conn.ScalarQuery(QStringLiteral("select count(*) from (%1) n").arg(NotComeSql(confId)))
            .toInt();
    return counts;
}

QString TRegistrations::CountsText(const TCounts& counts)
{
    return tr("Registered %1 · Signed in %2 · Not come %3")
        .arg(counts.registered)
        .arg(counts.signedIn)
        .arg(counts.notCome);
}

QString TRegistrations::NotComeSql(int confId)
{
    return QStringLiteral("select p.user_id, p.last_name, p.first_name, p.email, p.phone from "
                          "participants p, registrations r where p.user_id = r.user_id and "
                          "r.conf_id = %1 and not exists (select 1 from attendances a where "
                          "a.conf_id = r.conf_id and a.user_id = r.user_id) order by "
                          "p.last_name, p.first_name")
        .arg(confId);
}

QSet<int> TRegistrations::RegisteredIds(TConnection& conn, int confId)
{
    QSet<int> ids;
    TDataSet rows(conn, QStringLiteral("RegisteredIds"));
    rows.SetSQL(QStringLiteral("select user_id from registrations where conf_id = %1").arg(confId));
    rows.Open();
    for (int row = 0; row < rows.RecordCount(); ++row)
        ids.insert(rows.RowValue(row, 0).toInt());
    return ids;
}

bool TRegistrations::IsRegistered(int confId, int userId) const
{
    if (!m_available)
        return false;
    return m_dm.Conn
               ->ScalarQuery(QStringLiteral("select count(*) from registrations where conf_id = "
                                            "%1 and user_id = %2")
                                 .arg(confId)
                                 .arg(userId))
               .toInt() > 0;
}
