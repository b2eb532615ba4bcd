#pragma once

#include "mail/TMailHandler.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

// Delivery through an SMTP server over one connection for the whole run (libcurl, one easy
// handle). With a login the connection must be encrypted: STARTTLS, or TLS from the start on
// port 465; a server that offers no STARTTLS gets no AUTH line and nothing is sent. Only a
// Host written as "localhost", "127.0.0.1" or "::1" may take the password in plain text.
// Without a login STARTTLS is used whenever the server offers it. Certificates are verified
// (authority and host name), and one that fails is an error, never a quiet fall-back to plain
// text. Errors say in plain words which step failed and which setting to check, beside the
// server's reply, and carry the kind of failure.
class TSMTPMail : public TMailHandler
{
public:
    // port and authType are decimal texts; one that is not a whole number throws EMailError.
    // authType 1 logs in with LOGIN when the server lists it; any other number never sends
    // the credentials. The host is used without the blanks around it.
    TSMTPMail(const QString& host, const QString& port, const QString& authType,
              const QString& userName, const QString& password);
    // Says QUIT when connected.
    ~TSMTPMail() override;

    // Greeting, EHLO (HELO when EHLO is refused), STARTTLS when offered, LOGIN when asked for.
    void Connect() override;
    using TMailHandler::Send;
    // from may carry a display name ("CME Office <office@example.org>"): the header shows it,
    // the envelope gets the bare address. A recipient address holding a control character
    // throws EMailError of kind Address before anything is sent.
    void Send(const QString& from, const QString& to, const QString& subject,
              const QString& attachment, const QStringList& body,
              const QString& attachmentName) override;

    // Certificates of these authorities are trusted instead of the system store's (a private
    // server's own authority).
    void SetCaFile(const QString& path);
    // Seconds allowed for connecting; a stalled transfer fails after the same time without data.
    void SetTimeout(int seconds);

private:
    struct TCurl;

    int Perform(); // a CURLcode
    [[noreturn]] void Fail(int result, const QString& to);
    void ApplyCommonOptions();

    std::unique_ptr<TCurl> m_curl;
    QString m_host;
    int m_port = 0;
    bool m_login = false;
    bool m_requireTls = false;
    bool m_connected = false; // a transfer has gone through: a later failure is a lost line
    QByteArray m_userName, m_password;
    QByteArray m_url;
    QByteArray m_caFile;
    int m_timeout = 60;
};
