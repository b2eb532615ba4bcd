#include "TDocumentsFixture.h"

#include "tools/TAdminCommand.h"
#include "support/TGuiTest.h"
#include "documents/TReportProject.h"
#include "documents/TReportRenderer.h"
#include "documents/TReportRun.h"

#include <QImage>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace TDocumentsTest;

namespace
{

// A transcript template that shows the prepared values plainly, one participant a section.
const QByteArray kTranscriptProbe =
    "@report TranscriptReport\n"
    "@each TransParticipants by user_id\n"
    "<pre>[{{user_id}}|{{FullAddress}}|{{#TransConferences}}{{conf_name}}({{units}}):"
    "{{c_credits}}/{{c_extras}}#{{/TransConferences}}|{{#TransStatistics}}{{c_name}}="
    "{{credit_units}}#{{/TransStatistics}}|{{pHeaderText}}|{{pFooterText}}]</pre>\n"
    "@report ConfPartsReport\n"
    "<pre>{{pAttConfName}}|{{#ConfParts}}[{{FullName}}]{{/ConfParts}}</pre>\n";

QStringList Sorted(QStringList list)
{
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        return a.section(u'|', 0, 0).mid(1).toInt() < b.section(u'|', 0, 0).mid(1).toInt();
    });
    return list;
}

QStringList Trimmed(QStringList list)
{
    for (QString& s : list)
        s = s.trimmed();
    return list;
}

TTimeFilter Year(const QString& year)
{
    return TTimeFilter(year);
}

// The page size pdfinfo reads from a PDF file ("612 x 792 pts (letter)").
QString PdfPageSize(const QString& path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    if (!info.waitForFinished(60000))
        return QStringLiteral("<pdfinfo failed>");
    static const QRegularExpression size(QStringLiteral("Page size:\\s*(.*)"));
    return size.match(QString::fromUtf8(info.readAllStandardOutput())).captured(1).trimmed();
}

using TGuiTest::ScreenshotDir;

// The first page of a PDF file as a picture among the screenshots, to look at.
void SavePicture(const QString& pdf, const QString& name)
{
    QProcess png;
    png.start(QStringLiteral("pdftoppm"), {"-png", "-r", "80", "-singlefile", pdf,
                                           QDir(ScreenshotDir()).filePath(name)});
    png.waitForFinished(60000);
}

// Sets the default locale for one test and restores it.
struct TLocaleScope {
    explicit TLocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleScope() { QLocale::setDefault(m_saved); }
    QLocale m_saved;
};

// The ids of the jobs the print server knows on QuorvelPDF, finished ones included.
QStringList PrintJobs()
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {"-W", "all", "-o", "QuorvelPDF"});
    lpstat.waitForFinished(10000);
    QStringList jobs;
    for (const QString& line : QString::fromUtf8(lpstat.readAllStandardOutput()).split(u'\n'))
        if (line.startsWith(QLatin1String("QuorvelPDF-")))
            jobs << line.section(u' ', 0, 0);
    return jobs;
}

} // namespace

class tst_reports : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void projectErrors_data();
    void projectErrors();
    void transcriptData_data();
    void transcriptData();
    void creditAndExtraTexts();
    void parametersReadAtEveryRun();
    void attendanceSheetNames_data();
    void attendanceSheetNames();
    void attendanceSheetFollowsSearch();
    void transcriptPdf();
    void previewOpensAfterItsFirstPages_data();
    void previewOpensAfterItsFirstPages();
    void okToAllConfirmsTheRestOfTheSeries();
    void cancelLeavesNoFile();
    void generateWithoutPostalParticipantsPrintsNothing();
    void printsPostalTranscriptsOnTheDefaultPrinter();
    void printTheirsPrintsExactlyThem();
    void cancelWhilePrintingSendsNothing();
    void noPrinterIsAClearError();
    void defaultProjectIsWrittenOnce();
    void periodText_data();
    void periodText();
    void transcriptTemplate_data();
    void transcriptTemplate();
    void longTranscriptCountsItsPages();
};

void tst_reports::projectErrors_data()
{
    QTest::addColumn<QByteArray>("project"); // "-" = no file at all
    QTest::addColumn<QString>("expected");   // a regular expression on the message

    QTest::newRow("missing file") << QByteArray("-")
                                  << QStringLiteral("report project .*cme\\.rav is missing");
    QTest::newRow("missing report")
        << QByteArray("@report ConfPartsReport\n<p>x</p>\n")
        << QStringLiteral("cme\\.rav has no report \"TranscriptReport\"");
    QTest::newRow("unclosed section names its line")
        << QByteArray("comment\n@report TranscriptReport\n@each TransParticipants\n<p>\n"
                      "{{#TransConferences}}\n<b>x</b>\n")
        << QStringLiteral("^cme\\.rav, line 5: the report \"TranscriptReport\" does not parse: "
                          "Unclosed section \"TransConferences\"");
    QTest::newRow("unclosed tag names its line")
        << QByteArray("@report TranscriptReport\n<p>\n\n{{first_name\n")
        << QStringLiteral("^cme\\.rav, line 4: .*Unclosed tag");
    QTest::newRow("unknown option")
        << QByteArray("@report TranscriptReport\n@colour red\n<p/>\n")
        << QStringLiteral("^cme\\.rav, line 2: unknown report option \"@colour\"");
    QTest::newRow("unknown connection")
        << QByteArray("@report TranscriptReport\n@each Nobody by user_id\n<p/>\n")
        << QStringLiteral("unknown connection \"Nobody\"");
}

void tst_reports::projectErrors()
{
    QFETCH(QByteArray, project);
    QFETCH(QString, expected);
    TDocumentsFixture f;
    if (project == "-") {
        QFile::remove(f.db.FilePath(QStringLiteral("cme.rav")));
        f.docs = std::make_unique<TDocuments>(*f.dm, f.prompts, f.windows);
    } else {
        f.WriteProject(project);
    }
    QString message;
    try {
        f.docs->PreviewTranscripts(f.confFilter, f.timeFilter);
    } catch (const TError& e) {
        message = e.Message();
    }
    QVERIFY2(QRegularExpression(expected).match(message).hasMatch(), qPrintable(message));
    QCOMPARE(f.windows.previews.size(), 0);
}

void tst_reports::transcriptData_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("year"); // empty: no time criterion
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("filtered period, every attendee")
        << QStringList() << QStringLiteral("2005") << QStringList()
        << QStringList{
               "[1||Cardiology Update(1.50):CME; /Lunch provided; #Oncology Day(2.00):CNE; /Bring "
               "O'Reilly book; #|CME=1.50#CNE=2.00#||]",
               "[2||Cardiology Update(1.50):CME; /Lunch provided; #|CME=1.50#||]",
               "[3||Cardiology Update(1.50):CME; /Lunch provided; #|CME=1.50#||]",
               "[4||Range End(1.00):CME; /#|CME=1.00#||]",
               "[6||Cardiology Update(1.50):CME; /Lunch provided; #|CME=1.50#||]"};
    QTest::newRow("chosen ids, one without a conference in the period")
        << QStringList() << QStringLiteral("2005") << QStringList{"5", "2"}
        << QStringList{"[2||Cardiology Update(1.50):CME; /Lunch provided; #|CME=1.50#||]",
                       "[5|||||]"};
    QTest::newRow("full address")
        << QStringList{"update participants set city = 'Springfield', state = 'IL', zip = '62701' "
                       "where user_id = 1",
                       "update participants set city = 'Springfield', state = ' ', zip = '62701' "
                       "where user_id = 2",
                       "update participants set city = '', state = '  ', zip = '' where user_id = "
                       "3",
                       "update participants set city = 'Bern', zip = '3011' where user_id = 5"}
        << QString() << QStringList{"1", "2", "3", "5"}
        << QStringList{"[1|Springfield, IL, 62701|", "[2|Springfield, 62701|", "[3||",
                       "[5|Bern, 3011|"};
    QTest::newRow("null mailing option is previewed")
        << QStringList{"update participants set mail_type = null where user_id = 3"}
        << QStringLiteral("2005") << QStringList{"3"}
        << QStringList{"[3||Cardiology Update(1.50):CME; /Lunch provided; #|CME=1.50#||]"};
    // Dropping the escape of "&" would print "AT&T <x> ©".
    QTest::newRow("a value that looks like markup prints as typed")
        << QStringList{"update participants set city = 'AT&amp;T &lt;x&gt; &copy' where user_id = 1"}
        << QString() << QStringList{"1"} << QStringList{"[1|AT&amp;T &lt;x&gt; &copy|"};
    QTest::newRow("a conference without credit types or extras")
        << QStringList{"insert into attendances (conf_id, user_id, sign_in_date) values (6, 5, "
                       "'2005-01-01 09:00:00')"}
        << QStringLiteral("2005") << QStringList{"5"}
        << QStringList{"[5||Range Start(1.00):/#|||]"};
}

void tst_reports::transcriptData()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, year);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, expected);
    TDocumentsFixture f;
    for (const QString& sql : setup)
        f.db.Exec(sql);
    f.WriteProject(kTranscriptProbe);
    if (!year.isEmpty())
        f.timeFilter = Year(year);
    // The e-mail run leaves the list filtered to one participant: the preview sees everyone.
    f.dm->TransParticipants->SetFilter(QStringLiteral("user_id = 4"));
    f.dm->TransParticipants->SetFiltered(true);

    f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, ids);
    QCOMPARE(f.windows.previews.size(), 1);
    QCOMPARE(f.windows.previews[0].printAllowed, false);
    const QStringList sections = Sorted(Trimmed(f.windows.previews[0].sections));
    QCOMPARE(sections.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(sections[i].startsWith(expected[i]), qPrintable(sections[i]));
    // The preview's pages: one section, one page here.
    QCOMPARE(PdfPages(PdfText(f.windows.previews[0].pdf)).size(), expected.size());
    // The two statements are the design's texts with the filters' condition in their middle.
    const QString condition = TDM::ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."),
                                                        f.confFilter, f.timeFilter);
    QCOMPARE(f.dm->TransConferences->SQL(),
             "select   a.user_id, a.conf_id, c.conf_name, c.begin_date, c.units from   "
             "attendances a, conferences c where   a.conf_id = c.conf_id   " +
                 condition + " ");
    QCOMPARE(f.dm->TransStatistics->SQL(),
             "select   a.user_id, cre.c_name, sum(c.units) as credit_units from   conferences c, "
             "attendances a, conf_credits cc, credits cre where   c.conf_id = a.conf_id and   "
             "cc.conf_id = c.conf_id and   cc.credit_id = cre.credit_id   " +
                 condition + " group by   a.user_id, cre.c_name ");
}

void tst_reports::creditAndExtraTexts()
{
    TDocumentsFixture f;
    // Credit types granted in the order CME, AMA; twelve extras make a text past 200 characters.
    f.db.Exec("insert into conferences (conf_id, conf_name, begin_date, end_date, series, units) "
              "values (20, 'Long Day', '2005-06-01 09:00:00', '2005-06-01 17:00:00', 'S', 3)");
    f.db.Exec("insert into conf_credits (conf_id, credit_id) values (20, 3), (20, 1)");
    QString extras, links;
    for (int i = 0; i < 12; ++i) {
        extras += QStringLiteral("%1(%2, 'Extra item number %3 long')")
                      .arg(i ? ", " : "")
                      .arg(100 + i)
                      .arg(i, 2, 10, QLatin1Char('0'));
        links += QStringLiteral("%1(20, %2)").arg(i ? ", " : "").arg(100 + i);
    }
    f.db.Exec("insert into extras (extra_id, e_name) values " + extras);
    f.db.Exec("insert into conf_extras (conf_id, extra_id) values " + links);
    f.db.Exec("insert into attendances (conf_id, user_id, sign_in_date) values (20, 1, "
              "'2005-06-01 09:00:00')");
    f.WriteProject(kTranscriptProbe);
    f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, {QStringLiteral("1")});

    // The expected texts in the order in which the two lists deliver their rows.
    auto namesOf = [&](TDataSet* ds, const char* field) {
        QString text;
        for (int row = 0; row < ds->RecordCount(); ++row)
            if (ds->RowValue(row, ds->FieldByName("conf_id").Index()).toInt() == 20)
                text +=
                    ds->RowValue(row, ds->FieldByName(QLatin1String(field)).Index()).toString() +
                    "; ";
        return text;
    };
    f.dm->TransConfCredits->SetFiltered(false);
    f.dm->TransConfExtras->SetFiltered(false);
    const QString credits = namesOf(f.dm->TransConfCredits, "c_name");
    const QString extrasText = namesOf(f.dm->TransConfExtras, "e_name");
    QCOMPARE(QStringList(credits.split("; ", Qt::SkipEmptyParts)).size(), 2);
    QVERIFY(extrasText.size() > 200);

    const QString section = f.windows.previews[0].sections.value(0);
    QVERIFY2(section.contains("Long Day(3.00):" + credits + "/" + extrasText.left(200) + "#"),
             qPrintable(section));
    QVERIFY(!section.contains(extrasText.left(201)));
    QVERIFY2(section.contains("AMA=3.00#") && section.contains("CME=4.50#"), qPrintable(section));

    // A credit type renamed since the last run shows in the next one.
    f.db.Exec("update credits set c_name = 'ACCME' where credit_id = 1");
    f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, {QStringLiteral("1")});
    QVERIFY2(f.windows.previews[1].sections.value(0).contains("ACCME; "),
             qPrintable(f.windows.previews[1].sections.value(0)));
}

void tst_reports::parametersReadAtEveryRun()
{
    TDocumentsFixture f;
    f.WriteProject(kTranscriptProbe);
    const QStringList ids{QStringLiteral("5")};
    f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, ids);
    QCOMPARE(f.docs->ReportParameters().value("pHeaderText"), QString());

    f.dm->Config->WriteList(QStringLiteral("Header"), {QStringLiteral("A"), QStringLiteral("B")});
    f.dm->Config->WriteList(QStringLiteral("Footer"), {QStringLiteral("<Dr. & Co>")});
    f.dm->Config->WriteString(QStringLiteral("Bitmaps"), QStringLiteral("HeaderBmp"),
                              f.db.FilePath(QStringLiteral("missing.bmp")));
    f.docs->PreviewTranscripts(f.confFilter, f.timeFilter, ids);
    QCOMPARE(f.docs->ReportParameters().value("pHeaderText"), QStringLiteral("A\r\nB\r\n"));
    QCOMPARE(f.docs->ReportParameters().value("pHeaderBmp"),
             f.db.FilePath(QStringLiteral("missing.bmp")));
    // Each header line on a line of its own; markup in a value is shown as typed.
    QCOMPARE(f.windows.previews[1].sections.value(0).trimmed(),
             QStringLiteral("[5||Pediatric Care(1.00):AMA; /#|AMA=1.00#|A\nB\n|<Dr. & Co>\n]"));
}

void tst_reports::attendanceSheetNames_data()
{
    QTest::addColumn<QString>("titleId");
    QTest::addColumn<QString>("specId");
    QTest::addColumn<QString>("expected");
    QTest::newRow("title and speciality") << "1"
                                          << "1"
                                          << "[Anna Smith MD,  Cardiology]";
    QTest::newRow("speciality only") << "null"
                                     << "1"
                                     << "[Anna Smith ,  Cardiology]";
    QTest::newRow("neither") << "null"
                             << "null"
                             << "[Anna Smith ]";
    QTest::newRow("blank speciality counts as none") << "1"
                                                     << "3"
                                                     << "[Anna Smith MD]";
    QTest::newRow("unknown ids") << "99"
                                 << "98"
                                 << "[Anna Smith ]";
}

void tst_reports::attendanceSheetNames()
{
    QFETCH(QString, titleId);
    QFETCH(QString, specId);
    QFETCH(QString, expected);
    TDocumentsFixture f;
    f.db.Exec("insert into specialities (spec_id, s_name) values (3, '   ')");
    f.db.Exec(
        QStringLiteral("update participants set title_id = %1, spec_id = %2 where user_id = 1")
            .arg(titleId, specId));
    f.dm->Specialities->Requery();
    f.WriteProject(kTranscriptProbe);
    QVERIFY(f.dm->Conferences->Locate(QStringLiteral("conf_id"), 2));
    f.dm->ConfParts->Requery();
    f.docs->PrintConferenceParticipants();
    QCOMPARE(f.windows.previews.size(), 1);
    QCOMPARE(f.windows.previews[0].printAllowed, true);
    QCOMPARE(f.windows.previews[0].sections.value(0).trimmed(),
             QStringLiteral("Oncology Day|") + expected);
}

void tst_reports::attendanceSheetFollowsSearch()
{
    TDocumentsFixture f;
    f.WriteProject(kTranscriptProbe);
    QVERIFY(f.dm->Conferences->Locate(QStringLiteral("conf_id"), 1));
    f.dm->SearchConferenceParticipants(QStringLiteral("Sm"));
    f.docs->PrintConferenceParticipants();
    QCOMPARE(f.windows.previews[0].sections.value(0).trimmed(),
             QStringLiteral("Cardiology Update|[Anna Smith MD,  Cardiology]"));

    // A conference without participants: a sheet without rows; printing stays allowed until a
    // transcript preview refuses it.
    QVERIFY(f.dm->Conferences->Locate(QStringLiteral("conf_id"), 9));
    f.dm->SearchConferenceParticipants(QString());
    f.docs->PrintConferenceParticipants();
    QCOMPARE(f.windows.previews[1].sections.value(0).trimmed(),
             QStringLiteral("Quiz x' or '1'='1 night|"));
    QVERIFY(f.docs->PreviewPrintAllowed());

    // No conference at all: the name is empty.
    f.db.Exec("delete from conferences");
    f.dm->Conferences->Requery();
    f.docs->PrintConferenceParticipants();
    QCOMPARE(f.windows.previews[2].sections.value(0).trimmed(), QStringLiteral("|"));
}

void tst_reports::transcriptPdf()
{
    TDocumentsFixture f;
    f.timeFilter = Year(QStringLiteral("2005"));
    f.dm->Config->WriteList(QStringLiteral("Header"), {QStringLiteral("Office of CME")});
    // A header picture on every transcript; a footer picture that is missing is left out.
    QImage logo(120, 40, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    QVERIFY(logo.save(f.db.FilePath(QStringLiteral("logo.bmp"))));
    f.dm->Config->WriteString(QStringLiteral("Bitmaps"), QStringLiteral("HeaderBmp"),
                              f.db.FilePath(QStringLiteral("logo.bmp")));
    f.dm->Config->WriteString(QStringLiteral("Bitmaps"), QStringLiteral("FooterBmp"),
                              f.db.FilePath(QStringLiteral("gone.bmp")));
    f.docs->SetUpTranscriptReport();
    TDM::SetQuery(f.dm->TransParticipants,
                  {TDM::SelectTranscriptParticipants(f.confFilter, f.timeFilter) +
                   QStringLiteral("order by p.user_id")});
    TDM::SetQuery(f.dm->TransConferences,
                  {"select a.user_id, a.conf_id, c.conf_name, c.begin_date, c.units from "
                   "attendances a, conferences c where a.conf_id = c.conf_id"});
    TDM::SetQuery(f.dm->TransStatistics,
                  {"select a.user_id, cre.c_name, sum(c.units) as credit_units from conferences c, "
                   "attendances a, conf_credits cc, credits cre where c.conf_id = a.conf_id and "
                   "cc.conf_id = c.conf_id and cc.credit_id = cre.credit_id group by a.user_id, "
                   "cre.c_name"});
    const QString path = f.db.FilePath(QStringLiteral("all.pdf"));
    f.docs->WriteTranscriptPdf(path);

    const QStringList pages = PdfPages(PdfText(path));
    // Every participant starts a new page: participants 1, 2, 3, 4, 6 in that order.
    QCOMPARE(pages.size(), 5);
    const QStringList names{"Anna Smith", "Jörg Müller", "Liam O'Brien", "Bob smithers",
                            "Zed Smith"};
    for (int i = 0; i < names.size(); ++i) {
        QVERIFY2(pages[i].contains(names[i]), qPrintable(pages[i]));
        QVERIFY2(pages[i].contains("Office of CME"), qPrintable(pages[i]));
        QVERIFY2(pages[i].contains("Cardiology Update") || i == 3, qPrintable(pages[i]));
    }
    // Jörg Müller: both conferences (the queries here have no period), totals per credit type.
    QVERIFY2(pages[1].contains("Card Games") &&
                 (pages[1].contains("CME; CNE;") || pages[1].contains("CNE; CME;")),
             qPrintable(pages[1]));
    QVERIFY2(QRegularExpression("CME\\s+2\\.25").match(pages[1]).hasMatch(), qPrintable(pages[1]));
    QVERIFY2(QRegularExpression("CNE\\s+0\\.75").match(pages[1]).hasMatch(), qPrintable(pages[1]));

    QProcess images;
    images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
    QVERIFY(images.waitForFinished(60000));
    const QStringList imageLines =
        QString::fromUtf8(images.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(imageLines.size() - 2, 5); // two heading lines, then one picture per page

    QCOMPARE(f.windows.statusWindows, 1);
    QCOMPARE(f.windows.progress.first(), QStringLiteral("Generating page 1"));
    QVERIFY(f.windows.progress.contains("Generating page 5"));
    QCOMPARE(f.windows.progress.last(), QStringLiteral("Printing page 5"));
    QCOMPARE(f.windows.finishes, QList<bool>{true});
    QCOMPARE(f.windows.okToAllOffered, QList<bool>{false});
}

void tst_reports::previewOpensAfterItsFirstPages_data()
{
    QTest::addColumn<QByteArray>("footer");
    QTest::addColumn<int>("pagesAtOpen");
    QTest::newRow("no page count") << QByteArray() << 2;
    // The first page shows the total: every page is laid out before the window opens.
    QTest::newRow("page count in the footer")
        << QByteArray("@pagefooter Page {{page}} of {{pages}}\n") << 6;
    // The pages of one transcript are known once it is laid out: no wait for the others.
    QTest::newRow("page count of each transcript")
        << QByteArray("@pagefooter Page {{sectionpage}} of {{sectionpages}}\n") << 2;
}

void tst_reports::previewOpensAfterItsFirstPages()
{
    QFETCH(QByteArray, footer);
    QFETCH(int, pagesAtOpen);
    TDocumentsFixture f;
    QByteArray project = kTranscriptProbe;
    project.insert(project.indexOf("<pre>"), footer);
    f.WriteProject(project);
    f.docs->PreviewTranscripts(f.confFilter, f.timeFilter);

    QCOMPARE(f.windows.previews.size(), 1);
    QCOMPARE(f.windows.previews[0].pagesAtOpen, pagesAtOpen);
    QCOMPARE(f.windows.progress.size(), pagesAtOpen);
    QCOMPARE(f.windows.progress.last(), QStringLiteral("Generating page %1").arg(pagesAtOpen));
    // The window lays out the rest: every participant is in the preview.
    QCOMPARE(f.windows.previews[0].sections.size(), 6);
    const QStringList pages = PdfPages(PdfText(f.windows.previews[0].pdf));
    QCOMPARE(pages.size(), 6);
    if (footer.contains("{{pages}}"))
        QVERIFY2(pages[0].contains("Page 1 of 6") && pages[5].contains("Page 6 of 6"),
                 qPrintable(pages.join('|')));
    if (footer.contains("{{sectionpages}}"))
        QVERIFY2(pages[0].contains("Page 1 of 1") && pages[5].contains("Page 1 of 1"),
                 qPrintable(pages.join('|')));
}

void tst_reports::okToAllConfirmsTheRestOfTheSeries()
{
    TDocumentsFixture f;
    f.docs->SetUpTranscriptReport();
    f.dm->TransParticipants->Open();
    f.dm->TransParticipants->SetFilter(QStringLiteral("user_id = 1"));
    f.dm->TransParticipants->SetFiltered(true);
    f.windows.chooseOkToAll = true;
    TReportSeries series;
    for (int i = 0; i < 3; ++i)
        f.docs->WriteTranscriptPdf(f.db.FilePath(QStringLiteral("%1.pdf").arg(i)), &series);
    QCOMPARE(f.windows.finishes, (QList<bool>{true, false, false}));
    QCOMPARE(f.windows.okToAllOffered, (QList<bool>{true, false, false}));
    QVERIFY(PdfText(f.db.FilePath("2.pdf")).contains("Anna Smith"));
}

void tst_reports::cancelLeavesNoFile()
{
    TDocumentsFixture f;
    f.docs->SetUpTranscriptReport();
    const QString fresh = f.db.FilePath(QStringLiteral("fresh.pdf"));
    const QString old = f.db.FilePath(QStringLiteral("old.pdf"));
    QFile oldFile(old);
    QVERIFY(oldFile.open(QIODevice::WriteOnly));
    oldFile.write("earlier run");
    oldFile.close();

    // Cancel while generating and while writing the pages.
    for (int cancelAt : {1, 7}) {
        f.windows.progress.clear();
        f.windows.cancelAtProgress = cancelAt;
        for (const QString& path : {fresh, old})
            QVERIFY_THROWS_EXCEPTION(EReportCancelled, f.docs->WriteTranscriptPdf(path));
        QVERIFY(f.windows.progress.size() >= cancelAt);
        QVERIFY(!QFile::exists(fresh));
        QVERIFY(oldFile.open(QIODevice::ReadOnly));
        QCOMPARE(oldFile.readAll(), QByteArray("earlier run"));
        oldFile.close();
    }
    QVERIFY(f.windows.finishes.isEmpty());
    QVERIFY(QDir(f.db.Dir()).entryList({"*.pdf*", "*.pdf.*"}, QDir::Files) ==
            QStringList{"old.pdf"});
}

void tst_reports::generateWithoutPostalParticipantsPrintsNothing()
{
    // Participants 1 and 4 want e-mail: no print job. The e-mail step writes their two PDFs
    // (the only status windows) and counts their empty addresses; the desktop-mail handler
    // sends nothing.
    TDocumentsFixture f;
    f.dm->Config->WriteString(QStringLiteral("Mail"), QStringLiteral("HandlerType"),
                              QStringLiteral("2"));
    f.docs->GenerateTranscripts(f.confFilter, f.timeFilter,
                                {QStringLiteral("1"), QStringLiteral("4")});
    QCOMPARE(f.windows.statusWindows, 2);
    QCOMPARE(
        QDir(f.db.FilePath(QStringLiteral("PDF"))).entryList(QDir::Files | QDir::Hidden).size(), 2);
    QCOMPARE(f.prompts.shown.size(), 1);
    QCOMPARE(f.prompts.LastText(),
             QStringLiteral("There are 2 participants with wrong (empty) e-mails!"));
}

// The text of the next file cups-pdf writes for a job of ours, once the queue is done with it;
// the file is removed, so the next job may take its name again.
// The text of the next job the test printer wrote; with keyFile, validCodes counts the signed
// codes in it that verify with that key.
static QString NextPrintedText(const QStringList& before, const QString* keyFile = nullptr,
                               int* validCodes = nullptr)
{
    const QDir out(CupsPdfFolder());
    QString printed;
    auto newPdf = [&] {
        for (const QString& name : out.entryList({"*.pdf"}, QDir::Files))
            if (!before.contains(name) && name.startsWith("ReportPrinter_Report"))
                printed = out.filePath(name);
        if (printed.isEmpty())
            return false;
        // The job is done when the queue no longer lists it.
        QProcess lpstat;
        lpstat.start("lpstat", {"-o", "QuorvelPDF"});
        return lpstat.waitForFinished(10000) && lpstat.readAllStandardOutput().trimmed().isEmpty();
    };
    for (int waited = 0; !newPdf() && waited < 600; ++waited)
        QTest::qWait(100);
    if (printed.isEmpty())
        return QStringLiteral("<nothing printed>");
    const QString text = PdfText(printed);
    if (keyFile) {
        // Each printed transcript carries its own signed code.
        QString verified;
        QTextStream verifyOut(&verified);
        TAdminCommand::Run({"verify", printed, "--key", *keyFile}, verifyOut, verifyOut);
        verifyOut.flush();
        *validCodes = int(verified.count(QStringLiteral("\nvalid\n")));
    }
    QFile::remove(printed);
    return text;
}

void tst_reports::printsPostalTranscriptsOnTheDefaultPrinter()
{
    if (const QString reason = NoTestPrinter(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const QStringList before = QDir(CupsPdfFolder()).entryList({"*.pdf"}, QDir::Files);

    TDocumentsFixture f;
    f.timeFilter = Year(QStringLiteral("2005"));
    // The e-mail participants have no address, so the e-mail step sends nothing, but it
    // leaves its one-participant row filter behind: the second run must print everyone again.
    f.dm->Config->WriteString(QStringLiteral("Mail"), QStringLiteral("HandlerType"),
                              QStringLiteral("2"));
    for (int run = 1; run <= 2; ++run) {
        f.docs->GenerateTranscripts(f.confFilter, f.timeFilter);
        // Postal (Jörg Müller) and fax (Liam O'Brien) in one job; the e-mail participants not.
        int validCodes = 0;
        const QString keyFile = f.db.FilePath("office.pub");
        const QString text = NextPrintedText(before, &keyFile, &validCodes);
        const QStringList pages = PdfPages(text);
        QCOMPARE(validCodes, 2);
        QCOMPARE(pages.size(), 2);
        QVERIFY2(text.contains("Jörg Müller") && text.contains("Liam O'Brien"), qPrintable(text));
        QVERIFY2(!text.contains("Smith"), qPrintable(text));
        // Only the conferences of 2005: Jörg Müller's Card Games of 2004 is neither listed nor
        // counted in his totals.
        QVERIFY2(!text.contains("Card Games") && !text.contains("CNE") && !text.contains("2.25"),
                 qPrintable(text));
        for (const QString& page : pages)
            QVERIFY2(QRegularExpression("CME\\s+1\\.50").match(page).hasMatch() &&
                         QRegularExpression("Total units\\s+1\\.50").match(page).hasMatch(),
                     qPrintable(page));
    }
}

void tst_reports::printTheirsPrintsExactlyThem()
{
    if (const QString reason = NoTestPrinter(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const QStringList before = QDir(CupsPdfFolder()).entryList({"*.pdf"}, QDir::Files);
    TDocumentsFixture f;
    // Anna Smith and Bob smithers want e-mail and have no address: their transcripts go to
    // the printer in one job, whatever their mailing option.
    f.docs->PrintTranscripts(f.confFilter, f.timeFilter, {QStringLiteral("1"), QStringLiteral("4")});
    const QString text = NextPrintedText(before);
    QCOMPARE(PdfPages(text).size(), 2);
    QVERIFY2(text.contains("Anna Smith") && text.contains("Bob smithers"), qPrintable(text));
    QVERIFY2(!text.contains("Müller") && !text.contains("Zed"), qPrintable(text));
}

void tst_reports::cancelWhilePrintingSendsNothing()
{
    if (const QString reason = NoTestPrinter(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const QStringList jobsBefore = PrintJobs();
    TDocumentsFixture f;
    f.timeFilter = Year(QStringLiteral("2005"));
    f.db.Exec(QStringLiteral("update participants set mail_type = null where mail_type = 1"));
    // Generating pages 1 and 2, printing page 1, then Cancel at "Printing page 2".
    f.windows.cancelAtProgress = 4;
    QVERIFY_THROWS_EXCEPTION(EReportCancelled,
                             f.docs->GenerateTranscripts(f.confFilter, f.timeFilter));
    QCOMPARE(f.windows.progress.last(), QStringLiteral("Printing page 2"));
    QVERIFY(f.windows.finishes.isEmpty());
    // No job reached the print server, and the held-back job is gone.
    QCOMPARE(PrintJobs(), jobsBefore);
    QCOMPARE(QDir::temp().entryList({"quorvel-print-*"}, QDir::Files), QStringList());
}

void tst_reports::noPrinterIsAClearError()
{
    // Qt reads the printers once per process: the check runs in a child that sees a CUPS
    // server that does not exist.
    if (qEnvironmentVariableIsSet("QUORVEL_NO_PRINTER_CHILD")) {
        QVERIFY2(QPrinterInfo::defaultPrinter().isNull(), "the child still sees a printer");
        TDocumentsFixture f;
        try {
            f.docs->GenerateTranscripts(f.confFilter, f.timeFilter);
            QFAIL("printing without a printer did not fail");
        } catch (const TError& e) {
            QCOMPARE(e.Message(), TReportRun::NoPrinterMessage());
            QVERIFY(e.Message().startsWith("No printer is installed"));
        }
        QCOMPARE(f.windows.statusWindows, 0);
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUORVEL_NO_PRINTER_CHILD", "1");
    env.insert("CUPS_SERVER", QDir::temp().filePath("quorvel-no-cups-here.sock"));
    env.remove("PRINTER");
    env.remove("LPDEST");
    QTemporaryDir home;
    env.insert("HOME", home.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"noPrinterIsAClearError"});
    QVERIFY(child.waitForFinished(120000));
    QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
}

void tst_reports::defaultProjectIsWrittenOnce()
{
    QTemporaryDir dir;
    QVERIFY(TReportProjectFile::WriteDefault(dir.path()));
    const QString path = QDir(dir.path()).filePath("cme.rav");
    TReportProject project(path);
    QCOMPARE(project.ReportNames(),
             (QStringList{"BadgeReport", "ConfPartsReport", "NotComeReport", "TranscriptReport"}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("@report Mine\n<p/>\n");
    file.close();
    QVERIFY(!TReportProjectFile::WriteDefault(dir.path()));
    QCOMPARE(TReportProject(path).ReportNames(), QStringList{"Mine"});
}

void tst_reports::periodText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("years");
    QTest::addColumn<QDate>("begin");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QString>("expected");
    const QDate none;
    QTest::newRow("one year, British") << "en_GB" << int(tkYears) << QStringList{"2026"} << none
                                       << none << QStringLiteral("1 January – 31 December 2026");
    QTest::newRow("one year, American") << "en_US" << int(tkYears) << QStringList{"2026"} << none
                                        << none << QStringLiteral("January 1 – December 31, 2026");
    QTest::newRow("one year, German") << "de_DE" << int(tkYears) << QStringList{"2026"} << none
                                      << none << QStringLiteral("1. Januar – 31. Dezember 2026");
    QTest::newRow("years in a row, newest first")
        << "en_GB" << int(tkYears) << QStringList{"2026", "2024", "2025"} << none << none
        << QStringLiteral("1 January 2024 – 31 December 2026");
    QTest::newRow("years apart are listed")
        << "en_GB" << int(tkYears) << QStringList{"2026", "2022", "2024"} << none << none
        << QStringLiteral("2022, 2024, 2026");
    QTest::newRow("range over two years")
        << "en_US" << int(tkDateRange) << QStringList() << QDate(2025, 9, 1) << QDate(2026, 6, 30)
        << QStringLiteral("September 1, 2025 – June 30, 2026");
    QTest::newRow("one day") << "de_DE" << int(tkDateRange) << QStringList() << QDate(2026, 3, 7)
                             << QDate(2026, 3, 7) << QStringLiteral("7. März 2026");
    QTest::newRow("no criterion") << "en_US" << int(tkNone) << QStringList{"2026"} << none << none
                                  << QStringLiteral("all dates");
}

void tst_reports::periodText()
{
    QFETCH(QString, locale);
    QFETCH(int, kind);
    QFETCH(QStringList, years);
    QFETCH(QDate, begin);
    QFETCH(QDate, end);
    QFETCH(QString, expected);
    TTimeFilter filter(QStringLiteral("2026"));
    filter.Kind = TTimeKind(kind);
    filter.Years = years;
    filter.BeginDate = begin;
    filter.EndDate = end;
    QCOMPARE(TDocuments::PeriodText(filter, QLocale(locale)), expected);
}

void tst_reports::transcriptTemplate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("paper");
    QTest::newRow("United States: Letter") << "en_US" << "612 x 792 pts (letter)";
    QTest::newRow("Canada: Letter") << "en_CA" << "612 x 792 pts (letter)";
    QTest::newRow("Germany: A4") << "de_DE" << "595 x 842 pts (A4)";
}

void tst_reports::transcriptTemplate()
{
    // An e-mailed transcript of the default layout, read back from its PDF file: the period,
    // the date of issue, only the conferences of the period, the totals and the paper of the
    // region (whatever the printer's paper).
    QFETCH(QString, locale);
    QFETCH(QString, paper);
    TLocaleScope scope{QLocale(locale)};
    TDocumentsFixture f;
    f.timeFilter = Year(QStringLiteral("2005"));
    // Jörg Müller attended Cardiology Update in 2005 and Card Games in 2004. He alone is
    // e-mailed (without an address, so nothing is sent) and nobody is printed.
    f.db.Exec("update participants set mail_type = null");
    f.db.Exec("update participants set mail_type = 1, email = '' where user_id = 2");
    f.dm->Config->WriteString(QStringLiteral("Mail"), QStringLiteral("HandlerType"),
                              QStringLiteral("2"));
    f.dm->Config->WriteList(QStringLiteral("Header"),
                            {QStringLiteral("Office of CME"), QStringLiteral("1 Main Street")});
    f.docs->GenerateTranscripts(f.confFilter, f.timeFilter);

    const QDir out(f.db.FilePath(QStringLiteral("PDF")));
    // Without an address the file is named ".pdf".
    const QStringList files = out.entryList({"*.pdf"}, QDir::Files | QDir::Hidden);
    QCOMPARE(files.size(), 1);
    const QString path = out.filePath(files[0]);
    const QString text = PdfText(path);
    auto has = [&text](const QString& pattern) {
        return QRegularExpression(pattern).match(text).hasMatch();
    };
    const QString period = TDocuments::PeriodText(f.timeFilter, QLocale(locale));
    QVERIFY2(text.contains(period), qPrintable(period + " in\n" + text));
    QVERIFY2(text.contains("Date of issue: " +
                           TDocuments::IssueDateText(QDate::currentDate(), QLocale(locale))),
             qPrintable(text));
    QVERIFY2(text.contains("Jörg Müller") && text.contains("Cardiology Update"),
             qPrintable(text));
    // The 2004 conference is outside the period: neither listed nor counted.
    QVERIFY2(!text.contains("Card Games") && !text.contains("0.75") && !text.contains("2.25"),
             qPrintable(text));
    QVERIFY2(has("CME\\s+1\\.50") && !text.contains("CNE"), qPrintable(text));
    QVERIFY2(has("Total units\\s+1\\.50"), qPrintable(text));
    // One page: no page count.
    QCOMPARE(PdfPages(text).size(), 1);
    QVERIFY2(!text.contains("Page 1"), qPrintable(text));
    QCOMPARE(PdfPageSize(path), paper);

    if (locale == QLatin1String("en_US"))
        SavePicture(path, QStringLiteral("transcript"));
}

void tst_reports::longTranscriptCountsItsPages()
{
    // Eighty conferences make Anna Smith's transcript run over pages: each of its pages says
    // "Page n of N" for her transcript alone; the one-page transcripts say nothing.
    TDocumentsFixture f;
    f.timeFilter = Year(QStringLiteral("2005"));
    for (int i = 0; i < 80; ++i) {
        f.db.Exec(QStringLiteral("insert into conferences (conf_id, conf_name, begin_date, "
                                 "end_date, series, units) values (%1, 'Grand Rounds in Internal "
                                 "Medicine and Primary Care: Heart Failure, Diabetes, Renal "
                                 "Care, session %2', '2005-10-%3 09:00:00', "
                                 "'2005-10-%3 10:00:00', 'Rounds', 0.5)")
                      .arg(100 + i)
                      .arg(i + 1)
                      .arg(i % 28 + 1, 2, 10, QLatin1Char('0')));
        f.db.Exec(QStringLiteral("insert into conf_credits (conf_id, credit_id) values (%1, 3)")
                      .arg(100 + i));
        f.db.Exec(QStringLiteral("insert into attendances (conf_id, user_id, sign_in_date) "
                                 "values (%1, 1, '2005-10-01 08:00:00')")
                      .arg(100 + i));
    }
    f.docs->PreviewTranscripts(f.confFilter, f.timeFilter,
                               {QStringLiteral("1"), QStringLiteral("2")});
    QCOMPARE(f.windows.previews.size(), 1);
    const QStringList pages = PdfPages(PdfText(f.windows.previews[0].pdf));
    QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
    const int annaPages = int(pages.size()) - 1;
    // The page count of one transcript needs no layout of the others: the preview opened
    // once her transcript was laid out.
    QCOMPARE(f.windows.previews[0].pagesAtOpen, annaPages);
    for (int i = 0; i < annaPages; ++i)
        QVERIFY2(QRegularExpression(QStringLiteral("Anna Smith\\s+·\\s+Page %1 of %2\\s*$")
                                       .arg(i + 1)
                                       .arg(annaPages))
                     .match(pages[i])
                     .hasMatch(),
                 qPrintable(pages[i].right(300)));
    QVERIFY2(!pages.last().contains("Page "), qPrintable(pages.last()));
    // The column titles repeat at the top of her next page.
    QVERIFY2(QRegularExpression("^\\s*Date\\s+Conference\\s+Units").match(pages[1]).hasMatch(),
             qPrintable(pages[1].left(300)));
    // 1.50 + 2.00 + 80 × 0.50: the total beside the totals per credit type.
    const QString last = pages[annaPages - 1];
    QVERIFY2(QRegularExpression("Total units\\s+43\\.50").match(last).hasMatch(),
             qPrintable(last));
    QVERIFY2(QRegularExpression("CME\\s+41\\.50").match(last).hasMatch(), qPrintable(last));
    SavePicture(f.windows.previews[0].pdf, QStringLiteral("transcript-long"));
    // A title of 100 characters (the longest a conference has) takes two lines at most.
    const QStringList lines = pages[0].split(u'\n');
    qsizetype first = 0;
    while (first < lines.size() && !lines[first].contains("Grand Rounds"))
        ++first;
    const QRegularExpression end("session 1\\b");
    QVERIFY2(end.match(lines.value(first)).hasMatch() ||
                 end.match(lines.value(first + 1)).hasMatch(),
             qPrintable(lines.mid(first, 3).join(u'\n')));
}

QTEST_MAIN(tst_reports)
#include "tst_reports.moc"
