#include "db/TPostgresEngine.h"

#include "db/TConnection.h"
#include "db/TError.h"
#include "db/TPrompts.h"
#include "db/TSchema.h"
#include "db/TServerParameters.h"
#include "db/TServerResult.h"
#include "db/TSnapshot.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QTimeZone>

#include <cstdlib>

namespace
{

// All write transactions of the program take this lock first, so they follow one another as
// they do on a file: a check and the insert that depends on it see the other stations' work.
constexpr qint64 kWriteLock = 0x51756f7276656cLL;

const char* const kSqlStateLockTimeout = "55P03";

QString CollationName()
{
    QString tag = QLocale().bcp47Name();
    tag.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9-]")));
    return QStringLiteral("quorvel_") + (tag.isEmpty() ? QStringLiteral("und") : tag);
}

QString Tr(const char* text)
{
    return QCoreApplication::translate("TConnection", text);
}

enum class TCellKind { Int, Bool, Real, Text };

// How a column of a server type shows as a field, and how its texts are read into cells.
struct TServerType {
    TFieldType field = TFieldType::String;
    TCellKind cell = TCellKind::Text;
};

TServerType FromServer(Oid type)
{
    switch (type) {
    case TServerResult::kInt4:
    case TServerResult::kInt8:
    case TServerResult::kOid:
        return {TFieldType::Integer, TCellKind::Int};
    case TServerResult::kBool:
        return {TFieldType::Integer, TCellKind::Bool};
    case TServerResult::kInt2:
        return {TFieldType::SmallUInt, TCellKind::Int};
    case TServerResult::kNumeric:
        return {TFieldType::Decimal, TCellKind::Real};
    case TServerResult::kFloat4:
    case TServerResult::kFloat8:
        return {TFieldType::Float, TCellKind::Real};
    case TServerResult::kDate:
    case TServerResult::kTimestamp:
    case TServerResult::kTimestampTz:
        return {TFieldType::DateTime, TCellKind::Text};
    default:
        return {};
    }
}

// Reads one cell of the result; texts go to the arena, date-time texts of a date column are
// kept as stamps, as a file's are.
TSnapshot::TCell ReadCell(const TServerResult& result, int r, int c, TCellKind kind,
                          bool dateColumn, TSnapshot& into)
{
    if (result.IsNull(r, c))
        return {};
    const char* text = result.Text(r, c);
    switch (kind) {
    case TCellKind::Int:
        return TSnapshot::IntCell(std::strtoll(text, nullptr, 10));
    case TCellKind::Bool:
        return TSnapshot::IntCell(text[0] == 't' ? 1 : 0);
    case TCellKind::Real:
        return TSnapshot::RealCell(std::strtod(text, nullptr));
    case TCellKind::Text:
        break;
    }
    return into.TextCell(text, size_t(result.Length(r, c)), dateColumn);
}

// The columns of a result with the field types of their server types.
std::vector<TSnapshot::TColumn> Columns(const TServerResult& result)
{
    std::vector<TSnapshot::TColumn> columns(static_cast<size_t>(result.Columns()));
    for (size_t c = 0; c < columns.size(); ++c) {
        columns[c].name = QString::fromUtf8(result.Name(int(c)));
        columns[c].type = FromServer(result.Type(int(c))).field;
    }
    return columns;
}

} // namespace

TPostgresEngine::TPostgresEngine(TConnection& conn, const QString& connectionName,
                                 const TServerAddress& address)
    : TDatabaseEngine(conn), m_connectionName(connectionName), m_address(address)
{
}

TPostgresEngine::~TPostgresEngine()
{
    Disconnect();
}

void TPostgresEngine::Open(bool check)
{
    Connect();
    if (check) {
        CheckSchema();
        AddMissingTables();
    }
}

void TPostgresEngine::AddMissingTables()
{
    // Only a database that lacks one is written to: opening an up-to-date one writes nothing.
    auto present = Run(QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE "
                                      "table_schema = current_schema() AND table_name IN "
                                      "('mail_log', 'registrations')"),
                       false);
    if (!present->Ok() || QByteArray(present->Text(0, 0)).toInt() >= 2)
        return;
    try {
        Begin();
        for (const QString& statement : TSchema::ServerAddedTableStatements())
            Execute(statement, {});
        Commit();
    } catch (const EDatabaseError&) {
        // A user without the right to create tables works on; the lists these tables hold
        // stay empty (the delivery log keeps a run's rows in memory).
        Rollback();
    }
}

void TPostgresEngine::Connect()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connectionName);
    if (!m_address.host.isEmpty())
        db.setHostName(m_address.host);
    if (m_address.port > 0)
        db.setPort(m_address.port);
    db.setDatabaseName(m_address.name);
    db.setUserName(m_address.user);
    db.setPassword(m_address.password);
    QStringList options{QStringLiteral("connect_timeout=5"),
                        QStringLiteral("application_name=quorvel")};
    if (!m_address.service.isEmpty())
        options << QStringLiteral("service=") + m_address.service;
    if (!m_address.passFile.isEmpty())
        options << QStringLiteral("passfile=") + m_address.passFile;
    db.setConnectOptions(options.join(u';'));
    if (!db.open()) {
        const QString why = db.lastError().databaseText().trimmed().isEmpty()
                                ? db.lastError().text()
                                : db.lastError().databaseText().trimmed();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw EDatabaseError(
            Tr("The database server %1 cannot be reached: %2").arg(m_address.HostForPeople(), why));
    }
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0))
        m_pg = *static_cast<pg_conn* const*>(handle.constData());
    if (!m_pg) {
        Disconnect();
        throw EDatabaseError(Tr("The PostgreSQL driver gave no connection handle."));
    }
    m_lostInTransaction = false;
    ForgetTransactions();
    SetUpSession();
}

void TPostgresEngine::SetUpSession()
{
    // ISO date texts as the file holds them, literal backslashes, and the station's own time
    // zone for the sign-in times the server fills in.
    QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    zone.replace(u'\'', QString());
    QString setup =
        QStringLiteral("SET client_encoding = 'UTF8'; SET datestyle = 'ISO, MDY'; "
                       "SET standard_conforming_strings = on; SET client_min_messages = warning; "
                       "SET lock_timeout = %1")
            .arg(TConnection::DefaultBusyTimeout());
    if (!zone.isEmpty())
        setup += QStringLiteral("; SET TIME ZONE '%1'").arg(zone);
    auto result = Run(setup, false);
    if (!result->Ok()) {
        // An unknown zone name is not worth refusing the connection for.
        Run(QStringLiteral("SELECT 1"), false);
    }
    auto icu = Run(QStringLiteral("SELECT count(*) FROM pg_collation WHERE collname = 'und-x-icu'"),
                   false);
    m_icu = icu->Ok() && icu->Rows() == 1 && QByteArray(icu->Text(0, 0)) != "0";
    m_collations.clear();
    if (m_icu) {
        // The order of names: the locale's, ignoring case; equal names keep the order of their
        // characters, as on a file.
        const QString name = CollationName();
        const QString locale = name.mid(8) + QStringLiteral("-u-ks-level2");
        auto made = Run(QStringLiteral("CREATE COLLATION IF NOT EXISTS \"%1\" (provider = icu, "
                                       "locale = '%2')")
                            .arg(name, locale),
                        false);
        auto exists =
            Run(QStringLiteral("SELECT count(*) FROM pg_collation WHERE collname = '%1'").arg(name),
                false);
        if (exists->Ok() && QByteArray(exists->Text(0, 0)) != "0")
            m_collations.insert(name);
    }
    Run(QStringLiteral("LISTEN %1").arg(TSchema::AttendanceChannel()), false);
    delete m_notifier;
    m_notifier = new QSocketNotifier(PQsocket(m_pg), QSocketNotifier::Read, &m_conn);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] {
        if (m_pg && PQconsumeInput(m_pg))
            DrainNotifications();
    });
}

void TPostgresEngine::DrainNotifications()
{
    if (!m_pg)
        return;
    const int self = PQbackendPID(m_pg);
    QList<std::pair<qint64, qint64>> pairs;
    bool all = false;
    bool any = false;
    while (PGnotify* note = PQnotifies(m_pg)) {
        if (note->be_pid != self) {
            any = true;
            const QString payload = QString::fromUtf8(note->extra);
            if (payload == u"*")
                all = true;
            for (const QString& pair : payload.split(u',', Qt::SkipEmptyParts)) {
                const QStringList ids = pair.split(u' ');
                if (ids.size() == 2)
                    pairs.append({ids[0].toLongLong(), ids[1].toLongLong()});
            }
        }
        PQfreemem(note);
    }
    if (!any)
        return;
    if (all)
        pairs.clear();
    // Told from the event loop, never from inside a statement of this connection.
    TConnection* conn = &m_conn;
    QMetaObject::invokeMethod(
        conn, [conn, pairs] { Q_EMIT conn->AttendancesChangedElsewhere(pairs); },
        Qt::QueuedConnection);
}

void TPostgresEngine::Disconnect()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_pg = nullptr;
    if (QSqlDatabase::contains(m_connectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

void TPostgresEngine::EnsureConnected()
{
    if (m_lostInTransaction)
        throw EDatabaseError(Tr("The connection to the database server %1 was lost; nothing of "
                                "this action was stored.")
                                 .arg(m_address.HostForPeople()));
    if (m_pg && PQstatus(m_pg) == CONNECTION_OK)
        return;
    // The server may be back: connect again.
    Disconnect();
    Connect();
}

std::unique_ptr<TServerResult> TPostgresEngine::Run(const QString& text, bool wrapInTransaction)
{
    const QByteArray utf8 = text.toUtf8();
    // Inside a transaction a failed statement must not spoil the transaction (as it does not
    // on a file), so it runs inside a savepoint that is undone when it fails.
    static const QRegularExpression control(
        QStringLiteral("^\\s*(savepoint|release|rollback|commit|begin)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const bool wrap = wrapInTransaction && m_conn.InTransaction() && !text.contains(control) &&
                      PQtransactionStatus(m_pg) == PQTRANS_INTRANS && !text.contains(u';');
    std::unique_ptr<TServerResult> result;
    if (!wrap) {
        result = std::make_unique<TServerResult>(PQexec(m_pg, utf8.constData()));
    } else {
        const QByteArray wrapped =
            QByteArray("SAVEPOINT quorvel_statement; ") + utf8 + "; RELEASE quorvel_statement";
        if (!PQsendQuery(m_pg, wrapped.constData())) {
            result = std::make_unique<TServerResult>(nullptr);
        } else {
            int index = 0;
            bool failed = false;
            while (PGresult* r = PQgetResult(m_pg)) {
                const ExecStatusType s = PQresultStatus(r);
                if (!failed && (index == 1 || (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK))) {
                    result = std::make_unique<TServerResult>(r);
                    failed = s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK;
                } else {
                    PQclear(r);
                }
                ++index;
            }
            if (!result)
                result = std::make_unique<TServerResult>(nullptr);
            if (failed && PQstatus(m_pg) == CONNECTION_OK)
                PQclear(PQexec(m_pg, "ROLLBACK TO quorvel_statement; RELEASE quorvel_statement"));
        }
    }
    if (PQstatus(m_pg) != CONNECTION_OK && m_conn.InTransaction())
        m_lostInTransaction = true;
    DrainNotifications();
    return result;
}

void TPostgresEngine::ThrowServerError(const TServerResult& result, const QString& text)
{
    if (qEnvironmentVariableIsSet("QUORVEL_DEBUG_SQL"))
        qWarning("failed: %s", qPrintable(text));
    if (!m_pg || PQstatus(m_pg) != CONNECTION_OK) {
        if (m_conn.InTransaction())
            m_lostInTransaction = true;
        throw EDatabaseError(Tr("The connection to the database server %1 was lost; nothing of "
                                "this action was stored.")
                                 .arg(m_address.HostForPeople()));
    }
    const char* primary =
        result.Get() ? PQresultErrorField(result.Get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString message =
        primary ? QString::fromUtf8(primary) : QString::fromUtf8(PQerrorMessage(m_pg)).trimmed();
    const char* state = result.Get() ? PQresultErrorField(result.Get(), PG_DIAG_SQLSTATE) : nullptr;
    if (state && qstrcmp(state, kSqlStateLockTimeout) == 0)
        throw EDatabaseLocked(message);
    throw EDatabaseError(message);
}

void TPostgresEngine::ThrowError(const QString& context) const
{
    QString message = Tr("The database is not connected");
    if (!context.isEmpty())
        message = context + QStringLiteral(": ") + message;
    throw EDatabaseError(message);
}

TSqlDialect::TServerFlavour TPostgresEngine::Flavour() const
{
    TSqlDialect::TServerFlavour flavour;
    flavour.icu = m_icu;
    const QString name = CollationName();
    flavour.orderCollation = m_collations.contains(name) ? name
                             : m_icu                     ? QStringLiteral("und-x-icu")
                                                         : QString();
    return flavour;
}

QString TPostgresEngine::Translate(const QString& sql) const
{
    return TSqlDialect::TranslateForServer(sql, Flavour());
}

QString TPostgresEngine::RowIdColumn(const QString& table) const
{
    return TSchema::RowIdColumn(table);
}

QStringList TPostgresEngine::CreateStatements() const
{
    return TSchema::ServerCreateStatements();
}

QString TPostgresEngine::CountTablesSql(const QString& quotedNames) const
{
    return QStringLiteral("select count(*) from information_schema.tables where table_schema = "
                          "current_schema() and table_name in (%1)")
        .arg(quotedNames);
}

void TPostgresEngine::SetBusyTimeout(int milliseconds)
{
    Execute(QStringLiteral("SET lock_timeout = %1").arg(milliseconds), {});
}

void TPostgresEngine::SetJournalMode(const QString&)
{
    throw EDatabaseError(Tr("A database on a server has no journal mode to switch."));
}

bool TPostgresEngine::AskToRetryBusy() const
{
    return TPrompts::RetryOrCancel(Tr("The database is busy (another station is writing to "
                                      "it). Try again?"));
}

int TPostgresEngine::Execute(const QString& sql, const QVariantList& params)
{
    EnsureConnected();
    QString text = InlineServerParameters(Translate(sql), [&](const QString&, int position) {
        return position - 1 < params.size() ? params.at(position - 1) : QVariant();
    });
    // A row inserted into one table tells its key back, as the file's last row id does.
    static const QRegularExpression insert(
        QStringLiteral("^\\s*insert\\s+into\\s+([A-Za-z_][A-Za-z0-9_]*)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression returning(QStringLiteral("\\breturning\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    const auto m = insert.match(text);
    while (text.endsWith(u';') || text.endsWith(u' '))
        text.chop(1);
    const bool tellKey = m.hasMatch() && !text.contains(u';') && !text.contains(returning);
    if (tellKey)
        text += QStringLiteral(" RETURNING ") + RowIdColumn(m.captured(1));
    for (;;) {
        m_conn.CountQuery();
        auto result = Run(text);
        if (!result->Ok()) {
            const char* state =
                result->Get() ? PQresultErrorField(result->Get(), PG_DIAG_SQLSTATE) : nullptr;
            if (state && qstrcmp(state, kSqlStateLockTimeout) == 0 && !m_conn.InTransaction() &&
                AskToRetryBusy())
                continue;
            ThrowServerError(*result, text);
        }
        if (tellKey && result->Rows() > 0)
            m_lastInsertId = QByteArray(result->Text(result->Rows() - 1, 0)).toLongLong();
        return QByteArray(PQcmdTuples(result->Get())).toInt();
    }
}

QVariant TPostgresEngine::ScalarQuery(const QString& sql, const QVariantList& params)
{
    EnsureConnected();
    const QString text = InlineServerParameters(Translate(sql), [&](const QString&, int position) {
        return position - 1 < params.size() ? params.at(position - 1) : QVariant();
    });
    m_conn.CountQuery();
    auto result = Run(text);
    if (!result->Ok())
        ThrowServerError(*result, text);
    if (result->Rows() == 0 || result->Columns() == 0 || result->IsNull(0, 0))
        return {};
    const QByteArray value(result->Text(0, 0), result->Length(0, 0));
    switch (result->Type(0)) {
    case TServerResult::kInt2:
    case TServerResult::kInt4:
    case TServerResult::kInt8:
    case TServerResult::kOid:
        return QVariant(value.toLongLong());
    case TServerResult::kBool:
        return QVariant(qlonglong(value == "t" ? 1 : 0));
    case TServerResult::kFloat4:
    case TServerResult::kFloat8:
    case TServerResult::kNumeric:
        return QVariant(value.toDouble());
    default:
        return QString::fromUtf8(value);
    }
}

std::unique_ptr<TServerResult> TPostgresEngine::Query(const QString& translatedSql,
                                                      const TParamLookup& lookup)
{
    EnsureConnected();
    const QString text = InlineServerParameters(translatedSql, lookup);
    auto result = Run(text);
    if (!result->Ok())
        ThrowServerError(*result, text);
    return result;
}

void TPostgresEngine::ReadColumns(const QString& sql, const TParamLookup& lookup, TSnapshot& into)
{
    // Asking for no row gives the columns and checks the text.
    const auto result =
        Query(QStringLiteral("select * from (%1) as __rows limit 0").arg(sql), lookup);
    into.Reset(Columns(*result));
}

void TPostgresEngine::ReadRows(const QString& sql, const TParamLookup& lookup, TSnapshot& into)
{
    m_conn.CountQuery();
    const auto result = Query(sql, lookup);
    FillSnapshot(*result, into);
}

bool TPostgresEngine::WriteRowsAlone(const QString& sql, const TParamLookup& lookup,
                                     TSnapshot& into)
{
    EnsureConnected();
    QString text = InlineServerParameters(sql, lookup).trimmed();
    while (text.endsWith(u';'))
        text.chop(1);
    // One message: a failed part ends the rest, and the transaction it leaves open is undone.
    // The text's result is the third.
    const QByteArray all = QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(%1); ")
                               .arg(kWriteLock)
                               .toUtf8() +
                           text.toUtf8() + "; COMMIT";
    for (;;) {
        m_conn.CountQuery();
        std::unique_ptr<TServerResult> rows;
        std::unique_ptr<TServerResult> failure;
        if (PQsendQuery(m_pg, all.constData())) {
            int index = 0;
            while (PGresult* r = PQgetResult(m_pg)) {
                auto part = std::make_unique<TServerResult>(r);
                if (!part->Ok()) {
                    if (!failure)
                        failure = std::move(part);
                } else if (index == 2) {
                    rows = std::move(part);
                }
                ++index;
            }
        }
        if (!failure && !rows)
            failure = std::make_unique<TServerResult>(nullptr);
        if (PQstatus(m_pg) == CONNECTION_OK && PQtransactionStatus(m_pg) != PQTRANS_IDLE)
            PQclear(PQexec(m_pg, "ROLLBACK"));
        DrainNotifications();
        if (!failure) {
            FillSnapshot(*rows, into);
            return true;
        }
        const char* state =
            failure->Get() ? PQresultErrorField(failure->Get(), PG_DIAG_SQLSTATE) : nullptr;
        if (state && qstrcmp(state, kSqlStateLockTimeout) == 0 && AskToRetryBusy())
            continue;
        ThrowServerError(*failure, text);
    }
}

void TPostgresEngine::FillSnapshot(const TServerResult& result, TSnapshot& into)
{
    into.Reset(Columns(result));
    const int ncols = result.Columns();
    std::vector<TCellKind> kinds(static_cast<size_t>(ncols));
    std::vector<char> dates(static_cast<size_t>(ncols));
    for (int c = 0; c < ncols; ++c) {
        const TServerType type = FromServer(result.Type(c));
        kinds[size_t(c)] = type.cell;
        dates[size_t(c)] = type.field == TFieldType::DateTime;
    }
    const int rows = result.Rows();
    for (int r = 0; r < rows; ++r) {
        TSnapshot::TCell* row = into.AppendRow();
        for (int c = 0; c < ncols; ++c)
            row[c] = ReadCell(result, r, c, kinds[size_t(c)], dates[size_t(c)], into);
    }
}

void TPostgresEngine::Begin()
{
    EnsureConnected();
    for (;;) {
        auto result =
            Run(QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(%1)").arg(kWriteLock), false);
        if (result->Ok())
            return;
        const char* state =
            result->Get() ? PQresultErrorField(result->Get(), PG_DIAG_SQLSTATE) : nullptr;
        if (PQstatus(m_pg) == CONNECTION_OK)
            PQclear(PQexec(m_pg, "ROLLBACK"));
        if (state && qstrcmp(state, kSqlStateLockTimeout) == 0 && AskToRetryBusy())
            continue;
        ThrowServerError(*result, {});
    }
}

void TPostgresEngine::Commit()
{
    if (m_pg && !m_lostInTransaction && PQtransactionStatus(m_pg) == PQTRANS_INERROR)
        throw EDatabaseError(Tr("The transaction failed; nothing of it was stored."));
    Execute(QStringLiteral("COMMIT"), {});
}

void TPostgresEngine::Rollback()
{
    if (m_lostInTransaction) {
        // The server dropped the transaction with the connection.
        m_lostInTransaction = false;
        return;
    }
    if (m_pg && PQstatus(m_pg) == CONNECTION_OK && PQtransactionStatus(m_pg) != PQTRANS_IDLE)
        PQclear(PQexec(m_pg, "ROLLBACK"));
}

void TPostgresEngine::RollbackToSavepoint(int depth)
{
    if (m_lostInTransaction)
        return; // the whole transaction is gone; its rollback clears the mark
    TDatabaseEngine::RollbackToSavepoint(depth);
}

void TPostgresEngine::CheckSchema()
{
    const QString where = m_address.HostForPeople();
    auto result =
        Run(QStringLiteral("SELECT table_name, column_name FROM information_schema.columns "
                           "WHERE table_schema = current_schema()"),
            false);
    if (!result->Ok())
        ThrowServerError(*result, {});
    QHash<QString, QStringList> columns;
    for (int r = 0; r < result->Rows(); ++r)
        columns[QString::fromUtf8(result->Text(r, 0)).toLower()]
            << QString::fromUtf8(result->Text(r, 1)).toLower();
    for (const QString& table : TSchema::TableNames()) {
        if (!columns.contains(table))
            throw EDatabaseError(Tr("The database \"%1\" on %2 is not a database of this program "
                                    "(the table '%3' is missing).")
                                     .arg(m_address.name, where, table));
        for (const QString& column : TSchema::ColumnNames(table))
            if (!columns[table].contains(column.toLower()))
                throw EDatabaseError(Tr("The database \"%1\" on %2 is not a database of this "
                                        "program (the column '%3.%4' is missing).")
                                         .arg(m_address.name, where, table, column));
    }
}
