#include "TDeliveryLog.h"

#include "TConnection.h"
#include "TError.h"

namespace
{
const QString TimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
}

QString TDeliveryRow::StatusText(Status status)
{
    switch (status) {
    case Status::Sent:
        return QStringLiteral("sent");
    case Status::Refused:
        return QStringLiteral("refused");
    case Status::NotSent:
        break;
    }
    return QStringLiteral("not sent");
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

void TDeliveryLog::Add(TDeliveryRow row)
{
    m_rows << row;
    Store(m_rows.last());
}

void TDeliveryLog::Update(int index)
{
    Store(m_rows[index]);
}

void TDeliveryLog::Store(TDeliveryRow& row)
{
    if (m_conn.ReadOnly())
        return;
    try {
        if (row.logId == 0) {
            m_conn.Execute(QStringLiteral("insert into mail_log (run_id, log_time, user_id, email, "
                                          "file_name, handler, status, detail, attempts) "
                                          "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                           {m_runId, row.time.toString(TimeFormat), row.userId, row.address,
                            row.file, row.handler, TDeliveryRow::StatusText(row.status), row.detail,
                            row.attempts});
            row.logId = m_conn.LastInsertRowId();
        } else {
            m_conn.Execute(QStringLiteral("update mail_log set log_time = ?, handler = ?, "
                                          "status = ?, detail = ?, attempts = ? where log_id = ?"),
                           {row.time.toString(TimeFormat), row.handler,
                            TDeliveryRow::StatusText(row.status), row.detail, row.attempts,
                            row.logId});
        }
    } catch (const TError&) {
        // The log must never stop a delivery; the report shows the row from memory.
    }
}
