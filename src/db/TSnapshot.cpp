#include "db/TSnapshot.h"

#include "db/TCollation.h"
#include "db/TDataSetInternal.h"
#include "db/TError.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSnapshot", text);
}

} // namespace

using namespace TDataSetInternal;

namespace
{

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

} // namespace

void TSnapshot::Reset(std::vector<TColumn> columns)
{
    m_columns = std::move(columns);
    m_rowIdColumn = -1;
    for (size_t c = 0; c < m_columns.size() && m_rowIdColumn < 0; ++c)
        if (m_columns[c].name == kRowIdColumn)
            m_rowIdColumn = int(c);
    m_cells.Reset(m_columns.size());
    m_arena.Clear();
}

int TSnapshot::ColumnIndex(const QString& name) const
{
    for (int c = 0; c < int(m_columns.size()); ++c)
        if (m_columns[size_t(c)].name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

bool TSnapshot::SameColumns(const TSnapshot& other) const
{
    return m_columns.size() == other.m_columns.size() &&
           std::equal(m_columns.begin(), m_columns.end(), other.m_columns.begin(),
                      [](const TColumn& a, const TColumn& b) { return a.name == b.name; });
}

bool TSnapshot::PackStamp(const char* s, qsizetype n, qint64& stamp)
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

void TSnapshot::StampText(qint64 stamp, char (&text)[19])
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

TSnapshot::TCell TSnapshot::CopyCell(const TSnapshot& from, const TCell& cell)
{
    if (cell.kind != TCell::Text)
        return cell;
    TCell copy = cell;
    copy.offset = m_arena.Append(from.ArenaText(cell), cell.length);
    return copy;
}

const char* TSnapshot::CellText(const TCell& cell, char (&buffer)[19], quint32& length) const
{
    if (cell.kind == TCell::Stamp) {
        StampText(cell.i, buffer);
        length = sizeof buffer;
        return buffer;
    }
    length = cell.length;
    return ArenaText(cell);
}

QVariant TSnapshot::Value(const TCell& cell, TFieldType type) const
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

QVariant TSnapshot::BindableValue(const TCell& cell) const
{
    switch (cell.kind) {
    case TCell::Null:
        return {};
    case TCell::Int:
        return QVariant(qlonglong(cell.i));
    case TCell::Real:
        return QVariant(cell.d);
    case TCell::Text:
    case TCell::Stamp: {
        char buffer[19];
        quint32 length = 0;
        const char* text = CellText(cell, buffer, length);
        return QString::fromUtf8(text, length);
    }
    }
    return {};
}

TSnapshot::TCell TSnapshot::StoreValue(const QVariant& value, const TField& field)
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
            throw EFieldError(Tr("'%1' is not a valid integer value for field '%2'")
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
            throw EFieldError(Tr("'%1' is not a valid number for field '%2'")
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
            throw EFieldError(Tr("'%1' is not a valid date and time for field '%2'")
                                  .arg(value.toString(), field.FieldName()));
        text(IsoText(dt));
    } else {
        text(value.toString());
    }
    return cell;
}

void TSnapshot::OrderRows(const std::vector<TOrderTerm>& terms)
{
    const int rows = Rows();
    if (rows < 2 || terms.empty())
        return;
    // Each term's texts are ordered once, distinct ones only, and the rows are then sorted by
    // the texts' places: a million rows of a hundred thousand names cost a hundred thousand
    // collations instead of twenty million, and the sort reads small keys side by side.
    const size_t n = terms.size();
    std::vector<quint32> keys(size_t(rows) * n);
    const TCollation::TLocaleOrder order;
    for (size_t t = 0; t < n; ++t) {
        const int column = terms[t].column;
        std::unordered_map<std::string_view, quint32> ids;
        std::vector<std::string_view> distinct;
        std::vector<quint32> rowIds(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            const TCell& cell = Row(r)[column];
            if (cell.kind == TCell::Null) {
                rowIds[size_t(r)] = 0;
                continue;
            }
            if (cell.kind != TCell::Text)
                return OrderRowsByCells(terms); // numbers and stamps keep their own comparison
            const std::string_view text(ArenaText(cell), cell.length);
            const auto [it, added] = ids.try_emplace(text, quint32(distinct.size() + 1));
            if (added)
                distinct.push_back(text);
            rowIds[size_t(r)] = it->second;
        }
        // Distinct texts never compare equal: ties are broken by their characters.
        std::vector<quint32> sorted(distinct.size());
        std::iota(sorted.begin(), sorted.end(), 0u);
        std::sort(sorted.begin(), sorted.end(), [&](quint32 a, quint32 b) {
            return order.CompareUtf8(distinct[a].data(), int(distinct[a].size()),
                                     distinct[b].data(), int(distinct[b].size())) < 0;
        });
        std::vector<quint32> place(distinct.size() + 1, 0); // nulls come first
        for (size_t i = 0; i < sorted.size(); ++i)
            place[sorted[i] + 1] = quint32(i + 1);
        const quint32 last = quint32(distinct.size());
        for (int r = 0; r < rows; ++r) {
            const quint32 p = place[rowIds[size_t(r)]];
            keys[size_t(r) * n + t] = terms[t].descending ? last - p : p;
        }
    }
    std::vector<int> rowOrder(static_cast<size_t>(rows));
    std::iota(rowOrder.begin(), rowOrder.end(), 0);
    std::stable_sort(rowOrder.begin(), rowOrder.end(), [&](int a, int b) {
        const quint32* x = &keys[size_t(a) * n];
        const quint32* y = &keys[size_t(b) * n];
        return std::lexicographical_compare(x, x + n, y, y + n);
    });
    Permute(rowOrder);
}

void TSnapshot::Permute(const std::vector<int>& rowOrder)
{
    TRowStore<TCell> sorted;
    sorted.Reset(m_columns.size());
    for (const int row : rowOrder)
        std::copy_n(Row(row), m_columns.size(), sorted.AppendRow());
    m_cells = std::move(sorted);
}

void TSnapshot::OrderRowsByCells(const std::vector<TOrderTerm>& terms)
{
    const int rows = Rows();
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    auto rank = [](const TCell& cell) {
        return cell.kind == TCell::Null                              ? 0
               : cell.kind == TCell::Int || cell.kind == TCell::Real ? 1
                                                                     : 2;
    };
    const TCollation::TLocaleOrder texts;
    auto compare = [&](int a, int b) {
        for (const TOrderTerm& term : terms) {
            const TCell& x = Row(a)[term.column];
            const TCell& y = Row(b)[term.column];
            const int rx = rank(x), ry = rank(y);
            int c = 0;
            if (rx != ry) {
                c = rx < ry ? -1 : 1;
            } else if (rx == 1) {
                if (x.kind == TCell::Int && y.kind == TCell::Int)
                    c = x.i < y.i ? -1 : (x.i > y.i ? 1 : 0);
                else {
                    const double dx = x.kind == TCell::Int ? double(x.i) : x.d;
                    const double dy = y.kind == TCell::Int ? double(y.i) : y.d;
                    c = dx < dy ? -1 : (dx > dy ? 1 : 0);
                }
            } else if (rx == 2) {
                char bx[19], by[19];
                quint32 lx = 0, ly = 0;
                const char* tx = CellText(x, bx, lx);
                const char* ty = CellText(y, by, ly);
                c = texts.CompareUtf8(tx, int(lx), ty, int(ly));
            }
            if (c != 0)
                return term.descending ? c > 0 : c < 0;
        }
        return false;
    };
    std::stable_sort(order.begin(), order.end(), compare);
    Permute(order);
}
