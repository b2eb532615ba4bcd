#include "documents/TCsvOutput.h"

#include "db/TError.h"
#include "db/TPrompts.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

TCsvOutput::TCsvOutput(const QString& separator) : m_separator(separator)
{
}

QString TCsvOutput::DefaultSeparator(const QLocale& locale)
{
    return locale.decimalPoint() == QLatin1String(",") ? QStringLiteral(";")
                                                        : QStringLiteral(",");
}

QString TCsvOutput::Quoted(const QString& value, const QString& separator)
{
    const bool needsQuotes = (!separator.isEmpty() && value.contains(separator))
                             || value.contains(u'"') || value.contains(u'\n')
                             || value.contains(u'\r');
    if (!needsQuotes)
        return value;
    QString quoted = value;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

void TCsvOutput::Clear()
{
    m_lines.clear();
    m_currentLine.clear();
}

void TCsvOutput::BeginLine()
{
    m_currentLine.clear();
}

void TCsvOutput::AddValue(const QString& value)
{
    m_currentLine += Quoted(value, m_separator);
    m_currentLine += m_separator;
}

void TCsvOutput::EndLine()
{
    m_lines.append(m_currentLine);
}

QByteArray TCsvOutput::FileBytes() const
{
    QString text;
    qsizetype size = 0;
    for (const QString& line : m_lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const QString& line : m_lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

void TCsvOutput::SaveToFile(const QString& fileName) const
{
    const QString shown = QDir::toNativeSeparators(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw TError(tr("Cannot create file \"%1\": %2").arg(shown, file.errorString()));
    const QByteArray bytes = FileBytes();
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw TError(tr("Cannot write file \"%1\": %2").arg(shown, file.errorString()));
}

QString TCsvOutput::DialogFilter()
{
    return tr("CSV files (*.csv *.CSV)");
}

QString TCsvOutput::SafeFileNamePart(const QString& text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            QStringLiteral("/\\:*?\"<>|").contains(c))
            safe += u'_';
        else
            safe += c;
    }
    // Windows drops dots and blanks at the end; a leading dot hides the file elsewhere.
    while (!safe.isEmpty() && (safe.back() == u'.' || safe.back().isSpace()))
        safe.chop(1);
    while (!safe.isEmpty() && (safe.front() == u'.' || safe.front().isSpace()))
        safe.remove(0, 1);
    return safe.left(120).trimmed();
}

bool TCsvOutput::SaveAs(TPrompts& prompts, const QString& directory, const QString& suggestedName)
{
    m_savedFileName.clear();
    const QString offered =
        suggestedName.isEmpty() ? directory : QDir(directory).filePath(suggestedName);
    QString fileName = prompts.SaveFileName(tr("Save As"), offered, DialogFilter());
    if (fileName.isEmpty())
        return false;
    // The dialog confirmed only the name the user typed; a name that gains its extension here
    // may meet another file.
    if (QFileInfo(fileName).suffix().isEmpty()) {
        fileName += QStringLiteral(".csv");
        if (QFileInfo::exists(fileName)
            && !prompts.AskConfirm(
                tr("%1 already exists. Do you want to replace it?")
                    .arg(QDir::toNativeSeparators(fileName))))
            return false;
    }
    SaveToFile(fileName);
    m_savedFileName = QFileInfo(fileName).absoluteFilePath();
    return true;
}
