#include "db/TDataSet.h"

#include "db/TConnection.h"
#include "db/TDataSetInternal.h"
#include "db/TError.h"
#include "db/TFilterExpression.h"
#include "db/TSqlDialect.h"

#include <QCoreApplication>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDataSet", text);
}

} // namespace

using namespace TDataSetInternal;


TDataSet::TDataSet(TConnection& conn, const QString& name, QObject* parent)
    : QObject(parent), m_conn(conn), m_name(name)
{
    setObjectName(name);
}

TDataSet::~TDataSet()
{
    if (m_master)
        m_master->m_details.removeAll(this);
    for (TDataSet* d : m_details)
        d->m_master = nullptr;
}

// ---------------------------------------------------------------------------------------------
// SQL, parameters, declared fields

void TDataSet::SetSQL(const QString& sql)
{
    m_sql = sql;
    DetectBaseTable();
}

void TDataSet::SetParam(const QString& name, const QVariant& value)
{
    QString key = name;
    if (key.startsWith(u':'))
        key.remove(0, 1);
    m_params.insert(key.toLower(), value);
}

QVariant TDataSet::Param(const QString& name) const
{
    QString key = name;
    if (key.startsWith(u':'))
        key.remove(0, 1);
    return m_params.value(key.toLower());
}

void TDataSet::DeclareFields(const QList<TFieldDef>& defs)
{
    if (Active())
        throw EDatabaseError(Tr("%1: fields cannot be declared while open.").arg(m_name));
    m_declared = defs;
}

void TDataSet::SetEditMask(const QString& fieldName, const QString& mask)
{
    m_editMasks.insert(fieldName.toLower(), mask);
    for (auto& def : m_declared)
        if (def.name.compare(fieldName, Qt::CaseInsensitive) == 0)
            def.editMask = mask;
}

void TDataSet::DetectBaseTable()
{
    const auto m = SingleTableRe().match(m_sql);
    m_baseTable = m.hasMatch() ? m.captured(1) : QString();
}

QString TDataSet::RowIdOwner() const
{
    const auto m = SingleTableRe().match(m_sql);
    const QString alias = m.captured(2);
    const bool aliasIsKeyword = alias.compare(QLatin1String("where"), Qt::CaseInsensitive) == 0 ||
                                alias.compare(QLatin1String("order"), Qt::CaseInsensitive) == 0;
    return (!alias.isEmpty() && !aliasIsKeyword) ? alias : m_baseTable;
}

QString TDataSet::ExecutableSql() const
{
    QString sql = m_sql;
    if (!m_baseTable.isEmpty()) {
        // Single-table data sets carry the row id, so posts and deletes find their row.
        static const QRegularExpression star(QStringLiteral("^\\s*select\\s+\\*"),
                                             QRegularExpression::CaseInsensitiveOption);
        sql.replace(star, QStringLiteral("select *, %1.%3 as %2")
                              .arg(RowIdOwner(), kRowIdColumn, m_conn.RowIdColumn(m_baseTable)));
    }
    if (m_master)
        sql = QStringLiteral("select * from (%1) as __rows where \"%2\" = :%3")
                  .arg(sql, m_masterField, kMasterParam);
    return m_conn.Translate(sql);
}

// ---------------------------------------------------------------------------------------------
// Life cycle

void TDataSet::Open()
{
    if (Active())
        return;
    if (m_sql.trimmed().isEmpty())
        throw EDatabaseError(Tr("%1: the data set has no SQL text.").arg(m_name));
    if (m_master)
        ApplyMasterValue();
    if (m_deferred && !m_master) {
        PrepareColumns();
        m_fetchPending = true;
    } else {
        Fetch();
    }
    BuildFields();
    m_state = State::Browse;
    RebuildView(false);
    NotifyState();
    NotifyReset();
}

void TDataSet::EnsureFetched() const
{
    // A row being added to a list not read yet is kept until it is posted or cancelled.
    if (!m_fetchPending || m_state == State::Insert || m_state == State::Edit)
        return;
    auto* self = const_cast<TDataSet*>(this);
    self->Fetch();
    self->RebuildView(false);
    self->NotifyReset();
}

void TDataSet::Close()
{
    if (!Active())
        return;
    m_state = State::Inactive;
    m_fetchPending = false;
    m_fields.clear();
    m_fieldIndex.clear();
    m_snapshot.ClearRows();
    m_view.clear();
    m_deleted.clear();
    m_current = -1;
    m_eof = m_bof = true;
    m_editBuffer.clear();
    m_editStorageRow = -1;
    m_filter.reset();
    InvalidateLookupIndexes();
    NotifyState();
    NotifyReset();
}

void TDataSet::Requery()
{
    CheckActive();
    if (m_state != State::Browse)
        Post();
    if (m_master)
        ApplyMasterValue();
    if (m_deferred && !m_master) {
        // The text is checked now, so a bad query still fails here; the rows are read when
        // somebody needs them (a shown grid, a read, a search).
        PrepareColumns();
        m_fetchPending = true;
        InvalidateLookupIndexes();
        BuildFields();
        RebuildView(false);
        Q_EMIT Fetched();
        NotifyReset();
        return;
    }
    Fetch();
    RebuildView(false);
    NotifyReset();
}

void TDataSet::Refresh(const QString& keyFields)
{
    CheckActive();
    EnsureFetched();
    const QList<int> idx = ResolveFieldList(keyFields);
    QVariantList keys;
    const bool had = m_current >= 0;
    if (had)
        for (int i : idx)
            keys << FieldValue(Fields(i));
    DisableControls();
    try {
        Requery();
        if (had)
            Locate(keyFields, keys.size() == 1 ? keys.first() : QVariant(keys));
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}
