#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// The whole settings file quorvel.ini held in memory for the run. Section and key names compare
// without regard to letter case. The file changes only on Flush() and on destruction, and then
// only in the lines whose values changed: comments, blank lines, unknown keys, the order and the
// line ends that people wrote stay as they were.
class TConfig
{
public:
    // Reads the file; a missing file is an empty document. Throws TError when it exists but
    // cannot be read.
    explicit TConfig(const QString& filePath);
    // Flushes; a failure here is swallowed (destructors must not throw), so callers that care
    // flush first.
    ~TConfig();
    TConfig(const TConfig&) = delete;
    TConfig& operator=(const TConfig&) = delete;

    const QString& FilePath() const;
    // Empty, or the message for a file that did not parse (naming the file and the line). Such
    // a file reads as empty, so every reader takes its default, and it is never written.
    const QString& ParseProblem() const;

    // Empty text when the section or key is absent.
    QString ReadString(const QString& section, const QString& key) const;
    // Integer reading with a default for absent, empty or non-numeric values.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // In memory only. Missing section appended at the end, existing key replaced in place,
    // new key appended to its section.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    // The text after the first "=" of every line of the section, in order.
    QStringList ReadList(const QString& section) const;
    // Erases the section, then writes keys section+"0", section+"1", ...
    void WriteList(const QString& section, const QStringList& lines);
    bool SectionExists(const QString& section) const;
    void EraseSection(const QString& section);
    // Writes the changes into the file (UTF-8; a new file gets CR LF) through a temporary file
    // renamed over it, or in place when the folder is read-only. Writes nothing when nothing
    // changed. A file holding an SMTP password is made readable by its owner only. Throws
    // TError with the file system's message.
    void Flush();

private:
    struct TDocument;
    QString Merged() const;

    std::unique_ptr<TDocument> m_doc;
    std::unique_ptr<TDocument> m_written; // the document as the file holds it
    QStringList m_fileLines;              // the file's lines as read or last written
    QString m_lineEnd = QStringLiteral("\r\n");
    bool m_fileExists = false;
    QString m_parseProblem;
    QString m_path;
};
