#include "data/TBadgeCodes.h"
#include "documents/TBadgeRun.h"
#include "TDocumentsFixture.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// Runs a tool and returns its standard output; empty with a warning when it fails.
QString Run(const QString& program, const QStringList& arguments, bool allowExit1 = false)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) ||
        (process.exitCode() != 0 && !(allowExit1 && process.exitCode() == 1))) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Every QR code on every page of the PDF, read by an independent decoder.
QStringList DecodedCodes(const QString& pdf, const QString& folder)
{
    const QString prefix = QDir(folder).filePath(QStringLiteral("page"));
    Run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("150"),
                                     QStringLiteral("-gray"), QStringLiteral("-png"), pdf, prefix});
    QStringList codes;
    for (const QString& image : QDir(folder).entryList({QStringLiteral("page*.png")}, QDir::Files,
                                                        QDir::Name))
        for (const QString& line :
             Run(QStringLiteral("zbarimg"),
                 {QStringLiteral("--raw"), QStringLiteral("-q"),
                  QStringLiteral("-Sdisable"), QStringLiteral("-Sqrcode.enable"),
                  QDir(folder).filePath(image)},
                 true)
                 .split(u'\n', Qt::SkipEmptyParts))
            codes << line.trimmed();
    return codes;
}

} // namespace

// Badges on real PDF files: each QR code, read back from the rendered pages by zbarimg, gives
// its holder's stored code, on every sheet.
class TstBadges : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<TDocumentsFixture>(); }
    void cleanup() { m_fx.reset(); }

    void everyQrCodeGivesItsHoldersCode_data();
    void everyQrCodeGivesItsHoldersCode();
    void conferenceListTakesAttendeesAndRegistrants();
    void badgeLayoutComesFromTheReportProject();

private:
    std::unique_ptr<TDocumentsFixture> m_fx;
};

void TstBadges::everyQrCodeGivesItsHoldersCode_data()
{
    QTest::addColumn<int>("sheet");
    QTest::addColumn<int>("pages");
    QTest::newRow("A4 2 x 7") << int(TBadgeSheet::A4Labels) << 2;
    QTest::newRow("Letter 2 x 5") << int(TBadgeSheet::LetterLabels) << 2;
    QTest::newRow("one per page") << int(TBadgeSheet::OnePerPage) << 16;
}

void TstBadges::everyQrCodeGivesItsHoldersCode()
{
    QFETCH(int, sheet);
    QFETCH(int, pages);
    // Sixteen people: more than one sheet of labels.
    for (int i = 0; i < 10; ++i)
        m_fx->db.Exec(QStringLiteral("insert into participants (last_name, first_name, city) "
                                     "values ('Person%1', 'Vera', 'Springfield')")
                          .arg(i, 2, 10, QLatin1Char('0')));
    QList<int> ids;
    for (int id = 1; id <= 16; ++id)
        ids << id;
    // One already has a code, which the run keeps.
    const QString kept = TBadgeCodes(m_fx->db.Conn()).CodeFor(3);

    TBadgeRun run(*m_fx->docs, ids, 1, TBadgeSheet(sheet));
    QCOMPARE(run.BadgeCount(), 16);
    QCOMPARE(run.PageCount(), pages);
    QCOMPARE(run.Codes().at(2), kept);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("badges.pdf"));
    run.ToPdf(pdf);

    QStringList stored;
    for (int id : ids)
        stored << m_fx->db.Conn()
                      .ScalarQuery(QStringLiteral("select badge_code from participants where "
                                                  "user_id = ?"),
                                   {id})
                      .toString();
    QCOMPARE(run.Codes(), stored);
    QStringList decoded = DecodedCodes(pdf, dir.path());
    decoded.sort();
    stored.sort();
    QCOMPARE(decoded, stored);
    // Drawn, not pasted in as pictures.
    const QStringList images =
        Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(images.size(), 2); // the two heading lines, no picture
    QCOMPARE(TDocumentsTest::PdfPages(TDocumentsTest::PdfText(pdf)).size(), pages);
    const QString text = TDocumentsTest::PdfText(pdf);
    for (const QString& expected : {QStringLiteral("Anna Smith"), QStringLiteral("Cardiology Update"),
                                    QStringLiteral("MD, Cardiology"), QStringLiteral("Person09"),
                                    kept})
        QVERIFY2(text.contains(expected), qPrintable(expected));
}

void TstBadges::conferenceListTakesAttendeesAndRegistrants()
{
    TDM& dm = *m_fx->dm;
    QList<int> ids = TBadgeRun::ConferenceParticipants(dm, 1);
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids, (QList<int>{1, 2, 3, 6}));
    QVERIFY(TBadgeRun::ConferenceParticipants(dm, QVariant()).isEmpty());
    // Where the database keeps registrations, the registered come too, once.
    m_fx->db.Exec("create table if not exists registrations (conf_id integer, user_id integer, registered_at "
                  "text, source text)");
    m_fx->db.Exec("insert into registrations (conf_id, user_id) values (1, 4), (1, 1), (2, 5)");
    ids = TBadgeRun::ConferenceParticipants(dm, 1);
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids, (QList<int>{1, 2, 3, 4, 6}));
}

void TstBadges::badgeLayoutComesFromTheReportProject()
{
    m_fx->WriteProject("@report BadgeReport\n<p>Hello {{last_name}} of {{conf_name}} "
                       "{{badge_code}}</p>\n");
    TBadgeRun mine(*m_fx->docs, {1}, 2, TBadgeSheet::A4Labels);
    QCOMPARE(mine.SectionTexts().value(0).trimmed(),
             QStringLiteral("Hello Smith of Oncology Day ") + mine.Codes().at(0));
    // A project made before badges has none: the default badge is used.
    m_fx->WriteProject("@report Mine\n<p/>\n");
    TBadgeRun older(*m_fx->docs, {2, 99}, QVariant(), TBadgeSheet::OnePerPage);
    QCOMPARE(older.BadgeCount(), 1);
    QVERIFY2(older.SectionTexts().at(0).contains(QStringLiteral("Jörg Müller")),
             qPrintable(older.SectionTexts().at(0)));
    // The sheet chosen is remembered in the settings.
    TBadgeSheetLayout::Remember(m_fx->dm->Config, TBadgeSheet::LetterLabels);
    QCOMPARE(TBadgeSheetLayout::Remembered(m_fx->dm->Config), TBadgeSheet::LetterLabels);
    QCOMPARE(TBadgeSheetLayout::Remembered(nullptr), TBadgeSheet::A4Labels);
}

QTEST_MAIN(TstBadges)
#include "tst_badges.moc"
