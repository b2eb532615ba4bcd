#include "ui/TSignInRegistrations.h"

#include "data/TDM.h"
#include "data/TRegistrations.h"
#include "settings/TConfig.h"
#include "db/TDataSet.h"

#include <QBrush>
#include <QCoreApplication>

namespace
{

// The pale green behind the name of a registered person.
const QColor kRegistered(220, 240, 220);

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSignInRegistrations", text);
}

const QString kSection = QStringLiteral("SignIn");
const QString kRegistrantsFirst = QStringLiteral("RegistrantsFirst");
const QString kRegistrantsFirstSort = QStringLiteral("registered DESC, last_name ASC");

} // namespace

bool TSignInRegistrations::RegistrantsFirst(const TConfig* config)
{
    return config && config->ReadInteger(kSection, kRegistrantsFirst, 0) != 0;
}

void TSignInRegistrations::SetRegistrantsFirst(TConfig& config, bool on)
{
    config.WriteInteger(kSection, kRegistrantsFirst, on ? 1 : 0);
}

void TSignInRegistrations::PrepareList()
{
    TDataSet* parts = m_dm.SignInParts;
    if (m_plainSql.isEmpty())
        m_plainSql = parts->SQL();
    const bool first = RegistrantsFirst(m_dm.Config) && m_dm.Registrations &&
                       m_dm.Registrations->Available();
    QString sql = m_plainSql;
    if (first)
        sql.replace(QStringLiteral(" as signed_in "),
                    QStringLiteral(" as signed_in, (select count(*) from registrations r where "
                                   "r.conf_id = :conf_id and r.user_id = p.user_id) as "
                                   "registered "));
    if (parts->SQL() != sql) {
        parts->Close();
        parts->SetSQL(sql);
    }
    if (first)
        parts->SetSort(kRegistrantsFirstSort);
    else if (parts->Sort() == kRegistrantsFirstSort)
        parts->SetSort(QString());
}

void TSignInRegistrations::Load(const QVariant& confId)
{
    m_registered.clear();
    if (!confId.isNull() && m_dm.Registrations && m_dm.Registrations->Available())
        m_registered = TRegistrations::RegisteredIds(*m_dm.Conn, confId.toInt());
}

QVariant TSignInRegistrations::Mark(int row, int role) const
{
    if (m_registered.isEmpty() || (role != Qt::BackgroundRole && role != Qt::ToolTipRole))
        return {};
    const TDataSet* parts = m_dm.SignInParts;
    const TField* userId = parts->FindField(QStringLiteral("user_id"));
    if (!userId || row < 0 || row >= parts->RecordCount() ||
        !m_registered.contains(parts->RowValue(row, userId->Index()).toInt()))
        return {};
    if (role == Qt::ToolTipRole)
        return Tr("Registered");
    return QBrush(kRegistered);
}

QString TSignInRegistrations::SignedInLine(int userId, const QString& name) const
{
    if (!m_registered.isEmpty() && !m_registered.contains(userId))
        return Tr("Signed in (not registered): %1").arg(name);
    return Tr("Signed in: %1").arg(name);
}
