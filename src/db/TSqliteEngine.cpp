#include "db/TSqliteEngine.h"

#include "db/TCollation.h"
#include "db/TConnection.h"
#include "db/TError.h"
#include "db/TPrompts.h"
#include "db/TSchema.h"
#include "db/TSnapshot.h"
#include "db/TSqlDialect.h"
#include "db/TSqliteFunctions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <sqlite3.h>
#include <unistd.h>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TConnection", text);
}

// Whether this process may write the path, judged by the effective ids the engine's own file
// operations run with.
bool MayWrite(const QString& path)
{
    return euidaccess(QFile::encodeName(path).constData(), W_OK) == 0;
}

// RAII for one prepared statement.
struct TStmt {
    sqlite3_stmt* stmt = nullptr;
    ~TStmt() { sqlite3_finalize(stmt); }
};

TFieldType TypeFromDecl(const char* decl)
{
    if (!decl)
        return TFieldType::String;
    const QByteArray d = QByteArray(decl).toUpper();
    if (d.startsWith("INTEGER") || d.startsWith("INT") || d.startsWith("BIGINT"))
        return TFieldType::Integer;
    if (d.startsWith("SMALLINT"))
        return TFieldType::SmallUInt;
    if (d.startsWith("DATETIME") || d.startsWith("DATE"))
        return TFieldType::DateTime;
    if (d.startsWith("NUMERIC") || d.startsWith("DECIMAL"))
        return TFieldType::Decimal;
    if (d.startsWith("REAL") || d.startsWith("DOUBLE") || d.startsWith("FLOAT"))
        return TFieldType::Float;
    return TFieldType::String;
}

// Reads one column of the statement's current row into a cell of the snapshot.
TSnapshot::TCell ReadCell(sqlite3_stmt* stmt, int column, TSnapshot& into, bool dateColumn)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return TSnapshot::IntCell(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return TSnapshot::RealCell(sqlite3_column_double(stmt, column));
    case SQLITE_NULL:
        return {};
    default:
        return into.TextCell(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                             size_t(sqlite3_column_bytes(stmt, column)), dateColumn);
    }
}

// A text whose last clause orders by name columns alone ("order by p.last_name collate LOCALE,
// p.first_name collate LOCALE"): the text without that clause, and the names with their
// directions. False for anything else (grouping, distinct, limits, compound selects, other
// terms), which the engine orders itself.
bool SplitNameOrder(const QString& sql, QString& unordered, QStringList& names,
                    std::vector<bool>& descending)
{
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\s"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression refused(
        QStringLiteral("\\b(distinct|group\\s+by|having|limit|offset|union|intersect|except)\\b|;"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nameTerm(
        QStringLiteral(
            "^\\s*(?:([A-Za-z_][A-Za-z0-9_]*)\\.)?([A-Za-z_][A-Za-z0-9_]*)\\s+collate\\s+%1"
            "(?:\\s+(asc|desc))?\\s*$")
            .arg(QLatin1String(TCollation::kName)),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression selectList(QStringLiteral("^\\s*select\\s+(.*?)\\s+from\\s"),
                                               QRegularExpression::CaseInsensitiveOption |
                                                   QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatch found;
    const qsizetype at = sql.lastIndexOf(orderBy, -1, &found);
    if (at < 0)
        return false;
    const QString head = sql.left(at);
    const QString terms = sql.mid(found.capturedEnd());
    if (head.count(u'(') != head.count(u')') || head.count(u'\'') % 2 != 0 ||
        head.count(u'"') % 2 != 0 || head.contains(refused) || terms.contains(refused))
        return false;
    const auto list = selectList.match(head);
    if (!list.hasMatch())
        return false;
    const QString selected = list.captured(1);
    names.clear();
    descending.clear();
    for (const QString& term : terms.split(u',')) {
        const auto m = nameTerm.match(term);
        if (!m.hasMatch())
            return false;
        // A qualified name must be one the select list shows as it is.
        const QString qualified = m.captured(1) + u'.' + m.captured(2);
        if (!m.captured(1).isEmpty() && !selected.contains(u'*') &&
            !selected.contains(QRegularExpression(QStringLiteral("(^|[\\s,])%1(\\s*,|\\s*$)")
                                                      .arg(QRegularExpression::escape(qualified)),
                                                  QRegularExpression::CaseInsensitiveOption)))
            return false;
        names << m.captured(2);
        descending.push_back(m.captured(3).compare(QLatin1String("desc"), Qt::CaseInsensitive) ==
                             0);
    }
    unordered = head;
    return !names.isEmpty();
}

// The columns of the statement that the names order by; empty unless each name is exactly one
// column of the result.
std::vector<TSnapshot::TOrderTerm> OrderTerms(sqlite3_stmt* stmt, const QStringList& names,
                                              const std::vector<bool>& descending)
{
    std::vector<TSnapshot::TOrderTerm> terms;
    const int ncols = sqlite3_column_count(stmt);
    for (int n = 0; n < names.size(); ++n) {
        int found = -1;
        for (int c = 0; c < ncols; ++c) {
            if (QString::fromUtf8(sqlite3_column_name(stmt, c))
                    .compare(names[n], Qt::CaseInsensitive) != 0)
                continue;
            if (found >= 0)
                return {};
            found = c;
        }
        if (found < 0)
            return {};
        terms.push_back({found, descending[size_t(n)]});
    }
    return terms;
}

} // namespace

TSqliteEngine::TSqliteEngine(TConnection& conn, const QString& connectionName)
    : TDatabaseEngine(conn), m_connectionName(connectionName)
{
}

TSqliteEngine::~TSqliteEngine()
{
    CloseHandle();
}

void TSqliteEngine::OpenHandle(const QString& path, const QString& mode)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    // A URI with mode=rw keeps the driver from creating a missing file.
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?mode=") + mode);
    QString options = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                          .arg(TConnection::DefaultBusyTimeout());
    if (mode == QStringLiteral("ro"))
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open()) {
        const QString why = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw EDatabaseError(
            Tr("The database '%1' cannot be opened: %2").arg(QDir::toNativeSeparators(path), why));
    }
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3* const*>(handle.constData());
}

void TSqliteEngine::CloseHandle()
{
    // A statement left unfinalized would keep the driver from closing the file.
    m_statements.Drop();
    m_handle = nullptr;
    m_readOnly = false;
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

void TSqliteEngine::Open(const QString& path, TPurpose purpose)
{
    const QString native = QDir::toNativeSeparators(path);
    if (purpose != TPurpose::Create && !QFileInfo(path).isFile())
        throw EDatabaseError(Tr("Could not find file '%1'.").arg(native));

    // The engine writes its journal next to the file, so a read-only folder makes the file
    // read-only too. Opening such a file read-write would fail on the first read of a WAL file
    // or on the first save of any other.
    const bool readOnly =
        purpose == TPurpose::Use && (!MayWrite(path) || !MayWrite(QFileInfo(path).absolutePath()));
    OpenHandle(path, purpose == TPurpose::Create ? QStringLiteral("rwc")
                     : readOnly                  ? QStringLiteral("ro")
                                                 : QStringLiteral("rw"));
    m_path = path;
    if (!m_handle)
        throw EDatabaseError(Tr("The SQLite driver gave no engine handle."));
    m_readOnly = readOnly || sqlite3_db_readonly(m_handle, "main") == 1;
    // Reading the schema is the first touch of the file: a file that is not SQLite, or one
    // that another program holds, fails here.
    QString why;
    int code = ProbeFile(why);
    if (readOnly && (code == SQLITE_READONLY || code == SQLITE_CANTOPEN) &&
        QFileInfo(path + QStringLiteral("-wal")).size() == 0) {
        // A WAL file in a read-only folder has no room for its shared index: with nothing
        // in its log it is read as an unchanging file.
        CloseHandle();
        OpenHandle(path, QStringLiteral("ro&immutable=1"));
        m_readOnly = true;
        code = m_handle ? ProbeFile(why) : SQLITE_CANTOPEN;
    }
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        throw EDatabaseLocked(
            Tr("%1 is in use by another program.").arg(QFileInfo(path).fileName()));
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        throw EDatabaseError(Tr("The file '%1' is not a database of this program "
                                "(it is not an SQLite database: %2).")
                                 .arg(native, why));
    if (code != SQLITE_OK)
        throw EDatabaseError(Tr("The database '%1' cannot be opened: %2").arg(native, why));
    if (purpose == TPurpose::Use)
        CheckSchema();
    // The file keeps the journal mode it was made with: opening never writes to it.
    if (purpose == TPurpose::Create)
        SetJournalMode(QStringLiteral("wal"));
    else if (purpose == TPurpose::Use)
        RefuseWalOnNetwork(
            ScalarQuery(QStringLiteral("PRAGMA journal_mode"), {}).toString().toLower());
    // FULL sync loses no committed row on power loss.
    Execute(QStringLiteral("PRAGMA synchronous=FULL"), {});
    Execute(QStringLiteral("PRAGMA foreign_keys=OFF"), {});
    // Grouping a million attendances needs its temporary trees in memory, not in files.
    Execute(QStringLiteral("PRAGMA temp_store=MEMORY"), {});
    Execute(QStringLiteral("PRAGMA cache_size=-32768"), {});
    RegisterFunctions();
    if (purpose == TPurpose::Use && !m_readOnly)
        AddMissingTables();
}

int TSqliteEngine::ProbeFile(QString& why)
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

void TSqliteEngine::SetJournalMode(const QString& mode)
{
    const QString wanted = mode.toLower();
    if (wanted != QStringLiteral("wal") && wanted != QStringLiteral("delete"))
        throw EDatabaseError(Tr("Unknown journal mode \"%1\": use wal or delete.").arg(mode));
    RefuseWalOnNetwork(wanted);
    const QString inUse = Tr("The journal mode of '%1' stays as it was: another program has the "
                             "file open.")
                              .arg(QDir::toNativeSeparators(m_path));
    QString now;
    try {
        now = ScalarQuery(QStringLiteral("PRAGMA journal_mode=%1").arg(wanted), {})
                  .toString()
                  .toLower();
    } catch (const EDatabaseError&) {
        if ((sqlite3_errcode(m_handle) & 0xff) == SQLITE_BUSY)
            throw EDatabaseError(inUse);
        throw;
    }
    if (now != wanted)
        throw EDatabaseError(inUse);
}

void TSqliteEngine::RefuseWalOnNetwork(const QString& journalMode) const
{
    if (journalMode != QStringLiteral("wal"))
        return;
    const QString fileSystem = TConnection::NetworkFileSystem(m_path);
    if (fileSystem.isEmpty())
        return;
    const QString native = QDir::toNativeSeparators(m_path);
    throw EDatabaseError(Tr("The database '%1' lies on a network file system (%2), where its "
                            "write-ahead log is not safe. Switch the file to the rollback "
                            "journal on a computer that has it on a local disk, or with:\n"
                            "quorvel-admin journal \"%1\" delete")
                             .arg(native, fileSystem));
}

void TSqliteEngine::SetBusyTimeout(int milliseconds)
{
    if (sqlite3_busy_timeout(CheckedHandle(), milliseconds) != SQLITE_OK)
        ThrowError({});
}

bool TSqliteEngine::AskToRetryBusy() const
{
    return TPrompts::RetryOrCancel(Tr("The database is busy (another program is writing to %1). "
                                      "Try again?")
                                       .arg(QFileInfo(m_path).fileName()));
}

void TSqliteEngine::CheckSchema()
{
    const QString native = QDir::toNativeSeparators(m_path);
    for (const QString& table : TSchema::TableNames()) {
        QStringList columns;
        TStmt s;
        const QByteArray sql = QStringLiteral("PRAGMA table_info(%1)").arg(table).toUtf8();
        if (sqlite3_prepare_v2(m_handle, sql.constData(), -1, &s.stmt, nullptr) != SQLITE_OK)
            ThrowError({});
        while (sqlite3_step(s.stmt) == SQLITE_ROW)
            columns << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 1)));
        if (columns.isEmpty())
            throw EDatabaseError(Tr("The file '%1' is not a database of this program "
                                    "(the table '%2' is missing).")
                                     .arg(native, table));
        for (const QString& column : TSchema::ColumnNames(table))
            if (!columns.contains(column, Qt::CaseInsensitive))
                throw EDatabaseError(Tr("The file '%1' is not a database of this program "
                                        "(the column '%2.%3' is missing).")
                                         .arg(native, table, column));
    }
}

void TSqliteEngine::AddMissingTables()
{
    // Only a file that lacks one is written to: opening an up-to-date file writes nothing.
    const bool missing = ScalarQuery(QStringLiteral("select count(*) from sqlite_master where "
                                                    "type = 'table' and name in ('mail_log', "
                                                    "'registrations')"),
                                     {})
                             .toLongLong() < 2;
    if (!missing)
        return;
    try {
        for (const QString& statement : TSchema::AddedTableStatements())
            Execute(statement, {});
    } catch (const EDatabaseError&) {
        // The delivery log is not needed to work with the file; a run without it keeps its
        // rows in memory only. Without registrations the registered lists stay empty.
    }
}

void TSqliteEngine::RegisterFunctions()
{
    if (!TSqliteFunctions::Register(m_handle))
        ThrowError(Tr("Registering the SQL functions failed"));
}

QString TSqliteEngine::RowIdColumn(const QString&) const
{
    return QStringLiteral("rowid");
}

QString TSqliteEngine::Translate(const QString& sql) const
{
    return TSqlDialect::Translate(sql);
}

QStringList TSqliteEngine::CreateStatements() const
{
    return TSchema::CreateStatements();
}

QString TSqliteEngine::CountTablesSql(const QString& quotedNames) const
{
    return QStringLiteral(
               "select count(*) from sqlite_master where type = 'table' and name in (%1)")
        .arg(quotedNames);
}

sqlite3* TSqliteEngine::CheckedHandle() const
{
    if (!m_handle)
        throw EDatabaseError(Tr("The database is not connected."));
    return m_handle;
}

void TSqliteEngine::ThrowError(const QString& context) const
{
    QString message = m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle))
                               : Tr("The database is not connected");
    if (!context.isEmpty())
        message = context + QStringLiteral(": ") + message;
    throw EDatabaseError(message);
}

void TSqliteEngine::Bind(sqlite3_stmt* stmt, int index, const QVariant& v) const
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
        case QMetaType::QByteArray: {
            const QByteArray bytes = v.toByteArray();
            rc = sqlite3_bind_blob64(stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime:
            rc = sqlite3_bind_text(
                stmt, index,
                v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8().constData(),
                -1, SQLITE_TRANSIENT);
            break;
        case QMetaType::QDate:
            rc = sqlite3_bind_text(
                stmt, index,
                (v.toDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00"))
                    .toUtf8()
                    .constData(),
                -1, SQLITE_TRANSIENT);
            break;
        default: {
            const QByteArray utf8 = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()),
                                   SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        ThrowError({});
}

int TSqliteEngine::Step(TKeptStatements::TStatement& s, const QVariantList& params, int& index)
{
    m_conn.CountQuery();
    const int count = sqlite3_bind_parameter_count(s.stmt);
    for (int i = 1; i <= count; ++i)
        Bind(s.stmt, i, index < params.size() ? params.at(index++) : QVariant());
    // Outside a transaction (and for its COMMIT) a statement that met a lock stored nothing
    // and may run again.
    const bool mayRetry =
        !m_conn.InTransaction() || qstrnicmp(sqlite3_sql(s.stmt), "COMMIT", 6) == 0;
    int rc;
    for (;;) {
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
        }
        if ((rc & 0xff) != SQLITE_BUSY || !mayRetry || !AskToRetryBusy())
            break;
        sqlite3_reset(s.stmt);
    }
    if (rc != SQLITE_DONE)
        ThrowError({});
    s.ran = true;
    return sqlite3_changes(m_handle);
}

int TSqliteEngine::Execute(const QString& sql, const QVariantList& params)
{
    int paramIndex = 0;
    {
        TKeptStatements::TStatement kept(m_statements);
        if (m_statements.Take(sql, kept))
            return Step(kept, params, paramIndex);
    }
    const QByteArray utf8 = TSqlDialect::Translate(sql).toUtf8();
    const char* const begin = utf8.constData();
    const char* tail = begin;
    const char* end = tail + utf8.size();
    int changes = 0;
    while (tail < end) {
        TKeptStatements::TStatement s(m_statements);
        const char* next = nullptr;
        if (sqlite3_prepare_v2(CheckedHandle(), tail, int(end - tail), &s.stmt, &next) != SQLITE_OK)
            ThrowError({});
        const bool whole = tail == begin && TKeptStatements::OnlyBlanks(next, end);
        tail = next;
        if (!s.stmt)
            continue; // only blanks or a comment were left
        if (TKeptStatements::ChangesSchema(s.stmt))
            m_statements.Drop();
        else if (whole)
            m_statements.Keep(sql, s);
        changes += Step(s, params, paramIndex);
    }
    return changes;
}

QVariant TSqliteEngine::ScalarQuery(const QString& sql, const QVariantList& params)
{
    TKeptStatements::TStatement s(m_statements);
    if (!m_statements.Take(sql, s)) {
        const QByteArray utf8 = TSqlDialect::Translate(sql).toUtf8();
        const char* next = nullptr;
        if (sqlite3_prepare_v2(CheckedHandle(), utf8.constData(), int(utf8.size()), &s.stmt,
                               &next) != SQLITE_OK)
            ThrowError({});
        if (!s.stmt)
            return {};
        if (TKeptStatements::ChangesSchema(s.stmt))
            m_statements.Drop();
        else if (TKeptStatements::OnlyBlanks(next, utf8.constData() + utf8.size()))
            m_statements.Keep(sql, s);
    }
    m_conn.CountQuery();
    const int count = sqlite3_bind_parameter_count(s.stmt);
    for (int i = 1; i <= count; ++i)
        Bind(s.stmt, i, i - 1 < params.size() ? params.at(i - 1) : QVariant());
    const int rc = sqlite3_step(s.stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        ThrowError({});
    s.ran = true;
    if (rc == SQLITE_DONE)
        return {};
    switch (sqlite3_column_type(s.stmt, 0)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(s.stmt, 0)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s.stmt, 0));
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(s.stmt, 0)),
                          sqlite3_column_bytes(s.stmt, 0));
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 0)),
                                 sqlite3_column_bytes(s.stmt, 0));
    }
}

qint64 TSqliteEngine::LastInsertRowId() const
{
    return sqlite3_last_insert_rowid(CheckedHandle());
}

void TSqliteEngine::Begin()
{
    Execute(QStringLiteral("BEGIN IMMEDIATE"), {});
}

void TSqliteEngine::Commit()
{
    Execute(QStringLiteral("COMMIT"), {});
}

void TSqliteEngine::Rollback()
{
    if (m_handle && !sqlite3_get_autocommit(m_handle))
        Execute(QStringLiteral("ROLLBACK"), {});
}

void TSqliteEngine::Prepare(const QString& sql, const TParamLookup& lookup,
                            sqlite3_stmt*& stmt) const
{
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(CheckedHandle(), utf8.constData(), int(utf8.size()), &stmt, nullptr) !=
        SQLITE_OK)
        ThrowError({});
    if (!lookup)
        return;
    const int count = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= count; ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt, i);
        Bind(stmt, i, lookup(name ? QString::fromUtf8(name + 1) : QString(), i));
    }
}

void TSqliteEngine::ReadColumns(const QString& sql, const TParamLookup&, TSnapshot& into)
{
    // Compiling the statement checks the text and gives the columns without reading a row.
    TStmt s;
    Prepare(sql, {}, s.stmt);
    const int ncols = sqlite3_column_count(s.stmt);
    std::vector<TSnapshot::TColumn> columns(static_cast<size_t>(ncols));
    for (int c = 0; c < ncols; ++c) {
        columns[size_t(c)].name = QString::fromUtf8(sqlite3_column_name(s.stmt, c));
        const char* decl = sqlite3_column_decltype(s.stmt, c);
        // Expressions have no declared type; sums are numbers.
        columns[size_t(c)].type = decl ? TypeFromDecl(decl) : TFieldType::Float;
    }
    into.Reset(std::move(columns));
}

void TSqliteEngine::ReadRows(const QString& sql, const TParamLookup& lookup, TSnapshot& into)
{
    // Ordering by names through the collation costs the engine's sorter its fast path: the
    // rows are read in the query's own order and the snapshot orders them with the same
    // comparison, ties in the order read, as the engine's sort keeps them.
    TStmt s;
    std::vector<TSnapshot::TOrderTerm> order;
    QString unordered;
    QStringList names;
    std::vector<bool> descending;
    if (SplitNameOrder(sql, unordered, names, descending)) {
        Prepare(unordered, lookup, s.stmt);
        order = OrderTerms(s.stmt, names, descending);
        if (order.empty()) {
            sqlite3_finalize(s.stmt);
            s.stmt = nullptr;
        }
    }
    if (!s.stmt)
        Prepare(sql, lookup, s.stmt);
    m_conn.CountQuery();
    const int ncols = sqlite3_column_count(s.stmt);
    std::vector<TSnapshot::TColumn> columns(static_cast<size_t>(ncols));
    std::vector<char> typeKnown(size_t(ncols), false);
    std::vector<char> dateColumn(size_t(ncols), false);
    for (int c = 0; c < ncols; ++c) {
        columns[size_t(c)].name = QString::fromUtf8(sqlite3_column_name(s.stmt, c));
        const char* decl = sqlite3_column_decltype(s.stmt, c);
        columns[size_t(c)].type = TypeFromDecl(decl);
        typeKnown[size_t(c)] = decl != nullptr;
        dateColumn[size_t(c)] = decl != nullptr && columns[size_t(c)].type == TFieldType::DateTime;
    }
    into.Reset(std::move(columns));
    int rc;
    while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
        TSnapshot::TCell* row = into.AppendRow();
        for (int c = 0; c < ncols; ++c) {
            const TSnapshot::TCell cell = ReadCell(s.stmt, c, into, dateColumn[size_t(c)]);
            // Columns without a declared type (expressions such as sum(units)) take the type
            // of their first value; a real after integers makes the column a number.
            if (cell.kind != TSnapshot::TCell::Null &&
                (!typeKnown[size_t(c)] || (cell.kind == TSnapshot::TCell::Real &&
                                           into.Column(c).type == TFieldType::Integer &&
                                           sqlite3_column_decltype(s.stmt, c) == nullptr))) {
                into.SetColumnType(c, cell.kind == TSnapshot::TCell::Int    ? TFieldType::Integer
                                      : cell.kind == TSnapshot::TCell::Real ? TFieldType::Float
                                                                            : TFieldType::String);
                typeKnown[size_t(c)] = true;
            }
            row[c] = cell;
        }
    }
    if (rc != SQLITE_DONE)
        ThrowError({});
    into.OrderRows(order);
}
