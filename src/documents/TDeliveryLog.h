#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class TConnection;

// One message of a transcript e-mail run, as the delivery log and the "Delivery report" show it.
struct TDeliveryRow {
    // Sending: handed to the mail system and no answer recorded yet. A row still in that state
    // once the program is running again was cut short (a crash, a power cut): the message may
    // or may not have left. NoAddress: the participant wants e-mail but has no address.
    enum class Status { Sent, Refused, NotSent, Sending, NoAddress };

    qint64 logId = 0; // the mail_log row; 0 while it is not stored
    QDateTime time;
    int userId = 0;
    QString name; // the participant's first and last name (not stored: read with the rows)
    QString address;
    QString file;    // the PDF's full path
    QString handler; // "SMTP <host>" or "Mail client"
    Status status = Status::NotSent;
    QString detail; // the server's or mail system's text for a refusal or a failure
    int attempts = 0;

    // "sent", "refused", "not sent", "sending", "no address": the texts stored in
    // mail_log.status.
    static QString StatusText(Status status);
    static Status StatusFromText(const QString& text);
    // The result as the report shows it ("refused: 550 …", "unknown: may have been delivered").
    QString ResultText() const;
    bool Failed() const { return status != Status::Sent; }
};

// The rows of one run in memory and in the table mail_log. A run takes the next run number;
// every row is stored when it is added and again at every change, so the table always says
// how far a run got. A file where the table cannot be written (read-only) keeps the rows in
// memory only: the report still shows them, and the sending is never stopped by the log.
class TDeliveryLog
{
public:
    // A new run with the next run number.
    explicit TDeliveryLog(TConnection& conn);
    // The latest run of the table with the participants' names; null when the table holds no
    // run (or cannot be read).
    static std::shared_ptr<TDeliveryLog> Latest(TConnection& conn);

    int RunId() const { return m_runId; }
    // The years in the attachments' names (set by the run; a log read back from the table
    // takes the caller's).
    QString period;
    QList<TDeliveryRow>& Rows() { return m_rows; }
    const QList<TDeliveryRow>& Rows() const { return m_rows; }

    // Appends rows of this run and stores them in one transaction.
    void Add(const QList<TDeliveryRow>& rows);
    void Add(const TDeliveryRow& row) { Add(QList<TDeliveryRow>{row}); }
    // Stores the row at index again (its status, detail, time, handler, address, attempts).
    void Update(int index);

    // "158 sent, 3 refused, 2 not sent, 6 without an address": the non-zero counts.
    static QString CountLine(const QList<TDeliveryRow>& rows);

private:
    TDeliveryLog(TConnection& conn, int runId);
    void Store(TDeliveryRow& row);

    TConnection& m_conn;
    int m_runId = 1;
    QList<TDeliveryRow> m_rows;
};
