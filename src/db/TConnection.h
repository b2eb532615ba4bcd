#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include "db/TServerAddress.h"
#include "db/TSqlDialect.h"
#include "db/TTransaction.h"

#include <functional>
#include <memory>
#include <utility>

struct sqlite3;
class TDatabaseEngine;
class TSnapshot;

// The database connection, on one of two engines: an SQLite file (the default, TSqliteEngine)
// or a PostgreSQL server that several stations share (TPostgresEngine). Qt SQL's drivers open
// both; statements and bulk reads use the engine handle underneath (sqlite3*, PGconn*) for
// speed. Every text passes through TSqlDialect before it reaches the engine. The connection keeps
// the transaction depth and the query count and hands the rest to its engine; nothing above
// this layer asks which engine runs.
class TConnection : public QObject
{
    Q_OBJECT
public:
    explicit TConnection(QObject* parent = nullptr);
    ~TConnection() override;

    // Opens an existing database file with the Quorvel schema, in the file's own journal mode:
    // opening writes nothing. A file that this user may not change (the file or its folder is
    // read-only) opens read-only; see ReadOnly(). Throws EDatabaseLocked when another program
    // holds the file, and EDatabaseError naming the full path when the file is missing, is not
    // an SQLite database, lacks the tables, or uses write-ahead logging on a network file system.
    void Open(const QString& filePath);
    // Opens or creates a file without checking the schema, for building a new database; a new
    // file is switched to write-ahead logging.
    void OpenForCreate(const QString& filePath);
    // Opens an existing database to switch its journal mode; WAL on a network file system is
    // allowed here, so that such a file can be switched back.
    void OpenToSwitchJournal(const QString& filePath);
    // Opens a database on a PostgreSQL server and checks that it holds the tables. Throws
    // EDatabaseError naming the host when the server cannot be reached or refuses the login.
    void OpenServer(const TServerAddress& address);
    // Opens a server database without checking the schema, for building a new one.
    void OpenServerForCreate(const TServerAddress& address);
    void Close();
    // True when the database lies on a server (whether or not it is reachable right now).
    bool IsServer() const;
    const TServerAddress& ServerAddress() const { return m_address; }
    // The statements that create an empty database on this connection's engine.
    QStringList CreateStatements() const;
    // Whether the database holds any of the program's tables.
    bool HasTables();
    // The column that finds a row of the table again (see TSchema::RowIdColumn).
    QString RowIdColumn(const QString& table) const;
    // A text of the program in the dialect of this connection's engine.
    QString Translate(const QString& sql) const;
    bool Connected() const;
    const QString& FilePath() const { return m_path; }
    // True when the file was opened read-only because this user may not change it.
    bool ReadOnly() const;
    // The file's journal mode as the engine reports it ("wal", "delete", ...).
    QString JournalMode();
    // Switches the journal mode ("wal" or "delete"); refuses WAL on a network file system.
    void SetJournalMode(const QString& mode);

    // How long a statement waits for another program's lock before it fails (milliseconds).
    void SetBusyTimeout(int milliseconds);
    // The wait used by every connection opened from now on; tests shorten it.
    static void SetDefaultBusyTimeout(int milliseconds);
    static int DefaultBusyTimeout();

    // The kind of network file system the path lies on ("NFS", "CIFS/SMB", "FUSE"), or empty
    // for a local one. Tests replace the probe to stand for a network share.
    static QString NetworkFileSystem(const QString& path);
    using TFileSystemProbe = std::function<QString(const QString& path)>;
    static void SetFileSystemProbe(TFileSystemProbe probe);

    // Runs one statement that returns no rows, after dialect translation. Returns the number
    // of rows changed. Positional parameters bind to "?" in order. A statement outside a
    // transaction that still meets another program's lock after the busy timeout asks the
    // user whether to try again; on Cancel it throws, and nothing of it was stored.
    int Execute(const QString& sql, const QVariantList& params = {});
    // Runs a query and returns the first column of the first row (null when there is none).
    QVariant ScalarQuery(const QString& sql, const QVariantList& params = {});
    qint64 LastInsertRowId() const;

    // Transactions; nested Begin calls are counted and only the outermost commits.
    void BeginTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const { return m_transactionDepth > 0; }

    // Counts the statements and queries run, for tests and benchmarks that watch the work done.
    qint64 QueryCount() const { return m_queryCount; }
    void CountQuery() { ++m_queryCount; }

    // The engine handle, valid while connected to a file.
    sqlite3* Handle() const;

    // Reads for the data sets: the text (already translated) with its ":name", "?" and "?n"
    // marks bound to the values the lookup gives (name without the mark, or an empty name and
    // the 1-based position of a bare "?"). ReadRows counts as one query and fills the snapshot
    // with every row; ReadColumns only checks the text and takes its columns. Both throw
    // EDatabaseError with the engine's message.
    using TParamLookup = std::function<QVariant(const QString& name, int position)>;
    void ReadRows(const QString& translatedSql, const TParamLookup& lookup, TSnapshot& into);
    void ReadColumns(const QString& translatedSql, const TParamLookup& lookup, TSnapshot& into);
    // Runs one statement that changes rows and gives rows back (an insert with "returning", or
    // on a server a "with" whose parts write), after dialect translation and with "?" bound as
    // in Execute, and returns the values of its first row (empty when it gives none). It is a
    // write transaction of its own, or a part of the one open. On a server without an open
    // transaction, the whole transaction is one round trip.
    QVariantList WriteAndRead(const QString& sql, const QVariantList& params = {});

Q_SIGNALS:
    // Another station signed people in or out: the (conf_id, user_id) pairs, or an empty list
    // when too many changed to name them.
    void AttendancesChangedElsewhere(const QList<std::pair<qint64, qint64>>& pairs);

public:
    // Throws EDatabaseError with the engine's current message, prefixed by context when given.
    [[noreturn]] void ThrowEngineError(const QString& context = {}) const;

private:
    friend class TDatabaseEngine;
    TDatabaseEngine& Engine() const;
    void OpenFile(const QString& filePath, int purpose);
    void OpenServerInternal(const TServerAddress& address, bool check);

    QString m_connectionName;
    QString m_path;
    TServerAddress m_address;
    std::unique_ptr<TDatabaseEngine> m_engine;
    int m_transactionDepth = 0;
    qint64 m_queryCount = 0;
};
