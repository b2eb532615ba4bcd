#pragma once

#include "db/TDatabaseEngine.h"
#include "db/TKeptStatements.h"

struct sqlite3_stmt;

// The file engine: an SQLite database opened through Qt SQL's QSQLITE driver, whose sqlite3*
// runs the statements and the data sets' reads.
class TSqliteEngine final : public TDatabaseEngine
{
public:
    enum class TPurpose { Use, Create, SwitchJournal };

    TSqliteEngine(TConnection& conn, const QString& connectionName);
    ~TSqliteEngine() override;

    // Opens the file for the purpose (see TConnection::Open, OpenForCreate, OpenToSwitchJournal).
    // Throws as those do; the engine is then closed.
    void Open(const QString& absolutePath, TPurpose purpose);

    bool IsServer() const override { return false; }
    bool Connected() const override { return m_handle != nullptr; }
    bool ReadOnly() const override { return m_readOnly; }
    QStringList CreateStatements() const override;
    QString CountTablesSql(const QString& quotedNames) const override;
    QString RowIdColumn(const QString& table) const override;
    QString Translate(const QString& sql) const override;
    void SetBusyTimeout(int milliseconds) override;
    void SetJournalMode(const QString& mode) override;

    int Execute(const QString& sql, const QVariantList& params) override;
    QVariant ScalarQuery(const QString& sql, const QVariantList& params) override;
    qint64 LastInsertRowId() const override;

    void Begin() override;
    void Commit() override;
    void Rollback() override;

    void ReadRows(const QString& sql, const TParamLookup& lookup, TSnapshot& into) override;
    void ReadColumns(const QString& sql, const TParamLookup& lookup, TSnapshot& into) override;

    sqlite3* Handle() const override { return m_handle; }
    [[noreturn]] void ThrowError(const QString& context) const override;

private:
    void OpenHandle(const QString& path, const QString& mode);
    void CloseHandle();
    // Reads the schema version: SQLITE_OK, or the engine's error code with its message in why.
    int ProbeFile(QString& why);
    void RegisterFunctions();
    // Creates the tables of TSchema::AddedTableStatements that an older file lacks.
    void AddMissingTables();
    void CheckSchema();
    void RefuseWalOnNetwork(const QString& journalMode) const;
    bool AskToRetryBusy() const;
    sqlite3* CheckedHandle() const;
    void Bind(sqlite3_stmt* stmt, int index, const QVariant& value) const;
    // Prepares a text whose marks are bound through the lookup.
    void Prepare(const QString& sql, const TParamLookup& lookup, sqlite3_stmt*& stmt) const;

    // Binds the values from params[index] on, runs the statement to its end and returns the
    // rows it changed.
    int Step(TKeptStatements::TStatement& s, const QVariantList& params, int& index);

    QString m_connectionName;
    QString m_path;
    sqlite3* m_handle = nullptr;
    bool m_readOnly = false;
    TKeptStatements m_statements; // of Execute and ScalarQuery
};
