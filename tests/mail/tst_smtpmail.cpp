// SMTP delivery against a real server on loopback (aiosmtpd, tests/support/smtp_recorder.py).

#include "TSMTPMail.h"
#include "TSmtpServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace
{

QByteArray Sha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QString ErrorOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const EMailError& error) {
        return error.Message();
    }
    return {};
}

} // namespace

class TestSmtpMail : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TSMTPMail> Handler(TSmtpServer& server, const QString& authType = "0",
                                       const QString& user = "clerk",
                                       const QString& password = "secret")
    {
        auto handler = std::make_unique<TSMTPMail>(QStringLiteral("127.0.0.1"), server.PortText(),
                                                   authType, user, password);
        handler->SetTimeout(20);
        return handler;
    }

private Q_SLOTS:
    void threeMessagesUseOneConnection()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        {
            auto handler = Handler(server);
            handler->Connect();
            for (int i = 1; i <= 3; ++i)
                handler->Send("office@example.org", QStringLiteral("p%1@example.org").arg(i),
                              "Transcript", {}, {"Hello"});
        }
        QCOMPARE(server.Count("connect"), 1);
        QCOMPARE(server.Count("ehlo"), 1);
        QCOMPARE(server.Count("data"), 3);
        QCOMPARE(server.Count("quit"), 1);
        QCOMPARE(server.Count("auth"), 0);
        const auto messages = server.Messages();
        QCOMPARE(messages.at(2)["rcpts"].toArray(), QJsonArray({"p3@example.org"}));
        QCOMPARE(messages.at(0)["sender"].toString(), QString("office@example.org"));
    }

    void connectingWithNothingToSendStillGreets()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        Handler(server)->Connect();
        QCOMPARE(server.Count("ehlo"), 1);
        QCOMPARE(server.Count("data"), 0);
        QCOMPARE(server.Count("quit"), 1);
    }

    void authentication_data()
    {
        QTest::addColumn<QStringList>("serverOptions");
        QTest::addColumn<QString>("authType");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("mechanism"); // empty: no AUTH at all
        QTest::addColumn<QString>("error");     // part of the error; empty: delivered

        QTest::newRow("0 keeps the credentials") << QStringList() << "0"
                                                 << "secret"
                                                 << ""
                                                 << "";
        QTest::newRow("1 logs in") << QStringList() << "1"
                                   << "secret"
                                   << "LOGIN"
                                   << "";
        QTest::newRow("2 is no authentication") << QStringList() << "2"
                                                << "secret"
                                                << ""
                                                << "";
        QTest::newRow("refused password") << QStringList() << "1"
                                          << "wrong"
                                          << "LOGIN"
                                          << "535";
        QTest::newRow("server without LOGIN") << QStringList{"--auth-plain-only"} << "1"
                                              << "secret"
                                              << ""
                                              << "";
    }

    void authentication()
    {
        QFETCH(QStringList, serverOptions);
        QFETCH(QString, authType);
        QFETCH(QString, password);
        QFETCH(QString, mechanism);
        QFETCH(QString, error);
        TSmtpServer server;
        if (!server.Start(serverOptions))
            QSKIP(qPrintable(server.SkipReason()));
        const QString message = ErrorOf([&] {
            auto handler = Handler(server, authType, "clerk", password);
            handler->Connect();
            handler->Send("office@example.org", "p@example.org", "s", {}, {"b"});
        });
        const auto auth = server.Events("auth");
        QCOMPARE(auth.size(), mechanism.isEmpty() ? 0 : 1);
        if (!mechanism.isEmpty()) {
            QCOMPARE(auth.first()["mechanism"].toString(), mechanism);
            QCOMPARE(auth.first()["user"].toString(), QString("clerk"));
        }
        if (error.isEmpty()) {
            QCOMPARE(message, QString());
            QCOMPARE(server.Count("data"), 1);
        } else {
            QVERIFY2(message.contains(error), qPrintable(message));
            QCOMPARE(server.Count("data"), 0);
        }
    }

    void startTlsWhenOffered_data()
    {
        QTest::addColumn<bool>("trustCertificate");
        QTest::newRow("trusted certificate") << true;
        QTest::newRow("unknown certificate") << false;
    }

    void startTlsWhenOffered()
    {
        QFETCH(bool, trustCertificate);
        TSmtpServer server;
        if (!server.StartWithTls())
            QSKIP(qPrintable(server.SkipReason()));
        const QString message = ErrorOf([&] {
            auto handler = Handler(server, "1");
            if (trustCertificate)
                handler->SetCaFile(server.CertificateFile());
            handler->Connect();
            handler->Send("office@example.org", "p@example.org", "s", {}, {"b"});
        });
        QCOMPARE(server.Count("starttls"), 1);
        if (trustCertificate) {
            QCOMPARE(message, QString());
            const auto messages = server.Messages();
            QCOMPARE(messages.size(), 1);
            QVERIFY(messages.first()["tls"].toBool());
            const auto auth = server.Events("auth");
            QCOMPARE(auth.size(), 1); // the password crossed only inside TLS
            QVERIFY(server.Events("ehlo").last()["tls"].toBool());
        } else {
            // Never a quiet fall-back to plain text: nothing sent, no credentials, an error.
            QVERIFY2(message.contains("certificate", Qt::CaseInsensitive), qPrintable(message));
            QCOMPARE(server.Count("data"), 0);
            QCOMPARE(server.Count("auth"), 0);
        }
    }

    void implicitTlsOnPort465()
    {
        TSmtpServer server;
        if (!server.MakeCertificate())
            QSKIP(qPrintable(server.SkipReason()));
        // Port 465 needs root (or a free port 465); elsewhere the case cannot run.
        if (!server.Start(
                {"--implicit-tls", server.CertificateFile(), server.KeyFile(), "--port", "465"}))
            QSKIP("no SMTP test server on 127.0.0.1:465 (needs root and a free port 465)");
        {
            auto handler = Handler(server, "1");
            handler->SetCaFile(server.CertificateFile());
            handler->Connect();
            handler->Send("office@example.org", "p@example.org", "s", {}, {"b"});
        }
        QCOMPARE(server.Count("starttls"), 0);
        QVERIFY(server.Events("ehlo").first()["tls"].toBool()); // TLS from the first byte
        QVERIFY(server.Messages().first()["tls"].toBool());
        QCOMPARE(server.Count("auth"), 1);
    }

    void refusedRecipientIsTheServersText()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        auto handler = Handler(server);
        handler->Connect();
        handler->Send("office@example.org", "first@example.org", "s", {}, {"b"});
        const QString message = ErrorOf(
            [&] { handler->Send("office@example.org", "reject@example.org", "s", {}, {"b"}); });
        QVERIFY2(message.contains("550 5.1.1 <reject@example.org>: Recipient address rejected"),
                 qPrintable(message));
        handler.reset(); // destroying after a failure is safe
        QCOMPARE(server.Count("data"), 1);
    }

    void messageArrivesIntact_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QStringList>("body");
        QTest::addColumn<int>("attachmentSize"); // -1: path names no file

        QTest::newRow("ascii with a PDF")
            << "Your transcript" << QStringList{"Dear colleague,", "", "see attached."} << 60000;
        QTest::newRow("non-ASCII subject and body")
            << "Bescheinigung für Müller – 2026 ✓ and a long subject that needs more than one "
               "encoded word"
            << QStringList{"Grüße aus Zürich", "Ωμέγα 日本語 😀", ".leading dot"} << 1000;
        QTest::newRow("missing attachment sends the body only") << "s" << QStringList{"only"} << -1;
        QTest::newRow("empty body") << "s" << QStringList() << 10;
    }

    void messageArrivesIntact()
    {
        QFETCH(QString, subject);
        QFETCH(QStringList, body);
        QFETCH(int, attachmentSize);
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        QTemporaryDir dir;
        const QString path = dir.filePath("ann@example.org.pdf");
        if (attachmentSize >= 0) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray bytes(attachmentSize, '\0');
            for (int i = 0; i < attachmentSize; ++i)
                bytes[i] = char((i * 7919) >> 3); // every byte value, CR LF and dots included
            file.write(bytes);
        }
        {
            auto handler = Handler(server);
            handler->Connect();
            handler->Send("office@example.org", "ann@example.org", subject, path, body);
        }
        const auto messages = server.Messages();
        QCOMPARE(messages.size(), 1);
        const QJsonObject message = messages.first();
        QCOMPARE(message["subject"].toString(), subject);
        QString expectedBody;
        for (const QString& line : body)
            expectedBody += line + "\n";
        QCOMPARE(message["body"].toString().replace("\r\n", "\n"), expectedBody);
        QVERIFY(!message["date"].toString().isEmpty());
        QVERIFY(message["message_id"].toString().contains("@example.org>"));
        const QJsonArray attachments = message["attachments"].toArray();
        QCOMPARE(attachments.size(), attachmentSize >= 0 ? 1 : 0);
        if (attachmentSize >= 0) {
            QCOMPARE(attachments[0]["name"].toString(), QString("ann@example.org.pdf"));
            QCOMPARE(attachments[0]["type"].toString(), QString("application/pdf"));
            QCOMPARE(Sha256(attachments[0]["path"].toString()), Sha256(path));
        }
    }

    void oneEnvelopeRecipientPerAddress()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        {
            auto handler = Handler(server);
            handler->Connect();
            handler->Send("office@example.org", "a@example.org, b@example.org;c@example.org", "s",
                          {}, {"b"});
        }
        QCOMPARE(server.Messages().first()["rcpts"].toArray(),
                 QJsonArray({"a@example.org", "b@example.org", "c@example.org"}));
    }

    void heloWhenEhloIsRefused()
    {
        TSmtpServer server;
        if (!server.Start({"--no-ehlo"}))
            QSKIP(qPrintable(server.SkipReason()));
        {
            auto handler = Handler(server);
            handler->Connect();
            handler->Send("office@example.org", "p@example.org", "s", {}, {"b"});
        }
        QCOMPARE(server.Count("ehlo-refused"), 1);
        QCOMPARE(server.Count("helo"), 1);
        QCOMPARE(server.Count("data"), 1);
    }

    void settingsThatAreNotNumbers_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("authType");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty port") << ""
                                    << "0"
                                    << "'' is not a valid integer value";
        QTest::newRow("port with letters") << "25a"
                                           << "0"
                                           << "'25a' is not a valid integer value";
        QTest::newRow("auth type") << "25"
                                   << "login"
                                   << "'login' is not a valid integer value";
    }

    void settingsThatAreNotNumbers()
    {
        QFETCH(QString, port);
        QFETCH(QString, authType);
        QFETCH(QString, error);
        QCOMPARE(ErrorOf([&] { TSMTPMail("127.0.0.1", port, authType, "", ""); }), error);
    }

    void noServerIsAClearError()
    {
        int port = 0;
        {
            TSmtpServer server; // a port that was free a moment ago and is closed now
            if (!server.Start())
                QSKIP(qPrintable(server.SkipReason()));
            port = server.Port();
        }
        TSMTPMail handler("127.0.0.1", QString::number(port), "0", "", "");
        const QString message = ErrorOf([&] { handler.Connect(); });
        QVERIFY2(message.startsWith("SMTP connect failed: "), qPrintable(message));
        QVERIFY(message.size() > QString("SMTP connect failed: ").size());
    }
};

QTEST_GUILESS_MAIN(TestSmtpMail)
#include "tst_smtpmail.moc"
