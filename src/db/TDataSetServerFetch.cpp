#include "TDataSet.h"

#include "TConnection.h"
#include "TDataSetInternal.h"
#include "TError.h"
#include "TServerResult.h"

#include <cstdlib>

// Reading rows from a database server into the same typed cells and text arena that a file's
// rows fill: numbers become number cells, everything else (dates included, as ISO texts) text.

using namespace TDataSetInternal;

namespace {

enum class TCellKind { Int, Bool, Real, Text };

// How a column of a server type shows as a field, and how its texts are read into cells.
struct TServerType
{
    TFieldType field = TFieldType::String;
    TCellKind cell = TCellKind::Text;
};

TServerType FromServer(Oid type)
{
    switch (type) {
    case TServerResult::kInt4:
    case TServerResult::kInt8:
    case TServerResult::kOid:
        return {TFieldType::Integer, TCellKind::Int};
    case TServerResult::kBool:
        return {TFieldType::Integer, TCellKind::Bool};
    case TServerResult::kInt2:
        return {TFieldType::SmallUInt, TCellKind::Int};
    case TServerResult::kNumeric:
        return {TFieldType::Decimal, TCellKind::Real};
    case TServerResult::kFloat4:
    case TServerResult::kFloat8:
        return {TFieldType::Float, TCellKind::Real};
    case TServerResult::kDate:
    case TServerResult::kTimestamp:
    case TServerResult::kTimestampTz:
        return {TFieldType::DateTime, TCellKind::Text};
    default:
        return {};
    }
}

// Reads one cell of the result; texts go to the arena, date-time texts of a date column are
// kept as stamps, as a file's are.
TDataSet::TCell ReadCell(const TServerResult& result, int r, int c, TCellKind kind, bool dateColumn,
                         TTextArena& arena)
{
    TDataSet::TCell cell;
    if (result.IsNull(r, c))
        return cell;
    const char* text = result.Text(r, c);
    switch (kind) {
    case TCellKind::Int:
        cell.kind = TDataSet::TCell::Int;
        cell.i = std::strtoll(text, nullptr, 10);
        break;
    case TCellKind::Bool:
        cell.kind = TDataSet::TCell::Int;
        cell.i = text[0] == 't' ? 1 : 0;
        break;
    case TCellKind::Real:
        cell.kind = TDataSet::TCell::Real;
        cell.d = std::strtod(text, nullptr);
        break;
    case TCellKind::Text: {
        const int len = result.Length(r, c);
        if (dateColumn && PackStamp(text, len, cell.i)) {
            cell.kind = TDataSet::TCell::Stamp;
            break;
        }
        cell.kind = TDataSet::TCell::Text;
        cell.length = quint32(len);
        cell.offset = arena.Append(text, size_t(len));
    }
    }
    return cell;
}

// Calls take(row, column, cell) for every cell of the result, row after row.
template <class TTake>
void ReadCells(const TServerResult& result, TTextArena& arena, TTake take)
{
    const int ncols = result.Columns();
    std::vector<TCellKind> kinds(static_cast<size_t>(ncols));
    std::vector<bool> dates(static_cast<size_t>(ncols));
    for (int c = 0; c < ncols; ++c) {
        const TServerType type = FromServer(result.Type(c));
        kinds[size_t(c)] = type.cell;
        dates[size_t(c)] = type.field == TFieldType::DateTime;
    }
    const int rows = result.Rows();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < ncols; ++c)
            take(r, c, ReadCell(result, r, c, kinds[size_t(c)], dates[size_t(c)], arena));
}

} // namespace

bool TDataSet::IsHiddenColumn(const QString& name)
{
    return name.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0;
}

QVariant TDataSet::ParameterValue(const QString& name, int position, const QVariant& rowKey) const
{
    if (name.isEmpty())
        return m_params.value(QString::number(position));
    return name == kMasterParam ? (m_masterHasRow ? m_masterValue : QVariant())
           : name == kRowKeyParam ? rowKey
                                  : m_params.value(name.toLower());
}

std::vector<TDataSet::TColumnInfo> TDataSet::ServerColumns(const TServerResult& result)
{
    std::vector<TDataSet::TColumnInfo> columns(static_cast<size_t>(result.Columns()));
    for (size_t c = 0; c < columns.size(); ++c) {
        columns[c].name = QString::fromUtf8(result.Name(int(c)));
        columns[c].type = FromServer(result.Type(int(c))).field;
    }
    return columns;
}

void TDataSet::ServerPrepareColumns()
{
    // Asking for no row gives the columns and checks the text.
    const auto result = m_conn.ServerQuery(
        QStringLiteral("select * from (%1) as __rows limit 0").arg(ExecutableSql()),
        [this](const QString& name, int position) { return ParameterValue(name, position, {}); });
    SetEmptySnapshot(ServerColumns(*result));
}

void TDataSet::ServerFetch()
{
    m_conn.CountQuery();
    const auto result = m_conn.ServerQuery(ExecutableSql(), [this](const QString& name, int position) {
        return ParameterValue(name, position, {});
    });
    std::vector<TColumnInfo> columns = ServerColumns(*result);
    TRowStore<TCell> cells;
    cells.Reset(columns.size());
    TTextArena arena;
    TCell* row = nullptr;
    ReadCells(*result, arena, [&](int, int c, const TCell& cell) {
        if (c == 0)
            row = cells.AppendRow();
        row[c] = cell;
    });
    const int rows = result->Rows();

    // Only a successful fetch replaces the snapshot.
    AdoptSnapshot(std::move(columns), std::move(cells), std::move(arena), rows);
}

bool TDataSet::ServerReadRow(const QString& sql, const QVariant& key, std::vector<TCell>& cells,
                             int& rows)
{
    m_conn.CountQuery();
    const auto result = m_conn.ServerQuery(sql, [this, &key](const QString& name, int position) {
        return ParameterValue(name, position, key);
    });
    if (size_t(result->Columns()) != m_columns.size())
        return false;
    ReadCells(*result, m_arena, [&](int, int, const TCell& cell) { cells.push_back(cell); });
    rows = result->Rows();
    return true;
}

void TDataSet::ServerReloadRow(int storageRow, qint64 rowId)
{
    const QString owner = RowIdOwner();
    const QString key = m_conn.RowIdColumn(m_baseTable);
    m_conn.CountQuery();
    const auto result = m_conn.ServerQuery(
        QStringLiteral("select *, %1.%4 as %2 from %3 %1 where %1.%4 = :%5")
            .arg(owner, kRowIdColumn, m_baseTable, key, kRowKeyParam),
        [rowId](const QString&, int) { return QVariant(rowId); });
    TCell* stored = m_cells.Row(size_t(storageRow));
    if (result->Rows() == 0) {
        stored[m_rowIdColumn].kind = TCell::Int;
        stored[m_rowIdColumn].i = rowId;
        return;
    }
    std::vector<int> targets;
    for (int c = 0; c < result->Columns(); ++c)
        targets.push_back(ColumnIndex(QString::fromUtf8(result->Name(c))));
    ReadCells(*result, m_arena, [&](int r, int c, const TCell& cell) {
        if (r == 0 && targets[size_t(c)] >= 0)
            stored[targets[size_t(c)]] = cell;
    });
}
