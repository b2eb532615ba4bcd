#include "import/TImportFile.h"

#include "db/TError.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <csv.h>
#include <freexl.h>

#include <array>
#include <cmath>

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("TImportFile", text);
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unused codes stay as they are.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromCp1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

// Collects libcsv's fields and rows.
struct TCsvSink
{
    QList<QStringList> rows;
    QList<int> lines;
    QStringList current;
    int line = 1;       // the line the current row began on
    int nextLine = 1;   // counted over the record terminators and quoted line breaks
};

void OnField(void* data, size_t size, void* sink)
{
    auto& s = *static_cast<TCsvSink*>(sink);
    const QString field = data ? QString::fromUtf8(static_cast<const char*>(data), qsizetype(size))
                               : QString();
    s.current << field;
}

void OnRowEnd(int, void* sink)
{
    auto& s = *static_cast<TCsvSink*>(sink);
    bool blank = true;
    for (const QString& f : std::as_const(s.current))
        if (!f.trimmed().isEmpty())
            blank = false;
    if (!blank) {
        s.rows << s.current;
        s.lines << s.line;
    }
    s.current.clear();
}

// With a tab as separator, only the blank counts as a space to strip around a field.
int BlankOnly(unsigned char c)
{
    return c == CSV_SPACE;
}

TImportTable Tabulate(QList<QStringList> rows, QList<int> lines)
{
    TImportTable table;
    if (rows.isEmpty())
        return table;
    for (const QString& caption : rows.takeFirst())
        table.captions << caption.trimmed();
    lines.removeFirst();
    // Columns with neither caption nor values after the last captioned one are dropped.
    qsizetype width = table.captions.size();
    for (QStringList& row : rows)
        width = std::max(width, row.size());
    while (table.captions.size() < width)
        table.captions << QString();
    for (QStringList& row : rows)
        while (row.size() < width)
            row << QString();
    table.rows = std::move(rows);
    table.lines = std::move(lines);
    return table;
}

QByteArray ZipEntry(QuaZip& zip, const QString& name, bool required, const QString& path)
{
    if (!zip.setCurrentFile(name, QuaZip::csInsensitive)) {
        if (required)
            throw EOperationError(Tr("%1 is not a workbook this program can read (%2 is "
                                     "missing).")
                                      .arg(QDir::toNativeSeparators(path), name));
        return {};
    }
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        throw EOperationError(Tr("%1 cannot be read: the part %2 is damaged.")
                                  .arg(QDir::toNativeSeparators(path), name));
    QByteArray bytes = file.readAll();
    file.close();
    return bytes;
}

// The text of an <si> or <is> element: every <t> below it except phonetic runs.
QString ReadRichText(QXmlStreamReader& xml)
{
    QString text;
    const QStringView end = xml.name();
    const QString endName = end.toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0)
                text += xml.readElementText();
        } else if (xml.isEndElement()) {
            if (xml.name() == u"rPh")
                --phonetic;
            else if (xml.name() == endName)
                break;
        }
    }
    return text;
}

int ColumnOf(QStringView reference)
{
    int column = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
    }
    return column - 1;
}

bool IsDateFormat(int id, const QString& code)
{
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47) || (id >= 27 && id <= 36) ||
        (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    // A format code is a date when it has day, month or year letters outside quotes and
    // brackets ("[Red]", "[$-409]").
    bool quoted = false;
    int bracket = 0;
    for (const QChar c : code) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'[')
            ++bracket;
        else if (!quoted && c == u']')
            --bracket;
        else if (!quoted && bracket == 0 && QStringLiteral("dmyDMY").contains(c))
            return true;
    }
    return false;
}

QString NumberText(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

QString DateText(double serial, bool base1904)
{
    const QDate epoch = base1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    const double days = std::floor(serial);
    const QDate date = epoch.addDays(static_cast<qint64>(days));
    const int seconds = static_cast<int>(std::lround((serial - days) * 86400.0));
    if (seconds == 0 || seconds == 86400)
        return date.toString(Qt::ISODate);
    return date.toString(Qt::ISODate) + u' ' + QTime(0, 0).addSecs(seconds).toString(Qt::ISODate);
}

} // namespace

QString TImportFile::Decode(const QByteArray& bytes, QString& encoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = QStringLiteral("UTF-8");
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        encoding = QStringLiteral("UTF-16");
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE);
        return decoder(bytes.mid(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        encoding = QStringLiteral("UTF-8");
        return text;
    }
    encoding = QStringLiteral("Windows-1252");
    return FromCp1252(bytes);
}

QChar TImportFile::GuessSeparator(const QString& text)
{
    int comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\n' || c == u'\r')
            break;
        else if (c == u',')
            ++comma;
        else if (c == u';')
            ++semicolon;
        else if (c == u'\t')
            ++tab;
    }
    if (tab > comma && tab >= semicolon)
        return u'\t';
    if (semicolon > comma)
        return u';';
    return u',';
}

TImportTable TImportFile::ReadCsv(const QByteArray& bytes)
{
    QString encoding;
    const QString text = Decode(bytes, encoding);
    const QChar separator = GuessSeparator(text);
    const QByteArray utf8 = text.toUtf8();

    csv_parser parser;
    if (csv_init(&parser, CSV_APPEND_NULL) != 0)
        throw EOperationError(Tr("Not enough memory to read the file."));
    csv_set_delim(&parser, static_cast<unsigned char>(separator.toLatin1()));
    if (separator == u'\t')
        csv_set_space_func(&parser, BlankOnly);
    TCsvSink sink;
    // Fed line by line, so each row knows the line it began on.
    qsizetype start = 0;
    while (start < utf8.size()) {
        qsizetype end = utf8.indexOf('\n', start);
        end = end < 0 ? utf8.size() : end + 1;
        if (sink.current.isEmpty())
            sink.line = sink.nextLine;
        if (csv_parse(&parser, utf8.constData() + start, size_t(end - start), OnField, OnRowEnd,
                      &sink) != size_t(end - start)) {
            csv_free(&parser);
            throw EOperationError(Tr("The file cannot be read: %1.")
                                      .arg(QString::fromLatin1(csv_strerror(csv_error(&parser)))));
        }
        ++sink.nextLine;
        start = end;
    }
    csv_fini(&parser, OnField, OnRowEnd, &sink);
    csv_free(&parser);
    TImportTable table = Tabulate(std::move(sink.rows), std::move(sink.lines));
    table.encoding = encoding;
    table.separator = separator;
    return table;
}

TImportTable TImportFile::ReadXlsx(const QString& path)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        throw EOperationError(Tr("%1 is not a workbook this program can read.")
                                  .arg(QDir::toNativeSeparators(path)));

    // The first sheet of the workbook, found through its relationship.
    QString sheetId;
    bool base1904 = false;
    {
        QXmlStreamReader xml(ZipEntry(zip, QStringLiteral("xl/workbook.xml"), true, path));
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"workbookPr") {
                const QStringView v = xml.attributes().value(QStringLiteral("date1904"));
                base1904 = v == u"1" || v == u"true";
            } else if (xml.name() == u"sheet" && sheetId.isEmpty()) {
                for (const auto& a : xml.attributes())
                    if (a.name() == u"id")
                        sheetId = a.value().toString();
            }
        }
    }
    QString sheetPath = QStringLiteral("xl/worksheets/sheet1.xml");
    {
        QXmlStreamReader xml(ZipEntry(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), false, path));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"Relationship" &&
                xml.attributes().value(QStringLiteral("Id")) == sheetId) {
                const QString target = xml.attributes().value(QStringLiteral("Target")).toString();
                sheetPath = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
            }
        }
    }

    QStringList shared;
    {
        QXmlStreamReader xml(ZipEntry(zip, QStringLiteral("xl/sharedStrings.xml"), false, path));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si")
                shared << ReadRichText(xml);
        }
    }

    // Which cell styles show a date.
    QList<bool> dateStyles;
    {
        QXmlStreamReader xml(ZipEntry(zip, QStringLiteral("xl/styles.xml"), false, path));
        QHash<int, QString> codes;
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == u"numFmt")
                    codes.insert(xml.attributes().value(QStringLiteral("numFmtId")).toInt(),
                                 xml.attributes().value(QStringLiteral("formatCode")).toString());
                else if (xml.name() == u"cellXfs")
                    inCellXfs = true;
                else if (inCellXfs && xml.name() == u"xf") {
                    const int id = xml.attributes().value(QStringLiteral("numFmtId")).toInt();
                    dateStyles << IsDateFormat(id, codes.value(id));
                }
            } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
                inCellXfs = false;
            }
        }
    }

    QList<QStringList> rows;
    QList<int> lines;
    QXmlStreamReader xml(ZipEntry(zip, sheetPath, true, path));
    QStringList row;
    int rowNumber = 0;
    int nextColumn = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"row") {
            row.clear();
            nextColumn = 0;
            const int r = xml.attributes().value(QStringLiteral("r")).toInt();
            rowNumber = r > 0 ? r : rowNumber + 1;
        } else if (xml.isEndElement() && xml.name() == u"row") {
            bool blank = true;
            for (const QString& cell : std::as_const(row))
                if (!cell.trimmed().isEmpty())
                    blank = false;
            if (!blank) {
                rows << row;
                lines << rowNumber;
            }
        } else if (xml.isStartElement() && xml.name() == u"c") {
            const auto attributes = xml.attributes();
            const QStringView reference = attributes.value(QStringLiteral("r"));
            const int column = reference.isEmpty() ? nextColumn : ColumnOf(reference);
            const QString type = attributes.value(QStringLiteral("t")).toString();
            const int style = attributes.value(QStringLiteral("s")).toInt();
            QString raw;
            QString value;
            bool inlineText = false;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"v") {
                    raw = xml.readElementText();
                } else if (xml.isStartElement() && xml.name() == u"is") {
                    value = ReadRichText(xml);
                    inlineText = true;
                } else if (xml.isEndElement() && xml.name() == u"c") {
                    break;
                }
            }
            if (inlineText) {
            } else if (type == u"s") {
                value = shared.value(raw.toInt());
            } else if (type == u"str" || type == u"e") {
                value = type == u"e" ? QString() : raw;
            } else if (type == u"b") {
                value = raw == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            } else if (!raw.isEmpty()) {
                bool ok = false;
                const double number = raw.toDouble(&ok);
                value = !ok ? raw
                            : (style >= 0 && style < dateStyles.size() && dateStyles.at(style))
                                ? DateText(number, base1904)
                                : NumberText(number);
            }
            if (column >= 0 && column < 16384) {
                while (row.size() <= column)
                    row << QString();
                row[column] = value;
            }
            nextColumn = column + 1;
        }
    }
    if (xml.hasError())
        throw EOperationError(Tr("%1 cannot be read: %2.")
                                  .arg(QDir::toNativeSeparators(path), xml.errorString()));
    TImportTable table = Tabulate(std::move(rows), std::move(lines));
    table.encoding = QStringLiteral("xlsx");
    return table;
}

TImportTable TImportFile::ReadXls(const QString& path)
{
    const void* handle = nullptr;
    if (freexl_open(QFile::encodeName(path).constData(), &handle) != FREEXL_OK)
        throw EOperationError(Tr("%1 is not a workbook this program can read.")
                                  .arg(QDir::toNativeSeparators(path)));
    QList<QStringList> rows;
    QList<int> lines;
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rowCount, &columnCount) != FREEXL_OK) {
        freexl_close(handle);
        throw EOperationError(Tr("%1 has no sheet to read.").arg(QDir::toNativeSeparators(path)));
    }
    for (unsigned int r = 0; r < rowCount; ++r) {
        QStringList row;
        bool blank = true;
        for (unsigned short c = 0; c < columnCount; ++c) {
            FreeXL_CellValue cell;
            QString value;
            if (freexl_get_cell_value(handle, r, c, &cell) == FREEXL_OK) {
                switch (cell.type) {
                case FREEXL_CELL_INT:
                    value = QString::number(cell.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    value = NumberText(cell.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    value = QString::fromUtf8(cell.value.text_value);
                    break;
                default:
                    break;
                }
            }
            if (!value.trimmed().isEmpty())
                blank = false;
            row << value;
        }
        if (!blank) {
            rows << row;
            lines << int(r + 1);
        }
    }
    freexl_close(handle);
    TImportTable table = Tabulate(std::move(rows), std::move(lines));
    table.encoding = QStringLiteral("xls");
    return table;
}

TImportTable TImportFile::Read(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EOperationError(Tr("%1 cannot be opened: %2")
                                  .arg(QDir::toNativeSeparators(path), file.errorString()));
    const QByteArray head = file.peek(8);
    // By content, not by name: a workbook saved with another suffix is still read.
    if (head.startsWith("PK\x03\x04")) {
        file.close();
        return ReadXlsx(path);
    }
    if (head.startsWith("\xD0\xCF\x11\xE0") || suffix == u"xls") {
        file.close();
        return ReadXls(path);
    }
    return ReadCsv(file.readAll());
}

void TImportFile::WriteCsv(const QString& path, const QList<QStringList>& rows)
{
    QByteArray out("\xEF\xBB\xBF");
    for (const QStringList& row : rows) {
        QByteArrayList cells;
        for (const QString& cell : row) {
            const QByteArray utf8 = cell.toUtf8();
            QByteArray quoted(qsizetype(utf8.size() * 2 + 2), '\0');
            quoted.resize(qsizetype(csv_write(quoted.data(), size_t(quoted.size()), utf8.constData(),
                                              size_t(utf8.size()))));
            cells << quoted;
        }
        out += cells.join(',') + "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw EOperationError(Tr("%1 cannot be written: %2")
                                  .arg(QDir::toNativeSeparators(path), file.errorString()));
}
