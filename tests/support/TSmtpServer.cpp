#include "support/TSmtpServer.h"

#include "settings/TConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QJsonDocument>

#ifndef QUORVEL_TEST_SUPPORT_DIR
#error "QUORVEL_TEST_SUPPORT_DIR must name tests/support"
#endif

namespace
{
const QString Python = QStringLiteral("/usr/bin/python3");
}

TSmtpServer::TSmtpServer() = default;

TSmtpServer::~TSmtpServer()
{
    Stop();
}

QString TSmtpServer::MsmtpCommand()
{
    const QString msmtp = QStandardPaths::findExecutable(QStringLiteral("msmtp"));
    if (msmtp.isEmpty()) {
        m_skipReason = QStringLiteral("msmtp is not installed (scripts/install-deps.sh)");
        return {};
    }
    const QString config = m_dir.filePath(QStringLiteral("msmtprc"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QStringLiteral("defaults\ntls off\nauth off\naccount default\nhost 127.0.0.1\n"
                              "port %1\nfrom office@example.org\n")
                   .arg(m_port)
                   .toUtf8());
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return QStringLiteral("%1 -C %2 -t -i").arg(msmtp, config);
}

bool TSmtpServer::Start(const QStringList& options)
{
    if (!QFileInfo(Python).isExecutable()) {
        m_skipReason = QStringLiteral("/usr/bin/python3 is not installed");
        return false;
    }
    QProcess probe;
    probe.start(Python, {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0) {
        m_skipReason =
            QStringLiteral("python3-aiosmtpd is not installed (scripts/install-deps.sh)");
        return false;
    }
    const QString script = QStringLiteral(QUORVEL_TEST_SUPPORT_DIR "/smtp_recorder.py");
    // The server's own log (a refused TLS handshake prints a traceback) stays in the folder.
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")));
    m_process.start(Python, QStringList{script, QStringLiteral("--log"),
                                        m_dir.filePath(QStringLiteral("events.jsonl")),
                                        QStringLiteral("--store"), m_dir.path()} +
                                options);
    if (!m_process.waitForStarted(30000)) {
        m_skipReason =
            QStringLiteral("the SMTP test server did not start: ") + m_process.errorString();
        return false;
    }
    QByteArray line;
    while (!line.endsWith('\n') && m_process.waitForReadyRead(30000))
        line += m_process.readLine();
    if (!line.startsWith("READY ")) {
        m_skipReason = QStringLiteral("the SMTP test server did not come up");
        Stop();
        return false;
    }
    m_port = line.mid(6).trimmed().toInt();
    return true;
}

bool TSmtpServer::OpenSsl(const QStringList& arguments)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.setWorkingDirectory(m_dir.path());
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
        m_skipReason = QStringLiteral("openssl could not make a test certificate: ") +
                       QString::fromLocal8Bit(openssl.readAll()) + openssl.errorString();
        return false;
    }
    return true;
}

bool TSmtpServer::MakeCertificate()
{
    return OpenSsl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                    QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                    QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                    QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                    QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1,IP:127.0.0.2"),
                    QStringLiteral("-keyout"), KeyFile(), QStringLiteral("-out"),
                    CertificateFile()});
}

bool TSmtpServer::MakeAuthorityCertificate(const QStringList& names)
{
    const QString caKey = m_dir.filePath(QStringLiteral("ca-key.pem"));
    const QString request = m_dir.filePath(QStringLiteral("server.csr"));
    const QString extensions = m_dir.filePath(QStringLiteral("server.ext"));
    QFile ext(extensions);
    if (!ext.open(QIODevice::WriteOnly))
        return false;
    ext.write("basicConstraints=critical,CA:FALSE\nsubjectKeyIdentifier=hash\n"
              "authorityKeyIdentifier=keyid,issuer\nsubjectAltName=" +
              names.join(QLatin1Char(',')).toLatin1() + "\n");
    ext.close();
    const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"),
                         QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                         QStringLiteral("-nodes")};
    return OpenSsl(
               QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
               QStringList{
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=Office test authority"), QStringLiteral("-addext"),
                   QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                   QStringLiteral("keyUsage=critical,keyCertSign,cRLSign"),
                   QStringLiteral("-keyout"), caKey, QStringLiteral("-out"), AuthorityFile()}) &&
           OpenSsl(QStringList{QStringLiteral("req")} + ec +
                   QStringList{QStringLiteral("-subj"), QStringLiteral("/CN=mail server"),
                               QStringLiteral("-keyout"), KeyFile(), QStringLiteral("-out"),
                               request}) &&
           OpenSsl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), request,
                    QStringLiteral("-CA"), AuthorityFile(), QStringLiteral("-CAkey"), caKey,
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-extfile"), extensions, QStringLiteral("-out"),
                    CertificateFile()});
}

bool TSmtpServer::StartWithTls(const QStringList& options)
{
    return MakeCertificate() && StartWithCertificate(options);
}

bool TSmtpServer::StartWithCertificate(const QStringList& options)
{
    return Start(QStringList{QStringLiteral("--starttls"), CertificateFile(), KeyFile()} + options);
}

void TSmtpServer::Stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QList<QJsonObject> TSmtpServer::Events(const QString& kind) const
{
    QList<QJsonObject> events;
    QFile file(m_dir.filePath(QStringLiteral("events.jsonl")));
    if (!file.open(QIODevice::ReadOnly))
        return events;
    while (!file.atEnd()) {
        const QJsonObject event = QJsonDocument::fromJson(file.readLine()).object();
        if (kind.isEmpty() || event.value(QStringLiteral("ev")).toString() == kind)
            events << event;
    }
    return events;
}

void TSmtpServer::WriteMailSettings(TConfig& config, const QString& subject) const
{
    config.WriteString(QStringLiteral("Mail"), QStringLiteral("HandlerType"), QStringLiteral("1"));
    config.WriteString(QStringLiteral("SMTP"), QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
    config.WriteString(QStringLiteral("SMTP"), QStringLiteral("Port"), PortText());
    config.WriteString(QStringLiteral("SMTP"), QStringLiteral("AuthType"), QStringLiteral("0"));
    config.WriteString(QStringLiteral("Mail"), QStringLiteral("From"),
                       QStringLiteral("office@example.org"));
    config.WriteString(QStringLiteral("Mail"), QStringLiteral("Subject"), subject);
}
