#include "support/TJetWriter.h"

#include <QDateTime>
#include <QFile>

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace
{

constexpr int kPage = 4096;
constexpr int kDataHeader = 14; // type, flag, free space, table page, 4 unknown, row count
constexpr int kRowsPerPageLimit = 255;

void Put16(QByteArray& b, int at, quint32 v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char((v >> 8) & 0xff);
}

void Put32(QByteArray& b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

void Append16(QByteArray& b, quint32 v)
{
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}

// The header page's masked area is RC4 with a fixed key; masking and unmasking are the same.
void Rc4(unsigned char* data, int size, const unsigned char* key, int keySize)
{
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keySize]) & 0xff;
        std::swap(s[i], s[j]);
    }
    int x = 0;
    int y = 0;
    for (int n = 0; n < size; ++n) {
        x = (x + 1) & 0xff;
        y = (y + s[x]) & 0xff;
        std::swap(s[x], s[y]);
        data[n] ^= s[(s[x] + s[y]) & 0xff];
    }
}

bool IsFixed(TJetWriter::TType type)
{
    return type != TJetWriter::Text && type != TJetWriter::Memo && type != TJetWriter::Ole;
}

int FixedSize(TJetWriter::TType type)
{
    switch (type) {
    case TJetWriter::Byte:
        return 1;
    case TJetWriter::Integer:
        return 2;
    case TJetWriter::Long:
        return 4;
    default:
        return 8;
    }
}

QByteArray HeaderPage()
{
    QByteArray p(kPage, '\0');
    p[1] = 0x01;
    std::memcpy(p.data() + 4, "Standard Jet DB", 15);
    p[0x14] = 0x01; // Jet 4
    // The masked area: code page, no database key, no password, the general sort order.
    QByteArray plain(128, '\0');
    Put16(plain, 0x3c - 0x18, 1252);
    Put32(plain, 0x3e - 0x18, 0);
    Put16(plain, 0x6e - 0x18, 0x0409);
    const unsigned char key[4] = {0xc7, 0xda, 0x39, 0x6b};
    Rc4(reinterpret_cast<unsigned char*>(plain.data()), plain.size(), key, 4);
    std::memcpy(p.data() + 0x18, plain.constData(), plain.size());
    return p;
}

// A page whose rows are the usage map (row 0) and the free-space map (row 1) of one table,
// both of the inline kind: a type byte, the first page, then one bit per page.
QByteArray MapPage(quint32 firstDataPage, int dataPages)
{
    QByteArray used(5 + std::max(1, (dataPages + 7) / 8), '\0');
    Put32(used, 1, firstDataPage);
    for (int i = 0; i < dataPages; ++i)
        used[5 + i / 8] = char(used[5 + i / 8] | (1 << (i % 8)));
    QByteArray free(6, '\0');
    if (used.size() + free.size() + kDataHeader + 4 > kPage)
        throw std::runtime_error("usage map does not fit one page");
    QByteArray p(kPage, '\0');
    p[0] = 0x01;
    p[1] = 0x01;
    std::memcpy(p.data() + 4, "LVAL", 4);
    Put16(p, 12, 2);
    int end = kPage - used.size();
    std::memcpy(p.data() + end, used.constData(), used.size());
    Put16(p, 14, end);
    end -= free.size();
    std::memcpy(p.data() + end, free.constData(), free.size());
    Put16(p, 16, end);
    Put16(p, 2, end - (kDataHeader + 4));
    return p;
}

} // namespace

double TJetWriter::DateNumber(const QDateTime& dateTime)
{
    static const QDate epoch(1899, 12, 30);
    const qint64 days = epoch.daysTo(dateTime.date());
    const int seconds = dateTime.time().msecsSinceStartOfDay() / 1000;
    return double(days) + double(seconds) / 86400.0;
}

void TJetWriter::AddTable(const QString& name, const QList<TColumn>& columns)
{
    TTable table;
    table.name = name;
    table.columns = columns;
    m_tables.append(table);
}

int TJetWriter::RowCount(const QString& name) const
{
    for (const TTable& t : m_tables)
        if (t.name == name)
            return int(t.rows.size());
    return 0;
}

QList<QVariantList> TJetWriter::Rows(const QString& name) const
{
    for (const TTable& t : m_tables)
        if (t.name == name)
            return t.values;
    return {};
}

QStringList TJetWriter::TableNames() const
{
    QStringList names;
    for (const TTable& t : m_tables)
        names << t.name;
    return names;
}

void TJetWriter::AddRow(const QString& name, const QVariantList& values)
{
    for (TTable& t : m_tables) {
        if (t.name != name)
            continue;
        if (values.size() != t.columns.size())
            throw std::runtime_error("row has the wrong number of values");
        QByteArray row = EncodeRow(t, values);
        if (row.size() + 2 > kPage - kDataHeader)
            throw std::runtime_error("row does not fit a page");
        for (int c = 0; c < t.columns.size(); ++c)
            if (t.columns.at(c).autoNumber && !values.at(c).isNull())
                t.nextAutoNumber = std::max(t.nextAutoNumber, values.at(c).toLongLong() + 1);
        t.rows.append(row);
        t.values.append(values);
        return;
    }
    throw std::runtime_error("no such table");
}

QByteArray TJetWriter::EncodeText(const QString& text) const
{
    // Compressed form: FF FE, then runs of one-byte characters; a zero byte switches between
    // one-byte and two-byte runs. A character whose low byte is zero cannot be written in it.
    bool compressible = compressText && !text.isEmpty();
    for (QChar c : text)
        if ((c.unicode() & 0xff) == 0)
            compressible = false;
    QByteArray plain;
    for (QChar c : text)
        Append16(plain, c.unicode());
    if (!compressible)
        return plain;
    QByteArray out("\xff\xfe", 2);
    bool oneByte = true;
    for (QChar c : text) {
        const bool small = c.unicode() < 0x100;
        if (small != oneByte) {
            out.append('\0');
            oneByte = small;
        }
        if (small)
            out.append(char(c.unicode()));
        else
            Append16(out, c.unicode());
    }
    return out.size() < plain.size() ? out : plain;
}

QByteArray TJetWriter::EncodeRow(const TTable& table, const QVariantList& values) const
{
    const int count = int(table.columns.size());
    QByteArray row;
    Append16(row, count);
    QByteArray nulls((count + 7) / 8, '\0');
    for (int c = 0; c < count; ++c) {
        const TColumn& col = table.columns.at(c);
        if (!IsFixed(col.type))
            continue;
        const QVariant& v = values.at(c);
        QByteArray cell(FixedSize(col.type), '\0');
        if (!v.isNull()) {
            nulls[c / 8] = char(nulls[c / 8] | (1 << (c % 8)));
            switch (col.type) {
            case Byte:
                cell[0] = char(v.toInt() & 0xff);
                break;
            case Integer:
                Put16(cell, 0, quint32(v.toInt()));
                break;
            case Long:
                Put32(cell, 0, quint32(v.toInt()));
                break;
            case Currency: {
                const qint64 scaled = std::llround(v.toDouble() * 10000.0);
                std::memcpy(cell.data(), &scaled, 8);
                break;
            }
            case Double: {
                const double d = v.toDouble();
                std::memcpy(cell.data(), &d, 8);
                break;
            }
            case DateTime: {
                const double d = DateNumber(v.toDateTime());
                std::memcpy(cell.data(), &d, 8);
                break;
            }
            default:
                break;
            }
        }
        row.append(cell);
    }
    QList<int> offsets;
    for (int c = 0; c < count; ++c) {
        const TColumn& col = table.columns.at(c);
        if (IsFixed(col.type))
            continue;
        offsets << int(row.size());
        const QVariant& v = values.at(c);
        if (v.isNull())
            continue;
        nulls[c / 8] = char(nulls[c / 8] | (1 << (c % 8)));
        const QByteArray text = col.type == Ole ? v.toByteArray() : EncodeText(v.toString());
        if (col.type == Memo || col.type == Ole) {
            QByteArray head(12, '\0');
            Put32(head, 0, quint32(text.size()) | 0x80000000u);
            row.append(head);
        }
        row.append(text);
    }
    if (!offsets.isEmpty()) {
        Append16(row, row.size());
        for (auto it = offsets.crbegin(); it != offsets.crend(); ++it)
            Append16(row, *it);
        Append16(row, offsets.size());
    }
    row.append(nulls);
    return row;
}

QByteArray TJetWriter::DefinitionPage(const TTable& table, quint32 mapPage)
{
    QByteArray p(kPage, '\0');
    p[0] = 0x02;
    p[1] = 0x01;
    Put32(p, 16, quint32(table.rows.size()));
    Put32(p, 20, quint32(table.nextAutoNumber));
    p[24] = 0x01;
    p[40] = char(table.system ? 0x53 : 0x4e);
    const int count = int(table.columns.size());
    int varCount = 0;
    for (const TColumn& c : table.columns)
        if (!IsFixed(c.type))
            ++varCount;
    Put16(p, 41, count);
    Put16(p, 43, varCount);
    Put16(p, 45, count);
    Put32(p, 47, 0);
    Put32(p, 51, 0);
    Put32(p, 55, (mapPage << 8) | 0);
    Put32(p, 59, (mapPage << 8) | 1);
    int at = 63;
    int fixedOffset = 0;
    int varIndex = 0;
    for (int c = 0; c < count; ++c) {
        const TColumn& col = table.columns.at(c);
        const bool fixed = IsFixed(col.type);
        p[at] = char(col.type);
        Put16(p, at + 5, c);
        Put16(p, at + 7, fixed ? 0 : varIndex);
        Put16(p, at + 9, c);
        if (col.type == Text || col.type == Memo)
            Put16(p, at + 11, 0x0409);
        p[at + 15] = char((fixed ? 0x01 : 0x00) | 0x02 | (col.autoNumber ? 0x04 : 0x00));
        if (col.type == Text || col.type == Memo)
            p[at + 16] = 0x01;
        Put16(p, at + 21, fixed ? fixedOffset : 0);
        Put16(p, at + 23, fixed ? FixedSize(col.type) : (col.type == Text ? col.size * 2 : 0));
        if (fixed)
            fixedOffset += FixedSize(col.type);
        else
            ++varIndex;
        at += 25;
    }
    for (const TColumn& col : table.columns) {
        Put16(p, at, quint32(col.name.size() * 2));
        at += 2;
        for (QChar ch : col.name) {
            Put16(p, at, ch.unicode());
            at += 2;
        }
    }
    Put16(p, at, 0xffff);
    at += 2;
    if (at > kPage)
        throw std::runtime_error("table definition does not fit one page");
    Put32(p, 8, quint32(at - 8));
    Put16(p, 2, quint32(kPage - at - 8));
    return p;
}

QList<QByteArray> TJetWriter::DataPages(const QList<QByteArray>& rows, quint32 definitionPage)
{
    QList<QByteArray> pages;
    qsizetype next = 0;
    while (next < rows.size()) {
        QByteArray p(kPage, '\0');
        p[0] = 0x01;
        p[1] = 0x01;
        Put32(p, 4, definitionPage);
        int end = kPage;
        int count = 0;
        while (next < rows.size() && count < kRowsPerPageLimit) {
            const QByteArray& row = rows.at(next);
            const int directoryEnd = kDataHeader + 2 * (count + 1);
            if (end - row.size() < directoryEnd)
                break;
            end -= int(row.size());
            std::memcpy(p.data() + end, row.constData(), row.size());
            Put16(p, kDataHeader + 2 * count, end);
            ++count;
            ++next;
        }
        Put16(p, 12, count);
        Put16(p, 2, end - (kDataHeader + 2 * count));
        pages.append(p);
    }
    return pages;
}

void TJetWriter::Write(const QString& path) const
{
    // Pages: 0 header, 1 global map, 2 the catalogue's definition, then one definition page per
    // table, then for every table its map page followed by its data pages.
    TTable catalogue;
    catalogue.name = QStringLiteral("MSysObjects");
    catalogue.system = true;
    catalogue.columns = {{QStringLiteral("Id"), Long},        {QStringLiteral("ParentId"), Long},
                         {QStringLiteral("Name"), Text, 128}, {QStringLiteral("Type"), Integer},
                         {QStringLiteral("Flags"), Long},     {QStringLiteral("LvProp"), Ole}};
    auto catalogueRow = [&](quint32 page, const QString& name, qint64 flags) {
        catalogue.rows.append(
            EncodeRow(catalogue, {QVariant(int(page)), QVariant(0x0F000001), QVariant(name),
                                  QVariant(1), QVariant(int(quint32(flags))), QVariant()}));
    };
    catalogueRow(2, catalogue.name, 0x80000002);
    for (int i = 0; i < m_tables.size(); ++i)
        catalogueRow(quint32(3 + i), m_tables.at(i).name, 0);

    QList<const TTable*> tables{&catalogue};
    for (const TTable& t : m_tables)
        tables.append(&t);

    QList<QByteArray> definitions;
    QList<QByteArray> tail;
    quint32 page = quint32(3 + m_tables.size());
    for (int i = 0; i < tables.size(); ++i) {
        const quint32 definitionPage = i == 0 ? 2 : quint32(2 + i);
        const QList<QByteArray> data = DataPages(tables.at(i)->rows, definitionPage);
        const quint32 mapPage = page;
        tail.append(MapPage(mapPage + 1, int(data.size())));
        tail.append(data);
        page += quint32(1 + data.size());
        definitions.append(DefinitionPage(*tables.at(i), mapPage));
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    QByteArray globalMap(kPage, '\0');
    globalMap[0] = 0x05;
    globalMap[1] = 0x01;
    file.write(HeaderPage());
    file.write(globalMap);
    for (const QByteArray& d : definitions)
        file.write(d);
    for (const QByteArray& t : tail)
        file.write(t);
    if (!file.flush())
        throw std::runtime_error("cannot write " + path.toStdString());
}
