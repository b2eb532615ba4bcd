#include "db/TConnection.h"

#include "db/TDatabaseEngine.h"
#include "db/TError.h"
#include "db/TPostgresEngine.h"
#include "db/TSchema.h"
#include "db/TSqlDialect.h"
#include "db/TSqliteEngine.h"
#include "db/TSnapshot.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <sys/vfs.h>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TConnection", text);
}

int g_defaultBusyTimeout = 5000;
TConnection::TFileSystemProbe g_fileSystemProbe;

} // namespace

TConnection::TConnection(QObject* parent)
    : QObject(parent), m_connectionName(QStringLiteral("quorvel-") +
                                        QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

TConnection::~TConnection()
{
    Close();
}

void TConnection::Open(const QString& filePath)
{
    OpenFile(filePath, int(TSqliteEngine::TPurpose::Use));
}

void TConnection::OpenForCreate(const QString& filePath)
{
    OpenFile(filePath, int(TSqliteEngine::TPurpose::Create));
}

void TConnection::OpenToSwitchJournal(const QString& filePath)
{
    OpenFile(filePath, int(TSqliteEngine::TPurpose::SwitchJournal));
}

void TConnection::OpenFile(const QString& filePath, int purpose)
{
    Close();
    const QString path = QFileInfo(filePath).absoluteFilePath();
    auto engine = std::make_unique<TSqliteEngine>(*this, m_connectionName);
    TSqliteEngine& file = *engine;
    m_engine = std::move(engine);
    m_path = path;
    try {
        file.Open(path, TSqliteEngine::TPurpose(purpose));
    } catch (...) {
        Close();
        throw;
    }
}

void TConnection::OpenServer(const TServerAddress& address)
{
    OpenServerInternal(address, true);
}

void TConnection::OpenServerForCreate(const TServerAddress& address)
{
    OpenServerInternal(address, false);
}

void TConnection::OpenServerInternal(const TServerAddress& address, bool check)
{
    Close();
    m_address = address;
    m_path.clear();
    auto engine = std::make_unique<TPostgresEngine>(*this, m_connectionName, address);
    TPostgresEngine& server = *engine;
    m_engine = std::move(engine);
    try {
        server.Open(check);
    } catch (...) {
        Close();
        throw;
    }
}

void TConnection::Close()
{
    m_engine.reset();
    m_transactionDepth = 0;
}

TDatabaseEngine& TConnection::Engine() const
{
    if (!m_engine)
        throw EDatabaseError(Tr("The database is not connected."));
    return *m_engine;
}

bool TConnection::IsServer() const
{
    return m_engine && m_engine->IsServer();
}

bool TConnection::Connected() const
{
    return m_engine && m_engine->Connected();
}

bool TConnection::ReadOnly() const
{
    return m_engine && m_engine->ReadOnly();
}

QString TConnection::RowIdColumn(const QString& table) const
{
    return m_engine ? m_engine->RowIdColumn(table) : QStringLiteral("rowid");
}

QString TConnection::Translate(const QString& sql) const
{
    return m_engine ? m_engine->Translate(sql) : TSqlDialect::Translate(sql);
}

QStringList TConnection::CreateStatements() const
{
    return m_engine ? m_engine->CreateStatements() : TSchema::CreateStatements();
}

bool TConnection::HasTables()
{
    QStringList names;
    for (const QString& table : TSchema::TableNames())
        names << TSqlDialect::QuoteText(table);
    return ScalarQuery(Engine().CountTablesSql(names.join(u','))).toLongLong() > 0;
}

QString TConnection::JournalMode()
{
    return ScalarQuery(QStringLiteral("PRAGMA journal_mode")).toString().toLower();
}

void TConnection::SetJournalMode(const QString& mode)
{
    Engine().SetJournalMode(mode);
}

void TConnection::SetBusyTimeout(int milliseconds)
{
    Engine().SetBusyTimeout(milliseconds);
}

void TConnection::SetDefaultBusyTimeout(int milliseconds)
{
    g_defaultBusyTimeout = milliseconds;
}

int TConnection::DefaultBusyTimeout()
{
    return g_defaultBusyTimeout;
}

QString TConnection::NetworkFileSystem(const QString& path)
{
    if (g_fileSystemProbe)
        return g_fileSystemProbe(path);
    struct statfs info {
    };
    if (statfs(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969UL: // NFS_SUPER_MAGIC
        return QStringLiteral("NFS");
    case 0x517BUL:     // SMB_SUPER_MAGIC
    case 0xFF534D42UL: // CIFS_MAGIC_NUMBER
    case 0xFE534D42UL: // SMB2_MAGIC_NUMBER
        return QStringLiteral("CIFS/SMB");
    case 0x65735546UL: // FUSE_SUPER_MAGIC
        return QStringLiteral("FUSE");
    default:
        return {};
    }
}

void TConnection::SetFileSystemProbe(TFileSystemProbe probe)
{
    g_fileSystemProbe = std::move(probe);
}

sqlite3* TConnection::Handle() const
{
    sqlite3* handle = m_engine ? m_engine->Handle() : nullptr;
    if (!handle)
        throw EDatabaseError(Tr("The database is not connected."));
    return handle;
}

void TConnection::ThrowEngineError(const QString& context) const
{
    if (m_engine)
        m_engine->ThrowError(context);
    QString message = Tr("The database is not connected");
    if (!context.isEmpty())
        message = context + QStringLiteral(": ") + message;
    throw EDatabaseError(message);
}

int TConnection::Execute(const QString& sql, const QVariantList& params)
{
    return Engine().Execute(sql, params);
}

QVariant TConnection::ScalarQuery(const QString& sql, const QVariantList& params)
{
    return Engine().ScalarQuery(sql, params);
}

qint64 TConnection::LastInsertRowId() const
{
    return Engine().LastInsertRowId();
}

void TConnection::ReadRows(const QString& translatedSql, const TParamLookup& lookup,
                           TSnapshot& into)
{
    Engine().ReadRows(translatedSql, lookup, into);
}

void TConnection::ReadColumns(const QString& translatedSql, const TParamLookup& lookup,
                              TSnapshot& into)
{
    Engine().ReadColumns(translatedSql, lookup, into);
}

QVariantList TConnection::WriteAndRead(const QString& sql, const QVariantList& params)
{
    const QString text = Translate(sql);
    // "?" takes the values in order; "?n" the n-th.
    const TParamLookup lookup = [&params](const QString& name, int position) {
        bool numbered = false;
        const int n = name.toInt(&numbered);
        const int index = numbered ? n : position;
        return index >= 1 && index <= params.size() ? params.at(index - 1) : QVariant();
    };
    TSnapshot rows;
    if (InTransaction() || !Engine().WriteRowsAlone(text, lookup, rows)) {
        TTransaction transaction(*this);
        ReadRows(text, lookup, rows);
        transaction.Commit();
    }
    QVariantList values;
    if (rows.Rows() == 0)
        return values;
    const TSnapshot::TCell* row = rows.Row(0);
    for (int c = 0; c < rows.ColumnCount(); ++c)
        values.append(rows.Value(row[c], rows.Column(c).type));
    return values;
}

void TConnection::BeginTransaction()
{
    if (m_transactionDepth == 0)
        Engine().Begin();
    else
        Execute(QStringLiteral("SAVEPOINT quorvel_%1").arg(m_transactionDepth));
    ++m_transactionDepth;
}

void TConnection::Commit()
{
    if (m_transactionDepth <= 0)
        throw EDatabaseError(Tr("Commit without a transaction."));
    if (m_transactionDepth == 1)
        Engine().Commit();
    else
        Execute(QStringLiteral("RELEASE quorvel_%1").arg(m_transactionDepth - 1));
    --m_transactionDepth;
}

void TConnection::Rollback()
{
    if (m_transactionDepth <= 0)
        return;
    --m_transactionDepth;
    if (!m_engine)
        return;
    if (m_transactionDepth == 0)
        m_engine->Rollback();
    else
        m_engine->RollbackToSavepoint(m_transactionDepth);
}
