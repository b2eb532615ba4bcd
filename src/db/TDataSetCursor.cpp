#include "db/TDataSet.h"

#include "db/TCollation.h"
#include "db/TConnection.h"
#include "db/TDataSetInternal.h"
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

// The visible rows (filter and sort over the storage), the current row, and the editing states.

using namespace TDataSetInternal;

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
        const TSnapshot::TCell* cell = m_ds.StorageCell(m_row, f.Column());
        if (cell->kind != TSnapshot::TCell::Text)
            return false;
        text = m_ds.m_snapshot.ArenaText(*cell);
        length = cell->length;
        return true;
    }
    bool Number(int fieldIndex, double& value) const override
    {
        // The conversions of CellValue for numbers stored as numbers.
        const TField& f = m_ds.Fields(fieldIndex);
        if (f.Kind() != TFieldKind::Data || f.Column() < 0)
            return false;
        const bool integer = IsIntegerType(f.DataType());
        if (!integer && f.DataType() != TFieldType::Decimal && f.DataType() != TFieldType::Float)
            return false;
        const TSnapshot::TCell* cell = m_ds.StorageCell(m_row, f.Column());
        if (cell->kind == TSnapshot::TCell::Int)
            value = integer ? double(int(cell->i)) : double(cell->i);
        else if (cell->kind == TSnapshot::TCell::Real)
            value = integer ? double(int(std::llround(cell->d))) : cell->d;
        else
            return false;
        return true;
    }

private:
    const TDataSet& m_ds;
    int m_row;
};

void TDataSet::RebuildView(bool keepCurrent)
{
    const int oldStorage = (keepCurrent && m_current >= 0) ? m_view[size_t(m_current)] : -1;
    m_view.clear();
    m_view.reserve(size_t(m_snapshot.Rows()));
    const bool filtering = m_filtered && m_filter;
    for (int r = 0; r < m_snapshot.Rows(); ++r) {
        if (m_deleted[size_t(r)])
            continue;
        if (filtering && !RowMatchesFilter(r))
            continue;
        m_view.push_back(r);
    }
    if (!m_sortText.trimmed().isEmpty()) {
        const auto keys = SortKeys();
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

std::vector<std::pair<int, bool>> TDataSet::SortKeys() const
{
    std::vector<std::pair<int, bool>> keys;
    for (const QString& part : m_sortText.split(u',', Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(u' ');
        TField* f = FindField(words.value(0));
        if (!f)
            continue; // validated by SetSort
        const bool desc = words.size() > 1 && words.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        keys.emplace_back(f->Index(), desc);
    }
    return keys;
}

void TDataSet::ReplaceInView(int storageRow)
{
    const auto it = std::find(m_view.begin(), m_view.end(), storageRow);
    const int row = it == m_view.end() ? -1 : int(it - m_view.begin());
    const bool wanted = !m_deleted[size_t(storageRow)] && (!m_filtered || !m_filter || RowMatchesFilter(storageRow));
    if (row >= 0 && !wanted) {
        m_view.erase(it);
        NotifyRowRemoved(row);
        if (m_current > row || m_current >= int(m_view.size()))
            --m_current;
        m_eof = m_bof = m_view.empty();
        NotifyCurrent();
        return;
    }
    // The row stays where it is while it still sorts between its neighbours, as the stable
    // sort over the storage order would put it.
    bool inPlace = row >= 0;
    if (inPlace && !m_sortText.trimmed().isEmpty()) {
        const auto keys = SortKeys();
        auto before = [&](int a, int b) {
            const int c = CompareRows(a, b, keys);
            return c < 0 || (c == 0 && a < b);
        };
        inPlace = (row == 0 || before(m_view[size_t(row - 1)], storageRow)) &&
                  (row + 1 == int(m_view.size()) || before(storageRow, m_view[size_t(row + 1)]));
    }
    if (inPlace) {
        NotifyRowChanged(row);
        return;
    }
    if (row < 0 && !wanted)
        return;
    RebuildView(true);
    NotifyReset();
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
            } else if (x.kind == TCell::Stamp && y.kind == TCell::Stamp) {
                c = x.i < y.i ? -1 : (x.i > y.i ? 1 : 0);
            } else if ((x.kind == TCell::Text || x.kind == TCell::Stamp) &&
                       (y.kind == TCell::Text || y.kind == TCell::Stamp)) {
                char bx[19], by[19];
                quint32 lx = 0, ly = 0;
                const char* tx = m_snapshot.CellText(x, bx, lx);
                const char* ty = m_snapshot.CellText(y, by, ly);
                if (f.DataType() == TFieldType::String) {
                    c = TCollation::CompareUtf8(tx, int(lx), ty, int(ly));
                } else {
                    // ISO date texts order as they compare bytewise.
                    c = std::string_view(tx, lx).compare(std::string_view(ty, ly));
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
// Editing

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(
            Tr("%1: Cannot perform this operation on a closed dataset").arg(m_name));
}

void TDataSet::CheckEditable() const
{
    if (m_baseTable.isEmpty())
        throw EDatabaseError(
            Tr("%1: the data set cannot be changed, it does not show a single table.").arg(m_name));
}

void TDataSet::Insert()
{
    CheckActive();
    // A new row needs none of the stored ones: rows still to be read stay so, and are read
    // with this one among them when they are first needed.
    CheckEditable();
    if (m_state != State::Browse)
        Post();
    const size_t ncols = size_t(m_snapshot.ColumnCount());
    const int storageRow = m_snapshot.Rows();
    m_snapshot.AppendRow();
    m_deleted.push_back(false);
    m_view.push_back(storageRow);
    m_editStorageRow = storageRow;
    m_editBuffer.assign(ncols, TCell());
    m_modified.assign(ncols, false);
    m_state = State::Insert;
    m_current = int(m_view.size()) - 1;
    m_bof = m_eof = false;
    if (m_master && m_masterHasRow) {
        if (TField* link = FindField(m_masterField); link && link->Column() >= 0) {
            m_editBuffer[size_t(link->Column())] = m_snapshot.StoreValue(m_masterValue, *link);
            m_modified[size_t(link->Column())] = true;
        }
    }
    NotifyState();
    NotifyRowInserted(m_current);
    NotifyCurrent();
}

void TDataSet::Edit()
{
    CheckActive();
    EnsureFetched();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_current < 0)
        throw EDatabaseError(Tr("%1: Cannot edit: there is no current record").arg(m_name));
    CheckEditable();
    const int storageRow = m_view[size_t(m_current)];
    const size_t ncols = size_t(m_snapshot.ColumnCount());
    const TCell* row = m_snapshot.Row(storageRow);
    m_editBuffer.assign(row, row + ncols);
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
            NotifyRowRemoved(row);
        }
        m_current = m_view.empty() ? -1 : std::min(m_current, int(m_view.size()) - 1);
        m_eof = m_bof = m_view.empty();
    }
    NotifyState();
    if (wasInsert)
        NotifyCurrent();
    else
        NotifyRowChanged(m_current);
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
        if (c < 0 || c == m_snapshot.RowIdColumn() || f->DataType() == TFieldType::AutoInc)
            continue;
        if (!m_modified[size_t(c)])
            continue;
        columns << f->FieldName();
        values << m_snapshot.BindableValue(m_editBuffer[size_t(c)]);
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
        if (m_snapshot.RowIdColumn() < 0)
            throw EDatabaseError(Tr("%1: the row cannot be found again to store it.").arg(m_name));
        rowId = m_editBuffer[size_t(m_snapshot.RowIdColumn())].i;
        if (!columns.isEmpty()) {
            QStringList sets;
            for (const QString& c : columns)
                sets << c + QStringLiteral(" = ?");
            values << QVariant(qlonglong(rowId));
            const int changed = m_conn.Execute(QStringLiteral("update %1 set %2 where %3 = ?")
                                                   .arg(m_baseTable, sets.join(QStringLiteral(", ")),
                                                        m_conn.RowIdColumn(m_baseTable)),
                                               values);
            if (changed == 0)
                throw EDatabaseError(
                    Tr("The record was deleted by another user; it cannot be saved."));
        }
    }
    const int storageRow = m_editStorageRow;
    // The stored row wins: keys and defaults the database filled show at once.
    std::copy(m_editBuffer.begin(), m_editBuffer.end(), m_snapshot.Row(storageRow));
    m_editBuffer.clear();
    m_editStorageRow = -1;
    m_state = State::Browse;
    ReloadStorageRow(storageRow, rowId);
    InvalidateLookupIndexes();
    NotifyState();
    NotifyRowChanged(m_current);
    NotifyCurrent();
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
        throw EDatabaseError(
            Tr("%1: Cannot perform this operation on an empty dataset").arg(m_name));
    CheckEditable();
    if (m_snapshot.RowIdColumn() < 0)
        throw EDatabaseError(Tr("%1: the row cannot be found to delete it.").arg(m_name));
    const int storageRow = m_view[size_t(m_current)];
    const qint64 rowId = StorageCell(storageRow, m_snapshot.RowIdColumn())->i;
    m_conn.Execute(QStringLiteral("delete from %1 where %2 = ?").arg(m_baseTable, m_conn.RowIdColumn(m_baseTable)),
                   {QVariant(qlonglong(rowId))});
    m_deleted[size_t(storageRow)] = true;
    const int row = m_current;
    m_view.erase(m_view.begin() + row);
    InvalidateLookupIndexes();
    NotifyRowRemoved(row);
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
            throw EDatabaseError(
                Tr("%1: %2 values are needed for the search").arg(m_name).arg(count));
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
                throw EDatabaseError(Tr("%1: cannot sort on '%2': there is no such field")
                                         .arg(m_name, words.value(0)));
            if (words.size() > 2 ||
                (words.size() == 2 && words[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0 &&
                 words[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) != 0))
                throw EDatabaseError(
                    Tr("%1: the sort text \"%2\" is not valid").arg(m_name, sortText));
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
