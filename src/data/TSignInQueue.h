#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class TConnection;

// The sign-ins a station made while the database server could not be reached, kept in a small
// text file (one "conf_id user_id date time" line each) so that none is lost if the program
// ends before the server is back. Sending them stores each pair once: a pair another station
// stored meanwhile is left as it is.
class TSignInQueue
{
public:
    struct TEntry {
        qint64 confId = 0;
        qint64 userId = 0;
        QDateTime at;
    };

    // The queue file; what it holds from an earlier run is read.
    explicit TSignInQueue(const QString& filePath);

    // The file beside quorvel.ini.
    static QString FileBeside(const QString& iniPath);

    const QString& FilePath() const { return m_path; }
    int Count() const { return int(m_entries.size()); }
    const QList<TEntry>& Entries() const { return m_entries; }
    bool Contains(qint64 confId, qint64 userId) const;
    // Queues a sign-in (once per pair) and writes the file at once. Throws TError when the
    // file cannot be written.
    void Add(qint64 confId, qint64 userId, const QDateTime& at);
    // Stores every queued sign-in in one transaction, each with the time it was made, and
    // empties the queue. On failure nothing is removed and the error propagates.
    void Send(TConnection& conn);

private:
    void Write() const;

    QString m_path;
    QList<TEntry> m_entries;
};
