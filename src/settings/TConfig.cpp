#include "TConfig.h"

#include "TError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

struct TConfig::TDocument {
    struct TLine {
        QString key;
        QString value;
    };
    struct TSection {
        QString name;
        QList<TLine> lines;
    };

    QList<TSection> sections;

    TSection* Find(const QString& name)
    {
        for (TSection& section : sections)
            if (section.name.compare(name, Qt::CaseInsensitive) == 0)
                return &section;
        return nullptr;
    }
    const TSection* Find(const QString& name) const
    {
        return const_cast<TDocument*>(this)->Find(name);
    }
    TSection& FindOrAppend(const QString& name)
    {
        if (TSection* section = Find(name))
            return *section;
        sections.append({name, {}});
        return sections.last();
    }
};

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TConfig", text);
}

// Blanks and control characters, as the file format strips them from both ends of every part.
bool IsStrippable(QChar c)
{
    return c.unicode() <= 0x20 || c.unicode() == 0x7f;
}

QString Stripped(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsStrippable(text.at(begin)))
        ++begin;
    while (end > begin && IsStrippable(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin).toString();
}

// The file is UTF-8; a file saved by another editor in an 8-bit code page is read as Latin-1
// rather than turning its accented letters into replacement characters.
QString DecodeFile(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return text;
}

// One value is one line of the file; a line break inside it would otherwise start a new line
// (or even a new section) when the file is read again.
QString SingleLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return line;
}

} // namespace

TConfig::TConfig(const QString& filePath) : m_doc(std::make_unique<TDocument>()), m_path(filePath)
{
    QFile file(m_path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw TError(
            Tr("Cannot read the settings file \"%1\": %2").arg(m_path, file.errorString()));
    // Splitting on either line-end character reads CR LF, LF and CR files alike; the empty
    // pieces between CR and LF are skipped like any empty line.
    QString text = DecodeFile(file.readAll());
    text.replace(u'\r', u'\n');

    TDocument::TSection* current = nullptr;
    for (QStringView rawLine : QStringView(text).split(u'\n')) {
        const QString line = Stripped(rawLine);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            // A repeated section header continues the section read before.
            current = &m_doc->FindOrAppend(Stripped(QStringView(line).mid(1, line.size() - 2)));
            continue;
        }
        if (!current)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        current->lines.append({Stripped(QStringView(line).left(equals)),
                               Stripped(QStringView(line).mid(equals + 1))});
    }
}

TConfig::~TConfig()
{
    try {
        Flush();
    } catch (...) {
        // A destructor must not throw; callers that need to know flush before.
    }
}

const QString& TConfig::FilePath() const
{
    return m_path;
}

QString TConfig::ReadString(const QString& section, const QString& key) const
{
    const TDocument::TSection* found = m_doc->Find(section);
    if (!found)
        return {};
    for (const TDocument::TLine& line : found->lines)
        if (line.key.compare(key, Qt::CaseInsensitive) == 0)
            return line.value;
    return {};
}

int TConfig::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    bool ok = false;
    const int value = ReadString(section, key).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

void TConfig::WriteString(const QString& section, const QString& key, const QString& value)
{
    TDocument::TSection& target = m_doc->FindOrAppend(section);
    for (TDocument::TLine& line : target.lines) {
        if (line.key.compare(key, Qt::CaseInsensitive) == 0) {
            line.value = value;
            return;
        }
    }
    target.lines.append({key, value});
}

void TConfig::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

QStringList TConfig::ReadList(const QString& section) const
{
    QStringList lines;
    if (const TDocument::TSection* found = m_doc->Find(section))
        for (const TDocument::TLine& line : found->lines)
            lines << line.value;
    return lines;
}

void TConfig::WriteList(const QString& section, const QStringList& lines)
{
    EraseSection(section);
    for (qsizetype i = 0; i < lines.size(); ++i)
        WriteString(section, section + QString::number(i), lines.at(i));
}

bool TConfig::SectionExists(const QString& section) const
{
    return m_doc->Find(section) != nullptr;
}

void TConfig::EraseSection(const QString& section)
{
    m_doc->sections.removeIf([&section](const TDocument::TSection& s) {
        return s.name.compare(section, Qt::CaseInsensitive) == 0;
    });
}

void TConfig::Flush()
{
    QString text;
    for (const TDocument::TSection& section : m_doc->sections) {
        text += u'[' + section.name + QStringLiteral("]\r\n");
        for (const TDocument::TLine& line : section.lines)
            text += SingleLine(line.key) + u'=' + SingleLine(line.value) + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }

    // Written to a temporary file and renamed over the old one, so a failed write (full disk,
    // no permission) leaves the previous settings as they were. The explicit flush matters:
    // commit() alone lets an error of the last buffered write pass unnoticed.
    QSaveFile file(m_path);
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit()) {
        // A write that stops part-way leaves Qt with "Unknown error"; the system's own reason
        // (disk full, file too large) is what the user needs.
        const int systemError = errno;
        QString reason = file.errorString();
        if (systemError != 0 &&
            (file.error() == QFileDevice::WriteError || file.error() == QFileDevice::ResourceError))
            reason = QString::fromLocal8Bit(std::strerror(systemError));
        file.cancelWriting();
        throw TError(Tr("Cannot write the settings file \"%1\": %2").arg(m_path, reason));
    }
}
