#include "documents/TDeliveryLog.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TError.h"

#include <QCoreApplication>

namespace
{

const QString TimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDeliveryLog", text);
}

const QList<std::pair<TDeliveryRow::Status, QString>>& StatusTexts()
{
    static const QList<std::pair<TDeliveryRow::Status, QString>> texts{
        {TDeliveryRow::Status::Sent, QStringLiteral("sent")},
        {TDeliveryRow::Status::Refused, QStringLiteral("refused")},
        {TDeliveryRow::Status::NotSent, QStringLiteral("not sent")},
        {TDeliveryRow::Status::Sending, QStringLiteral("sending")},
        {TDeliveryRow::Status::NoAddress, QStringLiteral("no address")}};
    return texts;
}

} // namespace

QString TDeliveryRow::StatusText(Status status)
{
    for (const auto& [value, text] : StatusTexts())
        if (value == status)
            return text;
    return QStringLiteral("not sent");
}

TDeliveryRow::Status TDeliveryRow::StatusFromText(const QString& text)
{
    for (const auto& [value, name] : StatusTexts())
        if (name == text)
            return value;
    return Status::NotSent;
}

QString TDeliveryRow::ResultText() const
{
    QString result;
    switch (status) {
    case Status::Sending:
        result = Tr("unknown: may have been delivered");
        break;
    case Status::NoAddress:
        result = Tr("no e-mail address");
        break;
    default:
        result = StatusText(status);
    }
    if (!detail.isEmpty())
        result += QStringLiteral(": ") + detail;
    return result;
}

TDeliveryLog::TDeliveryLog(TConnection& conn) : m_conn(conn)
{
    try {
        m_runId =
            m_conn.ScalarQuery(QStringLiteral("select coalesce(max(run_id), 0) + 1 from mail_log"))
                .toInt();
    } catch (const TError&) {
        m_runId = 1; // no table (a read-only older file): the rows live in memory
    }
}

TDeliveryLog::TDeliveryLog(TConnection& conn, int runId) : m_conn(conn), m_runId(runId) {}

std::shared_ptr<TDeliveryLog> TDeliveryLog::Latest(TConnection& conn)
{
    int runId = 0;
    try {
        runId = conn.ScalarQuery(QStringLiteral("select coalesce(max(run_id), 0) from mail_log"))
                    .toInt();
    } catch (const TError&) {
        return nullptr;
    }
    if (runId == 0)
        return nullptr;
    std::shared_ptr<TDeliveryLog> log(new TDeliveryLog(conn, runId));
    TDataSet rows(conn, QStringLiteral("DeliveryLog"));
    rows.SetSQL(QStringLiteral("select m.log_id, m.log_time, m.user_id, m.email, m.file_name, "
                               "m.handler, m.status, m.detail, m.attempts, p.first_name, "
                               "p.last_name from mail_log m left join participants p on "
                               "p.user_id = m.user_id where m.run_id = %1 order by m.log_id")
                    .arg(runId));
    rows.Open();
    auto column = [&rows](const char* name) {
        return rows.FieldByName(QLatin1String(name)).Index();
    };
    const int logId = column("log_id"), time = column("log_time"), userId = column("user_id"),
              email = column("email"), file = column("file_name"), handler = column("handler"),
              status = column("status"), detail = column("detail"), attempts = column("attempts"),
              first = column("first_name"), last = column("last_name");
    for (int r = 0; r < rows.RecordCount(); ++r) {
        TDeliveryRow row;
        row.logId = rows.RowValue(r, logId).toLongLong();
        const QVariant stamp = rows.RowValue(r, time);
        row.time = stamp.typeId() == QMetaType::QDateTime
                       ? stamp.toDateTime()
                       : QDateTime::fromString(stamp.toString(), TimeFormat);
        row.userId = rows.RowValue(r, userId).toInt();
        row.name =
            QString(rows.RowValue(r, first).toString() + u' ' + rows.RowValue(r, last).toString())
                .trimmed();
        row.address = rows.RowValue(r, email).toString();
        row.file = rows.RowValue(r, file).toString();
        row.handler = rows.RowValue(r, handler).toString();
        row.status = TDeliveryRow::StatusFromText(rows.RowValue(r, status).toString());
        row.detail = rows.RowValue(r, detail).toString();
        row.attempts = rows.RowValue(r, attempts).toInt();
        log->m_rows << row;
    }
    return log;
}

void TDeliveryLog::Add(const QList<TDeliveryRow>& rows)
{
    const qsizetype first = m_rows.size();
    m_rows << rows;
    if (m_conn.ReadOnly())
        return;
    try {
        TTransaction transaction(m_conn);
        for (qsizetype i = first; i < m_rows.size(); ++i)
            Store(m_rows[i]);
        transaction.Commit();
    } catch (const TError&) {
        // The log must never stop a delivery; the report shows the rows from memory.
        for (qsizetype i = first; i < m_rows.size(); ++i)
            m_rows[i].logId = 0;
    }
}

void TDeliveryLog::Update(int index)
{
    if (m_conn.ReadOnly())
        return;
    try {
        Store(m_rows[index]);
    } catch (const TError&) {
        // As in Add: the row stays right in memory.
    }
}

void TDeliveryLog::Store(TDeliveryRow& row)
{
    if (row.logId == 0) {
        m_conn.Execute(QStringLiteral("insert into mail_log (run_id, log_time, user_id, email, "
                                      "file_name, handler, status, detail, attempts) "
                                      "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                       {m_runId, row.time.toString(TimeFormat), row.userId, row.address, row.file,
                        row.handler, TDeliveryRow::StatusText(row.status), row.detail,
                        row.attempts});
        row.logId = m_conn.LastInsertRowId();
    } else {
        m_conn.Execute(QStringLiteral("update mail_log set log_time = ?, email = ?, handler = ?, "
                                      "status = ?, detail = ?, attempts = ? where log_id = ?"),
                       {row.time.toString(TimeFormat), row.address, row.handler,
                        TDeliveryRow::StatusText(row.status), row.detail, row.attempts, row.logId});
    }
}

QString TDeliveryLog::CountLine(const QList<TDeliveryRow>& rows)
{
    int counts[5] = {0, 0, 0, 0, 0};
    for (const TDeliveryRow& row : rows)
        ++counts[int(row.status)];
    QStringList parts;
    auto add = [&parts](int count, const QString& text) {
        if (count > 0)
            parts << text.arg(count);
    };
    add(counts[int(TDeliveryRow::Status::Sent)], Tr("%1 sent"));
    add(counts[int(TDeliveryRow::Status::Refused)], Tr("%1 refused"));
    add(counts[int(TDeliveryRow::Status::NotSent)], Tr("%1 not sent"));
    add(counts[int(TDeliveryRow::Status::Sending)], Tr("%1 unknown"));
    add(counts[int(TDeliveryRow::Status::NoAddress)], Tr("%1 without an address"));
    return parts.isEmpty() ? Tr("No messages.") : parts.join(QStringLiteral(", "));
}
