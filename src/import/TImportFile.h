#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The rows of a participant list as a file holds them: the captions of the first row and the
// cells of every further non-empty row, each row as long as the captions.
struct TImportTable
{
    QStringList captions;
    QList<QStringList> rows;
    QList<int> lines;  // the row number in the file of each row (the captions are row 1)
    QString encoding;  // "UTF-8", "UTF-16", "Windows-1252", "xlsx" or "xls"
    QChar separator;   // of a CSV file; null for a workbook
};

// Reads CSV (",", ";" or tab; UTF-8 with or without BOM, UTF-16 with BOM, else Windows-1252;
// CR LF or LF; quoted fields with line breaks), .xlsx and .xls files. Failures throw
// EOperationError naming the file.
namespace TImportFile {

TImportTable Read(const QString& path);
TImportTable ReadCsv(const QByteArray& bytes);
TImportTable ReadXlsx(const QString& path);
TImportTable ReadXls(const QString& path);
// Text of CSV bytes: by a byte order mark, else UTF-8 when the bytes are valid UTF-8, else
// Windows-1252. encoding receives the name.
QString Decode(const QByteArray& bytes, QString& encoding);
// The separator of a CSV file from its first line: the most frequent of ",", ";" and tab
// outside quotes (a comma when none occurs).
QChar GuessSeparator(const QString& text);
// Writes rows as CSV (UTF-8 with a byte order mark, "," and CR LF, quoted where needed) through
// a save that replaces the file only when complete.
void WriteCsv(const QString& path, const QList<QStringList>& rows);

} // namespace TImportFile
