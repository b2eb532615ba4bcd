#include "db/TDataSet.h"

#include "db/TConnection.h"
#include "db/TDataSetInternal.h"
#include "db/TDisplayFormat.h"
#include "db/TError.h"
#include "db/TFilterExpression.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDataSet", text);
}

} // namespace

// Reading rows into the snapshot (whole, one row again, one row after a post), the fields built
// over its columns, field values, and the key indexes behind lookup fields.

namespace TDataSetInternal {

const QString kRowIdColumn = QStringLiteral("__rowid");
const QString kMasterParam = QStringLiteral("__master");
const QString kRowKeyParam = QStringLiteral("__rowkey");

bool IsIntegerType(TFieldType t)
{
    return t == TFieldType::Integer || t == TFieldType::AutoInc || t == TFieldType::SmallUInt;
}

const QRegularExpression& SingleTableRe()
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)\\s*"
                       "(?:([A-Za-z_][A-Za-z0-9_]*)\\s*)?(?:(where|order)\\b.*)?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return re;
}

} // namespace TDataSetInternal

using namespace TDataSetInternal;

bool TDataSet::IsHiddenColumn(const QString& name)
{
    return name.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0;
}

TConnection::TParamLookup TDataSet::Parameters(const QVariant& rowKey) const
{
    return [this, rowKey](const QString& name, int position) {
        if (name.isEmpty())
            return m_params.value(QString::number(position));
        return name == kMasterParam ? (m_masterHasRow ? m_masterValue : QVariant())
               : name == kRowKeyParam ? rowKey
                                      : m_params.value(name.toLower());
    };
}

void TDataSet::PrepareColumns()
{
    // The text is checked and its columns taken without reading a row.
    TSnapshot columns;
    m_conn.ReadColumns(ExecutableSql(), Parameters(), columns);
    m_snapshot = std::move(columns);
    m_deleted.clear();
}

void TDataSet::Fetch()
{
    m_fetchPending = false;
    TSnapshot snapshot;
    m_conn.ReadRows(ExecutableSql(), Parameters(), snapshot);
    // Only a successful fetch replaces the snapshot.
    AdoptSnapshot(std::move(snapshot));
}

void TDataSet::AdoptSnapshot(TSnapshot snapshot)
{
    const bool columnsChanged = !snapshot.SameColumns(m_snapshot);
    m_snapshot = std::move(snapshot);
    m_deleted.assign(size_t(m_snapshot.Rows()), false);
    m_editBuffer.clear();
    m_editStorageRow = -1;
    ++m_fetchCount;
    InvalidateLookupIndexes();
    if (columnsChanged && Active())
        BuildFields();
    Q_EMIT Fetched();
}

bool TDataSet::FieldsMatchColumns() const
{
    if (m_fields.empty())
        return false;
    if (!m_declared.isEmpty())
        return std::all_of(m_fields.begin(), m_fields.end(), [this](const auto& f) {
            return f->Kind() != TFieldKind::Data || m_snapshot.ColumnIndex(f->FieldName()) == f->Column();
        });
    int field = 0;
    for (int c = 0; c < m_snapshot.ColumnCount(); ++c) {
        if (c == m_snapshot.RowIdColumn() || IsHiddenColumn(m_snapshot.Column(c).name))
            continue;
        if (field >= int(m_fields.size()) || m_fields[size_t(field)]->Column() != c ||
            m_fields[size_t(field)]->FieldName() != m_snapshot.Column(c).name)
            return false;
        ++field;
    }
    return field == int(m_fields.size());
}

void TDataSet::RefreshRow(const QString& keyField, const QVariant& key)
{
    CheckActive();
    if (m_state != State::Browse)
        Post();
    if (m_fetchPending)
        return; // the rows are read whole when they are first needed
    const TField* field = FindField(keyField);
    // Only the query's own order tells where a new row goes, and an "order by" may move a
    // changed one: those cases are read whole.
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!field || field->Kind() != TFieldKind::Data || key.isNull() || m_sql.contains(orderBy)) {
        Requery();
        return;
    }
    const QString rowSql = QStringLiteral("select * from (%1) as __rows where \"%2\" = :%3")
                               .arg(ExecutableSql(), m_snapshot.Column(field->Column()).name, kRowKeyParam);
    TSnapshot read;
    m_conn.ReadRows(rowSql, Parameters(key), read);
    if (read.ColumnCount() != m_snapshot.ColumnCount()) {
        Requery();
        return;
    }
    const int rows = read.Rows();

    const QList<int> keyIndex{field->Index()};
    const QVariantList keyValue{key};
    int storageRow = -1;
    int existing = 0;
    for (int r = 0; r < m_snapshot.Rows(); ++r) {
        if (!m_deleted[size_t(r)] && RowEquals(r, keyIndex, keyValue)) {
            storageRow = r;
            ++existing;
        }
    }
    if (rows > 1 || existing > 1 || (rows == 1 && existing == 0)) {
        Requery();
        return;
    }
    Q_EMIT Fetched();
    if (existing == 0)
        return;
    InvalidateLookupIndexes();
    if (rows == 0) {
        m_deleted[size_t(storageRow)] = true;
    } else {
        TCell* stored = m_snapshot.Row(storageRow);
        for (int c = 0; c < read.ColumnCount(); ++c)
            stored[c] = m_snapshot.CopyCell(read, read.Row(0)[c]);
    }
    ReplaceInView(storageRow);
}

void TDataSet::BuildFields()
{
    // Fields that still fit the columns are kept, so a field taken before a requery stays valid.
    if (!FieldsMatchColumns()) {
        m_fields.clear();
        m_fieldIndex.clear();
        CreateFields();
    }
    CompileFilter();
}

void TDataSet::CreateFields()
{
    auto add = [&](TFieldDef def, int column) {
        auto f = std::make_unique<TField>(this, std::move(def), column);
        f->SetIndex(int(m_fields.size()));
        m_fieldIndex.insert(f->FieldName().toLower(), int(m_fields.size()));
        m_fields.push_back(std::move(f));
    };
    if (m_declared.isEmpty()) {
        for (int c = 0; c < m_snapshot.ColumnCount(); ++c) {
            if (c == m_snapshot.RowIdColumn() || IsHiddenColumn(m_snapshot.Column(c).name))
                continue;
            TFieldDef def = TFieldDef::Data(m_snapshot.Column(c).name, m_snapshot.Column(c).type);
            def.editMask = m_editMasks.value(def.name.toLower());
            add(def, c);
        }
    } else {
        for (const TFieldDef& def : m_declared) {
            int column = -1;
            if (def.kind == TFieldKind::Data) {
                column = m_snapshot.ColumnIndex(def.name);
                if (column < 0)
                    throw EFieldError(Tr("%1: Field '%2' not found").arg(m_name, def.name));
            }
            add(def, column);
        }
    }
}

void TDataSet::CompileFilter()
{
    // The filter refers to fields by their position, so it is compiled again for new ones.
    m_filter.reset();
    if (!m_filterText.trimmed().isEmpty())
        m_filter = std::make_unique<TFilterExpression>(m_filterText, [this](const QString& name) {
            const TField* f = FindField(name);
            return f ? f->Index() : -1;
        });
}

// ---------------------------------------------------------------------------------------------
// Fields and values

TField& TDataSet::Fields(int index) const
{
    if (index < 0 || index >= int(m_fields.size()))
        throw EFieldError(Tr("%1: field index %2 out of range").arg(m_name).arg(index));
    return *m_fields[size_t(index)];
}

TField* TDataSet::FindField(const QString& name) const
{
    const auto it = m_fieldIndex.constFind(name.toLower());
    return it == m_fieldIndex.cend() ? nullptr : m_fields[size_t(*it)].get();
}

TField& TDataSet::FieldByName(const QString& name) const
{
    if (!Active())
        throw EDatabaseError(
            Tr("%1: Cannot perform this operation on a closed dataset").arg(m_name));
    TField* f = FindField(name);
    if (!f)
        throw EFieldError(Tr("%1: Field '%2' not found").arg(m_name, name));
    return *f;
}

QStringList TDataSet::FieldNames() const
{
    QStringList names;
    for (const auto& f : m_fields)
        names << f->FieldName();
    return names;
}

const TSnapshot::TCell* TDataSet::StorageCell(int storageRow, int column) const
{
    if (storageRow == m_editStorageRow && !m_editBuffer.empty())
        return &m_editBuffer[size_t(column)];
    return m_snapshot.Row(storageRow) + column;
}

QVariant TDataSet::FieldValueAt(int storageRow, const TField& field) const
{
    switch (field.Kind()) {
    case TFieldKind::Data:
        return m_snapshot.Value(*StorageCell(storageRow, field.Column()), field.DataType());
    case TFieldKind::Lookup: {
        const TFieldDef& def = field.Def();
        TField* key = FindField(def.keyField);
        if (!key || !def.lookupDataSet || !def.lookupDataSet->Active())
            return {};
        const QVariant keyValue = FieldValueAt(storageRow, *key);
        if (keyValue.isNull())
            return {};
        const int row = def.lookupDataSet->LookupStorageRow(def.lookupKeyField, keyValue);
        if (row < 0)
            return {};
        TField* result = def.lookupDataSet->FindField(def.lookupResultField);
        return result ? def.lookupDataSet->FieldValueAt(row, *result) : QVariant();
    }
    case TFieldKind::Calculated: {
        if (!m_calcHandler)
            return {};
        const int saved = m_calcRow;
        m_calcRow = storageRow;
        QVariant v;
        try {
            v = m_calcHandler(*this, field);
        } catch (...) {
            m_calcRow = saved;
            throw;
        }
        m_calcRow = saved;
        return v;
    }
    }
    return {};
}

QVariant TDataSet::FieldValue(const TField& field) const
{
    EnsureFetched();
    int row = -1;
    if (m_calcRow >= 0)
        row = m_calcRow;
    else if ((m_state == State::Edit || m_state == State::Insert) && m_editStorageRow >= 0)
        row = m_editStorageRow;
    else if (m_current >= 0 && m_current < int(m_view.size()))
        row = m_view[size_t(m_current)];
    if (row < 0)
        return {};
    return FieldValueAt(row, field);
}

QVariant TDataSet::RowValue(int row, int fieldIndex) const
{
    EnsureFetched();
    if (row < 0 || row >= int(m_view.size()))
        return {};
    return FieldValueAt(m_view[size_t(row)], Fields(fieldIndex));
}

QString TDataSet::FormatValue(const QVariant& v, const TField& field)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return TDisplayFormat::FormatDateTime(v.toDateTime(), field.DisplayFormat());
    case QMetaType::Double:
        return TDisplayFormat::FormatNumber(v.toDouble(), field.DisplayFormat());
    default:
        return v.toString();
    }
}

QString TDataSet::RowDisplayText(int row, int fieldIndex) const
{
    return FormatValue(RowValue(row, fieldIndex), Fields(fieldIndex));
}

void TDataSet::SetFieldValue(TField& field, const QVariant& value)
{
    CheckActive();
    if (m_state != State::Edit && m_state != State::Insert)
        throw EDatabaseError(Tr("%1: Dataset not in edit or insert mode").arg(m_name));
    if (field.Kind() != TFieldKind::Data)
        throw EFieldError(Tr("Field '%1' cannot be modified").arg(field.FieldName()));
    m_editBuffer[size_t(field.Column())] = m_snapshot.StoreValue(value, field);
    m_modified[size_t(field.Column())] = true;
    NotifyRowChanged(m_current);
}

void TDataSet::ReloadStorageRow(int storageRow, qint64 rowId)
{
    const int rowIdColumn = m_snapshot.RowIdColumn();
    if (rowIdColumn < 0)
        return;
    // Reads the row back through the data set's own table, so the columns match by name.
    const QString owner = RowIdOwner();
    TSnapshot read;
    m_conn.ReadRows(QStringLiteral("select *, %1.%4 as %2 from %3 %1 where %1.%4 = :%5")
                        .arg(owner, kRowIdColumn, m_baseTable, m_conn.RowIdColumn(m_baseTable),
                             kRowKeyParam),
                    [rowId](const QString&, int) { return QVariant(qlonglong(rowId)); }, read);
    TCell* stored = m_snapshot.Row(storageRow);
    if (read.Rows() == 0) {
        stored[rowIdColumn] = TSnapshot::IntCell(rowId);
        return;
    }
    for (int c = 0; c < read.ColumnCount(); ++c) {
        const int target = m_snapshot.ColumnIndex(read.Column(c).name);
        if (target >= 0)
            stored[target] = m_snapshot.CopyCell(read, read.Row(0)[c]);
    }
}

void TDataSet::InvalidateLookupIndexes()
{
    m_lookupIndexes.clear();
}

int TDataSet::LookupStorageRow(const QString& keyField, const QVariant& key) const
{
    EnsureFetched();
    TField* f = FindField(keyField);
    if (!f || f->Column() < 0)
        return -1;
    bool ok = false;
    const qlonglong k = key.toLongLong(&ok);
    if (!ok)
        return -1;
    auto& index = m_lookupIndexes[keyField.toLower()];
    if (!index) {
        index = std::make_shared<std::unordered_map<qint64, int>>();
        for (int r = 0; r < m_snapshot.Rows(); ++r) {
            if (m_deleted[size_t(r)])
                continue;
            const TCell& cell = m_snapshot.Row(r)[f->Column()];
            if (cell.kind == TCell::Int)
                index->emplace(cell.i, r);
        }
    }
    const auto it = index->find(k);
    return it == index->end() ? -1 : it->second;
}
