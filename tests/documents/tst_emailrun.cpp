// The transcript e-mail run end to end: a real cme.mdb in a temporary folder, the real settings
// file, a real SMTP server on loopback (and msmtp for the local mail command). Most cases replace
// the report engine by a writer that puts the one participant it is given into the file; the
// first runs GenerateTranscripts whole, with the real engine and its status windows.

#include "TDocumentsFixture.h"

#include "TConfig.h"
#include "TConnection.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TDeliveryReport.h"
#include "TEmailRun.h"
#include "TError.h"
#include "TMailHandler.h"
#include "TSmtpServer.h"
#include "TTempDatabase.h"
#include "TTestPrompts.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

#include <functional>
#include <memory>

namespace
{

const QString AllParticipants =
    QStringLiteral("select p.* from participants p where p.user_id > 0");

// Records the report windows instead of showing them.
struct TRecordedReports : TDeliveryReportWindow {
    QList<QList<TDeliveryRow>> shown;
    TSendAgain sendAgain;
    TRecordedReports() { Install(this); }
    ~TRecordedReports() override { Install(nullptr); }
    void Show(const QList<TDeliveryRow>& rows, TSendAgain again) override
    {
        shown << rows;
        sendAgain = std::move(again);
    }
};

QStringList Statuses(const QList<TDeliveryRow>& rows)
{
    QStringList texts;
    for (const TDeliveryRow& row : rows)
        texts << row.address + ' ' + TDeliveryRow::StatusText(row.status);
    return texts;
}

QString ErrorOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const TError& error) {
        return error.Message();
    }
    return {};
}

} // namespace

class TestEmailRun : public QObject
{
    Q_OBJECT

    // One database per test: participants (user_id, email, mail_type) as given.
    struct TFixture {
        TTempDatabase db;
        std::unique_ptr<TDM> dm;
        TTestPrompts prompts;
        TRecordedReports reports;
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
            Config().WriteString("Mail", "HandlerType", "1");
            Config().WriteString("SMTP", "Host", "127.0.0.1");
            Config().WriteString("SMTP", "Port", smtp.PortText());
            Config().WriteString("SMTP", "AuthType", "0");
            Config().WriteString("Mail", "From", "office@example.org");
            Config().WriteString("Mail", "Subject", "Your transcript");
            Config().WriteList("Body", {"Dear participant,", "your transcript is attached."});
        }
        QString PdfFolder() const { return QDir(db.Dir()).filePath("PDF"); }
        // The run with a writer that puts the participant's id and address in the file (and
        // writes nothing for the ids in skip).
        void Run(const QList<int>& skip = {})
        {
            TEmailRun run(*dm, prompts, [this, skip](const QString& path) {
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
            run.Run(AllParticipants);
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
        TConfig& config = *f.dm->Config;
        config.WriteString("Mail", "HandlerType", "1");
        config.WriteString("SMTP", "Host", "127.0.0.1");
        config.WriteString("SMTP", "Port", server.PortText());
        config.WriteString("SMTP", "AuthType", "0");
        config.WriteString("Mail", "From", "office@example.org");
        config.WriteString("Mail", "Subject", "Transcript");
        TRecordedReports reports;
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
        QCOMPARE(server.Count("connect"), 1);
        QStringList received;
        for (const QJsonObject& message : messages) {
            const QJsonObject attachment = message["attachments"].toArray()[0].toObject();
            const QString text = TDocumentsTest::PdfText(attachment["path"].toString());
            received << attachment["name"].toString() + (text.contains("Anna") ? " Anna" : "") +
                            (text.contains("Bob") ? " Bob" : "");
        }
        // Each of the two shares the address but receives his own transcript.
        QCOMPARE(received, QStringList({"office.team@example.org.pdf Anna",
                                        "office.team@example.org-4.pdf Bob"}));
        QCOMPARE(f.prompts.LastText(),
                 QString("There are 1 participants with wrong (empty) e-mails!"));
        QCOMPARE(reports.shown.size(), 1);
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
        QTemporaryDir msmtpDir;
        if (handlerType == "2") {
            const QString msmtp = QStandardPaths::findExecutable("msmtp");
            if (msmtp.isEmpty())
                QSKIP("msmtp is not installed (scripts/install-deps.sh)");
            QFile config(msmtpDir.filePath("msmtprc"));
            QVERIFY(config.open(QIODevice::WriteOnly));
            config.write(
                QString("account default\nhost 127.0.0.1\nport %1\nfrom office@example.org\n"
                        "tls off\nauth off\n")
                    .arg(server.Port())
                    .toUtf8());
            config.close();
            f.Config().WriteString("Mail", "HandlerType", "2");
            f.Config().WriteString("Mail", "SendmailCommand",
                                   QString("%1 -C %2 -t -i").arg(msmtp, config.fileName()));
        }
        f.Run();

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
        for (const QJsonObject& message : messages) {
            const QJsonArray attachments = message["attachments"].toArray();
            QCOMPARE(attachments.size(), 1);
            delivered << message["rcpts"].toArray()[0].toString() + ' ' +
                             attachments[0]["name"].toString() + ' ' +
                             Content(attachments[0]["path"].toString()).trimmed();
            QCOMPARE(message["subject"].toString(), QString("Your transcript"));
            QCOMPARE(message["body"].toString().replace("\r\n", "\n"),
                     QString("Dear participant,\nyour transcript is attached.\n"));
        }
        QCOMPARE(delivered,
                 QStringList({"ann@example.org ann@example.org.pdf user_id=1 email=ann@example.org",
                              "shared@example.org shared@example.org.pdf user_id=2 "
                              "email=shared@example.org",
                              "shared@example.org shared@example.org-3.pdf user_id=3 "
                              "email=shared@example.org"}));

        QCOMPARE(f.prompts.LastText(),
                 QString("There are 2 participants with wrong (empty) e-mails!"));
        QCOMPARE(f.prompts.shown.last().kind, TPrompts::Kind::Plain);
        const QStringList sent{"ann@example.org sent", "shared@example.org sent",
                               "shared@example.org sent"};
        QCOMPARE(f.LogStatuses(), sent);
        QCOMPARE(f.reports.shown.size(), 1);
        QCOMPARE(Statuses(f.reports.shown.first()), sent);
        QCOMPARE(f.reports.shown.first().first().handler,
                 handlerType == "1" ? QString("SMTP") : QString("Mail client"));
    }

    void mailClientRefusalIsLoggedAndTheRunGoesOn()
    {
        const QString msmtp = QStandardPaths::findExecutable("msmtp");
        if (msmtp.isEmpty())
            QSKIP("msmtp is not installed (scripts/install-deps.sh)");
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TFixture f(
            {{1, "ann@example.org", 1}, {2, "bob@example.org", 1}, {3, "cid@example.org", 1}});
        f.UseSmtp(server);
        QTemporaryDir dir;
        QFile config(dir.filePath("msmtprc"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QString("account default\nhost 127.0.0.1\nport %1\nfrom office@example.org\n")
                         .arg(server.Port())
                         .toUtf8());
        config.close();
        f.Config().WriteString("Mail", "HandlerType", "2");
        f.Config().WriteString("Mail", "SendmailCommand",
                               QString("%1 -C %2 -t -i").arg(msmtp, config.fileName()));
        f.Run({2}); // Bob's PDF is missing: the mail client refuses his message
        QCOMPARE(server.Count("data"), 2);
        QCOMPARE(f.LogStatuses(), QStringList({"ann@example.org sent", "bob@example.org refused",
                                               "cid@example.org sent"}));
        QCOMPARE(f.reports.shown.first().at(1).detail,
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
        const QStringList statuses{"ann@example.org sent", "reject@example.org refused",
                                   "cid@example.org not sent"};
        QCOMPARE(f.LogStatuses(), statuses);
        QCOMPARE(f.reports.shown.size(), 1);
        QVERIFY(f.reports.shown.first().at(1).detail.contains("Recipient address rejected"));

        // Send again stops at the first refusal as the run does; the rest stay not sent.
        QCOMPARE(Statuses(f.reports.sendAgain()), statuses);
        QCOMPARE(server.Count("data"), 1);
        QCOMPARE(f.db.Conn()
                     .ScalarQuery("select attempts from mail_log where email = "
                                  "'reject@example.org'")
                     .toInt(),
                 2);
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
        TFixture f(
            {{1, "ann@example.org", 1}, {2, "bob@example.org", 1}, {3, "cid@example.org", 1}});
        TSmtpServer server;
        QVERIFY(server.Start());
        f.UseSmtp(server);
        f.Config().WriteString("SMTP", "Port", QString::number(closedPort));
        QVERIFY(ErrorOf([&] { f.Run(); }).startsWith("Could not reach 127.0.0.1 on port"));
        QCOMPARE(f.LogStatuses(),
                 QStringList({"ann@example.org not sent", "bob@example.org not sent",
                              "cid@example.org not sent"}));

        // The user starts the server (here: corrects the port) and sends again from the report;
        // a PDF that is gone meanwhile is not sent without its transcript.
        f.Config().WriteString("SMTP", "Port", server.PortText());
        QVERIFY(QFile::remove(f.PdfFolder() + "/bob@example.org.pdf"));
        const auto rows = f.reports.sendAgain();
        QCOMPARE(Statuses(rows), QStringList({"ann@example.org sent", "bob@example.org not sent",
                                              "cid@example.org sent"}));
        QVERIFY(rows.at(1).detail.contains("no longer there"));
        QCOMPARE(server.Count("data"), 2);
        QCOMPARE(server.Count("connect"), 1);
        QCOMPARE(f.LogStatuses(), Statuses(rows));
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
        QVERIFY(f.reports.shown.isEmpty());
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
        QVERIFY(f.reports.shown.isEmpty());
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

    void reportWindowSendsAgain()
    {
        TDeliveryRow sent;
        sent.address = "ann@example.org";
        sent.file = "/tmp/PDF/ann@example.org.pdf";
        sent.status = TDeliveryRow::Status::Sent;
        TDeliveryRow refused = sent;
        refused.address = "bob@example.org";
        refused.status = TDeliveryRow::Status::Refused;
        refused.detail = "550 no such user";
        int calls = 0;
        TfrmDeliveryReport window({sent, refused}, [&] {
            ++calls;
            refused.status = TDeliveryRow::Status::Sent;
            refused.detail.clear();
            return QList<TDeliveryRow>{sent, refused};
        });
        QCOMPARE(window.windowTitle(), QString("Delivery report"));
        auto* grid = window.findChild<QTableWidget*>("dbgDelivery");
        auto* again = window.findChild<QPushButton*>("bSendAgain");
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->item(1, 5)->text(), QString("refused: 550 no such user"));
        QCOMPARE(grid->item(1, 3)->text(), QString("ann@example.org.pdf")); // the file name only
        QVERIFY(again->isEnabled());
        QTest::mouseClick(again, Qt::LeftButton);
        QCOMPARE(calls, 1);
        QCOMPARE(grid->item(1, 5)->text(), QString("sent"));
        QVERIFY(!again->isEnabled());
    }
};

QTEST_MAIN(TestEmailRun)
#include "tst_emailrun.moc"
