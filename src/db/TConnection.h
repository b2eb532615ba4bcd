#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

struct sqlite3;

// The database connection. Opened through Qt SQL's SQLite driver on an existing file (it never
// creates one); bulk reads and statements use the engine handle directly for speed. Every text
// passes through TSqlDialect before it reaches the engine.
class TConnection : public QObject
{
    Q_OBJECT
public:
    explicit TConnection(QObject* parent = nullptr);
    ~TConnection() override;

    // Opens an existing database file with the Quorvel schema. Throws EDatabaseError naming the
    // full path when the file is missing, is not an SQLite database, or lacks the tables.
    void Open(const QString& filePath);
    // Opens without checking the schema (used by the admin tool to build a new database).
    void OpenForCreate(const QString& filePath);
    void Close();
    bool Connected() const;
    const QString& FilePath() const { return m_path; }

    // Runs one statement that returns no rows, after dialect translation. Returns the number
    // of rows changed. Positional parameters bind to "?" in order.
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

    // The engine handle, valid while connected.
    sqlite3* Handle() const;
    // Throws EDatabaseError with the engine's current message, prefixed by context when given.
    [[noreturn]] void ThrowEngineError(const QString& context = {}) const;

private:
    void OpenInternal(const QString& filePath, bool checkSchema);
    void RegisterFunctions();
    void CheckSchema();

    QString m_connectionName;
    QString m_path;
    sqlite3* m_handle = nullptr;
    int m_transactionDepth = 0;
    qint64 m_queryCount = 0;
};

// Commits on Commit(), rolls back when left without it (also when an exception passes).
class TTransaction
{
public:
    explicit TTransaction(TConnection& conn) : m_conn(conn) { m_conn.BeginTransaction(); }
    ~TTransaction()
    {
        if (!m_done) {
            try {
                m_conn.Rollback();
            } catch (...) {
            }
        }
    }
    void Commit()
    {
        m_conn.Commit();
        m_done = true;
    }
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

private:
    TConnection& m_conn;
    bool m_done = false;
};
