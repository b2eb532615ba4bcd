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
    explicit EMailError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& Message() const noexcept { return m_message; }

private:
    QString m_message;
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

    // Opens whatever the handler keeps open for the run; the base has nothing to open.
    virtual void Connect() {}
    // Sends one message. A missing attachment file means the body goes alone. Throws
    // EMailError with the server's or the mail system's text.
    virtual void Send(const QString& from, const QString& to, const QString& subject,
                      const QString& attachment, const QStringList& body) = 0;
};

// A decimal whole number as the settings hold it ("25", " 25", "-1"); anything else, the empty
// text too, throws EMailError "'<text>' is not a valid integer value".
int MailSettingToInt(const QString& text);
