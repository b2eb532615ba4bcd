// Transcript PDFs as the e-mail run writes them, against Qt's own floor, and the transcript
// preview of 1,000 participants. Prints:
//   transcript_pdf_per_s N     one-participant PDFs per second over 1,000 participants
//   transcript_pdf_ratio R     that rate / a bare QTextDocument -> QPdfWriter loop of the same HTML
//   transcript_sign_ms N       per transcript: its record signed and its QR code made
//   preview_open_ms N          click to first page shown, 1,000 participants
// QUORVEL_BENCH_ONLY=pdf or =preview runs one of the two parts.
#include "data/TConfFilter.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "documents/TDocuments.h"
#include "db/TPrompts.h"
#include "tools/TReportProjectFile.h"
#include "documents/TReportRun.h"
#include "ui/TReportWidgets.h"
#include "documents/TReportWindows.h"
#include "data/TTimeFilter.h"
#include "documents/TTranscriptSeal.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <cstdio>

namespace
{

// The status window confirmed at once; the preview is the real window.
class TAutoStatus : public TReportStatus
{
public:
    void SetProgress(const QString&) override {}
    bool Cancelled() override { return false; }
    bool Finish(bool, bool) override { return false; }
};

class TAutoWindows : public TReportWindows
{
public:
    std::unique_ptr<TReportStatus> OpenStatus() override { return std::make_unique<TAutoStatus>(); }
    void Preview(TReportPages&, QPrinter&, bool) override {}
    void ShowDeliveryReport(const QList<TDeliveryRow>&, TDeliveryActions) override {}
};

// (a) One PDF per participant as the e-mail run writes them (the participant list filtered to
// one row, then the engine), against a bare loop that lays out the same HTML with
// QTextDocument into QPdfWriter. The two alternate participant by participant, so a change of
// the machine's load weighs on both alike.
void BenchPdf(TDM& dm, const QStringList& ids)
{
    TAutoWindows autoWindows;
    TDocuments docs(dm, TPrompts::Current(), autoWindows);
    const TConfFilter noFilter;
    TTimeFilter noTime = TTimeFilter::CurrentYear();
    noTime.Kind = tkNone;
    docs.SetUpTranscriptReport();
    const QString condition =
        TDM::ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."), noFilter, noTime);
    QElapsedTimer setup;
    setup.start();
    TDM::SetQuery(
        dm.TransConferences,
        {QStringLiteral("select   a.user_id, a.conf_id, c.conf_name, c.begin_date, c.units "
                        "from   attendances a, conferences c where   a.conf_id = "
                        "c.conf_id   ") +
         condition});
    TDM::SetQuery(
        dm.TransStatistics,
        {QStringLiteral("select   a.user_id, cre.c_name, sum(c.units) as credit_units from "
                        "  conferences c, attendances a, conf_credits cc, credits cre "
                        "where   c.conf_id = a.conf_id and   cc.conf_id = c.conf_id and "
                        "  cc.credit_id = cre.credit_id   ") +
         condition + QStringLiteral(" group by   a.user_id, cre.c_name ")});
    TDM::SetQuery(dm.TransParticipants, {QStringLiteral("select * from participants")});
    std::printf("transcript_setup_ms %.0f\n", double(setup.nsecsElapsed()) / 1e6);

    QTemporaryDir out;
    auto select = [&](const QString& id) {
        dm.TransParticipants->SetFiltered(false);
        dm.TransParticipants->SetFilter(QStringLiteral("user_id = ") + id);
        dm.TransParticipants->SetFiltered(true);
    };
    // The same HTML for the bare loop, rendered outside its timing.
    QStringList html;
    for (const QString& id : ids) {
        select(id);
        html << docs.ReportHtml(QStringLiteral("TranscriptReport")).value(0);
    }
    // One of each first, so that fonts and caches are warm for both.
    auto bareOne = [&](int i) {
        QPdfWriter writer(out.filePath(QStringLiteral("bare-%1.pdf").arg(i)));
        writer.setResolution(300);
        writer.setPageSize(ReportDefaultPageSize());
        QTextDocument doc;
        doc.setHtml(html[i]);
        doc.print(&writer);
    };
    TReportSeries series;
    auto engineOne = [&](int i) {
        select(ids[i]);
        docs.WriteTranscriptPdf(out.filePath(ids[i] + QStringLiteral(".pdf")), &series);
    };
    bareOne(0);
    engineOne(0);

    const TTranscriptSeal* seal = docs.TranscriptSeal();
    const qint64 signNsBefore = seal ? seal->signNs : 0;
    const int signedBefore = seal ? seal->signCount : 0;
    qint64 engineNs = 0;
    qint64 bareNs = 0;
    QElapsedTimer timer;
    for (int i = 0; i < ids.size(); ++i) {
        timer.start();
        engineOne(i);
        engineNs += timer.nsecsElapsed();
        timer.start();
        bareOne(i);
        bareNs += timer.nsecsElapsed();
    }
    const double engineRate = ids.size() / (double(engineNs) / 1e9);
    const double bareRate = ids.size() / (double(bareNs) / 1e9);
    std::printf("transcript_pdf_per_s %.1f\n", engineRate);
    std::printf("transcript_pdf_bare_per_s %.1f\n", bareRate);
    std::printf("transcript_pdf_ratio %.2f\n", engineRate / bareRate);
    if (seal && seal->signCount > signedBefore)
        std::printf("transcript_sign_ms %.2f\n", double(seal->signNs - signNsBefore) / 1e6 /
                                                     (seal->signCount - signedBefore));
    else
        std::printf("transcript_sign_ms off\n");
    std::fflush(stdout);
}

// (b) The transcript preview of the chosen participants, from the click to the first page
// shown in the real window.
void BenchPreview(TDocuments& docs, const QStringList& ids)
{
    const TConfFilter noFilter;
    double firstPageMs = -1;
    QElapsedTimer click;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != QLatin1String("frmReportPreview") || !w->isVisible())
                continue;
            auto* preview = w->findChild<QPrintPreviewWidget*>();
            if (preview && preview->pageCount() > 0) {
                if (firstPageMs < 0)
                    firstPageMs = double(click.nsecsElapsed()) / 1e6;
                w->close();
            }
        }
    });
    watch.start(0);
    click.start();
    docs.PreviewTranscripts(noFilter, TTimeFilter::CurrentYear(), ids);
    std::printf("preview_open_ms %.0f\n", firstPageMs);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reports DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    TReportProjectFile::WriteDefault(dir);
    TDM dm(dir);
    if (dm.OpenFailed) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(dir));
        return 1;
    }
    // The preview is the program's own window.
    TReportWidgets widgets;
    TDocuments docs(dm, TPrompts::Current(), widgets);
    const int count = 1000;
    QStringList ids;
    {
        TDataSet chosen(*dm.Conn, QStringLiteral("Chosen"));
        chosen.SetSQL(QStringLiteral("select user_id from participants where user_id in (select "
                                     "user_id from attendances) order by user_id limit %1")
                          .arg(count));
        chosen.Open();
        for (int row = 0; row < chosen.RecordCount(); ++row)
            ids << QString::number(chosen.RowValue(row, 0).toLongLong());
    }

    const QString only = qEnvironmentVariable("QUORVEL_BENCH_ONLY");
    if (only != QLatin1String("preview"))
        BenchPdf(dm, ids);
    if (only != QLatin1String("pdf"))
        BenchPreview(docs, ids);
    return 0;
}
