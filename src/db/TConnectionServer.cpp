#include "TConnection.h"

#include "TError.h"
#include "TPrompts.h"
#include "TSchema.h"
#include "TServerResult.h"
#include "TSqlDialect.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QTimeZone>

// The PostgreSQL side of TConnection. Qt's QPSQL driver makes the connection; statements run on
// its PGconn with their values written in as quoted literals, so each one is a single round
// trip and the server's own type rules apply to the texts as they do to typed SQL.

namespace {

// All write transactions of the program take this lock first, so they follow one another as
// they do on a file: a check and the insert that depends on it see the other stations' work.
constexpr qint64 kWriteLock = 0x51756f7276656cLL;

const char* const kSqlStateLockTimeout = "55P03";

// A value as an SQL literal: quoted text the server reads as the type the place asks for.
QString Literal(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("NULL");
    QString text;
    switch (v.typeId()) {
    case QMetaType::Bool:
        text = v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        text = QString::number(v.toDouble(), 'g', 17);
        break;
    case QMetaType::QDateTime:
        text = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        break;
    case QMetaType::QDate:
        text = v.toDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
        break;
    default:
        text = v.toString();
    }
    if (text.contains(QChar(0)))
        throw EDatabaseError(QStringLiteral("A text with a NUL character cannot be stored."));
    text.replace(u'\'', QStringLiteral("''"));
    return u'\'' + text + u'\'';
}

// Replaces the parameter marks outside quoted text and comments with literals.
QString InlineParameters(const QString& sql, const TConnection::TParamLookup& lookup)
{
    QString out;
    out.reserve(sql.size() + 32);
    const qsizetype n = sql.size();
    int position = 0;
    qsizetype i = 0;
    auto isNameStart = [](QChar c) { return c.isLetter() || c == u'_' || c.isDigit(); };
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype end = TSqlDialect::QuotedEnd(sql, i);
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == u'$' && i + 1 < n && sql.at(i + 1) == u'$') {
            const qsizetype close = sql.indexOf(QLatin1String("$$"), i + 2);
            const qsizetype end = close < 0 ? n : close + 2;
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            const qsizetype close = sql.indexOf(u'\n', i);
            const qsizetype end = close < 0 ? n : close;
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == u'?') {
            qsizetype j = i + 1;
            while (j < n && sql.at(j).isDigit())
                ++j;
            ++position;
            out += Literal(lookup(sql.mid(i + 1, j - i - 1), position));
            i = j;
            continue;
        }
        if (c == u':' && i + 1 < n && isNameStart(sql.at(i + 1)) &&
            (i == 0 || sql.at(i - 1) != u':')) {
            qsizetype j = i + 1;
            while (j < n && (isNameStart(sql.at(j))))
                ++j;
            ++position;
            out += Literal(lookup(sql.mid(i + 1, j - i - 1), position));
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

QString CollationName()
{
    QString tag = QLocale().bcp47Name();
    tag.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9-]")));
    return QStringLiteral("quorvel_") + (tag.isEmpty() ? QStringLiteral("und") : tag);
}

} // namespace

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
    m_server = true;
    m_address = address;
    m_path.clear();
    try {
        ConnectServer();
        if (check)
            CheckServerSchema();
    } catch (...) {
        Close();
        throw;
    }
}

void TConnection::ConnectServer()
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
        throw EDatabaseError(tr("The database server %1 cannot be reached: %2")
                                 .arg(m_address.HostForPeople(), why));
    }
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && (qstrcmp(handle.typeName(), "PGconn*") == 0 ||
                               qstrcmp(handle.typeName(), "pg_conn*") == 0))
        m_pg = *static_cast<pg_conn* const*>(handle.constData());
    if (!m_pg) {
        CloseServer();
        throw EDatabaseError(QStringLiteral("The PostgreSQL driver gave no connection handle."));
    }
    m_lostInTransaction = false;
    m_transactionDepth = 0;
    SetUpServerSession();
}

void TConnection::SetUpServerSession()
{
    // ISO date texts as the file holds them, literal backslashes, and the station's own time
    // zone for the sign-in times the server fills in.
    QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    zone.replace(u'\'', QString());
    QString setup = QStringLiteral(
        "SET client_encoding = 'UTF8'; SET datestyle = 'ISO, MDY'; "
        "SET standard_conforming_strings = on; SET client_min_messages = warning; "
        "SET lock_timeout = %1")
                        .arg(DefaultBusyTimeout());
    if (!zone.isEmpty())
        setup += QStringLiteral("; SET TIME ZONE '%1'").arg(zone);
    auto result = ServerRun(setup, false);
    if (!result->Ok()) {
        // An unknown zone name is not worth refusing the connection for.
        ServerRun(QStringLiteral("SELECT 1"), false);
    }
    auto icu = ServerRun(QStringLiteral("SELECT count(*) FROM pg_collation WHERE collname = "
                                        "'und-x-icu'"),
                         false);
    m_icu = icu->Ok() && icu->Rows() == 1 && QByteArray(icu->Text(0, 0)) != "0";
    m_collations.clear();
    if (m_icu) {
        // The order of names: the locale's, ignoring case; equal names keep the order of their
        // characters, as on a file.
        const QString name = CollationName();
        const QString locale = name.mid(8) + QStringLiteral("-u-ks-level2");
        auto made = ServerRun(QStringLiteral("CREATE COLLATION IF NOT EXISTS \"%1\" (provider = "
                                             "icu, locale = '%2')")
                                  .arg(name, locale),
                              false);
        auto exists = ServerRun(
            QStringLiteral("SELECT count(*) FROM pg_collation WHERE collname = '%1'").arg(name), false);
        if (exists->Ok() && QByteArray(exists->Text(0, 0)) != "0")
            m_collations.insert(name);
    }
    ServerRun(QStringLiteral("LISTEN %1").arg(TSchema::AttendanceChannel()), false);
    delete m_notifier;
    m_notifier = new QSocketNotifier(PQsocket(m_pg), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        if (m_pg && PQconsumeInput(m_pg))
            DrainNotifications();
    });
}

void TConnection::DrainNotifications()
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
    QMetaObject::invokeMethod(
        this, [this, pairs] { Q_EMIT AttendancesChangedElsewhere(pairs); }, Qt::QueuedConnection);
}

void TConnection::CloseServer()
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

void TConnection::EnsureServerConnected()
{
    if (m_lostInTransaction)
        throw EDatabaseError(tr("The connection to the database server %1 was lost; nothing of "
                                "this action was stored.")
                                 .arg(m_address.HostForPeople()));
    if (m_pg && PQstatus(m_pg) == CONNECTION_OK)
        return;
    // The server may be back: connect again.
    CloseServer();
    ConnectServer();
}

std::unique_ptr<TServerResult> TConnection::ServerRun(const QString& text, bool wrapInTransaction)
{
    const QByteArray utf8 = text.toUtf8();
    // Inside a transaction a failed statement must not spoil the transaction (as it does not
    // on a file), so it runs inside a savepoint that is undone when it fails.
    static const QRegularExpression control(
        QStringLiteral("^\\s*(savepoint|release|rollback|commit|begin)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const bool wrap = wrapInTransaction && m_transactionDepth > 0 && !text.contains(control) &&
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
    if (PQstatus(m_pg) != CONNECTION_OK && m_transactionDepth > 0)
        m_lostInTransaction = true;
    DrainNotifications();
    return result;
}

void TConnection::ThrowServerError(const TServerResult& result, const QString& text)
{
    if (qEnvironmentVariableIsSet("QUORVEL_DEBUG_SQL"))
        qWarning("failed: %s", qPrintable(text));
    if (!m_pg || PQstatus(m_pg) != CONNECTION_OK) {
        if (m_transactionDepth > 0)
            m_lostInTransaction = true;
        throw EDatabaseError(tr("The connection to the database server %1 was lost; nothing of "
                                "this action was stored.")
                                 .arg(m_address.HostForPeople()));
    }
    const char* primary = result.Get() ? PQresultErrorField(result.Get(), PG_DIAG_MESSAGE_PRIMARY)
                                       : nullptr;
    const QString message = primary ? QString::fromUtf8(primary)
                                    : QString::fromUtf8(PQerrorMessage(m_pg)).trimmed();
    const char* state = result.Get() ? PQresultErrorField(result.Get(), PG_DIAG_SQLSTATE) : nullptr;
    if (state && qstrcmp(state, kSqlStateLockTimeout) == 0)
        throw EDatabaseLocked(message);
    throw EDatabaseError(message);
}

TSqlDialect::TServerFlavour TConnection::ServerFlavour() const
{
    TSqlDialect::TServerFlavour flavour;
    flavour.icu = m_icu;
    const QString name = CollationName();
    flavour.orderCollation = m_collations.contains(name) ? name
                             : m_icu                     ? QStringLiteral("und-x-icu")
                                                         : QString();
    return flavour;
}

int TConnection::ServerExecute(const QString& sql, const QVariantList& params)
{
    EnsureServerConnected();
    QString text = InlineParameters(TSqlDialect::TranslateForServer(sql, ServerFlavour()),
                                    [&](const QString&, int position) {
                                        return position - 1 < params.size() ? params.at(position - 1)
                                                                            : QVariant();
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
        ++m_queryCount;
        auto result = ServerRun(text);
        if (!result->Ok()) {
            const char* state = result->Get() ? PQresultErrorField(result->Get(), PG_DIAG_SQLSTATE)
                                              : nullptr;
            if (state && qstrcmp(state, kSqlStateLockTimeout) == 0 && m_transactionDepth == 0 &&
                AskToRetryBusy())
                continue;
            ThrowServerError(*result, text);
        }
        if (tellKey && result->Rows() > 0)
            m_lastInsertId = QByteArray(result->Text(result->Rows() - 1, 0)).toLongLong();
        return QByteArray(PQcmdTuples(result->Get())).toInt();
    }
}

QVariant TConnection::ServerScalar(const QString& sql, const QVariantList& params)
{
    EnsureServerConnected();
    const QString text = InlineParameters(
        TSqlDialect::TranslateForServer(sql, ServerFlavour()), [&](const QString&, int position) {
            return position - 1 < params.size() ? params.at(position - 1) : QVariant();
        });
    ++m_queryCount;
    auto result = ServerRun(text);
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

std::unique_ptr<TServerResult> TConnection::ServerQuery(const QString& translatedSql,
                                                        const TParamLookup& lookup)
{
    EnsureServerConnected();
    const QString text = InlineParameters(translatedSql, lookup);
    auto result = ServerRun(text);
    if (!result->Ok())
        ThrowServerError(*result, text);
    return result;
}

void TConnection::ServerBegin()
{
    EnsureServerConnected();
    for (;;) {
        auto result = ServerRun(
            QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(%1)").arg(kWriteLock), false);
        if (result->Ok())
            return;
        const char* state = result->Get() ? PQresultErrorField(result->Get(), PG_DIAG_SQLSTATE)
                                          : nullptr;
        if (PQstatus(m_pg) == CONNECTION_OK)
            PQclear(PQexec(m_pg, "ROLLBACK"));
        if (state && qstrcmp(state, kSqlStateLockTimeout) == 0 && AskToRetryBusy())
            continue;
        ThrowServerError(*result, {});
    }
}

void TConnection::CheckServerSchema()
{
    const QString where = m_address.HostForPeople();
    auto result = ServerRun(QStringLiteral(
        "SELECT table_name, column_name FROM information_schema.columns WHERE table_schema = "
        "current_schema()"), false);
    if (!result->Ok())
        ThrowServerError(*result, {});
    QHash<QString, QStringList> columns;
    for (int r = 0; r < result->Rows(); ++r)
        columns[QString::fromUtf8(result->Text(r, 0)).toLower()]
            << QString::fromUtf8(result->Text(r, 1)).toLower();
    for (const QString& table : TSchema::TableNames()) {
        if (!columns.contains(table))
            throw EDatabaseError(tr("The database \"%1\" on %2 is not a database of this program "
                                    "(the table '%3' is missing).")
                                     .arg(m_address.name, where, table));
        for (const QString& column : TSchema::ColumnNames(table))
            if (!columns[table].contains(column.toLower()))
                throw EDatabaseError(tr("The database \"%1\" on %2 is not a database of this "
                                        "program (the column '%3.%4' is missing).")
                                         .arg(m_address.name, where, table, column));
    }
}
