#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class TConnection;
class TSnapshot;
struct sqlite3;

// What one database engine does for TConnection: running statements, transactions, the SQL
// dialect and the reads of the data sets. TSqliteEngine works on a file, TPostgresEngine on a
// server; the connection keeps the transaction depth and the query count and hands everything
// else to its engine. An engine lives from a successful open to the close.
class TDatabaseEngine
{
public:
    explicit TDatabaseEngine(TConnection& conn) : m_conn(conn) {}
    virtual ~TDatabaseEngine() = default;
    TDatabaseEngine(const TDatabaseEngine&) = delete;
    TDatabaseEngine& operator=(const TDatabaseEngine&) = delete;

    virtual bool IsServer() const = 0;
    virtual bool Connected() const = 0;
    virtual bool ReadOnly() const { return false; }
    // The statements that create an empty database on this engine.
    virtual QStringList CreateStatements() const = 0;
    // Counts the program's tables among the quoted names of the list (texts joined by commas).
    virtual QString CountTablesSql(const QString& quotedNames) const = 0;
    // The column that finds a row of the table again (see TSchema::RowIdColumn).
    virtual QString RowIdColumn(const QString& table) const = 0;
    // A text of the program in this engine's dialect.
    virtual QString Translate(const QString& sql) const = 0;
    virtual void SetBusyTimeout(int milliseconds) = 0;
    // Switches a file's journal mode; an engine without one refuses.
    virtual void SetJournalMode(const QString& mode) = 0;

    // Statements with positional parameters, after translation (see TConnection::Execute).
    virtual int Execute(const QString& sql, const QVariantList& params) = 0;
    virtual QVariant ScalarQuery(const QString& sql, const QVariantList& params) = 0;
    virtual qint64 LastInsertRowId() const = 0;

    // The outermost transaction; nested levels are savepoints, run through Execute.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    // Undoes the savepoint of nesting level depth (1 for the first nested level).
    virtual void RollbackToSavepoint(int depth);

    // The value of a parameter mark of a data set's text: its name without the mark, or an
    // empty name and the 1-based position of a bare "?".
    using TParamLookup = std::function<QVariant(const QString& name, int position)>;
    // Reads every row of a translated text into the snapshot, replacing what it held.
    virtual void ReadRows(const QString& sql, const TParamLookup& lookup, TSnapshot& into) = 0;
    // Takes the columns of a translated text without reading a row; checks the text.
    virtual void ReadColumns(const QString& sql, const TParamLookup& lookup, TSnapshot& into) = 0;
    // Runs a translated text that may change rows and gives back rows (an insert with
    // "returning", say) as a write transaction of its own, outside any open transaction.
    // Returns false, doing nothing, on an engine that has no faster way than Begin, ReadRows
    // and Commit.
    virtual bool WriteRowsAlone(const QString&, const TParamLookup&, TSnapshot&) { return false; }

    // The file engine's handle; null on other engines.
    virtual sqlite3* Handle() const { return nullptr; }
    // Throws EDatabaseError with the engine's current message, prefixed by context when given.
    [[noreturn]] virtual void ThrowError(const QString& context) const = 0;

protected:
    // A new session on the server knows no transaction of the old one.
    void ForgetTransactions();

    TConnection& m_conn;
};
