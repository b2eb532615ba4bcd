#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

// An error of mail delivery: the server's reply, the mail client's refusal, a setting that is
// not a number. The message is meant for the user. This library stands alone, so its errors do
// not belong to the program's TError family; callers above translate or let them travel.
class EMailError : public std::runtime_error
{
public:
    // What failed, so that a run can tell a refused recipient (log it, go on with the next)
    // from a server it cannot use at all (stop).
    enum class Kind {
        Other,
        Connection,     // host unknown, port closed, time-out, connection lost: worth a retry
        Authentication, // the user name or password was refused
        Encryption,     // no encryption where a password must travel, or a refused certificate
        Transient,      // a 4xx reply: the server asks to try again later
        Recipient,      // a 5xx reply to this message's RCPT or DATA: permanent for this address
        Address,        // the address itself cannot be used (a control character, no "@")
    };

    explicit EMailError(const QString& message, Kind kind = Kind::Other)
        : std::runtime_error(message.toStdString()), m_message(message), m_kind(kind)
    {
    }
    const QString& Message() const noexcept { return m_message; }
    Kind ErrorKind() const noexcept { return m_kind; }
    // The fault lies with this one message's recipient; the next message may well go through.
    bool RecipientRefused() const noexcept
    {
        return m_kind == Kind::Recipient || m_kind == Kind::Address;
    }

private:
    QString m_message;
    Kind m_kind;
};

// Sends plain messages with at most one attached file. A run creates one handler, connects it
// once, sends any number of messages through it and destroys it.
class TMailHandler
{
public:
    virtual ~TMailHandler() = default;
    TMailHandler() = default;
    TMailHandler(const TMailHandler&) = delete;
    TMailHandler& operator=(const TMailHandler&) = delete;

    // Opens whatever the handler keeps open for the run (a server connection, logged in), so a
    // wrong host, port or password fails here, before anything is sent; the base has nothing
    // to open.
    virtual void Connect() {}
    // Sends one message. A missing attachment file means the body goes alone; attachmentName
    // is the name the recipient sees (the file's own name when empty). Throws EMailError with
    // the server's or the mail system's text.
    virtual void Send(const QString& from, const QString& to, const QString& subject,
                      const QString& attachment, const QStringList& body,
                      const QString& attachmentName) = 0;
    // The same, the attachment under its file's own name.
    void Send(const QString& from, const QString& to, const QString& subject,
              const QString& attachment, const QStringList& body)
    {
        Send(from, to, subject, attachment, body, QString());
    }
    // Why the message just handed over was refused, for handlers that go on after a refusal
    // (the desktop mail client); empty when it was taken.
    virtual QString LastRefusal() const { return {}; }
};

// True when the text holds a character that may end or split a protocol line or a header: the
// C0 and C1 control characters (CR, LF, TAB, NUL, ...), DEL, and the Unicode line and paragraph
// separators.
bool HasMailControlCharacter(const QString& text);
// Throws EMailError of kind Address, "the address contains a line break or another control
// character", when the address holds such a character.
void CheckMailAddress(const QString& address);

// A decimal whole number as the settings hold it ("25", " 25", "-1"); anything else, the empty
// text too, throws EMailError "'<text>' is not a valid integer value".
int MailSettingToInt(const QString& text);
