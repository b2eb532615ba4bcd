#include "TDataSet.h"

#include "TConnection.h"
#include "TDisplayFormat.h"
#include "TError.h"
#include "TFilterExpression.h"
#include "TSqlDialect.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include <sqlite3.h>

void QuorvelBindValue(TConnection& conn, sqlite3_stmt* stmt, int index, const QVariant& v);

namespace {

const QString kRowIdColumn = QStringLiteral("__rowid");
const QString kMasterParam = QStringLiteral("__master");

struct TStmt
{
    sqlite3_stmt* stmt = nullptr;
    ~TStmt() { sqlite3_finalize(stmt); }
};

TFieldType TypeFromDecl(const char* decl)
{
    if (!decl)
        return TFieldType::String;
    const QByteArray d = QByteArray(decl).toUpper();
    if (d.startsWith("INTEGER") || d.startsWith("INT") || d.startsWith("BIGINT"))
        return TFieldType::Integer;
    if (d.startsWith("SMALLINT"))
        return TFieldType::SmallUInt;
    if (d.startsWith("DATETIME") || d.startsWith("DATE"))
        return TFieldType::DateTime;
    if (d.startsWith("NUMERIC") || d.startsWith("DECIMAL"))
        return TFieldType::Decimal;
    if (d.startsWith("REAL") || d.startsWith("DOUBLE") || d.startsWith("FLOAT"))
        return TFieldType::Float;
    return TFieldType::String;
}

bool IsIntegerType(TFieldType t)
{
    return t == TFieldType::Integer || t == TFieldType::AutoInc || t == TFieldType::SmallUInt;
}

// 'yyyy-mm-dd[ hh:mm[:ss]]' (or with 'T') to a local date-time; invalid when it is not one.
QDateTime ParseIsoDateTime(const char* s, qsizetype n)
{
    auto num = [&](int from, int count) {
        int v = 0;
        for (int i = from; i < from + count; ++i) {
            if (i >= n || s[i] < '0' || s[i] > '9')
                return -1;
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    if (n < 10 || s[4] != '-' || s[7] != '-')
        return {};
    const QDate date(num(0, 4), num(5, 2), num(8, 2));
    if (!date.isValid())
        return {};
    QTime time(0, 0);
    if (n >= 16) {
        const int h = num(11, 2), m = num(14, 2);
        const int sec = n >= 19 ? num(17, 2) : 0;
        if (h < 0 || m < 0 || sec < 0)
            return {};
        time = QTime(h, m, sec);
    }
    return QDateTime(date, time);
}

QString IsoText(const QDateTime& dt)
{
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Single-table texts: "select * from <table> [alias] [where ...] [order by ...]".
const QRegularExpression& SingleTableRe()
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)\\s*"
                       "(?:([A-Za-z_][A-Za-z0-9_]*)\\s*)?(?:(where|order)\\b.*)?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return re;
}

// Reads one column of the statement's current row into a cell; text goes to the arena.
TDataSet::TCell ReadCell(sqlite3_stmt* stmt, int column, std::string& arena)
{
    TDataSet::TCell cell;
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        cell.kind = TDataSet::TCell::Int;
        cell.i = sqlite3_column_int64(stmt, column);
        break;
    case SQLITE_FLOAT:
        cell.kind = TDataSet::TCell::Real;
        cell.d = sqlite3_column_double(stmt, column);
        break;
    case SQLITE_NULL:
        break;
    default: {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        const int len = sqlite3_column_bytes(stmt, column);
        cell.kind = TDataSet::TCell::Text;
        cell.offset = arena.size();
        cell.length = quint32(len);
        arena.append(text, size_t(len));
    }
    }
    return cell;
}

} // namespace

// Gives the filter read access to one stored row.
class TDataSetFilterRow final : public TFilterRow
{
public:
    TDataSetFilterRow(const TDataSet& ds, int row) : m_ds(ds), m_row(row) {}
    QVariant Value(int fieldIndex) const override
    {
        return m_ds.FieldValueAt(m_row, m_ds.Fields(fieldIndex));
    }
    bool Utf8(int fieldIndex, const char*& text, qsizetype& length) const override
    {
        const TField& f = m_ds.Fields(fieldIndex);
        if (f.Column() < 0 || f.DataType() != TFieldType::String)
            return false;
        const TDataSet::TCell* cell = m_ds.StorageCell(m_row, f.Column());
        if (cell->kind != TDataSet::TCell::Text)
            return false;
        text = m_ds.ArenaText(*cell);
        length = cell->length;
        return true;
    }

private:
    const TDataSet& m_ds;
    int m_row;
};

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
        throw EDatabaseError(QStringLiteral("%1: fields cannot be declared while open.").arg(m_name));
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

QString TDataSet::ExecutableSql() const
{
    QString sql = m_sql;
    if (!m_baseTable.isEmpty()) {
        // Single-table data sets carry the row id, so posts and deletes find their row.
        static const QRegularExpression star(QStringLiteral("^\\s*select\\s+\\*"),
                                             QRegularExpression::CaseInsensitiveOption);
        const auto m = SingleTableRe().match(m_sql);
        const QString alias = m.captured(2);
        const bool aliasIsKeyword = alias.compare(QLatin1String("where"), Qt::CaseInsensitive) == 0 ||
                                    alias.compare(QLatin1String("order"), Qt::CaseInsensitive) == 0;
        const QString owner = (!alias.isEmpty() && !aliasIsKeyword) ? alias : m_baseTable;
        sql.replace(star, QStringLiteral("select *, %1.rowid as %2").arg(owner, kRowIdColumn));
    }
    if (m_master)
        sql = QStringLiteral("select * from (%1) where \"%2\" = :%3").arg(sql, m_masterField, kMasterParam);
    return TSqlDialect::Translate(sql);
}

// ---------------------------------------------------------------------------------------------
// Life cycle

void TDataSet::Open()
{
    if (Active())
        return;
    if (m_sql.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("%1: the data set has no SQL text.").arg(m_name));
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
    if (!m_fetchPending)
        return;
    auto* self = const_cast<TDataSet*>(this);
    self->Fetch();
    self->RebuildView(false);
    self->NotifyReset();
}

void TDataSet::PrepareColumns()
{
    // Compiling the statement checks the text and gives the columns without reading a row.
    const QByteArray sql = ExecutableSql().toUtf8();
    TStmt s;
    if (sqlite3_prepare_v2(m_conn.Handle(), sql.constData(), int(sql.size()), &s.stmt, nullptr) != SQLITE_OK)
        m_conn.ThrowEngineError();
    const int ncols = sqlite3_column_count(s.stmt);
    m_columns.assign(static_cast<size_t>(ncols), TColumnInfo());
    m_rowIdColumn = -1;
    for (int c = 0; c < ncols; ++c) {
        m_columns[size_t(c)].name = QString::fromUtf8(sqlite3_column_name(s.stmt, c));
        const char* decl = sqlite3_column_decltype(s.stmt, c);
        // Expressions have no declared type; sums are numbers.
        m_columns[size_t(c)].type = decl ? TypeFromDecl(decl) : TFieldType::Float;
        if (m_columns[size_t(c)].name == kRowIdColumn)
            m_rowIdColumn = c;
    }
    m_cells.clear();
    m_arena.clear();
    m_storageRows = 0;
    m_deleted.clear();
}

void TDataSet::Close()
{
    if (!Active())
        return;
    m_state = State::Inactive;
    m_fetchPending = false;
    m_fields.clear();
    m_fieldIndex.clear();
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_arena.clear();
    m_arena.shrink_to_fit();
    m_view.clear();
    m_deleted.clear();
    m_storageRows = 0;
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

void TDataSet::Fetch()
{
    m_fetchPending = false;
    const QByteArray sql = ExecutableSql().toUtf8();
    sqlite3* db = m_conn.Handle();
    TStmt s;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &s.stmt, nullptr) != SQLITE_OK)
        m_conn.ThrowEngineError();
    m_conn.CountQuery();
    const int paramCount = sqlite3_bind_parameter_count(s.stmt);
    for (int i = 1; i <= paramCount; ++i) {
        const char* name = sqlite3_bind_parameter_name(s.stmt, i);
        QVariant value;
        if (name) {
            const QString key = QString::fromUtf8(name + 1);
            value = key == kMasterParam ? (m_masterHasRow ? m_masterValue : QVariant())
                                        : m_params.value(key.toLower());
        } else {
            value = m_params.value(QString::number(i));
        }
        QuorvelBindValue(m_conn, s.stmt, i, value);
    }

    const int ncols = sqlite3_column_count(s.stmt);
    std::vector<TColumnInfo> columns(static_cast<size_t>(ncols));
    int rowIdColumn = -1;
    std::vector<bool> typeKnown(size_t(ncols), false);
    for (int c = 0; c < ncols; ++c) {
        columns[size_t(c)].name = QString::fromUtf8(sqlite3_column_name(s.stmt, c));
        const char* decl = sqlite3_column_decltype(s.stmt, c);
        columns[size_t(c)].type = TypeFromDecl(decl);
        typeKnown[size_t(c)] = decl != nullptr;
        if (columns[size_t(c)].name == kRowIdColumn)
            rowIdColumn = c;
    }

    std::vector<TCell> cells;
    std::string arena;
    int rows = 0;
    int rc;
    while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
        for (int c = 0; c < ncols; ++c) {
            const TCell cell = ReadCell(s.stmt, c, arena);
            // Columns without a declared type (expressions such as sum(units)) take the type
            // of their first value; a real after integers makes the column a number.
            if (cell.kind != TCell::Null && (!typeKnown[size_t(c)] ||
                                             (cell.kind == TCell::Real && columns[size_t(c)].type == TFieldType::Integer &&
                                              sqlite3_column_decltype(s.stmt, c) == nullptr))) {
                columns[size_t(c)].type = cell.kind == TCell::Int    ? TFieldType::Integer
                                          : cell.kind == TCell::Real ? TFieldType::Float
                                                                     : TFieldType::String;
                typeKnown[size_t(c)] = true;
            }
            cells.push_back(cell);
        }
        ++rows;
    }
    if (rc != SQLITE_DONE)
        m_conn.ThrowEngineError();

    // Only a successful fetch replaces the snapshot.
    const bool columnsChanged = columns.size() != m_columns.size() ||
                                !std::equal(columns.begin(), columns.end(), m_columns.begin(),
                                            [](const TColumnInfo& a, const TColumnInfo& b) {
                                                return a.name == b.name;
                                            });
    m_columns = std::move(columns);
    m_rowIdColumn = rowIdColumn;
    m_cells = std::move(cells);
    m_arena = std::move(arena);
    m_storageRows = rows;
    m_deleted.assign(size_t(rows), false);
    m_editBuffer.clear();
    m_editStorageRow = -1;
    ++m_fetchCount;
    InvalidateLookupIndexes();
    if (columnsChanged && Active())
        BuildFields();
    Q_EMIT Fetched();
}

void TDataSet::BuildFields()
{
    m_fields.clear();
    m_fieldIndex.clear();
    auto add = [&](TFieldDef def, int column) {
        auto f = std::make_unique<TField>(this, std::move(def), column);
        f->SetIndex(int(m_fields.size()));
        m_fieldIndex.insert(f->FieldName().toLower(), int(m_fields.size()));
        m_fields.push_back(std::move(f));
    };
    if (m_declared.isEmpty()) {
        for (int c = 0; c < int(m_columns.size()); ++c) {
            if (c == m_rowIdColumn)
                continue;
            TFieldDef def = TFieldDef::Data(m_columns[size_t(c)].name, m_columns[size_t(c)].type);
            def.editMask = m_editMasks.value(def.name.toLower());
            add(def, c);
        }
    } else {
        for (const TFieldDef& def : m_declared) {
            int column = -1;
            if (def.kind == TFieldKind::Data) {
                column = ColumnIndex(def.name);
                if (column < 0)
                    throw EFieldError(
                        QStringLiteral("%1: Field '%2' not found").arg(m_name, def.name));
            }
            add(def, column);
        }
    }
    // The filter refers to fields by their position, so it is compiled again for the new ones.
    m_filter.reset();
    if (!m_filterText.trimmed().isEmpty())
        m_filter = std::make_unique<TFilterExpression>(m_filterText, [this](const QString& name) {
            const TField* f = FindField(name);
            return f ? f->Index() : -1;
        });
}

int TDataSet::ColumnIndex(const QString& name) const
{
    for (int c = 0; c < int(m_columns.size()); ++c)
        if (m_columns[size_t(c)].name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

void TDataSet::RebuildView(bool keepCurrent)
{
    const int oldStorage = (keepCurrent && m_current >= 0) ? m_view[size_t(m_current)] : -1;
    m_view.clear();
    m_view.reserve(size_t(m_storageRows));
    const bool filtering = m_filtered && m_filter;
    for (int r = 0; r < m_storageRows; ++r) {
        if (m_deleted[size_t(r)])
            continue;
        if (filtering && !RowMatchesFilter(r))
            continue;
        m_view.push_back(r);
    }
    if (!m_sortText.trimmed().isEmpty()) {
        std::vector<std::pair<int, bool>> keys;
        for (const QString& part : m_sortText.split(u',', Qt::SkipEmptyParts)) {
            const QStringList words = part.simplified().split(u' ');
            TField* f = FindField(words.value(0));
            if (!f)
                continue; // validated by SetSort
            const bool desc = words.size() > 1 && words.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
            keys.emplace_back(f->Index(), desc);
        }
        std::stable_sort(m_view.begin(), m_view.end(),
                         [&](int a, int b) { return CompareRows(a, b, keys) < 0; });
    }
    int current = m_view.empty() ? -1 : 0;
    if (oldStorage >= 0) {
        const auto it = std::find(m_view.begin(), m_view.end(), oldStorage);
        if (it != m_view.end())
            current = int(it - m_view.begin());
    }
    m_current = current;
    m_bof = true;
    m_eof = m_view.empty();
}

int TDataSet::CompareRows(int a, int b, const std::vector<std::pair<int, bool>>& keys) const
{
    for (const auto& [fieldIndex, desc] : keys) {
        const TField& f = *m_fields[size_t(fieldIndex)];
        int c = 0;
        if (f.Column() >= 0) {
            const TCell& x = *StorageCell(a, f.Column());
            const TCell& y = *StorageCell(b, f.Column());
            if (x.kind == TCell::Null || y.kind == TCell::Null) {
                c = (x.kind == TCell::Null ? 0 : 1) - (y.kind == TCell::Null ? 0 : 1);
            } else if (x.kind == TCell::Text && y.kind == TCell::Text) {
                if (f.DataType() == TFieldType::String) {
                    c = QString::fromUtf8(ArenaText(x), x.length)
                            .compare(QString::fromUtf8(ArenaText(y), y.length), Qt::CaseInsensitive);
                } else {
                    // ISO date texts order as they compare bytewise.
                    c = std::string_view(ArenaText(x), x.length).compare(std::string_view(ArenaText(y), y.length));
                }
            } else {
                const double dx = x.kind == TCell::Int ? double(x.i) : x.kind == TCell::Real ? x.d : 0;
                const double dy = y.kind == TCell::Int ? double(y.i) : y.kind == TCell::Real ? y.d : 0;
                c = dx < dy ? -1 : (dx > dy ? 1 : 0);
            }
        } else {
            const QVariant x = FieldValueAt(a, f), y = FieldValueAt(b, f);
            c = QVariant::compare(x, y) == QPartialOrdering::Less ? -1
                : QVariant::compare(x, y) == QPartialOrdering::Greater ? 1 : 0;
        }
        if (c != 0)
            return desc ? -c : c;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Navigation

int TDataSet::RecordCount() const
{
    EnsureFetched();
    return Active() ? int(m_view.size()) : 0;
}

void TDataSet::SetCurrentInternal(int row, bool notify)
{
    if (m_state == State::Edit || m_state == State::Insert)
        Post();
    const int count = int(m_view.size());
    if (count == 0) {
        m_current = -1;
        m_bof = m_eof = true;
    } else {
        m_current = std::clamp(row, 0, count - 1);
    }
    if (notify)
        NotifyCurrent();
}

void TDataSet::SetRecNo(int row)
{
    CheckActive();
    EnsureFetched();
    const int before = m_current;
    SetCurrentInternal(row, false);
    m_bof = m_eof = false;
    if (m_view.empty())
        m_bof = m_eof = true;
    if (m_current != before)
        NotifyCurrent();
}

void TDataSet::First()
{
    CheckActive();
    EnsureFetched();
    const int before = m_current;
    SetCurrentInternal(0, false);
    m_bof = true;
    m_eof = m_view.empty();
    if (m_current != before)
        NotifyCurrent();
}

void TDataSet::Last()
{
    CheckActive();
    EnsureFetched();
    const int before = m_current;
    SetCurrentInternal(int(m_view.size()) - 1, false);
    m_eof = true;
    m_bof = m_view.empty();
    if (m_current != before)
        NotifyCurrent();
}

void TDataSet::Next()
{
    CheckActive();
    EnsureFetched();
    if (m_current + 1 < int(m_view.size())) {
        SetCurrentInternal(m_current + 1, true);
        m_bof = false;
        m_eof = false;
    } else {
        if (m_state != State::Browse)
            Post();
        m_eof = true;
    }
}

void TDataSet::Prior()
{
    CheckActive();
    EnsureFetched();
    if (m_current > 0) {
        SetCurrentInternal(m_current - 1, true);
        m_bof = false;
        m_eof = false;
    } else {
        if (m_state != State::Browse)
            Post();
        m_bof = true;
    }
}

// ---------------------------------------------------------------------------------------------
// Fields and values

TField& TDataSet::Fields(int index) const
{
    if (index < 0 || index >= int(m_fields.size()))
        throw EFieldError(QStringLiteral("%1: field index %2 out of range").arg(m_name).arg(index));
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
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(m_name));
    TField* f = FindField(name);
    if (!f)
        throw EFieldError(QStringLiteral("%1: Field '%2' not found").arg(m_name, name));
    return *f;
}

QStringList TDataSet::FieldNames() const
{
    QStringList names;
    for (const auto& f : m_fields)
        names << f->FieldName();
    return names;
}

const char* TDataSet::ArenaText(const TCell& cell) const
{
    return m_arena.data() + cell.offset;
}

const TDataSet::TCell* TDataSet::StorageCell(int storageRow, int column) const
{
    if (storageRow == m_editStorageRow && !m_editBuffer.empty())
        return &m_editBuffer[size_t(column)];
    return &m_cells[size_t(storageRow) * m_columns.size() + size_t(column)];
}

QVariant TDataSet::CellValue(const TCell& cell, TFieldType type) const
{
    switch (cell.kind) {
    case TCell::Null:
        return {};
    case TCell::Int:
        if (IsIntegerType(type))
            return QVariant(int(cell.i));
        if (type == TFieldType::Decimal || type == TFieldType::Float)
            return QVariant(double(cell.i));
        if (type == TFieldType::String)
            return QString::number(cell.i);
        return QVariant(qlonglong(cell.i));
    case TCell::Real:
        if (IsIntegerType(type))
            return QVariant(int(std::llround(cell.d)));
        if (type == TFieldType::String)
            return QString::number(cell.d);
        return QVariant(cell.d);
    case TCell::Text: {
        const char* text = ArenaText(cell);
        if (type == TFieldType::DateTime) {
            const QDateTime dt = ParseIsoDateTime(text, cell.length);
            if (dt.isValid())
                return dt;
        }
        const QString s = QString::fromUtf8(text, cell.length);
        if (IsIntegerType(type)) {
            bool ok = false;
            const int i = s.toInt(&ok);
            return ok ? QVariant(i) : QVariant(s);
        }
        if (type == TFieldType::Decimal || type == TFieldType::Float) {
            bool ok = false;
            const double d = s.toDouble(&ok);
            return ok ? QVariant(d) : QVariant(s);
        }
        return s;
    }
    }
    return {};
}

QVariant TDataSet::FieldValueAt(int storageRow, const TField& field) const
{
    switch (field.Kind()) {
    case TFieldKind::Data:
        return CellValue(*StorageCell(storageRow, field.Column()), field.DataType());
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

TDataSet::TCell TDataSet::StoreValue(const QVariant& value, const TField& field)
{
    TCell cell;
    if (!value.isValid() || value.isNull())
        return cell;
    const TFieldType type = field.DataType();
    auto text = [&](const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        cell.kind = TCell::Text;
        cell.offset = m_arena.size();
        cell.length = quint32(utf8.size());
        m_arena.append(utf8.constData(), size_t(utf8.size()));
    };
    if (IsIntegerType(type)) {
        bool ok = false;
        const qlonglong i = value.typeId() == QMetaType::Double ? std::llround(value.toDouble())
                                                                : value.toLongLong(&ok);
        if (value.typeId() != QMetaType::Double && !ok) {
            if (value.toString().trimmed().isEmpty())
                return cell;
            throw EFieldError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                                  .arg(value.toString(), field.FieldName()));
        }
        cell.kind = TCell::Int;
        cell.i = i;
    } else if (type == TFieldType::Decimal || type == TFieldType::Float) {
        bool ok = false;
        double d = value.toDouble(&ok);
        if (!ok) {
            if (value.toString().trimmed().isEmpty())
                return cell;
            throw EFieldError(QStringLiteral("'%1' is not a valid number for field '%2'")
                                  .arg(value.toString(), field.FieldName()));
        }
        const int decimals = field.Def().decimals;
        if (decimals >= 0) {
            const double scale = std::pow(10.0, decimals);
            d = std::round(d * scale) / scale;
        }
        cell.kind = TCell::Real;
        cell.d = d;
    } else if (type == TFieldType::DateTime) {
        QDateTime dt;
        if (value.typeId() == QMetaType::QDateTime)
            dt = value.toDateTime();
        else if (value.typeId() == QMetaType::QDate)
            dt = QDateTime(value.toDate(), QTime(0, 0));
        else {
            const QByteArray s = value.toString().toUtf8();
            dt = ParseIsoDateTime(s.constData(), s.size());
        }
        if (!dt.isValid())
            throw EFieldError(QStringLiteral("'%1' is not a valid date and time for field '%2'")
                                  .arg(value.toString(), field.FieldName()));
        text(IsoText(dt));
    } else {
        text(value.toString());
    }
    return cell;
}

void TDataSet::SetFieldValue(TField& field, const QVariant& value)
{
    CheckActive();
    if (m_state != State::Edit && m_state != State::Insert)
        throw EDatabaseError(QStringLiteral("%1: Dataset not in edit or insert mode").arg(m_name));
    if (field.Kind() != TFieldKind::Data)
        throw EFieldError(QStringLiteral("Field '%1' cannot be modified").arg(field.FieldName()));
    m_editBuffer[size_t(field.Column())] = StoreValue(value, field);
    m_modified[size_t(field.Column())] = true;
    if (!ControlsDisabled() && m_current >= 0)
        Q_EMIT RowChanged(m_current);
}

// ---------------------------------------------------------------------------------------------
// Editing

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(m_name));
}

void TDataSet::CheckEditable() const
{
    if (m_baseTable.isEmpty())
        throw EDatabaseError(
            QStringLiteral("%1: the data set cannot be changed, it does not show a single table.").arg(m_name));
}

void TDataSet::Insert()
{
    CheckActive();
    EnsureFetched();
    CheckEditable();
    if (m_state != State::Browse)
        Post();
    const size_t ncols = m_columns.size();
    m_cells.resize(m_cells.size() + ncols);
    m_deleted.push_back(false);
    const int storageRow = m_storageRows++;
    m_view.push_back(storageRow);
    m_editStorageRow = storageRow;
    m_editBuffer.assign(ncols, TCell());
    m_modified.assign(ncols, false);
    m_state = State::Insert;
    m_current = int(m_view.size()) - 1;
    m_bof = m_eof = false;
    if (m_master && m_masterHasRow) {
        if (TField* link = FindField(m_masterField); link && link->Column() >= 0) {
            m_editBuffer[size_t(link->Column())] = StoreValue(m_masterValue, *link);
            m_modified[size_t(link->Column())] = true;
        }
    }
    NotifyState();
    if (!ControlsDisabled())
        Q_EMIT RowInserted(m_current);
    NotifyCurrent();
}

void TDataSet::Edit()
{
    CheckActive();
    EnsureFetched();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_current < 0)
        throw EDatabaseError(QStringLiteral("%1: Cannot edit: there is no current record").arg(m_name));
    CheckEditable();
    const int storageRow = m_view[size_t(m_current)];
    const size_t ncols = m_columns.size();
    m_editBuffer.assign(m_cells.begin() + long(size_t(storageRow) * ncols),
                        m_cells.begin() + long(size_t(storageRow + 1) * ncols));
    m_modified.assign(ncols, false);
    m_editStorageRow = storageRow;
    m_state = State::Edit;
    NotifyState();
}

void TDataSet::Cancel()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    const bool wasInsert = m_state == State::Insert;
    const int storageRow = m_editStorageRow;
    m_editBuffer.clear();
    m_editStorageRow = -1;
    m_state = State::Browse;
    if (wasInsert) {
        m_deleted[size_t(storageRow)] = true;
        const auto it = std::find(m_view.begin(), m_view.end(), storageRow);
        if (it != m_view.end()) {
            const int row = int(it - m_view.begin());
            m_view.erase(it);
            if (!ControlsDisabled())
                Q_EMIT RowRemoved(row);
        }
        m_current = m_view.empty() ? -1 : std::min(m_current, int(m_view.size()) - 1);
        m_eof = m_bof = m_view.empty();
    }
    NotifyState();
    if (wasInsert)
        NotifyCurrent();
    else if (!ControlsDisabled() && m_current >= 0)
        Q_EMIT RowChanged(m_current);
}

QVariant TDataSet::BindableCell(const TCell& cell) const
{
    switch (cell.kind) {
    case TCell::Null:
        return {};
    case TCell::Int:
        return QVariant(qlonglong(cell.i));
    case TCell::Real:
        return QVariant(cell.d);
    case TCell::Text:
        return QString::fromUtf8(ArenaText(cell), cell.length);
    }
    return {};
}

void TDataSet::Post()
{
    CheckActive();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    const bool inserting = m_state == State::Insert;
    QStringList columns;
    QVariantList values;
    for (const auto& f : m_fields) {
        const int c = f->Column();
        if (c < 0 || c == m_rowIdColumn || f->DataType() == TFieldType::AutoInc)
            continue;
        if (!m_modified[size_t(c)])
            continue;
        columns << f->FieldName();
        values << BindableCell(m_editBuffer[size_t(c)]);
    }
    qint64 rowId = 0;
    if (inserting) {
        QString sql;
        if (columns.isEmpty()) {
            sql = QStringLiteral("insert into %1 default values").arg(m_baseTable);
        } else {
            QStringList marks;
            for (int i = 0; i < columns.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("insert into %1 (%2) values (%3)")
                      .arg(m_baseTable, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        }
        m_conn.Execute(sql, values); // throws: the state and the typed values stay
        rowId = m_conn.LastInsertRowId();
    } else {
        if (m_rowIdColumn < 0)
            throw EDatabaseError(QStringLiteral("%1: the row cannot be found again to store it.").arg(m_name));
        rowId = m_editBuffer[size_t(m_rowIdColumn)].i;
        if (!columns.isEmpty()) {
            QStringList sets;
            for (const QString& c : columns)
                sets << c + QStringLiteral(" = ?");
            values << QVariant(qlonglong(rowId));
            const int changed = m_conn.Execute(QStringLiteral("update %1 set %2 where rowid = ?")
                                                   .arg(m_baseTable, sets.join(QStringLiteral(", "))),
                                               values);
            if (changed == 0)
                throw EDatabaseError(QStringLiteral("The record was deleted by another user; it cannot be saved."));
        }
    }
    const int storageRow = m_editStorageRow;
    // The stored row wins: keys and defaults the database filled show at once.
    std::copy(m_editBuffer.begin(), m_editBuffer.end(),
              m_cells.begin() + long(size_t(storageRow) * m_columns.size()));
    m_editBuffer.clear();
    m_editStorageRow = -1;
    m_state = State::Browse;
    ReloadStorageRow(storageRow, rowId);
    InvalidateLookupIndexes();
    NotifyState();
    if (!ControlsDisabled() && m_current >= 0)
        Q_EMIT RowChanged(m_current);
    NotifyCurrent();
}

void TDataSet::ReloadStorageRow(int storageRow, qint64 rowId)
{
    if (m_rowIdColumn < 0)
        return;
    // Reads the row back through the data set's own query, so columns and order match.
    QString sql = m_sql;
    static const QRegularExpression star(QStringLiteral("^\\s*select\\s+\\*"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = SingleTableRe().match(m_sql);
    const QString alias = m.captured(2);
    const bool aliasIsKeyword = alias.compare(QLatin1String("where"), Qt::CaseInsensitive) == 0 ||
                                alias.compare(QLatin1String("order"), Qt::CaseInsensitive) == 0;
    const QString owner = (!alias.isEmpty() && !aliasIsKeyword) ? alias : m_baseTable;
    const QByteArray utf8 =
        QStringLiteral("select *, %1.rowid as %2 from %3 %1 where %1.rowid = ?")
            .arg(owner, kRowIdColumn, m_baseTable)
            .toUtf8();
    TStmt s;
    if (sqlite3_prepare_v2(m_conn.Handle(), utf8.constData(), int(utf8.size()), &s.stmt, nullptr) != SQLITE_OK)
        m_conn.ThrowEngineError();
    m_conn.CountQuery();
    sqlite3_bind_int64(s.stmt, 1, rowId);
    if (sqlite3_step(s.stmt) != SQLITE_ROW) {
        m_cells[size_t(storageRow) * m_columns.size() + size_t(m_rowIdColumn)].kind = TCell::Int;
        m_cells[size_t(storageRow) * m_columns.size() + size_t(m_rowIdColumn)].i = rowId;
        return;
    }
    const int ncols = sqlite3_column_count(s.stmt);
    for (int c = 0; c < ncols; ++c) {
        const int target = ColumnIndex(QString::fromUtf8(sqlite3_column_name(s.stmt, c)));
        if (target < 0)
            continue;
        const TCell cell = ReadCell(s.stmt, c, m_arena);
        m_cells[size_t(storageRow) * m_columns.size() + size_t(target)] = cell;
    }
}

void TDataSet::Delete()
{
    CheckActive();
    EnsureFetched();
    if (m_state == State::Insert) {
        Cancel();
        return;
    }
    if (m_state == State::Edit)
        Cancel();
    if (m_current < 0)
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on an empty dataset").arg(m_name));
    CheckEditable();
    if (m_rowIdColumn < 0)
        throw EDatabaseError(QStringLiteral("%1: the row cannot be found to delete it.").arg(m_name));
    const int storageRow = m_view[size_t(m_current)];
    const qint64 rowId = StorageCell(storageRow, m_rowIdColumn)->i;
    m_conn.Execute(QStringLiteral("delete from %1 where rowid = ?").arg(m_baseTable), {QVariant(qlonglong(rowId))});
    m_deleted[size_t(storageRow)] = true;
    const int row = m_current;
    m_view.erase(m_view.begin() + row);
    InvalidateLookupIndexes();
    if (!ControlsDisabled())
        Q_EMIT RowRemoved(row);
    m_current = m_view.empty() ? -1 : std::min(row, int(m_view.size()) - 1);
    m_eof = m_bof = m_view.empty();
    NotifyCurrent();
}

// ---------------------------------------------------------------------------------------------
// Searching

QList<int> TDataSet::ResolveFieldList(const QString& fields) const
{
    QList<int> indexes;
    for (const QString& name : fields.split(u';', Qt::SkipEmptyParts))
        indexes << FieldByName(name.trimmed()).Index();
    return indexes;
}

QVariantList TDataSet::SplitValues(const QVariant& values, int count) const
{
    QVariantList list;
    if (count == 1) {
        list << values;
    } else {
        list = values.toList();
        if (list.size() != count)
            throw EDatabaseError(QStringLiteral("%1: %2 values are needed for the search").arg(m_name).arg(count));
    }
    return list;
}

bool TDataSet::RowEquals(int storageRow, const QList<int>& fieldIndexes, const QVariantList& values) const
{
    for (int i = 0; i < fieldIndexes.size(); ++i) {
        const TField& f = *m_fields[size_t(fieldIndexes[i])];
        const QVariant& want = values[i];
        if (f.Column() >= 0 && IsIntegerType(f.DataType()) && !want.isNull()) {
            const TCell& cell = *StorageCell(storageRow, f.Column());
            bool ok = false;
            const qlonglong w = want.toLongLong(&ok);
            if (!ok || cell.kind != TCell::Int || cell.i != w)
                return false;
            continue;
        }
        const QVariant have = FieldValueAt(storageRow, f);
        if (have.isNull() || want.isNull()) {
            if (have.isNull() != want.isNull())
                return false;
            continue;
        }
        if (have.typeId() == QMetaType::QDateTime) {
            if (have.toDateTime() != want.toDateTime())
                return false;
        } else if (have.typeId() == QMetaType::Double) {
            if (std::abs(have.toDouble() - want.toDouble()) > 1e-9)
                return false;
        } else if (have.toString() != want.toString()) {
            return false;
        }
    }
    return true;
}

int TDataSet::FindRow(const QString& fields, const QVariant& values) const
{
    if (!Active())
        return -1;
    EnsureFetched();
    const QList<int> idx = ResolveFieldList(fields);
    const QVariantList v = SplitValues(values, int(idx.size()));
    for (int row = 0; row < int(m_view.size()); ++row)
        if (RowEquals(m_view[size_t(row)], idx, v))
            return row;
    return -1;
}

bool TDataSet::Locate(const QString& fields, const QVariant& values)
{
    CheckActive();
    const int row = FindRow(fields, values);
    if (row < 0)
        return false;
    SetRecNo(row);
    return true;
}

QVariant TDataSet::Lookup(const QString& fields, const QVariant& values, const QString& resultField)
{
    CheckActive();
    const int row = FindRow(fields, values);
    if (row < 0)
        return {};
    return FieldValueAt(m_view[size_t(row)], FieldByName(resultField));
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
        for (int r = 0; r < m_storageRows; ++r) {
            if (m_deleted[size_t(r)])
                continue;
            const TCell& cell = m_cells[size_t(r) * m_columns.size() + size_t(f->Column())];
            if (cell.kind == TCell::Int)
                index->emplace(cell.i, r);
        }
    }
    const auto it = index->find(k);
    return it == index->end() ? -1 : it->second;
}

// ---------------------------------------------------------------------------------------------
// Filter and sort

bool TDataSet::RowMatchesFilter(int storageRow) const
{
    return m_filter->Matches(TDataSetFilterRow(*this, storageRow));
}

void TDataSet::SetFilter(const QString& expression)
{
    if (expression.trimmed().isEmpty()) {
        m_filter.reset();
        m_filterText = expression;
    } else if (Active()) {
        auto compiled = std::make_unique<TFilterExpression>(expression, [this](const QString& name) {
            const TField* f = FindField(name);
            return f ? f->Index() : -1;
        });
        m_filter = std::move(compiled);
        m_filterText = expression;
    } else {
        m_filterText = expression;
    }
    if (Active() && m_filtered) {
        RebuildView(false);
        NotifyReset();
    }
}

void TDataSet::SetFiltered(bool on)
{
    if (m_filtered == on)
        return;
    m_filtered = on;
    if (Active()) {
        if (on && !m_filter && !m_filterText.trimmed().isEmpty())
            SetFilter(m_filterText);
        RebuildView(false);
        NotifyReset();
    }
}

void TDataSet::SetSort(const QString& sortText)
{
    if (Active()) {
        for (const QString& part : sortText.split(u',', Qt::SkipEmptyParts)) {
            const QStringList words = part.simplified().split(u' ');
            if (!FindField(words.value(0)))
                throw EDatabaseError(QStringLiteral("%1: cannot sort on '%2': there is no such field")
                                         .arg(m_name, words.value(0)));
            if (words.size() > 2 ||
                (words.size() == 2 && words[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0 &&
                 words[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) != 0))
                throw EDatabaseError(QStringLiteral("%1: the sort text \"%2\" is not valid").arg(m_name, sortText));
        }
    }
    m_sortText = sortText;
    if (Active()) {
        if (m_state != State::Browse)
            Post();
        RebuildView(true);
        NotifyReset();
    }
}

// ---------------------------------------------------------------------------------------------
// Master / detail

void TDataSet::SetMaster(TDataSet* master, const QString& linkField)
{
    if (m_master == master && m_masterField == linkField)
        return;
    if (m_master) {
        m_master->m_details.removeAll(this);
        disconnect(m_master, nullptr, this, nullptr);
    }
    m_master = master;
    m_masterField = linkField;
    m_masterHasRow = false;
    m_masterValue = QVariant();
    if (m_master) {
        m_master->m_details.append(this);
        connect(m_master, &TDataSet::CurrentChanged, this, &TDataSet::OnMasterChanged);
        connect(m_master, &TDataSet::RowsReset, this, &TDataSet::OnMasterChanged);
        connect(m_master, &TDataSet::RowChanged, this, &TDataSet::OnMasterChanged);
        connect(m_master, &TDataSet::StateChanged, this, &TDataSet::OnMasterChanged);
    }
    if (Active()) {
        ApplyMasterValue();
        Fetch();
        RebuildView(false);
        NotifyReset();
    }
}

void TDataSet::ApplyMasterValue()
{
    m_masterHasRow = false;
    m_masterValue = QVariant();
    if (!m_master || !m_master->Active() || m_master->m_current < 0)
        return;
    if (m_master->m_state == State::Insert)
        return; // a row not stored yet has no detail rows
    TField* f = m_master->FindField(m_masterField);
    if (!f)
        return;
    m_masterValue = m_master->FieldValue(*f);
    m_masterHasRow = !m_masterValue.isNull();
}

void TDataSet::OnMasterChanged()
{
    if (!Active())
        return;
    if (!m_master || !m_master->Active()) {
        // A closed master has no rows, so neither has its detail; the database is not asked.
        if (m_state != State::Browse)
            Cancel();
        m_masterHasRow = false;
        m_masterValue = QVariant();
        m_cells.clear();
        m_arena.clear();
        m_storageRows = 0;
        m_deleted.clear();
        InvalidateLookupIndexes();
        RebuildView(false);
        NotifyReset();
        return;
    }
    const bool hadRow = m_masterHasRow;
    const QVariant before = m_masterValue;
    ApplyMasterValue();
    if (hadRow == m_masterHasRow && before == m_masterValue)
        return;
    if (m_state != State::Browse)
        Cancel();
    Fetch();
    RebuildView(false);
    NotifyReset();
}

// ---------------------------------------------------------------------------------------------
// Notifications

void TDataSet::DisableControls()
{
    ++m_disableCount;
}

void TDataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount > 0)
        return;
    if (m_pendingReset) {
        m_pendingReset = false;
        m_pendingCurrent = false;
        Q_EMIT RowsReset();
        Q_EMIT CurrentChanged(m_current);
    } else if (m_pendingCurrent) {
        m_pendingCurrent = false;
        Q_EMIT CurrentChanged(m_current);
    }
}

void TDataSet::NotifyReset()
{
    if (ControlsDisabled()) {
        m_pendingReset = true;
        return;
    }
    Q_EMIT RowsReset();
    Q_EMIT CurrentChanged(m_current);
}

void TDataSet::NotifyCurrent()
{
    if (ControlsDisabled()) {
        m_pendingCurrent = true;
        return;
    }
    Q_EMIT CurrentChanged(m_current);
}

void TDataSet::NotifyState()
{
    // State changes always reach listeners: editors must follow them even while a list is
    // being rebuilt.
    Q_EMIT StateChanged(m_state);
}
