// The desktop-mail path: TMAPIMail's rules over a recording Simple MAPI, TOutlookMail, and the
// local mail command (msmtp as sendmail against the loopback SMTP server).

#include "support/TErrorOf.h"
#include "mail/TMAPIMail.h"
#include "mail/TOutlookMail.h"
#include "mail/TSendmailMapi.h"
#include "support/TSmtpServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace
{

// Records every call; answers from the fields the test sets.
struct TMapiLog {
    bool hasProfile = false;
    unsigned long logonResult = 0;
    QList<unsigned long> resolveResults; // answered in order; then 0
    QString resolvedName = "Ann Example", resolvedAddress = "ann@example.org";
    unsigned long sendResult = 0;
    bool throwOnSend = false;

    QStringList calls;
    QList<unsigned long> resolveFlags;
    TSimpleMapi::TMessage sent;
    unsigned long sendFlags = 0;
    int buffersHeld = 0;
};

class TRecordingMapi : public TSimpleMapi
{
public:
    explicit TRecordingMapi(TMapiLog& log) : m_log(log) {}

    bool DefaultProfile(QString& profile) override
    {
        m_log.calls << "DefaultProfile";
        profile = "Office";
        return m_log.hasProfile;
    }
    unsigned long Logon(const QString& profile, unsigned long flags, TSession& session) override
    {
        m_log.calls << QString("Logon %1 %2").arg(profile).arg(flags);
        session = 77;
        return m_log.logonResult;
    }
    unsigned long Logoff(TSession session) override
    {
        m_log.calls << QString("Logoff %1").arg(session);
        return 2;
    }
    unsigned long ResolveName(const QString& name, unsigned long flags,
                              TResolved& resolved) override
    {
        m_log.calls << "ResolveName " + name;
        m_log.resolveFlags << flags;
        const unsigned long result =
            m_log.resolveResults.isEmpty() ? 0 : m_log.resolveResults.takeFirst();
        if (result == 0) {
            resolved.name = m_log.resolvedName;
            resolved.address = m_log.resolvedAddress;
            resolved.entryId = QByteArray("\x01\x02id", 4);
            resolved.buffer = &m_log;
            ++m_log.buffersHeld;
        }
        return result;
    }
    void FreeBuffer(TResolved& resolved) override
    {
        m_log.calls << "FreeBuffer";
        resolved.entryId.fill('\0'); // what MAPI freed is gone
        resolved.buffer = nullptr;
        --m_log.buffersHeld;
    }
    unsigned long SendMail(TSession session, const TMessage& message, unsigned long flags) override
    {
        m_log.calls << QString("SendMail %1").arg(session);
        m_log.sent = message;
        m_log.sendFlags = flags;
        if (m_log.throwOnSend)
            throw EMailError("mail command failed");
        return m_log.sendResult;
    }

private:
    TMapiLog& m_log;
};

constexpr auto ErrorOf = &MessageOf<EMailError>;

// The kind of the error thrown; -1 when none is.
int KindOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const EMailError& error) {
        return int(error.ErrorKind());
    }
    return -1;
}

QByteArray Sha256(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace

class TestDesktopMail : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recipientClasses_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<unsigned long>("recipClass");
        QTest::addColumn<QString>("address");
        QTest::newRow("cc") << "cc:ann" << 2ul << "ann";
        QTest::newRow("Bcc") << "Bcc:ann" << 3ul << "ann";
        QTest::newRow("CCX stays whole") << "CCX" << 1ul << "CCX";
        QTest::newRow("BCC without text") << "BCC:" << 3ul << "";
        QTest::newRow("plain") << "smtp:ann@example.org" << 1ul << "smtp:ann@example.org";
        QTest::newRow("blank before CC") << " CC:ann" << 1ul << " CC:ann";
    }

    void recipientClasses()
    {
        QFETCH(QString, line);
        QFETCH(unsigned long, recipClass);
        QFETCH(QString, address);
        TMapiLog log;
        TRecordingMapi mapi(log);
        TMAPIMail mail(mapi);
        mail.Recipients = {line};
        QVERIFY(mail.Send());
        QCOMPARE(log.sent.recipients.size(), 1);
        QCOMPARE(log.sent.recipients[0].recipClass, recipClass);
        QCOMPARE(log.sent.recipients[0].name, address);
        QCOMPARE(log.sent.recipients[0].address, address);
    }

    void sessionsAndFlags_data()
    {
        QTest::addColumn<bool>("hasProfile");
        QTest::addColumn<bool>("editDialog");
        QTest::addColumn<unsigned long>("flags");
        QTest::addColumn<QStringList>("calls");
        const QStringList withSession{"DefaultProfile", "Logon Office 2", "SendMail 0",
                                      "Logoff 77"};
        const QStringList without{"DefaultProfile", "SendMail 0"};
        QTest::newRow("profile, no window") << true << false << 1ul << withSession;
        QTest::newRow("profile, window") << true << true << 9ul << withSession;
        QTest::newRow("no profile, no window") << false << false << 3ul << without;
        QTest::newRow("no profile, window") << false << true << 11ul << without;
    }

    void sessionsAndFlags()
    {
        QFETCH(bool, hasProfile);
        QFETCH(bool, editDialog);
        QFETCH(unsigned long, flags);
        QFETCH(QStringList, calls);
        TMapiLog log;
        log.hasProfile = hasProfile;
        TRecordingMapi mapi(log);
        TMAPIMail mail(mapi);
        QVERIFY(mail.EditDialog); // the component's default
        mail.EditDialog = editDialog;
        mail.Recipients = {"ann"};
        QVERIFY(mail.Send()); // the logoff's error is swallowed
        QCOMPARE(log.sendFlags, flags);
        QCOMPARE(log.calls, calls);
    }

    void sendRefusedIsTheResult()
    {
        TMapiLog log;
        log.hasProfile = true;
        log.sendResult = 11;
        TRecordingMapi mapi(log);
        TMAPIMail mail(mapi);
        QVERIFY(!mail.Send());
        QCOMPARE(mail.LastError(), 11ul);
        QCOMPARE(log.calls.last(), QString("Logoff 77"));
    }

    void backendErrorStillLogsOff()
    {
        TMapiLog log;
        log.hasProfile = true;
        log.throwOnSend = true;
        TRecordingMapi mapi(log);
        TMAPIMail mail(mapi);
        QCOMPARE(ErrorOf([&] { mail.Send(); }), QString("mail command failed"));
        QCOMPARE(log.calls.last(), QString("Logoff 77"));
    }

    void attachmentsAndOriginator()
    {
        TMapiLog log;
        TRecordingMapi mapi(log);
        TMAPIMail mail(mapi);
        mail.Attachments = {"/work/PDF/ann@example.org.pdf", "/tmp/b.pdf", "/tmp/c.pdf"};
        mail.AttachmentNames = {"Transcript.pdf", "B"};
        mail.SenderAddress = "office@example.org";
        mail.Subject = "S";
        mail.Body = "line\r\n";
        QVERIFY(mail.Send());
        QCOMPARE(log.sent.files.size(), 3);
        QCOMPARE(log.sent.files[0].fileName, QString("Transcript.pdf"));
        QCOMPARE(log.sent.files[1].fileName, QString("B"));
        QCOMPARE(log.sent.files[2].fileName, QString("c.pdf")); // list too short: the path's name
        QCOMPARE(log.sent.files[0].path, QString("/work/PDF/ann@example.org.pdf"));
        QCOMPARE(log.sent.files[0].position, -1L);
        QVERIFY(log.sent.hasOriginator);
        QCOMPARE(log.sent.originator.recipClass, 0ul);
        QCOMPARE(log.sent.originator.name, QString("office@example.org"));
        QCOMPARE(log.sent.subject, QString("S"));
        QCOMPARE(log.sent.noteText, QString("line\r\n"));

        mail.SenderName = "Office";
        mail.Send();
        QCOMPARE(log.sent.originator.name, QString("Office"));
        mail.SenderAddress.clear();
        mail.Send();
        QVERIFY(!log.sent.hasOriginator); // a name alone gives no originator
    }

    void resolveNames_data()
    {
        QTest::addColumn<QList<unsigned long>>("results");
        QTest::addColumn<QList<unsigned long>>("flags");
        QTest::addColumn<QString>("resolvedAddress");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        using L = QList<unsigned long>;
        QTest::newRow("resolved") << L{0} << L{0} << "ann@x.org"
                                  << "Ann Example"
                                  << "ann@x.org";
        QTest::newRow("no address: the name") << L{0} << L{0} << ""
                                              << "Ann Example"
                                              << "Ann Example";
        QTest::newRow("unknown, asked again") << L{14, 0} << L{0, 8} << "a@x"
                                              << "Ann Example"
                                              << "a@x";
        QTest::newRow("ambiguous, asked again") << L{21, 0} << L{0, 8} << "a@x"
                                                << "Ann Example"
                                                << "a@x";
        QTest::newRow("refused twice") << L{14, 14} << L{0, 8} << "a@x"
                                       << ""
                                       << "";
        QTest::newRow("other failure") << L{2} << L{0} << "a@x"
                                       << ""
                                       << "";
    }

    void resolveNames()
    {
        QFETCH(QList<unsigned long>, results);
        QFETCH(QList<unsigned long>, flags);
        QFETCH(QString, resolvedAddress);
        QFETCH(QString, name);
        QFETCH(QString, address);
        TMapiLog log;
        log.resolveResults = results;
        log.resolvedAddress = resolvedAddress;
        TRecordingMapi mapi(log);
        TMAPIMail mail(mapi);
        mail.ResolveNames = true;
        mail.Recipients = {"CC:ann"};
        mail.Send();
        QCOMPARE(log.resolveFlags, flags);
        QCOMPARE(log.calls.filter("ResolveName").first(), QString("ResolveName ann"));
        const auto recipient = log.sent.recipients.value(0);
        QCOMPARE(recipient.recipClass, 2ul); // class kept whatever the result
        QCOMPARE(recipient.name, name);
        QCOMPARE(recipient.address, address);
        QCOMPARE(log.buffersHeld, 0);
        // The entry id outlives the released descriptor.
        QCOMPARE(recipient.entryId, name.isEmpty() ? QByteArray() : QByteArray("\x01\x02id", 4));
    }

    void fieldsOverTheLimitAreRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("refused");
        QTest::newRow("recipient 256") << "recipient" << 256 << false;
        QTest::newRow("recipient 257") << "recipient" << 257 << true;
        QTest::newRow("cc recipient 256 after CC:") << "cc" << 256 << false;
        QTest::newRow("attachment 257") << "attachment" << 257 << true;
        QTest::newRow("attachment name 257") << "name" << 257 << true;
        QTest::newRow("sender 257") << "sender" << 257 << true;
    }

    void fieldsOverTheLimitAreRefused()
    {
        QFETCH(QString, field);
        QFETCH(int, length);
        QFETCH(bool, refused);
        TMapiLog log;
        log.hasProfile = true;
        TRecordingMapi mapi(log);
        TMAPIMail mail(mapi);
        const QString text(length, QLatin1Char('a'));
        mail.Recipients = {"ann"};
        mail.Attachments = {"/tmp/a.pdf"};
        if (field == "recipient")
            mail.Recipients = {text};
        else if (field == "cc")
            mail.Recipients = {"CC:" + text};
        else if (field == "attachment")
            mail.Attachments = {text};
        else if (field == "name")
            mail.AttachmentNames = {text};
        else
            mail.SenderAddress = text;
        const QString error = ErrorOf([&] { mail.Send(); });
        QCOMPARE(!error.isEmpty(), refused);
        if (refused) {
            QVERIFY2(error.contains("longer than 256 characters"), qPrintable(error));
            QVERIFY(!log.calls.contains("SendMail 0"));
            QVERIFY(!log.calls.join(' ').contains("Logon") ||
                    log.calls.last().startsWith("Logoff"));
        }
    }

    void outlookMailHandsOverAndIgnoresTheResult()
    {
        auto log = std::make_unique<TMapiLog>();
        log->sendResult = 11;
        TOutlookMail handler(std::make_unique<TRecordingMapi>(*log));
        handler.Connect(); // nothing to open
        QVERIFY(log->calls.isEmpty());
        handler.Send("office@example.org", "ann@example.org", "Transcript", "/gone/ann.pdf",
                     {"Dear Ann,", "", "attached."});
        QCOMPARE(log->sendFlags, 3ul); // no profile here: the client logs on
        QCOMPARE(log->sent.recipients.size(), 1);
        QCOMPARE(log->sent.recipients[0].recipClass, 1ul);
        QCOMPARE(log->sent.recipients[0].name, QString("smtp:ann@example.org"));
        QCOMPARE(log->sent.recipients[0].address, QString("smtp:ann@example.org"));
        QCOMPARE(log->sent.noteText, QString("Dear Ann,\r\n\r\nattached.\r\n"));
        QCOMPARE(log->sent.files.size(), 1);
        QCOMPARE(log->sent.files[0].path, QString("/gone/ann.pdf"));
        QCOMPARE(log->sent.files[0].fileName, QString("ann.pdf"));
        QCOMPARE(log->sent.originator.address, QString("office@example.org"));
        QCOMPARE(handler.LastResult(), 11ul); // kept for the delivery log, not thrown
    }

    // Each code's text, alone and as a refused logon reports it.
    void errorTexts_data()
    {
        QTest::addColumn<unsigned long>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1ul << "User cancelled request";
        QTest::newRow("3") << 3ul << "Logon failure";
        QTest::newRow("11") << 11ul << "Attachment not found";
        QTest::newRow("18") << 18ul << "Text too large.";
        QTest::newRow("26") << 26ul << "Not supported";
        QTest::newRow("0") << 0ul << "Unknown Error Code: 0";
        QTest::newRow("7") << 7ul << "Unknown Error Code: 7";
        QTest::newRow("27") << 27ul << "Unknown Error Code: 27";
        QTest::newRow("99") << 99ul << "Unknown Error Code: 99";
    }

    void errorTexts()
    {
        QFETCH(unsigned long, code);
        QFETCH(QString, text);
        QCOMPARE(MapiErrorText(code), text);
        if (code == 0)
            return; // success: a logon with it goes on
        TMapiLog log;
        log.hasProfile = true;
        log.logonResult = code;
        TRecordingMapi mapi(log);
        TMAPIMail mail(mapi);
        mail.Recipients = {"ann"};
        QCOMPARE(ErrorOf([&] { mail.Send(); }), QString("MAPI Error %1: %2").arg(code).arg(text));
        QCOMPARE(log.calls, QStringList({"DefaultProfile", "Logon Office 2"})); // no session kept
    }

    // --- The local mail command -------------------------------------------------------

    void sendmailCommandDelivers_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("error"); // part of the error; empty: delivered
        QTest::newRow("delivered") << "ann@example.org"
                                   << "";
        QTest::newRow("refused recipient") << "reject@example.org"
                                           << "Recipient address rejected";
    }

    void sendmailCommandDelivers()
    {
        QFETCH(QString, to);
        QFETCH(QString, error);
        TSmtpServer server;
        const QString msmtp = server.Start() ? server.MsmtpCommand() : QString();
        if (msmtp.isEmpty())
            QSKIP(qPrintable(server.SkipReason()));
        QTemporaryDir dir;
        const QString pdf = dir.filePath("ann@example.org.pdf");
        {
            QFile file(pdf);
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int i = 0; i < 5000; ++i)
                file.write(QByteArray::number(i * 7919 % 256).append(char(i % 256)));
        }
        TOutlookMail handler(std::make_unique<TSendmailMapi>(msmtp));
        const QString message = ErrorOf([&] {
            handler.Send("office@example.org", to, "Bescheinigung für Müller", pdf,
                         {"Grüße", ".", "Ende"});
        });
        if (!error.isEmpty()) {
            QVERIFY2(message.contains(error), qPrintable(message));
            QCOMPARE(server.Count("data"), 0);
            return;
        }
        QCOMPARE(message, QString());
        const auto messages = server.Messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0]["rcpts"].toArray(), QJsonArray({to}));
        QCOMPARE(messages[0]["subject"].toString(), QString("Bescheinigung für Müller"));
        QCOMPARE(messages[0]["body"].toString().replace("\r\n", "\n"), QString("Grüße\n.\nEnde\n"));
        const QJsonArray attachments = messages[0]["attachments"].toArray();
        QCOMPARE(attachments.size(), 1);
        QCOMPARE(attachments[0]["name"].toString(), QString("ann@example.org.pdf"));
        QCOMPARE(Sha256(attachments[0]["path"].toString()), Sha256(pdf));
    }

    // A blind copy reaches its recipient through the envelope and shows in no header; the
    // sender's name shows in From.
    void sendmailBlindCopyStaysHidden()
    {
        TSmtpServer server;
        const QString msmtp = server.Start() ? server.MsmtpCommand() : QString();
        if (msmtp.isEmpty())
            QSKIP(qPrintable(server.SkipReason()));
        TSendmailMapi mapi(msmtp);
        TMAPIMail mail(mapi);
        mail.EditDialog = false;
        mail.SenderName = "CME Office";
        mail.SenderAddress = "office@example.org";
        mail.Recipients = {"ann@example.org", "BCC:hidden@example.org", "CC:bob@example.org"};
        mail.Subject = "S";
        mail.Body = "B";
        QVERIFY(mail.Send());
        const auto messages = server.Messages();
        QCOMPARE(messages.size(), 1);
        QJsonArray rcpts = messages[0]["rcpts"].toArray();
        QVERIFY(rcpts.contains("hidden@example.org"));
        QCOMPARE(rcpts.size(), 3);
        QCOMPARE(messages[0]["bcc_header"].toString(), QString());
        QCOMPARE(messages[0]["cc_header"].toString(), QString("bob@example.org"));
        QCOMPARE(messages[0]["from_header"].toString(), QString("CME Office <office@example.org>"));
        QFile eml(messages[0]["eml"].toString());
        QVERIFY(eml.open(QIODevice::ReadOnly));
        QVERIFY(!eml.readAll().contains("hidden"));
    }

    // No address with a line break reaches the mail client or the mail command; the message
    // is refused before anything is handed over.
    void controlCharactersAreRefused_data()
    {
        QTest::addColumn<QStringList>("recipients");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<bool>("addressKind"); // the recipient's fault, not the path's
        QTest::newRow("CR LF") << QStringList{"ann@example.org\r\nBcc: evil@example.net"}
                               << "office@example.org" << true;
        QTest::newRow("blind copy with LF")
            << QStringList{"ann@example.org", "BCC:x@example.org\n"} << "office@example.org"
            << true;
        QTest::newRow("line separator") << QStringList{QString("a@example.org") + QChar(0x2028)}
                                        << "office@example.org" << true;
        QTest::newRow("sender") << QStringList{"ann@example.org"} << "office@example.org\r\nX: y"
                                << false;
    }

    void controlCharactersAreRefused()
    {
        QFETCH(QStringList, recipients);
        QFETCH(QString, sender);
        QFETCH(bool, addressKind);
        const int kind = int(addressKind ? EMailError::Kind::Address : EMailError::Kind::Other);
        TMapiLog log;
        log.hasProfile = true;
        TRecordingMapi recording(log);
        TMAPIMail mail(recording);
        mail.Recipients = recipients;
        mail.SenderAddress = sender;
        QCOMPARE(KindOf([&] { mail.Send(); }), kind);
        QVERIFY(log.calls.isEmpty());

        // The mail command's own check, for callers that hand it a message directly.
        TSendmailMapi sendmail("/nonexistent/sendmail");
        TSimpleMapi::TMessage message;
        for (const QString& line : recipients)
            message.recipients << TSimpleMapi::TRecipient{TSimpleMapi::To, line, line, {}};
        message.hasOriginator = true;
        message.originator.address = sender;
        QCOMPARE(KindOf([&] { sendmail.SendMail(0, message, 0); }), kind);
        if (addressKind) // through TOutlookMail too
            QCOMPARE(KindOf([&] {
                         TOutlookMail(std::make_unique<TSendmailMapi>("/nonexistent/sendmail"))
                             .Send(sender, recipients.last(), "s", {}, {});
                     }),
                     kind);
    }

    void sendmailCommandMissingIsPlain()
    {
        TOutlookMail handler(std::make_unique<TSendmailMapi>("/nonexistent/sendmail -t -i"));
        QTemporaryDir dir;
        QFile file(dir.filePath("a.pdf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString message = ErrorOf(
            [&] { handler.Send("o@example.org", "a@example.org", "s", file.fileName(), {}); });
        QVERIFY2(message.contains("The mail command /nonexistent/sendmail was not found"),
                 qPrintable(message));
        QCOMPARE(TSendmailMapi().Command(), QString("/usr/sbin/sendmail -t -i"));
    }

    void editDialogOpensTheMailProgram()
    {
        QTemporaryDir dir;
        const QString script = dir.filePath("mail-program");
        const QString argsFile = dir.filePath("args");
        {
            QFile file(script);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(
                QString("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\n")
                    .arg(argsFile)
                    .toUtf8());
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QString pdf = dir.filePath("ann.pdf");
        QFile(pdf).open(QIODevice::WriteOnly);
        TSendmailMapi mapi("/nonexistent/sendmail");
        mapi.SetEditProgram(script);
        TMAPIMail mail(mapi);
        mail.Recipients = {"smtp:ann@example.org", "CC:bob@example.org"};
        mail.Attachments = {pdf};
        mail.Subject = "S";
        mail.Body = "B";
        QVERIFY(mail.Send()); // EditDialog is true by default
        QFile args(argsFile);
        QVERIFY(args.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(args.readAll()).split('\n', Qt::SkipEmptyParts),
                 QStringList({"--utf8", "--subject", "S", "--body", "B", "--cc", "bob@example.org",
                              "--attach", pdf, "ann@example.org"}));
    }
};

QTEST_GUILESS_MAIN(TestDesktopMail)
#include "tst_desktopmail.moc"
