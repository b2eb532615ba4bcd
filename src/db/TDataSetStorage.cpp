#include "TDataSet.h"

#include "TConnection.h"
#include "TDataSetInternal.h"
#include "TDisplayFormat.h"
#include "TError.h"
#include "TFilterExpression.h"

#include <algorithm>
#include <cmath>

#include <sqlite3.h>

// Row storage: reading a query into typed cells and a text arena, converting cells to values and
// back, the fields built over the columns, and the key indexes behind lookup fields.

namespace TDataSetInternal {

const QString kRowIdColumn = QStringLiteral("__rowid");
const QString kMasterParam = QStringLiteral("__master");
const QString kRowKeyParam = QStringLiteral("__rowkey");

bool IsIntegerType(TFieldType t)
{
    return t == TFieldType::Integer || t == TFieldType::AutoInc || t == TFieldType::SmallUInt;
}

bool PackStamp(const char* s, qsizetype n, qint64& stamp)
{
    if (n != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return false;
    int part[6];
    static constexpr int kFrom[6] = {0, 5, 8, 11, 14, 17};
    for (int p = 0; p < 6; ++p) {
        const int width = p == 0 ? 4 : 2;
        int v = 0;
        for (int i = kFrom[p]; i < kFrom[p] + width; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return false;
            v = v * 10 + (s[i] - '0');
        }
        part[p] = v;
    }
    if (!QDate::isValid(part[0], part[1], part[2]) || !QTime::isValid(part[3], part[4], part[5]))
        return false;
    stamp = 0;
    for (int p = 0; p < 6; ++p)
        stamp = stamp * (p == 0 ? 1 : 100) + part[p];
    return true;
}

void StampText(qint64 stamp, char (&text)[19])
{
    static constexpr int kDigitsAt[14] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
    for (int d = 13; d >= 0; --d) {
        text[kDigitsAt[d]] = char('0' + stamp % 10);
        stamp /= 10;
    }
    text[4] = text[7] = '-';
    text[10] = ' ';
    text[13] = text[16] = ':';
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

namespace {

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

// Reads one column of the statement's current row into a cell; text goes to the arena, except
// the date-time texts of a date column, which are kept as stamps.
TDataSet::TCell ReadCell(sqlite3_stmt* stmt, int column, TTextArena& arena, bool dateColumn)
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
        if (dateColumn && PackStamp(text, len, cell.i)) {
            cell.kind = TDataSet::TCell::Stamp;
            break;
        }
        cell.kind = TDataSet::TCell::Text;
        cell.offset = arena.Append(text, size_t(len));
        cell.length = quint32(len);
    }
    }
    return cell;
}

} // namespace

void TDataSet::PrepareColumns()
{
    if (m_conn.IsServer()) {
        ServerPrepareColumns();
        return;
    }
    // Compiling the statement checks the text and gives the columns without reading a row.
    const QByteArray sql = ExecutableSql().toUtf8();
    TStmt s;
    if (sqlite3_prepare_v2(m_conn.Handle(), sql.constData(), int(sql.size()), &s.stmt, nullptr) != SQLITE_OK)
        m_conn.ThrowEngineError();
    const int ncols = sqlite3_column_count(s.stmt);
    std::vector<TColumnInfo> columns(static_cast<size_t>(ncols));
    for (int c = 0; c < ncols; ++c) {
        columns[size_t(c)].name = QString::fromUtf8(sqlite3_column_name(s.stmt, c));
        const char* decl = sqlite3_column_decltype(s.stmt, c);
        // Expressions have no declared type; sums are numbers.
        columns[size_t(c)].type = decl ? TypeFromDecl(decl) : TFieldType::Float;
    }
    SetEmptySnapshot(std::move(columns));
}

void TDataSet::SetEmptySnapshot(std::vector<TColumnInfo> columns)
{
    m_columns = std::move(columns);
    m_rowIdColumn = RowIdColumnOf(m_columns);
    m_cells.Reset(m_columns.size());
    m_arena.Clear();
    m_storageRows = 0;
    m_deleted.clear();
}

int TDataSet::RowIdColumnOf(const std::vector<TColumnInfo>& columns)
{
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].name == kRowIdColumn)
            return int(c);
    return -1;
}

void TDataSet::Fetch()
{
    m_fetchPending = false;
    if (m_conn.IsServer()) {
        ServerFetch();
        return;
    }
    const QByteArray sql = ExecutableSql().toUtf8();
    sqlite3* db = m_conn.Handle();
    TStmt s;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &s.stmt, nullptr) != SQLITE_OK)
        m_conn.ThrowEngineError();
    m_conn.CountQuery();
    BindParameters(s.stmt, {});

    const int ncols = sqlite3_column_count(s.stmt);
    std::vector<TColumnInfo> columns(static_cast<size_t>(ncols));
    std::vector<bool> typeKnown(size_t(ncols), false);
    for (int c = 0; c < ncols; ++c) {
        columns[size_t(c)].name = QString::fromUtf8(sqlite3_column_name(s.stmt, c));
        const char* decl = sqlite3_column_decltype(s.stmt, c);
        columns[size_t(c)].type = TypeFromDecl(decl);
        typeKnown[size_t(c)] = decl != nullptr;
    }

    TRowStore<TCell> cells;
    cells.Reset(size_t(ncols));
    TTextArena arena;
    int rows = 0;
    int rc;
    std::vector<char> dateColumn(static_cast<size_t>(ncols));
    for (int c = 0; c < ncols; ++c)
        dateColumn[size_t(c)] = typeKnown[size_t(c)] && columns[size_t(c)].type == TFieldType::DateTime;
    while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
        TCell* row = cells.AppendRow();
        for (int c = 0; c < ncols; ++c) {
            const TCell cell = ReadCell(s.stmt, c, arena, dateColumn[size_t(c)]);
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
            row[c] = cell;
        }
        ++rows;
    }
    if (rc != SQLITE_DONE)
        m_conn.ThrowEngineError();

    // Only a successful fetch replaces the snapshot.
    AdoptSnapshot(std::move(columns), std::move(cells), std::move(arena), rows);
}

void TDataSet::AdoptSnapshot(std::vector<TColumnInfo> columns, TRowStore<TCell> cells,
                             TTextArena arena, int rows)
{
    const bool columnsChanged = columns.size() != m_columns.size() ||
                                !std::equal(columns.begin(), columns.end(), m_columns.begin(),
                                            [](const TColumnInfo& a, const TColumnInfo& b) {
                                                return a.name == b.name;
                                            });
    m_columns = std::move(columns);
    m_rowIdColumn = RowIdColumnOf(m_columns);
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

bool TDataSet::FieldsMatchColumns() const
{
    if (m_fields.empty())
        return false;
    if (!m_declared.isEmpty())
        return std::all_of(m_fields.begin(), m_fields.end(), [this](const auto& f) {
            return f->Kind() != TFieldKind::Data || ColumnIndex(f->FieldName()) == f->Column();
        });
    int field = 0;
    for (int c = 0; c < int(m_columns.size()); ++c) {
        if (c == m_rowIdColumn || IsHiddenColumn(m_columns[size_t(c)].name))
            continue;
        if (field >= int(m_fields.size()) || m_fields[size_t(field)]->Column() != c ||
            m_fields[size_t(field)]->FieldName() != m_columns[size_t(c)].name)
            return false;
        ++field;
    }
    return field == int(m_fields.size());
}

void TDataSet::BindParameters(sqlite3_stmt* stmt, const QVariant& rowKey) const
{
    const int paramCount = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= paramCount; ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt, i);
        QVariant value;
        if (name) {
            const QString key = QString::fromUtf8(name + 1);
            value = key == kMasterParam ? (m_masterHasRow ? m_masterValue : QVariant())
                    : key == kRowKeyParam ? rowKey
                                          : m_params.value(key.toLower());
        } else {
            value = m_params.value(QString::number(i));
        }
        QuorvelBindValue(m_conn, stmt, i, value);
    }
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
                               .arg(ExecutableSql(), m_columns[size_t(field->Column())].name, kRowKeyParam);
    const size_t ncols = m_columns.size();
    std::vector<TCell> cells;
    int rows = 0;
    if (m_conn.IsServer()) {
        if (!ServerReadRow(rowSql, key, cells, rows)) {
            Requery();
            return;
        }
    } else {
    const QByteArray sql = rowSql.toUtf8();
    TStmt s;
    if (sqlite3_prepare_v2(m_conn.Handle(), sql.constData(), int(sql.size()), &s.stmt, nullptr) != SQLITE_OK)
        m_conn.ThrowEngineError();
    m_conn.CountQuery();
    BindParameters(s.stmt, key);
    if (size_t(sqlite3_column_count(s.stmt)) != ncols) {
        Requery();
        return;
    }
    int rc;
    while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
        for (int c = 0; c < int(ncols); ++c)
            cells.push_back(ReadCell(s.stmt, c, m_arena, m_columns[size_t(c)].type == TFieldType::DateTime));
        ++rows;
    }
    if (rc != SQLITE_DONE)
        m_conn.ThrowEngineError();
    }

    const QList<int> keyIndex{field->Index()};
    const QVariantList keyValue{key};
    int storageRow = -1;
    int existing = 0;
    for (int r = 0; r < m_storageRows; ++r) {
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
    if (rows == 0)
        m_deleted[size_t(storageRow)] = true;
    else
        std::copy(cells.begin(), cells.end(), m_cells.Row(size_t(storageRow)));
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
        for (int c = 0; c < int(m_columns.size()); ++c) {
            if (c == m_rowIdColumn || IsHiddenColumn(m_columns[size_t(c)].name))
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

int TDataSet::ColumnIndex(const QString& name) const
{
    for (int c = 0; c < int(m_columns.size()); ++c)
        if (m_columns[size_t(c)].name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
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
    return m_arena.At(cell.offset);
}

const char* TDataSet::CellText(const TCell& cell, char (&buffer)[19], quint32& length) const
{
    if (cell.kind == TCell::Stamp) {
        StampText(cell.i, buffer);
        length = sizeof buffer;
        return buffer;
    }
    length = cell.length;
    return ArenaText(cell);
}

const TDataSet::TCell* TDataSet::StorageCell(int storageRow, int column) const
{
    if (storageRow == m_editStorageRow && !m_editBuffer.empty())
        return &m_editBuffer[size_t(column)];
    return m_cells.Row(size_t(storageRow)) + column;
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
    case TCell::Stamp:
        if (type == TFieldType::DateTime) {
            const qint64 date = cell.i / 1000000, time = cell.i % 1000000;
            return QDateTime(QDate(int(date / 10000), int(date / 100 % 100), int(date % 100)),
                             QTime(int(time / 10000), int(time / 100 % 100), int(time % 100)));
        }
        [[fallthrough]];
    case TCell::Text: {
        char buffer[19];
        quint32 length = 0;
        const char* text = CellText(cell, buffer, length);
        if (type == TFieldType::DateTime) {
            const QDateTime dt = ParseIsoDateTime(text, length);
            if (dt.isValid())
                return dt;
        }
        const QString s = QString::fromUtf8(text, length);
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
        cell.offset = m_arena.Append(utf8.constData(), size_t(utf8.size()));
        cell.length = quint32(utf8.size());
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
    NotifyRowChanged(m_current);
}

void TDataSet::ReloadStorageRow(int storageRow, qint64 rowId)
{
    if (m_rowIdColumn < 0)
        return;
    // Reads the row back through the data set's own query, so columns and order match.
    const QString owner = RowIdOwner();
    if (m_conn.IsServer()) {
        ServerReloadRow(storageRow, rowId);
        return;
    }
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
        m_cells.Row(size_t(storageRow))[m_rowIdColumn].kind = TCell::Int;
        m_cells.Row(size_t(storageRow))[m_rowIdColumn].i = rowId;
        return;
    }
    const int ncols = sqlite3_column_count(s.stmt);
    for (int c = 0; c < ncols; ++c) {
        const int target = ColumnIndex(QString::fromUtf8(sqlite3_column_name(s.stmt, c)));
        if (target < 0)
            continue;
        const TCell cell =
            ReadCell(s.stmt, c, m_arena, m_columns[size_t(target)].type == TFieldType::DateTime);
        m_cells.Row(size_t(storageRow))[target] = cell;
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
        for (int r = 0; r < m_storageRows; ++r) {
            if (m_deleted[size_t(r)])
                continue;
            const TCell& cell = m_cells.Row(size_t(r))[f->Column()];
            if (cell.kind == TCell::Int)
                index->emplace(cell.i, r);
        }
    }
    const auto it = index->find(k);
    return it == index->end() ? -1 : it->second;
}
