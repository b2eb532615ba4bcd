#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class TConnection;

// One message of a transcript e-mail run, as the delivery log and the "Delivery report" show it.
struct TDeliveryRow {
    enum class Status { Sent, Refused, NotSent };

    qint64 logId = 0; // the mail_log row; 0 while it is not stored
    QDateTime time;
    int userId = 0;
    QString address;
    QString file;    // the PDF's full path
    QString handler; // "SMTP" or "Mail client"
    Status status = Status::NotSent;
    QString detail; // the server's or mail system's text for a refusal
    int attempts = 0;

    // "sent", "refused", "not sent": the texts stored in mail_log.status.
    static QString StatusText(Status status);
};

// The rows of one run in memory and in the table mail_log. A run takes the next run number;
// Record inserts a row the first time and updates it after "Send again". A file where the
// table cannot be written (read-only) keeps the rows in memory only: the report still shows
// them, and the sending is never stopped by the log.
class TDeliveryLog
{
public:
    explicit TDeliveryLog(TConnection& conn);

    int RunId() const { return m_runId; }
    QList<TDeliveryRow>& Rows() { return m_rows; }
    const QList<TDeliveryRow>& Rows() const { return m_rows; }

    // Appends a row of this run and stores it.
    void Add(TDeliveryRow row);
    // Stores the row at index again (its status, detail, time, handler, attempts).
    void Update(int index);

private:
    void Store(TDeliveryRow& row);

    TConnection& m_conn;
    int m_runId = 1;
    QList<TDeliveryRow> m_rows;
};
