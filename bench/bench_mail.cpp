// mail_run_ratio: 1,000 messages with a 60 KB PDF each, sent by the SMTP handler over one
// connection to a loopback aiosmtpd, divided by Python's smtplib sending the same messages
// over one connection to the same server in the same run (median of three rounds each,
// alternating). mail_run_msgs_per_s: the handler's messages per second.
// mail_run_ratio_prebuilt: the same against smtplib with every message built before its clock
// starts (transfer only; our handler's time still includes building its messages).

#include "TSMTPMail.h"

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

    QProcess server;
    server.setStandardErrorFile(dir.filePath(QStringLiteral("server.log")));
    server.start(Python, {QStringLiteral(QUORVEL_SOURCE_DIR "/tests/support/smtp_recorder.py"),
                          QStringLiteral("--log"), dir.filePath(QStringLiteral("events.jsonl"))});
    QByteArray ready;
    while (!ready.endsWith('\n') && server.waitForReadyRead(30000))
        ready += server.readLine();
    if (!ready.startsWith("READY ")) {
        std::fprintf(stderr, "bench_mail: the aiosmtpd server did not start (python3-aiosmtpd)\n");
        return 1;
    }
    const QString port = QString::fromLatin1(ready.mid(6).trimmed());

    auto smtplib = [&](const QStringList& options) {
        QProcess python;
        python.start(Python,
                     QStringList{QStringLiteral(QUORVEL_SOURCE_DIR "/bench/smtplib_send.py")} +
                         options + QStringList{port} + files);
        if (!python.waitForFinished(600000) || python.exitCode() != 0) {
            std::fprintf(stderr, "bench_mail: smtplib failed: %s\n",
                         python.readAllStandardError().constData());
            std::exit(1);
        }
        return python.readAllStandardOutput().trimmed().toDouble();
    };

    std::vector<double> ours, reference, prebuilt;
    for (int round = 0; round < 3; ++round) {
        reference.push_back(smtplib({}));
        prebuilt.push_back(smtplib({QStringLiteral("--prebuilt")}));

        QElapsedTimer timer;
        timer.start();
        try {
            TSMTPMail handler(QStringLiteral("127.0.0.1"), port, QStringLiteral("0"), {}, {});
            handler.Connect();
            for (const QString& file : std::as_const(files))
                handler.Send(QStringLiteral("office@example.org"),
                             QStringLiteral("participant@example.org"),
                             QStringLiteral("Your transcript"), file,
                             {QStringLiteral("Dear participant,"),
                              QStringLiteral("your transcript is attached.")});
        } catch (const EMailError& error) {
            std::fprintf(stderr, "bench_mail: %s\n", qPrintable(error.Message()));
            return 1;
        }
        ours.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    server.closeWriteChannel();
    server.waitForFinished(10000);

    const double oursSeconds = Median(ours);
    const double referenceSeconds = Median(reference);
    std::printf("mail_run_handler_s %.3f\n", oursSeconds);
    std::printf("mail_run_smtplib_s %.3f\n", referenceSeconds);
    std::printf("mail_run_ratio %.2f\n", oursSeconds / referenceSeconds);
    std::printf("mail_run_ratio_prebuilt %.2f\n", oursSeconds / Median(prebuilt));
    std::printf("mail_run_msgs_per_s %.0f\n", Messages / oursSeconds);
    return 0;
}
