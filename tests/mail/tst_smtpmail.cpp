// SMTP delivery against a real server on loopback (aiosmtpd, tests/support/smtp_recorder.py).

#include "support/TErrorOf.h"
#include "mail/TSMTPMail.h"
#include "support/TSmtpServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
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

constexpr auto ErrorOf = &MessageOf<EMailError>;

struct TFailure {
    QString text; // empty: no error
    EMailError::Kind kind = EMailError::Kind::Other;
};

TFailure FailureOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const EMailError& error) {
        return {error.Message(), error.ErrorKind()};
    }
    return {};
}

// The encoded words ("=?UTF-8?B?...?=") of the raw header lines of a stored message.
QStringList EncodedWords(const QString& emlPath)
{
    QFile file(emlPath);
    if (!file.open(QIODevice::ReadOnly))
        return {"unreadable"};
    const QByteArray raw = file.readAll();
    const QString header = QString::fromLatin1(raw.left(raw.indexOf("\r\n\r\n")));
    static const QRegularExpression word(QStringLiteral("=\\?[^?\\s]+\\?[BbQq]\\?[^?\\s]*\\?="));
    QStringList words;
    for (auto it = word.globalMatch(header); it.hasNext();)
        words << it.next().captured();
    return words;
}

const QString SettingsPlace = QString::fromUtf8("Configure \u2192 E-mail settings");

} // namespace

class TestSmtpMail : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TSMTPMail> Handler(TSmtpServer& server, const QString& authType = "0",
                                       const QString& user = "clerk",
                                       const QString& password = "secret",
                                       const QString& host = "127.0.0.1")
    {
        auto handler =
            std::make_unique<TSMTPMail>(host, server.PortText(), authType, user, password);
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
        QTest::newRow("refused password")
            << QStringList() << "1"
            << "wrong"
            << "LOGIN"
            << "The server refused the user name or password. Check User name and Password in " +
                   SettingsPlace + ". Server reply: 535";
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
        const TFailure failure = FailureOf([&] {
            auto handler = Handler(server, authType, "clerk", password);
            handler->Connect();
            handler->Send("office@example.org", "p@example.org", "s", {}, {"b"});
        });
        const QString& message = failure.text;
        if (!error.isEmpty())
            QCOMPARE(failure.kind, EMailError::Kind::Authentication);
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

    void tlsFromTheStartAgainstAPlainServer()
    {
        TSmtpServer server;
        if (!server.Start({"--port", "465"}))
            QSKIP("no SMTP test server on 127.0.0.1:465 (needs root and a free port 465)");
        const TFailure failure = FailureOf([&] { Handler(server, "1")->Connect(); });
        QVERIFY2(failure.text.startsWith("No encrypted connection could be set up with 127.0.0.1 "
                                         "on port 465. Nothing was sent. Check Port in " +
                                         SettingsPlace),
                 qPrintable(failure.text));
        QCOMPARE(failure.kind, EMailError::Kind::Encryption);
        QCOMPARE(server.Count("auth-line"), 0);
    }

    void refusedRecipientIsTheServersText()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        auto handler = Handler(server);
        handler->Connect();
        handler->Send("office@example.org", "first@example.org", "s", {}, {"b"});
        const TFailure refused = FailureOf(
            [&] { handler->Send("office@example.org", "reject@example.org", "s", {}, {"b"}); });
        QVERIFY2(refused.text.contains("550 5.1.1 <reject@example.org>: Recipient address rejected"),
                 qPrintable(refused.text));
        QCOMPARE(refused.kind, EMailError::Kind::Recipient);
        // A 4xx reply asks for another try later; the connection stays usable for the next.
        const TFailure later = FailureOf(
            [&] { handler->Send("office@example.org", "later@example.org", "s", {}, {"b"}); });
        QVERIFY2(later.text.contains("451 4.7.1"), qPrintable(later.text));
        QCOMPARE(later.kind, EMailError::Kind::Transient);
        handler->Send("office@example.org", "second@example.org", "s", {}, {"b"});
        handler.reset(); // destroying after a failure is safe
        QCOMPARE(server.Count("data"), 2);
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
        QTest::newRow("long subject of wide characters")
            << QString(120, QChar(0x65e5)) + QString::fromUtf8("😀 ✓ Ωμέγα") + QString(70, 'x')
            << QStringList{"b"} << 10;
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
        // Every encoded word of the raw header stays within 75 characters.
        const QStringList words = EncodedWords(message["eml"].toString());
        QCOMPARE(words.isEmpty(), subject.size() < 40);
        for (const QString& word : words)
            QVERIFY2(word.size() <= 75, qPrintable(word));
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
        TSMTPMail handler("127.0.0.1", QString::number(port), "1", "clerk", "secret");
        const TFailure failure = FailureOf([&] { handler.Connect(); });
        const QString plain = QString("Could not reach 127.0.0.1 on port %1. Check Host and Port "
                                      "in %2. (")
                                  .arg(port)
                                  .arg(SettingsPlace);
        QVERIFY2(failure.text.startsWith(plain), qPrintable(failure.text));
        QVERIFY(failure.text.size() > plain.size() + 1); // the client's own words follow
        QCOMPARE(failure.kind, EMailError::Kind::Connection);
    }

    void unknownHostIsAClearError()
    {
        TSMTPMail handler("nohost.invalid", "587", "1", "clerk", "secret");
        handler.SetTimeout(20);
        const TFailure failure = FailureOf([&] { handler.Connect(); });
        QVERIFY2(failure.text.startsWith("Could not find the mail server nohost.invalid: no such "
                                         "host name is known. Check Host in " +
                                         SettingsPlace + "."),
                 qPrintable(failure.text));
        QCOMPARE(failure.kind, EMailError::Kind::Connection);
    }

    // Where a password would cross a network, it crosses only inside TLS: a server without
    // STARTTLS never sees an AUTH line. Host 127.0.0.2 stands for a server elsewhere: only
    // "localhost", "127.0.0.1" and "::1" as written count as this machine.
    void passwordOnlyInsideTls_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QStringList>("serverOptions");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("authType");
        QTest::addColumn<QString>("error"); // the start of the error; empty: delivered
        QTest::addColumn<int>("authLines");

        const QString refused = "The mail server 127.0.0.2 does not offer encryption (STARTTLS), "
                                "so the password would travel unprotected. Nothing was sent.";
        const QStringList elsewhere{"--host", "127.0.0.2"};
        QTest::newRow("login, no STARTTLS") << "127.0.0.2" << elsewhere << false << "1" << refused
                                            << 0;
        QTest::newRow("login, no EHLO") << "127.0.0.2" << (elsewhere + QStringList{"--no-ehlo"})
                                        << false << "1" << refused << 0;
        QTest::newRow("login over STARTTLS") << "127.0.0.2" << elsewhere << true << "1" << ""
                                             << 1;
        QTest::newRow("no login, no STARTTLS") << "127.0.0.2" << elsewhere << false << "0" << ""
                                               << 0;
        QTest::newRow("no login, STARTTLS offered")
            << "127.0.0.2" << elsewhere << true << "0" << "" << 0;
        QTest::newRow("127.0.0.1 may log in plainly") << "127.0.0.1" << QStringList() << false
                                                      << "1" << "" << 1;
        QTest::newRow("localhost may log in plainly") << "localhost" << QStringList() << false
                                                      << "1" << "" << 1;
        QTest::newRow("::1 may log in plainly") << "::1" << QStringList{"--host", "::1"} << false
                                                << "1" << "" << 1;
    }

    void passwordOnlyInsideTls()
    {
        QFETCH(QString, host);
        QFETCH(QStringList, serverOptions);
        QFETCH(bool, tls);
        QFETCH(QString, authType);
        QFETCH(QString, error);
        QFETCH(int, authLines);
        TSmtpServer server;
        if (!(tls ? server.StartWithTls(serverOptions) : server.Start(serverOptions)))
            QSKIP(qPrintable(server.SkipReason()));
        const TFailure failure = FailureOf([&] {
            auto handler = Handler(server, authType, "clerk", "secret", host);
            handler->SetCaFile(server.CertificateFile());
            handler->Connect();
            handler->Send("office@example.org", "p@example.org", "s", {}, {"b"});
        });
        QCOMPARE(server.Count("auth-line"), authLines);
        for (const QJsonObject& line : server.Events("auth-line"))
            QCOMPARE(line["tls"].toBool(), tls);
        QCOMPARE(server.Count("starttls"), tls ? 1 : 0);
        if (error.isEmpty()) {
            QCOMPARE(failure.text, QString());
            QCOMPARE(server.Count("data"), 1);
            QCOMPARE(server.Messages().first()["tls"].toBool(), tls);
        } else {
            QVERIFY2(failure.text.startsWith(error), qPrintable(failure.text));
            QCOMPARE(failure.kind, EMailError::Kind::Encryption);
            QCOMPARE(server.Count("mail"), 0);
        }
    }

    // Certificates from a private authority: trusted through CaFile, and only for the host
    // name they were issued for.
    void certificates_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("caFile"); // "authority", "none" or "missing"
        QTest::addColumn<bool>("accepted");
        QTest::newRow("CaFile trusts the authority") << QStringList{"IP:127.0.0.2"} << "authority"
                                                     << true;
        QTest::newRow("issued for another host") << QStringList{"DNS:other.example"}
                                                 << "authority" << false;
        QTest::newRow("authority unknown without CaFile")
            << QStringList{"IP:127.0.0.2"} << "none" << false;
        QTest::newRow("CaFile that is not there") << QStringList{"IP:127.0.0.2"} << "missing"
                                                  << false;
    }

    void certificates()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, caFile);
        QFETCH(bool, accepted);
        TSmtpServer server;
        if (!server.MakeAuthorityCertificate(names) ||
            !server.StartWithCertificate({"--host", "127.0.0.2"}))
            QSKIP(qPrintable(server.SkipReason()));
        const TFailure failure = FailureOf([&] {
            auto handler = Handler(server, "1", "clerk", "secret", "127.0.0.2");
            if (caFile == "authority")
                handler->SetCaFile(server.AuthorityFile());
            else if (caFile == "missing")
                handler->SetCaFile(server.Folder() + "/gone.pem");
            handler->Connect();
            handler->Send("office@example.org", "p@example.org", "s", {}, {"b"});
        });
        if (accepted) {
            QCOMPARE(failure.text, QString());
            QCOMPARE(server.Count("data"), 1);
            QCOMPARE(server.Count("auth"), 1);
            return;
        }
        QCOMPARE(failure.kind, EMailError::Kind::Encryption);
        QVERIFY2(failure.text.contains(caFile == "missing" ? "CaFile" : "certificate was refused"),
                 qPrintable(failure.text));
        QVERIFY2(failure.text.contains("Nothing was sent."), qPrintable(failure.text));
        QCOMPARE(server.Count("auth-line"), 0);
        QCOMPARE(server.Count("mail"), 0);
    }

    // An address that could end a command line is refused before anything of its message is
    // sent; the connection serves the next message.
    void addressWithControlCharacter_data()
    {
        QTest::addColumn<QString>("to");
        QTest::newRow("CR LF with a command")
            << "ann@example.org\r\nRCPT TO:<evil@example.net>";
        QTest::newRow("LF") << "ann@example.org\n";
        QTest::newRow("TAB") << "ann@exa\tmple.org";
        QTest::newRow("NUL") << QString("ann@example.org") + QChar(0) + "x";
        QTest::newRow("DEL") << QString("ann@example.org") + QChar(0x7f);
        QTest::newRow("next line") << QString("ann@example.org") + QChar(0x85);
        QTest::newRow("line separator") << QString("ann@example.org") + QChar(0x2028);
        QTest::newRow("paragraph separator in a list")
            << QString("bob@example.org, ann@example.org") + QChar(0x2029);
    }

    void addressWithControlCharacter()
    {
        QFETCH(QString, to);
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        {
            auto handler = Handler(server);
            handler->Connect();
            const TFailure failure =
                FailureOf([&] { handler->Send("office@example.org", to, "s", {}, {"b"}); });
            QCOMPARE(failure.text,
                     QString("the address contains a line break or another control character"));
            QCOMPARE(failure.kind, EMailError::Kind::Address);
            handler->Send("office@example.org", "cid@example.org", "s", {}, {"b"});
        }
        QCOMPARE(server.Count("mail"), 1);
        const auto rcpts = server.Events("rcpt");
        QCOMPARE(rcpts.size(), 1);
        QCOMPARE(rcpts.first()["to"].toString(), QString("cid@example.org"));
        QCOMPARE(server.Count("data"), 1);
    }

    void displayNameFrom_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("header"); // as the server decodes it
        QTest::newRow("name") << "CME Office <office@example.org>"
                              << "CME Office <office@example.org>";
        QTest::newRow("non-ASCII name") << "Büro für Weiterbildung <office@example.org>"
                                        << "Büro für Weiterbildung <office@example.org>";
        QTest::newRow("name with a comma") << "\"Office, CME\" <office@example.org>"
                                           << "\"Office, CME\" <office@example.org>";
        QTest::newRow("bare address") << " office@example.org "
                                      << "office@example.org";
    }

    void displayNameFrom()
    {
        QFETCH(QString, from);
        QFETCH(QString, header);
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        {
            auto handler = Handler(server);
            handler->Connect();
            handler->Send(from, "ann@example.org", "s", {}, {"b"});
        }
        QCOMPARE(server.Events("mail").value(0)["sender"].toString(),
                 QString("office@example.org"));
        const auto messages = server.Messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first()["from_header"].toString(), header);
        for (const QString& word : EncodedWords(messages.first()["eml"].toString()))
            QVERIFY2(word.size() <= 75, qPrintable(word));
        QVERIFY(messages.first()["message_id"].toString().endsWith("@example.org>"));
    }
};

QTEST_GUILESS_MAIN(TestSmtpMail)
#include "tst_smtpmail.moc"
