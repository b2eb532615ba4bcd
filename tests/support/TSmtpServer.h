#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TConfig;

// A real SMTP server on loopback for the mail tests: Debian's aiosmtpd run by
// tests/support/smtp_recorder.py on a free port. It records connections, EHLO, STARTTLS, AUTH,
// envelopes and messages (parsed by Python's email package) as events; see the script.
class TSmtpServer
{
public:
    TSmtpServer();
    ~TSmtpServer();
    TSmtpServer(const TSmtpServer&) = delete;
    TSmtpServer& operator=(const TSmtpServer&) = delete;

    // Starts the server with the script's options (for example {"--no-ehlo"}). False when it
    // cannot run here; SkipReason() then says why (for QSKIP).
    bool Start(const QStringList& options = {});
    // Creates a self-signed certificate for localhost, 127.0.0.1 and 127.0.0.2
    // (CertificateFile() and KeyFile()); the certificate is the one to trust.
    bool MakeCertificate();
    // Creates a private certificate authority (AuthorityFile()) and a server certificate it
    // signed for the given subject names ("DNS:other.example", "IP:127.0.0.2").
    bool MakeAuthorityCertificate(const QStringList& names);
    // MakeCertificate, then the server offering STARTTLS with it.
    bool StartWithTls(const QStringList& options = {});
    // The server offering STARTTLS with the certificate made before.
    bool StartWithCertificate(const QStringList& options = {});
    void Stop();

    int Port() const { return m_port; }
    QString PortText() const { return QString::number(m_port); }
    const QString& SkipReason() const { return m_skipReason; }
    QString CertificateFile() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString KeyFile() const { return m_dir.filePath(QStringLiteral("key.pem")); }
    QString AuthorityFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    QString Folder() const { return m_dir.path(); }
    // The local mail command set up to deliver to the running server: msmtp with a settings
    // file of its own in the server's folder ("msmtp -C <file> -t -i"). Empty when msmtp is
    // not installed; SkipReason() then says so.
    QString MsmtpCommand();
    // Settings that send through this server over SMTP, without login, from
    // office@example.org with the given subject.
    void WriteMailSettings(TConfig& config, const QString& subject) const;

    // Every event so far, or those of one kind ("connect", "ehlo", "data", ...), in order.
    QList<QJsonObject> Events(const QString& kind = {}) const;
    int Count(const QString& kind) const { return int(Events(kind).size()); }
    // The data events' decoded messages (subject, body, attachments with name and path).
    QList<QJsonObject> Messages() const { return Events(QStringLiteral("data")); }

private:
    bool OpenSsl(const QStringList& arguments);

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_skipReason;
};
