// The transcript e-mail run end to end: a real cme.mdb in a temporary folder, the real settings
// file, a real SMTP server on loopback (and msmtp for the local mail command). Most cases replace
// the report engine by a writer that puts the one participant it is given into the file; the
// first runs GenerateTranscripts whole, with the real engine and its status windows.

#include "TDocumentsFixture.h"

#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "documents/TDocuments.h"
#include "documents/TEmailRun.h"
#include "db/TError.h"
#include "support/TErrorOf.h"
#include "mail/TMailHandler.h"
#include "documents/TReportRenderer.h"
#include "support/TSmtpServer.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestReportWindows.h"
#include "data/TTimeFilter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTest>

#include <functional>
#include <memory>

namespace
{

const QString AllParticipants =
    QStringLiteral("select p.* from participants p where p.user_id > 0");

QStringList Statuses(const QList<TDeliveryRow>& rows)
{
    QStringList texts;
    for (const TDeliveryRow& row : rows)
        texts << row.address + ' ' + TDeliveryRow::StatusText(row.status);
    return texts;
}

constexpr auto ErrorOf = &MessageOf<TError>;

} // namespace

class TestEmailRun : public QObject
{
    Q_OBJECT

    // One database per test: participants (user_id, email, mail_type) as given.
    struct TFixture {
        TTempDatabase db;
        std::unique_ptr<TDM> dm;
        TTestPrompts prompts;
        TTestReportWindows windows;
        QStringList written;   // PDF paths in the order written
        QList<int> sentBefore; // messages the server had when each PDF was written
        TSmtpServer* server = nullptr;

        explicit TFixture(const QList<std::tuple<int, QString, int>>& people)
        {
            for (const auto& [id, email, mailType] : people)
                db.Conn().Execute(
                    "insert into participants (user_id, last_name, email, mail_type) "
                    "values (?, ?, ?, ?)",
                    {id, QString("P%1").arg(id), email.isNull() ? QVariant() : email, mailType});
            dm = std::make_unique<TDM>(db.Dir());
        }
        TConfig& Config() { return *dm->Config; }
        void UseSmtp(const TSmtpServer& smtp)
        {
            smtp.WriteMailSettings(Config(), "Your transcript");
            Config().WriteList("Body", {"Dear participant,", "your transcript is attached."});
        }
        QString PdfFolder() const { return QDir(db.Dir()).filePath("PDF"); }
        // The run with a writer that puts the participant's id and address in the file (and
        // writes nothing for the ids in skip).
        void Run(const QList<int>& skip = {}, TEmailRun::TPrintTheirs printTheirs = {})
        {
            TEmailRun run(*dm, prompts, windows, [this, skip](const QString& path) {
                TDataSet* p = dm->TransParticipants;
                QVERIFY(p->RecordCount() == 1);
                if (skip.contains(p->FieldByName("user_id").AsInteger()))
                    return;
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly))
                    throw TError("cannot write " + path);
                file.write(QString("user_id=%1 email=%2\n")
                               .arg(p->FieldByName("user_id").AsInteger())
                               .arg(p->FieldByName("email").AsString())
                               .toUtf8());
                written << path;
                sentBefore << (server ? server->Count("data") : 0);
            });
            run.SetPrintTheirs(std::move(printTheirs));
            run.Run(AllParticipants);
        }
        void SetEmail(int userId, const QString& email)
        {
            db.Conn().Execute("update participants set email = ? where user_id = ?",
                              {email, userId});
        }
        QStringList LogStatuses()
        {
            QStringList rows;
            TConnection& conn = db.Conn();
            const int count = conn.ScalarQuery("select count(*) from mail_log").toInt();
            for (int i = 1; i <= count; ++i)
                rows << conn.ScalarQuery("select email || ' ' || status from mail_log where "
                                         "log_id = ?",
                                         {i})
                            .toString();
            return rows;
        }
    };

    static QString Content(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private Q_SLOTS:
    void generateTranscriptsMailsRealPdfs_data()
    {
        QTest::addColumn<bool>("okToAll");
        QTest::addColumn<QList<bool>>("waits");
        QTest::newRow("Ok each time") << false << QList<bool>{true, true, true};
        // The first status window's "Ok to all" confirms the other two.
        QTest::newRow("Ok to all") << true << QList<bool>{true, false, false};
    }

    void generateTranscriptsMailsRealPdfs()
    {
        QFETCH(bool, okToAll);
        QFETCH(QList<bool>, waits);
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TDocumentsFixture f;
        // E-mail for Anna Smith (1) and Bob smithers (4) at one address, none for Zed (6);
        // nobody for the printer.
        f.db.Exec("update participants set mail_type = null where mail_type in (2, 3)");
        f.db.Exec(
            "update participants set email = 'office.team@example.org' where user_id in (1, 4)");
        server.WriteMailSettings(*f.dm->Config, "Transcript");
        f.windows.chooseOkToAll = okToAll;
        f.docs->GenerateTranscripts(f.confFilter, f.timeFilter);

        QCOMPARE(f.windows.finishes, waits);
        QCOMPARE(f.windows.okToAllOffered, waits); // offered by every window that waits
        const QString folder = QDir(f.db.Dir()).filePath("PDF") + '/';
        QCOMPARE(
            QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            QStringList({".pdf", "office.team@example.org-4.pdf", "office.team@example.org.pdf"}));
        const auto messages = server.Messages();
        QCOMPARE(messages.size(), 2);
        // One login to check the settings before anything was written, one for the messages.
        QCOMPARE(server.Count("connect"), 2);
        QStringList received;
        for (const QJsonObject& message : messages) {
            const QJsonObject attachment = message["attachments"].toArray()[0].toObject();
            const QString text = TDocumentsTest::PdfText(attachment["path"].toString());
            received << attachment["name"].toString() + (text.contains("Anna") ? " Anna" : "") +
                            (text.contains("Bob") ? " Bob" : "");
        }
        // Each of the two shares the address but receives his own transcript.
        QCOMPARE(received, QStringList({"Transcript - Anna Smith.pdf Anna",
                                        "Transcript - Bob smithers.pdf Bob"}));
        QCOMPARE(f.prompts.LastText(),
                 QString("There are 1 participants with wrong (empty) e-mails!"));
        QCOMPARE(f.windows.reports.size(), 1);
    }

    void wrongLoginStopsTheRunBeforePaperAndPdfs()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TDocumentsFixture f;
        // Two postal, one fax and Anna by e-mail with an address; the password is wrong.
        f.db.Exec("update participants set email = 'anna@example.org' where user_id = 1");
        TConfig& config = *f.dm->Config;
        config.WriteString("Mail", "HandlerType", "1");
        config.WriteString("SMTP", "Host", "127.0.0.1");
        config.WriteString("SMTP", "Port", server.PortText());
        config.WriteString("SMTP", "AuthType", "1");
        config.WriteString("SMTP", "UserName", "clerk");
        config.WriteString("SMTP", "Password", "wrong");
        const QString error =
            ErrorOf([&] { f.docs->GenerateTranscripts(f.confFilter, f.timeFilter); });
        QVERIFY2(error.contains("535") || error.contains("user name or password"),
                 qPrintable(error));
        // Nothing was printed (a print job opens its status window first) and no PDF written.
        QCOMPARE(f.windows.statusWindows, 0);
        QVERIFY(!QDir(QDir(f.db.Dir()).filePath("PDF")).exists());
        QCOMPARE(server.Count("auth"), 1);
        QCOMPARE(server.Count("data"), 0);
        QVERIFY(f.windows.reports.isEmpty());
    }

    void deliversEveryoneTheirOwnPdf_data()
    {
        QTest::addColumn<QString>("handlerType");
        QTest::newRow("SMTP") << "1";
        QTest::newRow("local mail command (msmtp)") << "2";
    }

    void deliversEveryoneTheirOwnPdf()
    {
        QFETCH(QString, handlerType);
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f({{1, "ann@example.org", 1},
                    {2, "shared@example.org", 1},
                    {3, "shared@example.org", 1},
                    {4, "", 1},
                    {5, "postal@example.org", 2},
                    {6, QString(), 1}});
        f.server = &server;
        f.UseSmtp(server);
        if (handlerType == "2") {
            const QString msmtp = server.MsmtpCommand();
            if (msmtp.isEmpty())
                QSKIP(qPrintable(server.SkipReason()));
            f.Config().WriteString("Mail", "HandlerType", "2");
            f.Config().WriteString("Mail", "SendmailCommand", msmtp);
        }
        QList<int> printed;
        f.Run({}, [&printed](const QList<int>& ids) { printed = ids; });

        // Every PDF first, each participant's own: the second of a shared address gets "-id".
        const QString folder = f.PdfFolder() + '/';
        QCOMPARE(
            f.written,
            QStringList({folder + "ann@example.org.pdf", folder + "shared@example.org.pdf",
                         folder + "shared@example.org-3.pdf", folder + ".pdf", folder + "-6.pdf"}));
        QCOMPARE(f.sentBefore, QList<int>({0, 0, 0, 0, 0}));

        const auto messages = server.Messages();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(server.Count("connect"), handlerType == "1" ? 1 : 3);
        QStringList delivered;
        QStringList names;
        for (const QJsonObject& message : messages) {
            const QJsonArray attachments = message["attachments"].toArray();
            QCOMPARE(attachments.size(), 1);
            delivered << message["rcpts"].toArray()[0].toString() + ' ' +
                             Content(attachments[0]["path"].toString()).trimmed();
            names << attachments[0]["name"].toString();
            QCOMPARE(message["subject"].toString(), QString("Your transcript"));
            QCOMPARE(message["body"].toString().replace("\r\n", "\n"),
                     QString("Dear participant,\nyour transcript is attached.\n"));
        }
        QCOMPARE(delivered,
                 QStringList({"ann@example.org user_id=1 email=ann@example.org",
                              "shared@example.org user_id=2 email=shared@example.org",
                              "shared@example.org user_id=3 email=shared@example.org"}));
        // The name the recipient sees (the desktop mail client keeps the file's own name).
        if (handlerType == "1")
            QCOMPARE(names, QStringList({"Transcript - P1.pdf", "Transcript - P2.pdf",
                                         "Transcript - P3.pdf"}));

        QCOMPARE(f.prompts.LastText(),
                 QString("There are 2 participants with wrong (empty) e-mails!"));
        QCOMPARE(f.prompts.shown.last().kind, TPrompts::Kind::Plain);
        // The two without an address are in the log and the report, by name.
        const QStringList sent{"ann@example.org sent", "shared@example.org sent",
                               "shared@example.org sent", " no address", " no address"};
        QCOMPARE(f.LogStatuses(), sent);
        QCOMPARE(f.windows.reports.size(), 1);
        const QList<TDeliveryRow> rows = f.windows.reports.first();
        QCOMPARE(Statuses(rows), sent);
        QCOMPARE(rows.at(3).name, QString("P4"));
        QCOMPARE(rows.at(4).ResultText(), QString("no e-mail address"));
        QCOMPARE(TDeliveryLog::CountLine(rows), QString("3 sent, 2 without an address"));
        QCOMPARE(rows.first().handler,
                 handlerType == "1" ? QString("SMTP 127.0.0.1") : QString("Mail client"));
        // "Print theirs" prints the transcripts of exactly those two.
        f.windows.printTheirs();
        QCOMPARE(printed, QList<int>({4, 6}));
    }

    void mailClientRefusalIsLoggedAndTheRunGoesOn()
    {
        TSmtpServer server;
        const QString msmtp = server.Start() ? server.MsmtpCommand() : QString();
        if (msmtp.isEmpty())
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f(
            {{1, "ann@example.org", 1}, {2, "bob@example.org", 1}, {3, "cid@example.org", 1}});
        f.UseSmtp(server);
        f.Config().WriteString("Mail", "HandlerType", "2");
        f.Config().WriteString("Mail", "SendmailCommand", msmtp);
        f.Run({2}); // Bob's PDF is missing: the mail client refuses his message
        QCOMPARE(server.Count("data"), 2);
        QCOMPARE(f.LogStatuses(), QStringList({"ann@example.org sent", "bob@example.org refused",
                                               "cid@example.org sent"}));
        QCOMPARE(f.windows.reports.first().at(1).detail,
                 QString("MAPI Error 11: Attachment not found"));
    }

    void refusedRecipientStopsTheRunAndIsLogged()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f({{1, "ann@example.org", 1},
                    {2, "reject@example.org", 1},
                    {3, "", 1},
                    {4, "cid@example.org", 1}});
        f.UseSmtp(server);
        const QString error = ErrorOf([&] { f.Run(); });
        QVERIFY2(error.contains("550 5.1.1 <reject@example.org>: Recipient address rejected"),
                 qPrintable(error));
        QCOMPARE(server.Count("data"), 1);
        QCOMPARE(server.Count("quit"), 1);  // the handler was freed
        QVERIFY(f.prompts.shown.isEmpty()); // no count message after a failure
        QCOMPARE(f.LogStatuses(),
                 QStringList({"ann@example.org sent", "reject@example.org refused", " no address",
                              "cid@example.org not sent"}));
        QCOMPARE(f.windows.reports.size(), 1);
        QVERIFY(f.windows.reports.first().at(1).detail.contains("Recipient address rejected"));

        // Send again leaves the refused address alone while it is the same and sends the
        // rest; once the participant's address is corrected, it goes there.
        auto attempts = [&f](int userId) {
            return f.db.Conn()
                .ScalarQuery("select attempts from mail_log where user_id = ?", {userId})
                .toInt();
        };
        QCOMPARE(Statuses(f.windows.sendAgain()),
                 QStringList({"ann@example.org sent", "reject@example.org refused", " no address",
                              "cid@example.org sent"}));
        QCOMPARE(server.Count("data"), 2);
        QCOMPARE(attempts(2), 1);
        f.SetEmail(2, "bob@example.org");
        f.SetEmail(3, "cy@example.org");
        const QList<TDeliveryRow> rows = f.windows.sendAgain();
        QCOMPARE(Statuses(rows), QStringList({"ann@example.org sent", "bob@example.org sent",
                                              "cy@example.org sent", "cid@example.org sent"}));
        QCOMPARE(f.LogStatuses(), Statuses(rows));
        QCOMPARE(attempts(2), 2);
        QCOMPARE(server.Count("data"), 4);
        QCOMPARE(server.Messages().at(3)["rcpts"].toArray()[0].toString(),
                 QString("cy@example.org"));
        QCOMPARE(TDeliveryLog::CountLine(rows), QString("4 sent"));
    }

    // A private certificate authority named in the settings (beside quorvel.ini) lets the
    // handler log in over STARTTLS; without it the certificate is refused.
    void caFileComesFromTheSettings()
    {
        TSmtpServer server;
        if (!server.MakeAuthorityCertificate({"IP:127.0.0.2"}) ||
            !server.StartWithCertificate({"--host", "127.0.0.2"}))
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f({});
        f.UseSmtp(server);
        f.Config().WriteString("SMTP", "Host", "127.0.0.2");
        f.Config().WriteString("SMTP", "AuthType", "1");
        f.Config().WriteString("SMTP", "UserName", "clerk");
        f.Config().WriteString("SMTP", "Password", "secret");
        QVERIFY(QFile::copy(server.AuthorityFile(), QDir(f.db.Dir()).filePath("office-ca.pem")));
        f.Config().WriteString("SMTP", "CaFile", "office-ca.pem");
        CreateMailHandler(f.Config())->Connect();
        QCOMPARE(server.Count("auth"), 1);
        f.Config().WriteString("SMTP", "CaFile", "");
        try {
            CreateMailHandler(f.Config())->Connect();
            QFAIL("connected without the authority");
        } catch (const EMailError& error) {
            QCOMPARE(error.ErrorKind(), EMailError::Kind::Encryption);
        }
        QCOMPARE(server.Count("auth"), 1);
    }

    void sendAgainAfterTheServerWasDown()
    {
        int closedPort = 0;
        {
            TSmtpServer gone;
            if (!gone.Start())
                QSKIP(qPrintable(gone.SkipReason()));
            closedPort = gone.Port();
        }
        TFixture f({{1, "ann@example.org", 1},
                    {2, "bob@example.org", 1},
                    {3, "reject@example.org", 1},
                    {4, "cid@example.org", 1}});
        TSmtpServer server;
        QVERIFY(server.Start());
        f.UseSmtp(server);
        f.Config().WriteString("SMTP", "Port", QString::number(closedPort));
        QVERIFY(ErrorOf([&] { f.Run(); }).startsWith("Could not reach 127.0.0.1 on port"));
        const QStringList nothingSent{"ann@example.org not sent", "bob@example.org not sent",
                                      "reject@example.org not sent", "cid@example.org not sent"};
        QCOMPARE(f.LogStatuses(), nothingSent);

        // A Send again that cannot connect says so every time and counts no attempt.
        for (int round = 1; round <= 2; ++round) {
            f.prompts.Clear();
            QCOMPARE(Statuses(f.windows.sendAgain()), nothingSent);
            QCOMPARE(f.prompts.shown.size(), 1);
            QCOMPARE(f.prompts.shown.first().kind, TPrompts::Kind::Error);
            QVERIFY2(f.prompts.LastText().startsWith("Could not reach 127.0.0.1 on port"),
                     qPrintable(f.prompts.LastText()));
        }
        QCOMPARE(f.db.Conn().ScalarQuery("select sum(attempts) from mail_log").toInt(), 0);

        // The user starts the server (here: corrects the port) and sends again from the report;
        // a PDF that is gone meanwhile is not sent without its transcript, and a refused
        // recipient does not hold up those after him.
        f.Config().WriteString("SMTP", "Port", server.PortText());
        QVERIFY(QFile::remove(f.PdfFolder() + "/bob@example.org.pdf"));
        f.prompts.Clear();
        const auto rows = f.windows.sendAgain();
        QCOMPARE(Statuses(rows).mid(0, 2),
                 QStringList({"ann@example.org sent", "bob@example.org not sent"}));
        QVERIFY(rows.at(1).detail.contains("no longer there"));
        // One connection, and one more after the refusal: the mail client does not go on on a
        // connection that has just answered with an error.
        QCOMPARE(server.Count("connect"), 2);
        QCOMPARE(f.LogStatuses(), Statuses(rows));
        QCOMPARE(Statuses(rows).mid(2),
                 QStringList({"reject@example.org refused", "cid@example.org sent"}));
        QCOMPARE(server.Count("data"), 2);
        QCOMPARE(f.prompts.shown.size(), 1); // the refusal is shown too
        QVERIFY(f.prompts.LastText().contains("reject@example.org: "));
    }

    void sendAgainUsesTheSettingsAsTheyAreNow()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f({{1, "ann@example.org", 1}, {2, "bob@example.org", 1}});
        f.UseSmtp(server);
        f.Config().WriteString("SMTP", "AuthType", "1");
        f.Config().WriteString("SMTP", "UserName", "clerk");
        // A host nobody listens on, then a wrong password, then the right one: each Send
        // again logs in with the settings of the moment and shows every failure.
        struct TStep {
            QString host;
            QString password;
            QString status;
        };
        const QList<TStep> steps{{"127.0.0.2", "wrong", "not sent"},
                                 {"127.0.0.1", "wrong", "not sent"},
                                 {"127.0.0.1", "secret", "sent"}};
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const TStep& step = steps.at(i);
            f.Config().WriteString("SMTP", "Host", step.host);
            f.Config().WriteString("SMTP", "Password", step.password);
            f.prompts.Clear();
            if (i == 0)
                QVERIFY(!ErrorOf([&] { f.Run(); }).isEmpty());
            else
                f.windows.sendAgain();
            QCOMPARE(f.LogStatuses(), QStringList({"ann@example.org " + step.status,
                                                   "bob@example.org " + step.status}));
            QCOMPARE(f.db.Conn().ScalarQuery("select max(handler) from mail_log").toString(),
                     "SMTP " + step.host);
            if (i > 0 && step.status != "sent") {
                QCOMPARE(f.prompts.shown.size(), 1);
                QVERIFY(!f.prompts.LastText().isEmpty());
            }
        }
        QCOMPARE(server.Count("data"), 2);
        QStringList logins;
        for (const QJsonObject& auth : server.Events("auth"))
            logins << auth["user"].toString() + (auth["ok"].toBool() ? " ok" : " refused");
        QCOMPARE(logins, QStringList({"clerk refused", "clerk ok"}));
    }

    void statusWindowNamesEachMessageAndCancelStops()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f({{1, "ann@example.org", 1},
                    {2, "bo\r\nRCPT TO:<evil@example.net>", 1},
                    {3, "cid@example.org", 1},
                    {4, "dee@example.org", 1}});
        f.db.Exec("update participants set first_name = 'Ann' where user_id = 1");
        f.UseSmtp(server);
        // Cancel while the third message is announced.
        f.windows.cancelAtProgress = 3;
        QVERIFY_THROWS_EXCEPTION(EReportCancelled, f.Run());
        QCOMPARE(f.windows.progress,
                 QStringList({"Ann P1\n1 of 4", "P2\n2 of 4", "P3\n3 of 4"}));
        // The address with a line break was refused before anything reached the server, and
        // the run went on with the next participant.
        QCOMPARE(server.Count("data"), 1);
        for (const QJsonObject& rcpt : server.Events("rcpt"))
            QVERIFY(!rcpt["to"].toString().contains("evil"));
        QCOMPARE(f.LogStatuses().at(1).section(' ', -1), QString("refused"));
        QCOMPARE(f.windows.reports.first().at(1).detail,
                 QString("the address contains a line break or another control character"));
        QCOMPARE(f.LogStatuses().mid(2),
                 QStringList({"cid@example.org not sent", "dee@example.org not sent"}));

        // Send again finishes the rest.
        f.windows.cancelAtProgress = 0;
        f.windows.sendAgain();
        QCOMPARE(f.LogStatuses().mid(2),
                 QStringList({"cid@example.org sent", "dee@example.org sent"}));
        QCOMPARE(server.Count("data"), 3);
    }

    // A run killed in the middle of handing over a message is finished from the report of a
    // program started again, and every participant receives exactly one message.
    void runKilledMidwayIsFinishedWithSendAgain()
    {
        if (const QString dir = qEnvironmentVariable("QUORVEL_EMAILRUN_CHILD"); !dir.isEmpty()) {
            TDM dm(dir);
            TTestPrompts prompts;
            TTestReportWindows windows;
            TEmailRun run(dm, prompts, windows, [](const QString& path) {
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly))
                    throw TError("cannot write " + path);
                file.write("transcript\n");
            });
            run.Run(AllParticipants);
            QFAIL("the run was not stopped");
        }
        TSmtpServer server;
        if (!server.Start({"--hang-on", "hang"}))
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f({{1, "a1@example.org", 1},
                    {2, "a2@example.org", 1},
                    {3, "hang@example.org", 1},
                    {4, "a4@example.org", 1},
                    {5, "a5@example.org", 1}});
        f.UseSmtp(server);
        f.Config().Flush();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUORVEL_EMAILRUN_CHILD", f.db.Dir());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {"runKilledMidwayIsFinishedWithSendAgain"});
        QVERIFY(child.waitForStarted());
        // The third message reached the server, which keeps its answer back: the program is
        // stopped between handing it over and hearing the result.
        QTRY_COMPARE_WITH_TIMEOUT(server.Count("data"), 3, 60000);
        child.kill(); // SIGKILL
        QVERIFY(child.waitForFinished());

        TDocuments docs(*f.dm, f.prompts, f.windows);
        docs.ShowDeliveryReport(TConfFilter(), TTimeFilter("2026"));
        QCOMPARE(f.windows.reports.size(), 1);
        const QList<TDeliveryRow> rows = f.windows.reports.first();
        QCOMPARE(Statuses(rows), QStringList({"a1@example.org sent", "a2@example.org sent",
                                              "hang@example.org sending",
                                              "a4@example.org not sent",
                                              "a5@example.org not sent"}));
        QCOMPARE(rows.at(2).ResultText(), QString("unknown: may have been delivered"));
        QCOMPARE(rows.at(2).name, QString("P3"));
        QCOMPARE(TDeliveryLog::CountLine(rows), QString("2 sent, 2 not sent, 1 unknown"));

        // Send again asks about the message that may have left; No sends only the rest.
        f.prompts.QueueAnswer(false);
        const QList<TDeliveryRow> after = f.windows.sendAgain();
        QCOMPARE(f.prompts.shown.size(), 1);
        QVERIFY(f.prompts.shown.first().text.contains("hang@example.org"));
        QCOMPARE(after.at(2).status, TDeliveryRow::Status::Sending);
        QMap<QString, int> received;
        for (const QJsonObject& message : server.Messages())
            ++received[message["rcpts"].toArray()[0].toString()];
        QCOMPARE(received.keys(), QStringList({"a1@example.org", "a2@example.org",
                                               "a4@example.org", "a5@example.org",
                                               "hang@example.org"}));
        for (const int count : received)
            QCOMPARE(count, 1);
        const QJsonObject fourth = server.Messages().at(3);
        QCOMPARE(fourth["attachments"].toArray()[0].toObject()["name"].toString(),
                 QString("Transcript 2026 - P4.pdf"));
    }

    void addressesThatDifferInCaseGetTwoFiles()
    {
        TFixture f({{1, "Ann@Example.org", 1}, {2, "ann@example.org", 1}});
        f.Config().WriteString("Mail", "HandlerType", "3");
        ErrorOf([&] { f.Run(); });
        QCOMPARE(f.written, QStringList({f.PdfFolder() + "/Ann@Example.org.pdf",
                                         f.PdfFolder() + "/ann@example.org-2.pdf"}));
        for (const QString& path : f.written)
            QCOMPARE(Content(path).trimmed(),
                     QString("user_id=%1 email=%2")
                         .arg(f.written.indexOf(path) + 1)
                         .arg(QFileInfo(path).fileName().startsWith("Ann") ? "Ann@Example.org"
                                                                           : "ann@example.org"));
    }

    void attachmentNamesCarryThePeriodAndTheName_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("years");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("attachment");
        QTest::newRow("one year") << int(tkYears) << QStringList{"2026"} << "Anna Adams"
                                  << "Transcript 2026 - Anna Adams.pdf";
        QTest::newRow("two years in a row")
            << int(tkYears) << QStringList{"2026", "2025"} << "Anna Adams"
            << "Transcript 2025-2026 - Anna Adams.pdf";
        QTest::newRow("years apart") << int(tkYears) << QStringList{"2024", "2022"} << "Bo"
                                     << "Transcript 2022, 2024 - Bo.pdf";
        QTest::newRow("date range") << int(tkDateRange) << QStringList() << "Anna Adams"
                                    << "Transcript 2025-2026 - Anna Adams.pdf";
        QTest::newRow("no time filter, no name")
            << int(tkNone) << QStringList() << "" << "Transcript.pdf";
        QTest::newRow("a slash in the name") << int(tkYears) << QStringList{"2026"} << "A/B"
                                             << "Transcript 2026 - A_B.pdf";
    }

    void attachmentNamesCarryThePeriodAndTheName()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, years);
        QFETCH(QString, name);
        QFETCH(QString, attachment);
        TTimeFilter filter("2026");
        filter.Kind = TTimeKind(kind);
        filter.Years = years;
        filter.BeginDate = QDate(2025, 9, 1);
        filter.EndDate = QDate(2026, 6, 30);
        QCOMPARE(TranscriptAttachmentName(TranscriptPeriod(filter), name), attachment);
    }

    void settingsThatStopTheRun_data()
    {
        QTest::addColumn<QString>("handlerType");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("error");
        QTest::newRow("handler 3") << "3"
                                   << "25"
                                   << "Mail handler unknown: 3!";
        QTest::newRow("handler missing") << ""
                                         << "25"
                                         << "'' is not a valid integer value";
        QTest::newRow("handler not a number") << "smtp"
                                              << "25"
                                              << "'smtp' is not a valid integer value";
        QTest::newRow("empty port") << "1"
                                    << ""
                                    << "'' is not a valid integer value";
    }

    void settingsThatStopTheRun()
    {
        QFETCH(QString, handlerType);
        QFETCH(QString, port);
        QFETCH(QString, error);
        TFixture f({{1, "ann@example.org", 1}, {2, "bob@example.org", 1}});
        f.Config().WriteString("Mail", "HandlerType", handlerType);
        f.Config().WriteString("SMTP", "Port", port);
        QCOMPARE(ErrorOf([&] { f.Run(); }), error);
        // The PDFs were written; nothing was tried, so nothing is logged or reported.
        QCOMPARE(f.written.size(), 2);
        QVERIFY(QFile::exists(f.PdfFolder() + "/bob@example.org.pdf"));
        QVERIFY(f.LogStatuses().isEmpty());
        QVERIFY(f.windows.reports.isEmpty());
    }

    void nothingToSendStillConnects()
    {
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f({{1, "ann@example.org", 2}});
        f.UseSmtp(server);
        QDir().mkpath(f.PdfFolder() + "/sub");
        QFile stale(f.PdfFolder() + "/old run.pdf");
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        QFile kept(f.PdfFolder() + "/sub/kept.pdf");
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        f.Run();
        QCOMPARE(server.Count("connect"), 1);
        QCOMPARE(server.Count("data"), 0);
        QVERIFY(f.prompts.shown.isEmpty());
        QVERIFY(f.windows.reports.isEmpty());
        QVERIFY(!stale.exists());
        QVERIFY(kept.exists()); // a sub-folder survives
    }

    void unsafeAddressesStayInThePdfFolder_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("file");
        QTest::newRow("../../x") << "../../x"
                                 << "_.__._x.pdf";
        QTest::newRow("a/b") << "a/b"
                             << "a_b.pdf";
        QTest::newRow("con") << "con"
                             << "_con.pdf";
        QTest::newRow("COM1.x") << "COM1.x"
                                << "_COM1.x.pdf";
        QTest::newRow("backslash and colon") << "..\\c:x"
                                             << "_._c_x.pdf";
        QTest::newRow("control character") << "a\tb\x01"
                                           << "a_b_.pdf";
        QTest::newRow("blanks are an address") << "   "
                                               << "   .pdf";
    }

    void unsafeAddressesStayInThePdfFolder()
    {
        QFETCH(QString, email);
        QFETCH(QString, file);
        TFixture f({{1, email, 1}});
        f.Config().WriteString("Mail", "HandlerType", "3");
        ErrorOf([&] { f.Run(); });
        QCOMPARE(f.written, QStringList({f.PdfFolder() + '/' + file}));
        QCOMPARE(QDir(f.PdfFolder()).entryList(QDir::Files | QDir::Hidden), QStringList({file}));
        QVERIFY(!QFile::exists(QDir(f.db.Dir()).filePath("x.pdf")));
    }

    void olderFilesGainTheLogAtOpen()
    {
        TTempDatabase db;
        db.Exec("drop table mail_log");
        QCOMPARE(db.Conn()
                     .ScalarQuery("select count(*) from sqlite_master where name = 'mail_log'")
                     .toInt(),
                 0);
        TDM dm(db.Dir());
        QVERIFY(!dm.OpenFailed);
        QCOMPARE(dm.Conn->ScalarQuery("select count(*) from sqlite_master where name = 'mail_log'")
                     .toInt(),
                 1);
    }
};

QTEST_MAIN(TestEmailRun)
#include "tst_emailrun.moc"
