#include "TConnection.h"

#include "TCollation.h"
#include "TError.h"
#include "TLikePattern.h"
#include "TPrompts.h"
#include "TSchema.h"
#include "TSqlDialect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QUuid>

#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

int g_defaultBusyTimeout = 5000;
TConnection::TFileSystemProbe g_fileSystemProbe;

// Whether this process may write the path, judged by the effective ids the engine's own file
// operations run with.
bool MayWrite(const QString& path)
{
    return euidaccess(QFile::encodeName(path).constData(), W_OK) == 0;
}

// RAII for one prepared statement.
struct TStmt
{
    sqlite3_stmt* stmt = nullptr;
    ~TStmt() { sqlite3_finalize(stmt); }
};

int ParseInt(const unsigned char* s, int from, int count, int len)
{
    int v = 0;
    for (int i = from; i < from + count && i < len; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// DatePart(interval, date) over ISO texts 'yyyy-mm-dd hh:mm:ss'.
void DatePartFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray interval =
        QByteArray(reinterpret_cast<const char*>(sqlite3_value_text(argv[0]))).toLower();
    const unsigned char* d = sqlite3_value_text(argv[1]);
    const int len = sqlite3_value_bytes(argv[1]);
    const int year = ParseInt(d, 0, 4, len);
    const int month = len >= 7 ? ParseInt(d, 5, 2, len) : 1;
    const int day = len >= 10 ? ParseInt(d, 8, 2, len) : 1;
    const int hour = len >= 13 ? ParseInt(d, 11, 2, len) : 0;
    const int minute = len >= 16 ? ParseInt(d, 14, 2, len) : 0;
    const int second = len >= 19 ? ParseInt(d, 17, 2, len) : 0;
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) {
        sqlite3_result_null(ctx);
        return;
    }
    const QDate date(year, month, day);
    int result = 0;
    if (interval == "yyyy")
        result = year;
    else if (interval == "q")
        result = (month - 1) / 3 + 1;
    else if (interval == "m")
        result = month;
    else if (interval == "d")
        result = day;
    else if (interval == "y")
        result = date.dayOfYear();
    else if (interval == "w")
        result = date.dayOfWeek() % 7 + 1; // Sunday = 1
    else if (interval == "ww")
        result = (date.dayOfYear() + QDate(year, 1, 1).dayOfWeek() % 7 - 1) / 7 + 1;
    else if (interval == "h")
        result = hour;
    else if (interval == "n")
        result = minute;
    else if (interval == "s")
        result = second;
    else {
        sqlite3_result_error(ctx, "Invalid interval in DatePart", -1);
        return;
    }
    sqlite3_result_int(ctx, result);
}

// like(pattern, text[, escape]) ignoring letter case in every alphabet. The compiled pattern is
// cached on the statement while the pattern argument stays the same.
void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc == 3) {
        sqlite3_result_error(ctx, "ESCAPE is not supported in like", -1);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* pattern = static_cast<TLikePattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!pattern) {
        const char* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        pattern = new TLikePattern(QString::fromUtf8(p, sqlite3_value_bytes(argv[0])));
        sqlite3_set_auxdata(ctx, 0, pattern, [](void* p) { delete static_cast<TLikePattern*>(p); });
        // sqlite may drop auxdata at once; read it back before use.
        pattern = static_cast<TLikePattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!pattern) {
            const char* p2 = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
            TLikePattern once(QString::fromUtf8(p2, sqlite3_value_bytes(argv[0])));
            const char* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
            sqlite3_result_int(ctx, once.MatchesUtf8(t, sqlite3_value_bytes(argv[1])) ? 1 : 0);
            return;
        }
    }
    const char* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    sqlite3_result_int(ctx, pattern->MatchesUtf8(t, sqlite3_value_bytes(argv[1])) ? 1 : 0);
}

void Bind(TConnection& conn, sqlite3_stmt* stmt, int index, const QVariant& v)
{
    int rc = SQLITE_OK;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(stmt, index);
    } else {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt, index, v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, index, v.toDouble());
            break;
        case QMetaType::QDateTime:
            rc = sqlite3_bind_text(stmt, index,
                                   v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                       .toUtf8().constData(), -1, SQLITE_TRANSIENT);
            break;
        case QMetaType::QDate:
            rc = sqlite3_bind_text(stmt, index,
                                   (v.toDate().toString(QStringLiteral("yyyy-MM-dd")) +
                                    QStringLiteral(" 00:00:00")).toUtf8().constData(), -1,
                                   SQLITE_TRANSIENT);
            break;
        default: {
            const QByteArray utf8 = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        conn.ThrowEngineError();
}

} // namespace

// Binds one parameter value; shared with the data sets through this free function.
void QuorvelBindValue(TConnection& conn, sqlite3_stmt* stmt, int index, const QVariant& v)
{
    Bind(conn, stmt, index, v);
}

TConnection::TConnection(QObject* parent)
    : QObject(parent),
      m_connectionName(QStringLiteral("quorvel-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

TConnection::~TConnection()
{
    Close();
}

void TConnection::Open(const QString& filePath)
{
    OpenInternal(filePath, TOpenPurpose::Use);
}

void TConnection::OpenForCreate(const QString& filePath)
{
    OpenInternal(filePath, TOpenPurpose::Create);
}

void TConnection::OpenToSwitchJournal(const QString& filePath)
{
    OpenInternal(filePath, TOpenPurpose::SwitchJournal);
}

void TConnection::OpenEngine(const QString& path, const QString& mode)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    // A URI with mode=rw keeps the driver from creating a missing file.
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?mode=") + mode);
    QString options = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(g_defaultBusyTimeout);
    if (mode == QStringLiteral("ro"))
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open()) {
        const QString why = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw EDatabaseError(QStringLiteral("The database '%1' cannot be opened: %2")
                                 .arg(QDir::toNativeSeparators(path), why));
    }
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3* const*>(handle.constData());
}

void TConnection::OpenInternal(const QString& filePath, TOpenPurpose purpose)
{
    Close();
    const QString path = QFileInfo(filePath).absoluteFilePath();
    const QString native = QDir::toNativeSeparators(path);
    if (purpose != TOpenPurpose::Create && !QFileInfo(path).isFile())
        throw EDatabaseError(QStringLiteral("Could not find file '%1'.").arg(native));

    // The engine writes its journal next to the file, so a read-only folder makes the file
    // read-only too. Opening such a file read-write would fail on the first read of a WAL file
    // or on the first save of any other.
    const bool readOnly = purpose == TOpenPurpose::Use &&
                          (!MayWrite(path) || !MayWrite(QFileInfo(path).absolutePath()));
    OpenEngine(path, purpose == TOpenPurpose::Create ? QStringLiteral("rwc")
                     : readOnly                      ? QStringLiteral("ro")
                                                     : QStringLiteral("rw"));
    m_path = path;
    if (!m_handle) {
        Close();
        throw EDatabaseError(QStringLiteral("The SQLite driver gave no engine handle."));
    }
    try {
        m_readOnly = readOnly || sqlite3_db_readonly(m_handle, "main") == 1;
        // Reading the schema is the first touch of the file: a file that is not SQLite, or one
        // that another program holds, fails here.
        QString why;
        int code = ProbeFile(why);
        if (readOnly && (code == SQLITE_READONLY || code == SQLITE_CANTOPEN) &&
            QFileInfo(path + QStringLiteral("-wal")).size() == 0) {
            // A WAL file in a read-only folder has no room for its shared index: with nothing
            // in its log it is read as an unchanging file.
            Close();
            OpenEngine(path, QStringLiteral("ro&immutable=1"));
            m_readOnly = true;
            code = m_handle ? ProbeFile(why) : SQLITE_CANTOPEN;
        }
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw EDatabaseLocked(
                tr("%1 is in use by another program.").arg(QFileInfo(path).fileName()));
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
            throw EDatabaseError(QStringLiteral("The file '%1' is not a database of this program "
                                                "(it is not an SQLite database: %2).")
                                     .arg(native, why));
        if (code != SQLITE_OK)
            throw EDatabaseError(
                QStringLiteral("The database '%1' cannot be opened: %2").arg(native, why));
        if (purpose == TOpenPurpose::Use)
            CheckSchema();
        // The file keeps the journal mode it was made with: opening never writes to it.
        if (purpose == TOpenPurpose::Create)
            SetJournalMode(QStringLiteral("wal"));
        else if (purpose == TOpenPurpose::Use)
            RefuseWalOnNetwork(JournalMode());
        // FULL sync loses no committed row on power loss.
        Execute(QStringLiteral("PRAGMA synchronous=FULL"));
        Execute(QStringLiteral("PRAGMA foreign_keys=OFF"));
        // Grouping a million attendances needs its temporary trees in memory, not in files.
        Execute(QStringLiteral("PRAGMA temp_store=MEMORY"));
        Execute(QStringLiteral("PRAGMA cache_size=-32768"));
        RegisterFunctions();
        if (purpose == TOpenPurpose::Use && !m_readOnly)
            AddMissingTables();
    } catch (...) {
        Close();
        throw;
    }
}

int TConnection::ProbeFile(QString& why)
{
    sqlite3_stmt* probe = nullptr;
    int code = SQLITE_OK;
    if (sqlite3_prepare_v2(m_handle, "PRAGMA schema_version", -1, &probe, nullptr) != SQLITE_OK ||
        sqlite3_step(probe) != SQLITE_ROW) {
        code = sqlite3_errcode(m_handle) & 0xff;
        why = QString::fromUtf8(sqlite3_errmsg(m_handle));
    }
    sqlite3_finalize(probe);
    return code;
}

QString TConnection::JournalMode()
{
    return ScalarQuery(QStringLiteral("PRAGMA journal_mode")).toString().toLower();
}

void TConnection::SetJournalMode(const QString& mode)
{
    const QString wanted = mode.toLower();
    if (wanted != QStringLiteral("wal") && wanted != QStringLiteral("delete"))
        throw EDatabaseError(tr("Unknown journal mode \"%1\": use wal or delete.").arg(mode));
    RefuseWalOnNetwork(wanted);
    const QString inUse = tr("The journal mode of '%1' stays as it was: another program has the "
                             "file open.")
                              .arg(QDir::toNativeSeparators(m_path));
    QString now;
    try {
        now = ScalarQuery(QStringLiteral("PRAGMA journal_mode=%1").arg(wanted)).toString().toLower();
    } catch (const EDatabaseError&) {
        if ((sqlite3_errcode(m_handle) & 0xff) == SQLITE_BUSY)
            throw EDatabaseError(inUse);
        throw;
    }
    if (now != wanted)
        throw EDatabaseError(inUse);
}

void TConnection::RefuseWalOnNetwork(const QString& journalMode) const
{
    if (journalMode != QStringLiteral("wal"))
        return;
    const QString fileSystem = NetworkFileSystem(m_path);
    if (fileSystem.isEmpty())
        return;
    const QString native = QDir::toNativeSeparators(m_path);
    throw EDatabaseError(tr("The database '%1' lies on a network file system (%2), where its "
                            "write-ahead log is not safe. Switch the file to the rollback "
                            "journal on a computer that has it on a local disk, or with:\n"
                            "quorvel-admin journal \"%1\" delete")
                             .arg(native, fileSystem));
}

void TConnection::SetBusyTimeout(int milliseconds)
{
    if (m_server) {
        Execute(QStringLiteral("SET lock_timeout = %1").arg(milliseconds));
        return;
    }
    if (sqlite3_busy_timeout(Handle(), milliseconds) != SQLITE_OK)
        ThrowEngineError();
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
    struct statfs info {};
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

bool TConnection::AskToRetryBusy() const
{
    if (m_server)
        return TPrompts::RetryOrCancel(tr("The database is busy (another station is writing to "
                                          "it). Try again?"));
    return TPrompts::RetryOrCancel(tr("The database is busy (another program is writing to %1). "
                                      "Try again?")
                                       .arg(QFileInfo(m_path).fileName()));
}

void TConnection::CheckSchema()
{
    const QString native = QDir::toNativeSeparators(m_path);
    for (const QString& table : TSchema::TableNames()) {
        QStringList columns;
        TStmt s;
        const QByteArray sql = QStringLiteral("PRAGMA table_info(%1)").arg(table).toUtf8();
        if (sqlite3_prepare_v2(m_handle, sql.constData(), -1, &s.stmt, nullptr) != SQLITE_OK)
            ThrowEngineError();
        while (sqlite3_step(s.stmt) == SQLITE_ROW)
            columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 1)));
        if (columns.isEmpty())
            throw EDatabaseError(QStringLiteral("The file '%1' is not a database of this program "
                                                "(the table '%2' is missing).")
                                     .arg(native, table));
        for (const QString& column : TSchema::ColumnNames(table))
            if (!columns.contains(column, Qt::CaseInsensitive))
                throw EDatabaseError(QStringLiteral("The file '%1' is not a database of this program "
                                                    "(the column '%2.%3' is missing).")
                                         .arg(native, table, column));
    }
}

void TConnection::AddMissingTables()
{
    // Only a file that lacks one is written to: opening an up-to-date file writes nothing.
    const bool missing = ScalarQuery(QStringLiteral(
        "select count(*) from sqlite_master where type = 'table' and name = 'mail_log'"))
                               .toLongLong() == 0;
    if (!missing)
        return;
    try {
        for (const QString& statement : TSchema::AddedTableStatements())
            Execute(statement);
    } catch (const EDatabaseError&) {
        // The delivery log is not needed to work with the file; a run without it keeps its
        // rows in memory only.
    }
}

void TConnection::RegisterFunctions()
{
    // SQLite forgets functions with the connection, so they are registered on every open.
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function_v2(m_handle, "DatePart", 2, flags, nullptr, DatePartFunction,
                                   nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(m_handle, "like", 2, flags, nullptr, LikeFunction, nullptr,
                                   nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(m_handle, "like", 3, flags, nullptr, LikeFunction, nullptr,
                                   nullptr, nullptr) != SQLITE_OK ||
        !TCollation::Register(m_handle))
        ThrowEngineError(QStringLiteral("Registering the SQL functions failed"));
}

void TConnection::Close()
{
    if (m_server) {
        CloseServer();
        m_server = false;
        m_transactionDepth = 0;
        m_lostInTransaction = false;
        m_readOnly = false;
        return;
    }
    if (!QSqlDatabase::contains(m_connectionName)) {
        m_handle = nullptr;
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_handle = nullptr;
    m_transactionDepth = 0;
    m_readOnly = false;
}

bool TConnection::Connected() const
{
    return m_handle != nullptr || m_pg != nullptr;
}

QString TConnection::RowIdColumn(const QString& table) const
{
    return m_server ? TSchema::RowIdColumn(table) : QStringLiteral("rowid");
}

QString TConnection::Translate(const QString& sql) const
{
    return m_server ? TSqlDialect::TranslateForServer(sql, ServerFlavour())
                    : TSqlDialect::Translate(sql);
}

QStringList TConnection::CreateStatements() const
{
    return m_server ? TSchema::ServerCreateStatements() : TSchema::CreateStatements();
}

bool TConnection::HasTables()
{
    QStringList names;
    for (const QString& table : TSchema::TableNames())
        names << TSqlDialect::QuoteText(table);
    const QString list = names.join(u',');
    return ScalarQuery(m_server ? QStringLiteral("select count(*) from information_schema.tables "
                                                 "where table_schema = current_schema() and "
                                                 "table_name in (%1)")
                                      .arg(list)
                                : QStringLiteral("select count(*) from sqlite_master where type = "
                                                 "'table' and name in (%1)")
                                      .arg(list))
               .toLongLong() > 0;
}

sqlite3* TConnection::Handle() const
{
    if (!m_handle)
        throw EDatabaseError(QStringLiteral("The database is not connected."));
    return m_handle;
}

void TConnection::ThrowEngineError(const QString& context) const
{
    QString message = m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle))
                               : QStringLiteral("The database is not connected");
    if (!context.isEmpty())
        message = context + QStringLiteral(": ") + message;
    throw EDatabaseError(message);
}

int TConnection::Execute(const QString& sql, const QVariantList& params)
{
    if (m_server)
        return ServerExecute(sql, params);
    const QByteArray utf8 = TSqlDialect::Translate(sql).toUtf8();
    const char* tail = utf8.constData();
    const char* end = tail + utf8.size();
    int changes = 0;
    int paramIndex = 0;
    while (tail < end) {
        TStmt s;
        const char* next = nullptr;
        if (sqlite3_prepare_v2(Handle(), tail, int(end - tail), &s.stmt, &next) != SQLITE_OK)
            ThrowEngineError();
        tail = next;
        if (!s.stmt)
            continue; // only blanks or a comment were left
        ++m_queryCount;
        const int count = sqlite3_bind_parameter_count(s.stmt);
        for (int i = 1; i <= count; ++i)
            Bind(*this, s.stmt, i, paramIndex < params.size() ? params.at(paramIndex++) : QVariant());
        // Outside a transaction (and for its COMMIT) a statement that met a lock stored nothing
        // and may run again.
        const bool mayRetry = m_transactionDepth == 0 ||
                              qstrnicmp(sqlite3_sql(s.stmt), "COMMIT", 6) == 0;
        int rc;
        for (;;) {
            while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
            }
            if ((rc & 0xff) != SQLITE_BUSY || !mayRetry || !AskToRetryBusy())
                break;
            sqlite3_reset(s.stmt);
        }
        if (rc != SQLITE_DONE)
            ThrowEngineError();
        changes += sqlite3_changes(m_handle);
    }
    return changes;
}

QVariant TConnection::ScalarQuery(const QString& sql, const QVariantList& params)
{
    if (m_server)
        return ServerScalar(sql, params);
    const QByteArray utf8 = TSqlDialect::Translate(sql).toUtf8();
    TStmt s;
    if (sqlite3_prepare_v2(Handle(), utf8.constData(), int(utf8.size()), &s.stmt, nullptr) != SQLITE_OK)
        ThrowEngineError();
    ++m_queryCount;
    const int count = sqlite3_bind_parameter_count(s.stmt);
    for (int i = 1; i <= count; ++i)
        Bind(*this, s.stmt, i, i - 1 < params.size() ? params.at(i - 1) : QVariant());
    const int rc = sqlite3_step(s.stmt);
    if (rc == SQLITE_DONE)
        return {};
    if (rc != SQLITE_ROW)
        ThrowEngineError();
    switch (sqlite3_column_type(s.stmt, 0)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(s.stmt, 0)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s.stmt, 0));
    case SQLITE_NULL:
        return {};
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 0)),
                                 sqlite3_column_bytes(s.stmt, 0));
    }
}

qint64 TConnection::LastInsertRowId() const
{
    if (m_server)
        return m_lastInsertId;
    return sqlite3_last_insert_rowid(Handle());
}

void TConnection::BeginTransaction()
{
    if (m_transactionDepth == 0 && m_server)
        ServerBegin();
    else if (m_transactionDepth == 0)
        Execute(QStringLiteral("BEGIN IMMEDIATE"));
    else
        Execute(QStringLiteral("SAVEPOINT quorvel_%1").arg(m_transactionDepth));
    ++m_transactionDepth;
}

void TConnection::Commit()
{
    if (m_transactionDepth <= 0)
        throw EDatabaseError(QStringLiteral("Commit without a transaction."));
    if (m_transactionDepth == 1 && m_server && m_pg && !m_lostInTransaction &&
        PQtransactionStatus(m_pg) == PQTRANS_INERROR)
        throw EDatabaseError(QStringLiteral("The transaction failed; nothing of it was stored."));
    if (m_transactionDepth == 1)
        Execute(QStringLiteral("COMMIT"));
    else
        Execute(QStringLiteral("RELEASE quorvel_%1").arg(m_transactionDepth - 1));
    --m_transactionDepth;
}

void TConnection::Rollback()
{
    if (m_transactionDepth <= 0)
        return;
    --m_transactionDepth;
    if (m_server && m_lostInTransaction) {
        // The server dropped the transaction with the connection.
        if (m_transactionDepth == 0)
            m_lostInTransaction = false;
        return;
    }
    if (m_server && m_transactionDepth == 0) {
        if (m_pg && PQstatus(m_pg) == CONNECTION_OK && PQtransactionStatus(m_pg) != PQTRANS_IDLE)
            PQclear(PQexec(m_pg, "ROLLBACK"));
        return;
    }
    if (m_transactionDepth == 0) {
        if (m_handle && !sqlite3_get_autocommit(m_handle))
            Execute(QStringLiteral("ROLLBACK"));
    } else {
        Execute(QStringLiteral("ROLLBACK TO quorvel_%1").arg(m_transactionDepth));
        Execute(QStringLiteral("RELEASE quorvel_%1").arg(m_transactionDepth));
    }
}
