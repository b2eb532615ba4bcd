#pragma once

#include "db/TDatabaseEngine.h"
#include "db/TServerAddress.h"
#include "db/TSqlDialect.h"

#include <QSet>

#include <memory>

struct pg_conn;
class QSocketNotifier;
class TServerResult;

// The server engine: a PostgreSQL database that several stations share. Qt's QPSQL driver makes
// the connection; statements run on its PGconn with their values written in as quoted literals,
// so each one is a single round trip and the server's own type rules apply to the texts as they
// do to typed SQL.
class TPostgresEngine final : public TDatabaseEngine
{
public:
    TPostgresEngine(TConnection& conn, const QString& connectionName,
                    const TServerAddress& address);
    ~TPostgresEngine() override;

    // Connects, and with check, makes sure the database holds the program's tables. Throws
    // EDatabaseError naming the host when the server cannot be reached or refuses the login.
    void Open(bool check);

    bool IsServer() const override { return true; }
    bool Connected() const override { return m_pg != nullptr; }
    QStringList CreateStatements() const override;
    QString CountTablesSql(const QString& quotedNames) const override;
    QString RowIdColumn(const QString& table) const override;
    QString Translate(const QString& sql) const override;
    void SetBusyTimeout(int milliseconds) override;
    void SetJournalMode(const QString& mode) override;

    int Execute(const QString& sql, const QVariantList& params) override;
    QVariant ScalarQuery(const QString& sql, const QVariantList& params) override;
    qint64 LastInsertRowId() const override { return m_lastInsertId; }

    void Begin() override;
    void Commit() override;
    void Rollback() override;
    void RollbackToSavepoint(int depth) override;

    void ReadRows(const QString& sql, const TParamLookup& lookup, TSnapshot& into) override;
    void ReadColumns(const QString& sql, const TParamLookup& lookup, TSnapshot& into) override;
    // The begin, the write lock, the text and the commit go to the server in one round trip.
    bool WriteRowsAlone(const QString& sql, const TParamLookup& lookup, TSnapshot& into) override;

    [[noreturn]] void ThrowError(const QString& context) const override;

private:
    void Connect();
    void Disconnect();
    void SetUpSession();
    void EnsureConnected();
    std::unique_ptr<TServerResult> Run(const QString& text, bool wrapInTransaction = true);
    std::unique_ptr<TServerResult> Query(const QString& text, const TParamLookup& lookup);
    [[noreturn]] void ThrowServerError(const TServerResult& result, const QString& text);
    TSqlDialect::TServerFlavour Flavour() const;
    void DrainNotifications();
    void FillSnapshot(const TServerResult& result, TSnapshot& into);
    void CheckSchema();
    // Creates the tables of TSchema::ServerAddedTableStatements that an older database lacks.
    void AddMissingTables();
    bool AskToRetryBusy() const;

    QString m_connectionName;
    TServerAddress m_address;
    pg_conn* m_pg = nullptr;
    // The connection broke inside a transaction: every statement fails until it is rolled back.
    bool m_lostInTransaction = false;
    qint64 m_lastInsertId = 0;
    bool m_icu = true;
    QSet<QString> m_collations;
    QSocketNotifier* m_notifier = nullptr;
};
