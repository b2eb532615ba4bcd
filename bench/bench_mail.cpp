// mail_run_ratio: 1,000 messages with a 60 KB PDF each, sent by the SMTP handler over one
// connection to a loopback aiosmtpd, divided by Python's smtplib sending the same messages
// over one connection to the same server in the same run (median of three rounds each,
// alternating). mail_run_msgs_per_s: the handler's messages per second.
// mail_run_ratio_prebuilt: the same against smtplib with every message built before its clock
// starts (transfer only; our handler's time still includes building its messages).
// mail_run_tls_ratio: the same 1,000 messages over STARTTLS with a LOGIN (the server on
// 127.0.0.2, so TLS is required, with a certificate made for the run), divided by smtplib
// starting TLS, logging in and sending them over one connection.

#include "mail/TSMTPMail.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

constexpr int Messages = 1000;
constexpr int PdfBytes = 60 * 1024;
const QString Python = QStringLiteral("/usr/bin/python3");

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < Messages; ++i) {
        const QString path = dir.filePath(QStringLiteral("participant%1@example.org.pdf").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray bytes(PdfBytes, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                              PdfBytes / 4);
        file.write(bytes);
        files << path;
    }

    // A certificate for the TLS server, made for this run.
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=mail"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.2"), QStringLiteral("-keyout"), key,
                   QStringLiteral("-out"), cert});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
        std::fprintf(stderr, "bench_mail: openssl could not make a certificate\n");
        return 1;
    }

    // Starts a recording server; returns its port.
    auto startServer = [&](QProcess& server, const QString& name, const QStringList& options) {
        server.setStandardErrorFile(dir.filePath(name + QStringLiteral(".log")));
        server.start(
            Python,
            QStringList{QStringLiteral(QUORVEL_SOURCE_DIR "/tests/support/smtp_recorder.py"),
                        QStringLiteral("--log"), dir.filePath(name + QStringLiteral(".jsonl"))} +
                options);
        QByteArray ready;
        while (!ready.endsWith('\n') && server.waitForReadyRead(30000))
            ready += server.readLine();
        if (!ready.startsWith("READY ")) {
            std::fprintf(stderr,
                         "bench_mail: the aiosmtpd server did not start (python3-aiosmtpd)\n");
            std::exit(1);
        }
        return QString::fromLatin1(ready.mid(6).trimmed());
    };
    QProcess server, tlsServer;
    const QString port = startServer(server, QStringLiteral("plain"), {});
    const QString tlsPort = startServer(tlsServer, QStringLiteral("tls"),
                                        {QStringLiteral("--starttls"), cert, key,
                                         QStringLiteral("--host"), QStringLiteral("127.0.0.2")});

    auto smtplib = [&](const QStringList& options, const QString& serverPort) {
        QProcess python;
        python.start(Python,
                     QStringList{QStringLiteral(QUORVEL_SOURCE_DIR "/bench/smtplib_send.py")} +
                         options + QStringList{serverPort} + files);
        if (!python.waitForFinished(600000) || python.exitCode() != 0) {
            std::fprintf(stderr, "bench_mail: smtplib failed: %s\n",
                         python.readAllStandardError().constData());
            std::exit(1);
        }
        return python.readAllStandardOutput().trimmed().toDouble();
    };
    auto handler = [&](const QString& host, const QString& serverPort, const QString& authType) {
        QElapsedTimer timer;
        timer.start();
        try {
            TSMTPMail mail(host, serverPort, authType, QStringLiteral("clerk"),
                           QStringLiteral("secret"));
            mail.SetCaFile(cert);
            mail.Connect();
            for (const QString& file : std::as_const(files))
                mail.Send(QStringLiteral("office@example.org"),
                          QStringLiteral("participant@example.org"),
                          QStringLiteral("Your transcript"), file,
                          {QStringLiteral("Dear participant,"),
                           QStringLiteral("your transcript is attached.")});
        } catch (const EMailError& error) {
            std::fprintf(stderr, "bench_mail: %s\n", qPrintable(error.Message()));
            std::exit(1);
        }
        return double(timer.nsecsElapsed()) / 1e9;
    };

    const QStringList tlsOptions{QStringLiteral("--tls"), cert, QStringLiteral("127.0.0.2"),
                                 QStringLiteral("clerk"), QStringLiteral("secret")};
    std::vector<double> ours, reference, prebuilt, oursTls, referenceTls;
    for (int round = 0; round < 3; ++round) {
        reference.push_back(smtplib({}, port));
        prebuilt.push_back(smtplib({QStringLiteral("--prebuilt")}, port));
        ours.push_back(handler(QStringLiteral("127.0.0.1"), port, QStringLiteral("0")));
        referenceTls.push_back(smtplib(tlsOptions, tlsPort));
        oursTls.push_back(handler(QStringLiteral("127.0.0.2"), tlsPort, QStringLiteral("1")));
    }
    for (QProcess* p : {&server, &tlsServer}) {
        p->closeWriteChannel();
        p->waitForFinished(10000);
    }

    const double oursSeconds = Median(ours);
    const double referenceSeconds = Median(reference);
    std::printf("mail_run_handler_s %.3f\n", oursSeconds);
    std::printf("mail_run_smtplib_s %.3f\n", referenceSeconds);
    std::printf("mail_run_ratio %.2f\n", oursSeconds / referenceSeconds);
    std::printf("mail_run_ratio_prebuilt %.2f\n", oursSeconds / Median(prebuilt));
    std::printf("mail_run_msgs_per_s %.0f\n", Messages / oursSeconds);
    std::printf("mail_run_tls_handler_s %.3f\n", Median(oursTls));
    std::printf("mail_run_tls_smtplib_s %.3f\n", Median(referenceTls));
    std::printf("mail_run_tls_ratio %.2f\n", Median(oursTls) / Median(referenceTls));
    return 0;
}
