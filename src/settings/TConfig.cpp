#include "settings/TConfig.h"

#include "db/TError.h"

#include <QCoreApplication>
#include <QDir>
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
        bool operator==(const TLine&) const = default;
    };
    struct TSection {
        QString name;
        QList<TLine> lines;
        bool operator==(const TSection&) const = default;
    };
    bool operator==(const TDocument& other) const { return sections == other.sections; }

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

TConfig::TConfig(const QString& filePath)
    : m_doc(std::make_unique<TDocument>()), m_written(std::make_unique<TDocument>()), m_path(filePath)
{
    QFile file(m_path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw TError(
            Tr("Cannot read the settings file \"%1\": %2").arg(m_path, file.errorString()));
    m_fileExists = true;
    const QByteArray bytes = file.readAll();
    QString text = DecodeFile(bytes);
    // The file keeps its own line ends; CR LF and LF files are read alike.
    m_lineEnd = text.contains(QStringLiteral("\r\n")) || !text.contains(u'\n')
                    ? QStringLiteral("\r\n")
                    : QStringLiteral("\n");
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    m_fileLines = text.split(u'\n');
    if (!m_fileLines.isEmpty() && m_fileLines.last().isEmpty())
        m_fileLines.removeLast();

    TDocument::TSection* current = nullptr;
    for (qsizetype i = 0; i < m_fileLines.size(); ++i) {
        const QString& rawLine = m_fileLines.at(i);
        const QString line = Stripped(rawLine);
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            // A repeated section header continues the section read before.
            current = &m_doc->FindOrAppend(Stripped(QStringView(line).mid(1, line.size() - 2)));
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || rawLine.contains(QChar(0))) {
            // Not a line of an ini file: the file is someone else's to mend, so it is read as
            // empty and never written.
            m_parseProblem = Tr("The settings file \"%1\" cannot be read at line %2 (\"%3\"). "
                                "The program runs on its default settings and leaves the file "
                                "as it is.")
                                 .arg(QDir::toNativeSeparators(m_path))
                                 .arg(i + 1)
                                 .arg(line.left(60).replace(QChar(0), u' '));
            m_doc->sections.clear();
            break;
        }
        if (!current)
            continue;
        current->lines.append({Stripped(QStringView(line).left(equals)),
                               Stripped(QStringView(line).mid(equals + 1))});
    }
    *m_written = *m_doc;
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

const QString& TConfig::ParseProblem() const
{
    return m_parseProblem;
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

QString TConfig::Merged() const
{
    // The file's lines with the document laid over them: a key line takes its new value (kept
    // to the letter when the value is the same), a key or section no longer in the document is
    // dropped, new keys follow the last key of their section, new sections go at the end.
    QStringList out;
    QList<QList<bool>> used;
    for (const TDocument::TSection& section : m_doc->sections)
        used.append(QList<bool>(section.lines.size(), false));
    QList<bool> sectionSeen(m_doc->sections.size(), false);
    qsizetype current = -1;   // index of the document section being read, -1 for none
    bool dropping = false;    // inside a section the document no longer has
    qsizetype insertAt = -1;  // where new keys of the current section go
    auto addNewKeys = [&] {
        if (current < 0)
            return;
        const TDocument::TSection& section = m_doc->sections.at(current);
        for (qsizetype i = 0; i < section.lines.size(); ++i) {
            if (used[current][i])
                continue;
            used[current][i] = true;
            out.insert(++insertAt, SingleLine(section.lines.at(i).key) + u'=' +
                                       SingleLine(section.lines.at(i).value));
        }
    };
    auto indexOf = [this](const QString& name) -> qsizetype {
        for (qsizetype i = 0; i < m_doc->sections.size(); ++i)
            if (m_doc->sections.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    for (const QString& rawLine : m_fileLines) {
        const QString line = Stripped(rawLine);
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            addNewKeys();
            current = indexOf(Stripped(QStringView(line).mid(1, line.size() - 2)));
            dropping = current < 0;
            if (dropping)
                continue;
            sectionSeen[current] = true;
            out << rawLine;
            insertAt = out.size() - 1;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const bool keyLine = equals > 0 && !line.startsWith(u';') && !line.startsWith(u'#');
        if (dropping && line.isEmpty())
            continue; // the blank lines of a removed section go with it
        if (!keyLine || (current < 0 && !dropping)) {
            out << rawLine; // comments, blank lines, lines before the first section
            continue;
        }
        if (dropping)
            continue;
        const QString key = Stripped(QStringView(line).left(equals));
        const QString value = Stripped(QStringView(line).mid(equals + 1));
        const TDocument::TSection& section = m_doc->sections.at(current);
        qsizetype match = -1;
        for (qsizetype i = 0; i < section.lines.size() && match < 0; ++i)
            if (!used[current][i] && section.lines.at(i).key.compare(key, Qt::CaseInsensitive) == 0)
                match = i;
        if (match < 0)
            continue; // the key was removed
        used[current][match] = true;
        const QString& newValue = section.lines.at(match).value;
        out << (newValue == value ? rawLine : key + u'=' + SingleLine(newValue));
        insertAt = out.size() - 1;
    }
    addNewKeys();
    for (qsizetype s = 0; s < m_doc->sections.size(); ++s) {
        if (sectionSeen[s])
            continue;
        if (!out.isEmpty() && !Stripped(out.last()).isEmpty())
            out << QString();
        out << u'[' + m_doc->sections.at(s).name + u']';
        for (const TDocument::TLine& line : m_doc->sections.at(s).lines)
            out << SingleLine(line.key) + u'=' + SingleLine(line.value);
        out << QString();
    }
    return out.isEmpty() ? QString() : out.join(m_lineEnd) + m_lineEnd;
}

void TConfig::Flush()
{
    // A file that did not parse is never overwritten; an unchanged document is not written.
    if (!m_parseProblem.isEmpty() || (m_fileExists && *m_doc == *m_written))
        return;
    const QString text = Merged();
    const bool secret = !ReadString(QStringLiteral("SMTP"), QStringLiteral("Password")).isEmpty();

    // Written to a temporary file and renamed over the old one, so a failed write (full disk,
    // no permission) leaves the previous settings as they were; in a read-only folder the file
    // itself is rewritten. The explicit flush matters: commit() alone lets an error of the last
    // buffered write pass unnoticed.
    QSaveFile file(m_path);
    file.setDirectWriteFallback(true);
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) ||
        (secret && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) ||
        file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
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
    // The password is for the owner's eyes only, also when the file was written in place.
    if (secret)
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_fileExists = true;
    *m_written = *m_doc;
    m_fileLines = text.split(m_lineEnd);
    if (!m_fileLines.isEmpty() && m_fileLines.last().isEmpty())
        m_fileLines.removeLast();
}
