#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// The whole settings file quorvel.ini held in memory for the run. Section and key names compare
// without regard to letter case. The file changes only on Flush() and on destruction.
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
    // Writes the whole document (UTF-8, CR LF); throws TError with the file system's message.
    void Flush();

private:
    struct TDocument;
    std::unique_ptr<TDocument> m_doc;
    QString m_path;
};
