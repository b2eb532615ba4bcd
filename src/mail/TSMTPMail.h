#pragma once

#include "TMailHandler.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

// Delivery through an SMTP server over one connection for the whole run (libcurl, one easy
// handle). The connection uses STARTTLS whenever the server offers it and implicit TLS on port
// 465; certificates are verified against the system store, and one that fails is an error,
// never a quiet fall-back to plain text. Errors carry the server's reply text.
class TSMTPMail : public TMailHandler
{
public:
    // port and authType are decimal texts; one that is not a whole number throws EMailError.
    // authType 1 logs in with LOGIN when the server lists it; any other number never sends
    // the credentials.
    TSMTPMail(const QString& host, const QString& port, const QString& authType,
              const QString& userName, const QString& password);
    // Says QUIT when connected.
    ~TSMTPMail() override;

    // Greeting, EHLO (HELO when EHLO is refused), STARTTLS when offered, LOGIN when asked for.
    void Connect() override;
    using TMailHandler::Send;
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

    void Perform(const char* step);
    void ApplyCommonOptions();

    std::unique_ptr<TCurl> m_curl;
    QString m_host;
    int m_port = 0;
    bool m_login = false;
    QByteArray m_userName, m_password;
    QByteArray m_url;
    QByteArray m_caFile;
    int m_timeout = 60;
};
