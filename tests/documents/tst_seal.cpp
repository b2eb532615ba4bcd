// Signed transcripts end to end: the real report engine writes the PDF files, pdftoppm and
// zbarimg read the code off the rendered page, and an independent script (python3-cbor2 and
// python3-nacl only) checks it, as quorvel-admin verify does.

#include "TDocumentsFixture.h"

#include "tools/TAdminCommand.h"
#include "db/TError.h"
#include "seal/TSealCode.h"
#include "tools/TSealCommand.h"
#include "seal/TSealKey.h"
#include "documents/TSealPrint.h"
#include "support/TSmtpServer.h"
#include "documents/TTranscriptSeal.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

using namespace TDocumentsTest;

namespace
{

const QString kScript = QStringLiteral(QUORVEL_SOURCE_DIR "/tests/documents/verify_seal.py");

struct TResult {
    int code = -1;
    QString out;
};

// The independent verifier; exit code 77 skips the test with the script's reason.
TResult Script(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"), QStringList{kScript} + arguments);
    if (!process.waitForFinished(120000))
        return {-1, QStringLiteral("the script did not finish")};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput() +
                                                  process.readAllStandardError())};
}

TResult Admin(const QStringList& arguments)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = TAdminCommand::Run(arguments, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {code, out + err};
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

bool ToolsThere(QString* reason)
{
    for (const char* tool : {"pdftoppm", "zbarimg", "pdftotext"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            *reason = QStringLiteral("%1 is not installed (scripts/install-deps.sh)")
                          .arg(QLatin1String(tool));
            return false;
        }
    if (QProcess::execute(QStringLiteral("/usr/bin/python3"),
                          {QStringLiteral("-c"), QStringLiteral("import cbor2, nacl.signing")}) !=
        0) {
        *reason = QStringLiteral("/usr/bin/python3 with python3-cbor2 and python3-nacl is not "
                                 "installed (scripts/install-deps.sh)");
        return false;
    }
    return true;
}

#define REQUIRE_TOOLS()                                                                            \
    do {                                                                                           \
        QString reason;                                                                            \
        if (!ToolsThere(&reason))                                                                  \
            QSKIP(qPrintable(reason));                                                             \
    } while (false)

// Both verifiers agree that the PDF file is valid; returns the script's record line.
QString BothValid(const QString& pdf, const QString& pub)
{
    const TResult script = Script({"check", "--key", pub, "--pdf", pdf});
    [&] { QVERIFY2(script.code == 0 && script.out.startsWith("valid "), qPrintable(script.out)); }();
    const TResult admin = Admin({"verify", pdf, "--key", pub});
    [&] { QVERIFY2(admin.code == 0 && admin.out.endsWith("valid\n"), qPrintable(admin.out)); }();
    return script.out;
}

// The one code on the pages of a PDF file.
QString CodeOf(const QString& pdf)
{
    const QStringList codes = TSealCommand::ReadPdf(pdf).codes;
    return codes.size() == 1 ? codes.first() : QString();
}

} // namespace

class tst_seal : public QObject
{
    Q_OBJECT

    static void UseYear2005(TDocumentsFixture& f)
    {
        f.timeFilter = TTimeFilter(QStringLiteral("2005"));
        f.dm->Config->WriteList(QStringLiteral("Header"),
                                {QStringLiteral("Office of CME"), QStringLiteral("Main Street")});
    }
    static QString Pub(TDocumentsFixture& f) { return f.db.FilePath(QStringLiteral("office.pub")); }

private Q_SLOTS:
    void formatRoundTrip()
    {
        const TSealKey key = TSealKey::Generate();
        TSealRecord record;
        record.issuer = QStringLiteral("Office of CME");
        record.name = QStringLiteral("Jörg Müller");
        record.period = QStringLiteral("2005");
        record.issued = QStringLiteral("2026-01-02");
        record.lines = {{"3/7/05", "Cardiology  Update", "1.50", "CME;", ""}};
        record.totals = {{"CME", "1.50"}};
        const TSealCode code = TSealFormat::Seal(record, key);
        QVERIFY(!code.digest);
        QVERIFY(code.matrix.version >= 1 && code.matrix.version <= TSealFormat::MaxVersion);
        const TSealCheck check = TSealFormat::Check(code.text, key.PublicKey());
        QVERIFY2(check.Ok(), qPrintable(check.reason));
        QCOMPARE(check.record, record);
        QCOMPARE(check.keyId, key.KeyId());
        // Base45 both ways, odd and even lengths, and groups that overflow.
        QCOMPARE(TSealFormat::Base45Encode("AB"), QByteArray("BB8"));
        QCOMPARE(TSealFormat::Base45Encode("ietf!"), QByteArray("QED8WEX0"));
        bool ok = false;
        QCOMPARE(TSealFormat::Base45Decode(QStringLiteral("QED8WEX0"), &ok), QByteArray("ietf!"));
        QVERIFY(ok);
        TSealFormat::Base45Decode(QStringLiteral("GGW"), &ok); // 65536
        QVERIFY(!ok);
        TSealFormat::Base45Decode(QStringLiteral("QED8WEX"), &ok);
        QVERIFY(!ok);
        // One character changed: the code is damaged or its record no longer matches.
        QString changed = code.text;
        changed[20] = changed[20] == u'A' ? u'B' : u'A';
        QVERIFY(!TSealFormat::Check(changed, key.PublicKey()).Ok());
        QCOMPARE(TSealFormat::Check(QStringLiteral("HC1:ABC"), key.PublicKey()).status,
                 TSealCheck::Damaged);
        // Printed at 0.5 mm a module or more, whatever the version.
        for (int version : {1, 10, 25}) {
            TSealMatrix matrix;
            matrix.width = 17 + 4 * version;
            QVERIFY(TSealPrint::SideMm(matrix) / (matrix.width + 8) >= 0.5);
        }
    }

    // The lines are found in page text the way a page break leaves it, by both verifiers,
    // and any change to a line's text is caught.
    void linesAreFoundInPageText_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        const QString cut = QStringLiteral(
            "Office\nPeriod: 1 January - 31 December 2005\nDate Conference Units Credits\n"
            "1 Jan 2005 Grand Rounds 1 0.25 CME;\n17 May Grand Rounds 17: Case 0.50 CME; Lunch\n"
            "Jane Roe \u00b7 Page 1 of 2\n\fDate Conference Units Credits\n17 May\n2005\n"
            "Grand Rounds 17: Case\nabc\nLunch\nprovided;\n2 Jun 2005 Oncology 1.00 AMA;\n"
            "Units per credit type\nCME 0.75\nJane Roe \u00b7 Page 2 of 2\n\f");
        const QString d = QStringLiteral("d MMM yyyy");
        QTest::newRow("cut by a page break") << d << cut << true;
        QTest::newRow("units taking a digit of the title")
            << d << QString(cut).replace("Rounds 1 0.25", "Rounds 10.25") << false;
        QTest::newRow("rest of a cut title changed")
            << d << QString(cut).replace("\nabc\n", "\nabd\n") << false;
        QTest::newRow("rest of a cut date changed")
            << d << QString(cut).replace("\n2005\nGrand", "\n2006\nGrand") << false;
        QTest::newRow("a line left out")
            << d << QString(cut).remove("2 Jun 2005 Oncology 1.00 AMA;\n") << false;
        QTest::newRow("one page, one-word dates")
            << QStringLiteral("dd.MM.yy")
            << QStringLiteral("01.01.05 Grand Rounds 1 0,25 CME;\n17.05.05 Grand Rounds 17: "
                              "Case\nabc\n0,50 CME; Lunch\nprovided;\n02.06.05 Oncology 1,00 "
                              "AMA;\nCME 0,75\n\f")
            << true;
    }
    void linesAreFoundInPageText()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        const bool german = pattern.contains(u'.');
        auto units = [german](const char* u) { return QString::fromLatin1(u).replace(u'.', german ? u',' : u'.'); };
        auto date = [german](const char* us, const char* de) { return QString::fromLatin1(german ? de : us); };
        const QList<QStringList> lines{
            {date("1 Jan 2005", "01.01.05"), "Grand Rounds 1", units("0.25"), "CME;", ""},
            {date("17 May 2005", "17.05.05"), "Grand Rounds 17: Case abc", units("0.50"), "CME;",
             "Lunch provided;"},
            {date("2 Jun 2005", "02.06.05"), "Oncology", units("1.00"), "AMA;", ""}};
        const QByteArray digest = TSealFormat::Sha256(TSealFormat::CanonicalLines(lines));
        QCOMPARE(TSealFormat::PageTextMatches(text, 3, digest, pattern), matches);
        REQUIRE_TOOLS();
        QProcess script;
        script.start("/usr/bin/python3", {kScript, "lines", pattern, "3", digest.toHex()});
        script.write(text.toUtf8());
        script.closeWriteChannel();
        QVERIFY(script.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(script.readAllStandardOutput()).trimmed(),
                 matches ? QStringLiteral("match") : QStringLiteral("no match"));
    }

    // A preview and a PDF file of a short transcript: the code holds the lines themselves.
    void shortTranscriptVerifies()
    {
        REQUIRE_TOOLS();
        TDocumentsFixture f;
        UseYear2005(f);
        f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, {QStringLiteral("1")});
        QVERIFY(QFileInfo::exists(Pub(f)));
        QCOMPARE(QFileInfo(f.db.FilePath("office.key")).permissions() & 0x0077, 0);
        const QString preview = f.windows.previews.value(0).pdf;
        QVERIFY(PdfText(preview).contains("Verify this transcript: scan the code or run "
                                          "quorvel-admin verify"));
        QVERIFY(PdfText(preview).contains(
            "Key fingerprint " + TSealKey::FingerprintOf(TSealKey::LoadPublic(Pub(f)))));
        const QString record = BothValid(preview, Pub(f));
        // A picture of the page.
        QTemporaryDir pictures;
        QCOMPARE(QProcess::execute("pdftoppm", {"-r", "200", "-png", "-singlefile", preview,
                                                 pictures.filePath("page")}),
                 0);
        const TResult png = Admin({"verify", pictures.filePath("page.png"), "--key", Pub(f)});
        QVERIFY2(png.code == 0 && png.out.endsWith("valid\n"), qPrintable(png.out));
        QVERIFY(png.out.contains("Participant: Anna Smith\n"));
        QVERIFY2(record.contains("\"n\": \"Anna Smith\"") && record.contains("\"p\": \"" + TDocuments::PeriodText(f.timeFilter) + "\"") &&
                     record.contains("\"i\": \"Office of CME\"") &&
                     record.contains("[\"3/7/05\", \"Cardiology Update\", \"1.50\", \"CME;\", "
                                     "\"Lunch provided;\"]") &&
                     record.contains("[\"CNE\", \"2.00\"]"),
                 qPrintable(record));
        // The page's own lines must be the signed ones.
        const QString text = TSealCommand::ReadPdf(preview).text;
        const TSealCheck check =
            TSealFormat::Check(CodeOf(preview), TSealKey::LoadPublic(Pub(f)));
        const QByteArray digest =
            TSealFormat::Sha256(TSealFormat::CanonicalLines(check.record.lines));
        QVERIFY(TSealFormat::PageTextMatches(text, 2, digest, check.record.dateFormat));
        QVERIFY(!TSealFormat::PageTextMatches(QString(text).replace("Oncology Day", "Oncology Days"),
                                              2, digest, check.record.dateFormat));
    }

    // 40 conferences do not fit: the code holds the totals, the number of lines and their
    // digest, and both verifiers find the lines in the PDF's own text.
    void longTranscriptVerifiesThroughTheDigest()
    {
        REQUIRE_TOOLS();
        TDocumentsFixture f;
        UseYear2005(f);
        for (int i = 0; i < 40; ++i) {
            const int id = 100 + i;
            f.db.Exec(QStringLiteral("insert into conferences (conf_id, conf_name, begin_date, "
                                     "end_date, series, units) values (%1, 'Grand Rounds %2: "
                                     "Case %6', '2005-%3-%4 09:00:00', '2005-%3-%4 17:00:00', "
                                     "'Rounds', %5)")
                          .arg(id)
                          .arg(i + 1)
                          .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                          .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                          .arg(0.25 * (1 + i % 5))
                          .arg(QString::fromLatin1(
                              QCryptographicHash::hash(QByteArray::number(i),
                                                       QCryptographicHash::Sha1)
                                  .toHex())));
            f.db.Exec(QStringLiteral("insert into conf_credits (conf_id, credit_id) values (%1, "
                                     "%2)")
                          .arg(id)
                          .arg(i % 2 ? 1 : 3));
            f.db.Exec(QStringLiteral("insert into attendances (conf_id, user_id, sign_in_date) "
                                     "values (%1, 1, '2005-01-01 08:00:00')")
                          .arg(id));
        }
        // Page numbers under every page, as a layout may put them between the lines.
        QFile rav(f.db.FilePath("cme.rav"));
        QVERIFY(rav.open(QIODevice::ReadOnly));
        QByteArray project = rav.readAll();
        rav.close();
        project.replace("@each TransParticipants by user_id\n",
                        "@each TransParticipants by user_id\n@pagefooter Page {{page}} of "
                        "{{pages}}\n");
        f.WriteProject(project);
        f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, {QStringLiteral("1")});
        const QString pdf = f.windows.previews.value(0).pdf;
        QVERIFY(PdfPages(PdfText(pdf)).size() >= 2);

        const QString code = CodeOf(pdf);
        const TSealCheck check = TSealFormat::Check(code, TSealKey::LoadPublic(Pub(f)));
        QVERIFY2(check.Ok() && check.record.HasDigest(), qPrintable(check.reason));
        QCOMPARE(check.record.lineCount, 42);
        QVERIFY(TSealFormat::Matrix(code).version <= TSealFormat::MaxVersion);
        const QString record = BothValid(pdf, Pub(f));
        QVERIFY2(record.contains("\"ln\": 42"), qPrintable(record));

        // One line of the PDF's text changed, or left out: the lines no longer match.
        const QString text = TSealCommand::ReadPdf(pdf).text;
        QVERIFY(TSealFormat::PageTextMatches(text, 42, check.record.linesDigest, check.record.dateFormat));
        QString changed = text;
        changed.replace("Grand Rounds 17:", "Grand Rounds 71:");
        QVERIFY(changed != text);
        QVERIFY(!TSealFormat::PageTextMatches(changed, 42, check.record.linesDigest, check.record.dateFormat));
        QString units = text;
        units.replace(QRegularExpression("(Grand Rounds 5: Case[\\w\\s]+?)1([.,])25"), "\\19\\225");
        QVERIFY(units != text);
        QVERIFY(!TSealFormat::PageTextMatches(units, 42, check.record.linesDigest, check.record.dateFormat));
    }

    // A changed record, a damaged code, another office's key.
    void changedRecordAndAnotherKeyAreRefused()
    {
        REQUIRE_TOOLS();
        TDocumentsFixture f;
        UseYear2005(f);
        const QString pdf = f.db.FilePath("one.pdf");
        f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, {QStringLiteral("2")});
        const QString code = CodeOf(f.windows.previews.value(0).pdf);
        QVERIFY(code.startsWith("CE1:"));

        const TResult tampered = Script({"tamper", code});
        if (tampered.code == 77)
            QSKIP(qPrintable(tampered.out));
        const QString forged = tampered.out.trimmed();
        TResult admin = Admin({"verify", forged, "--key", Pub(f)});
        QCOMPARE(admin.code, 1);
        QVERIFY2(admin.out.startsWith("NOT VALID: the record was changed"), qPrintable(admin.out));
        QVERIFY(Script({"check", "--key", Pub(f), "--text", forged})
                    .out.startsWith("NOT VALID: the record was changed"));

        QString damaged = code;
        damaged.chop(3);
        admin = Admin({"verify", damaged, "--key", Pub(f)});
        QVERIFY2(admin.out.startsWith("NOT VALID: the code is damaged"), qPrintable(admin.out));

        QTemporaryDir other;
        QCOMPARE(Admin({"keygen", other.path()}).code, 0);
        const QString otherPub = QDir(other.path()).filePath("office.pub");
        admin = Admin({"verify", f.windows.previews.value(0).pdf, "--key", otherPub});
        QCOMPARE(admin.code, 1);
        QVERIFY2(admin.out.startsWith("NOT VALID: it was signed with another key"),
                 qPrintable(admin.out));
        QVERIFY(Script({"check", "--key", otherPub, "--text", code})
                    .out.startsWith("NOT VALID: signed with another key"));
        // keygen never replaces a key.
        admin = Admin({"keygen", other.path()});
        QCOMPARE(admin.code, 1);
        QVERIFY2(admin.out.contains("exists already"), qPrintable(admin.out));
    }

    // The key is checked before anything is printed, previewed or mailed.
    void keyProblemsStopTheRun_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("message");
        QTest::newRow("open permissions")
            << "open" << "may be read or changed by other users (mode 0644); it is not used";
        QTest::newRow("missing key beside its public key")
            << "missing" << "the office's signing key %1 is missing (its public key office.pub "
                            "is there). Nothing was printed or sent.";
        QTest::newRow("damaged") << "damaged" << "is damaged: it is not a key of this program";
    }
    void keyProblemsStopTheRun()
    {
        QFETCH(QString, problem);
        QFETCH(QString, message);
        TDocumentsFixture f;
        UseYear2005(f);
        const QString key = f.db.FilePath("office.key");
        TSealKey::Generate().Save(f.db.Dir());
        if (problem == "open")
            QVERIFY(::chmod(QFile::encodeName(key).constData(), 0644) == 0);
        else if (problem == "missing")
            QVERIFY(QFile::remove(key));
        else {
            QFile file(key);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("not a key\n");
        }
        const QString preview = ErrorOf(
            [&] { f.docs->PreviewTranscripts(f.confFilter, f.timeFilter); });
        QVERIFY2(preview.contains(message.contains("%1") ? message.arg(key) : message),
                 qPrintable(preview));
        QVERIFY(preview.startsWith("The transcripts cannot be signed: "));
        const QString generate = ErrorOf(
            [&] { f.docs->GenerateTranscripts(f.confFilter, f.timeFilter); });
        QCOMPARE(generate, preview);
        QCOMPARE(f.windows.statusWindows, 0);
        QCOMPARE(f.windows.previews.size(), 0);
        QVERIFY(!QFileInfo::exists(f.db.FilePath("PDF")));
        // Signing switched off: the run goes on, without a code.
        f.dm->Config->WriteInteger("Transcript", "Sign", 0);
        f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, {QStringLiteral("1")});
        QVERIFY(!PdfText(f.windows.previews.value(0).pdf).contains("Verify this transcript"));
    }

    // Every e-mailed PDF carries its own valid code.
    void emailedPdfsVerify()
    {
        REQUIRE_TOOLS();
        TSmtpServer server;
        if (!server.Start())
            QSKIP(qPrintable(server.SkipReason()));
        TDocumentsFixture f;
        UseYear2005(f);
        f.db.Exec("update participants set mail_type = null where mail_type in (2, 3)");
        f.db.Exec("update participants set email = 'p' || user_id || '@example.org'");
        server.WriteMailSettings(*f.dm->Config, "Transcript");
        f.windows.chooseOkToAll = true;
        f.docs->GenerateTranscripts(f.confFilter, f.timeFilter);
        const auto messages = server.Messages();
        QCOMPARE(messages.size(), 3);
        QStringList names;
        for (const QJsonObject& message : messages) {
            const QString path =
                message["attachments"].toArray()[0].toObject()["path"].toString();
            const QString record = BothValid(path, Pub(f));
            const qsizetype at = record.indexOf("\"n\": \"");
            names << record.mid(at + 6, record.indexOf('"', at + 6) - at - 6);
        }
        names.sort();
        QCOMPARE(names, QStringList({"Anna Smith", "Bob smithers", "Zed Smith"}));
    }
};

QTEST_MAIN(tst_seal)
#include "tst_seal.moc"
