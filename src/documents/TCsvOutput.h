#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QStringList>

class TPrompts;

// Builds a CSV list line by line and saves it where the user chooses. Every value is followed
// by the separator, the last one too; every line ends with CR LF. A value holding the
// separator, a double quote or a line break is enclosed in double quotes with its quotes
// doubled, so its line keeps its columns. The file is UTF-8 with a byte-order mark.
class TCsvOutput
{
    Q_DECLARE_TR_FUNCTIONS(TCsvOutput)
public:
    explicit TCsvOutput(const QString& separator);

    // "," unless the locale writes decimals with a comma; then ";".
    static QString DefaultSeparator(const QLocale& locale = QLocale::system());
    // The value as it goes into a line (without the separator after it).
    static QString Quoted(const QString& value, const QString& separator);

    void Clear();
    void BeginLine();
    void AddValue(const QString& value);
    void EndLine();

    const QStringList& Lines() const { return m_lines; }
    // The whole file: byte-order mark, then every line with its CR LF.
    QByteArray FileBytes() const;
    // Writes the file through a temporary file that replaces the named one only when complete;
    // an existing file stays as it was when writing fails. Throws TError naming the file.
    void SaveToFile(const QString& fileName) const;
    // Asks for a file name (".csv" added when it has no extension), offering suggestedName in
    // directory, and saves there. Returns false when the user cancelled; nothing is then
    // written.
    bool SaveAs(TPrompts& prompts, const QString& directory, const QString& suggestedName = {});
    // The full path of the file the last SaveAs wrote; empty when it wrote none.
    const QString& SavedFileName() const { return m_savedFileName; }
    // A text made fit to be part of a file name on every system: no path separator, no
    // character that Windows refuses, no control character, no dot or blank at either end.
    static QString SafeFileNamePart(const QString& text);

    static QString DialogFilter();

private:
    QString m_separator;
    QStringList m_lines;
    QString m_currentLine;
    QString m_savedFileName;
};
