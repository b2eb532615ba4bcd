#include "../documents/TDocumentsFixture.h"

#include "support/TGuiTest.h"
#include "documents/TReportRenderer.h"
#include "documents/TReportRun.h"
#include "ui/TReportWidgets.h"
#include "ui/TfrmDeliveryReport.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsItem>
#include <QGraphicsView>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <functional>

using namespace TDocumentsTest;

namespace
{

using TGuiTest::ScreenshotDir;
using TGuiTest::TopLevel;
using TGuiTest::TWindowDriver;

// The program's widget windows instead of the test's answers, for one test function.
struct TWidgetWindows {
    explicit TWidgetWindows(TDocumentsFixture& f) { f.UseWindows(widgets); }
    TReportWidgets widgets;
};

} // namespace

class tst_reportwindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusWindowWaitsForOk();
    void cancelRemovesThePartialPdf();
    void previewWindow();
    void statusWindowsStayInOnePlace();
    void deliveryReportReadsWell();
    void attendanceSheetPrintsFromItsPreview();
};

void tst_reportwindows::statusWindowWaitsForOk()
{
    TDocumentsFixture f;
    TWidgetWindows widgets(f);
    f.docs->SetUpTranscriptReport();
    QStringList texts;
    bool okToAllShown = false;
    int clicks = 0;
    TWindowDriver driver([&] {
        QWidget* status = TopLevel(QStringLiteral("frmReportStatus"));
        if (!status)
            return false;
        auto* label = status->findChild<QLabel*>(QStringLiteral("lStatus"));
        auto* button = status->findChild<QPushButton*>(QStringLiteral("bStatus"));
        auto* okToAll = status->findChild<QPushButton*>(QStringLiteral("bOkToAll"));
        if (texts.isEmpty() || texts.last() != label->text())
            texts << label->text();
        if (button->text() != QLatin1String("Ok"))
            return false;
        okToAllShown = okToAll->isVisible();
        if (clicks == 0)
            status->grab().save(QDir(ScreenshotDir()).filePath("report-status.png"));
        ++clicks;
        QTest::mouseClick(okToAllShown ? okToAll : button, Qt::LeftButton);
        return false;
    });

    const QString path = f.db.FilePath(QStringLiteral("one.pdf"));
    f.docs->WriteTranscriptPdf(path);
    QCOMPARE(clicks, 1);
    QVERIFY(!okToAllShown);
    QVERIFY2(texts.first().startsWith("Generating page") ||
                 texts.first().startsWith("Printing page"),
             qPrintable(texts.join('|')));
    QVERIFY(texts.last().startsWith("Printing page"));
    QVERIFY(QFile::exists(path));

    // An e-mail series: "Ok to all" on the first window confirms the others.
    TReportSeries series;
    for (int i = 0; i < 3; ++i)
        f.docs->WriteTranscriptPdf(f.db.FilePath(QStringLiteral("s%1.pdf").arg(i)), &series);
    QCOMPARE(clicks, 2);
    QVERIFY(okToAllShown);
    QVERIFY(series.okToAll);
    QVERIFY(!TopLevel(QStringLiteral("frmReportStatus")));
}

void tst_reportwindows::cancelRemovesThePartialPdf()
{
    TDocumentsFixture f;
    TWidgetWindows widgets(f);
    f.docs->SetUpTranscriptReport();
    const QString path = f.db.FilePath(QStringLiteral("partial.pdf"));
    // Cancel once the third page is being written: two pages are in the file by then.
    TWindowDriver driver([&] {
        QWidget* status = TopLevel(QStringLiteral("frmReportStatus"));
        if (!status || status->windowTitle() != QLatin1String("Report Status"))
            return false;
        if (status->findChild<QLabel*>(QStringLiteral("lStatus"))->text() != "Printing page 3")
            return false;
        auto* button = status->findChild<QPushButton*>(QStringLiteral("bStatus"));
        if (button->text() != QLatin1String("Cancel"))
            return false;
        QTest::mouseClick(button, Qt::LeftButton);
        return true;
    });
    QVERIFY_THROWS_EXCEPTION(EReportCancelled, f.docs->WriteTranscriptPdf(path));
    QVERIFY(driver.Done());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(f.db.Dir()).entryList({"*.pdf*", "partial*"}, QDir::Files), QStringList());
}

void tst_reportwindows::previewWindow()
{
    TDocumentsFixture f;
    TWidgetWindows widgets(f);
    f.timeFilter = TTimeFilter(QStringLiteral("2005"));
    struct TSeen {
        bool maximized = false;
        QString title;
        int pagesAtOpen = 0;
        int pages = 0;
        QString pageCountText;
        int pageAfterLast = 0;
        double margin = 0; // the space around a page, to its longer side
        bool printVisible = true;
        int pageAfterNext = 0;
        bool zoomed = false;
    };
    auto inspect = [](TSeen& seen, bool screenshot) {
        QWidget* preview = TopLevel(QStringLiteral("frmReportPreview"));
        if (!preview || TopLevel(QStringLiteral("frmReportStatus")))
            return false;
        auto* widget = preview->findChild<QPrintPreviewWidget*>(QStringLiteral("pvReport"));
        if (widget->pageCount() == 0)
            return false;
        seen.maximized = preview->windowState().testFlag(Qt::WindowMaximized);
        seen.title = preview->windowTitle();
        seen.pagesAtOpen = widget->pageCount();
        // Last lays out every page still to come.
        preview->findChild<QAction*>(QStringLiteral("acLastPage"))->trigger();
        seen.pageAfterLast = widget->currentPage();
        seen.pages = widget->pageCount();
        seen.pageCountText = preview->findChild<QLabel*>(QStringLiteral("lPageCount"))->text();
        const QGraphicsItem* page = widget->findChild<QGraphicsView*>()->items().value(0);
        const QRectF framed = page->boundingRect();
        seen.margin =
            -framed.left() / (std::max(framed.width(), framed.height()) + 2 * framed.left());
        seen.printVisible = preview->findChild<QAction*>(QStringLiteral("acPrint"))->isVisible();
        preview->findChild<QAction*>(QStringLiteral("acFirstPage"))->trigger();
        preview->findChild<QAction*>(QStringLiteral("acNextPage"))->trigger();
        seen.pageAfterNext = widget->currentPage();
        const qreal zoom = widget->zoomFactor();
        preview->findChild<QAction*>(QStringLiteral("acZoomIn"))->trigger();
        seen.zoomed = widget->zoomFactor() > zoom;
        if (screenshot) {
            preview->resize(1000, 760);
            preview->grab().save(QDir(ScreenshotDir()).filePath("report-preview.png"));
        }
        preview->findChild<QAction*>(QStringLiteral("acClose"))->trigger();
        return true;
    };

    TSeen transcripts;
    {
        TWindowDriver driver([&] { return inspect(transcripts, true); });
        f.docs->PreviewTranscripts(f.confFilter, f.timeFilter);
        QVERIFY(driver.Done());
    }
    QCOMPARE(transcripts.title, QStringLiteral("Report Preview"));
    QVERIFY(transcripts.maximized);
    QVERIFY2(transcripts.pagesAtOpen >= 2 && transcripts.pagesAtOpen <= 5,
             qPrintable(QString::number(transcripts.pagesAtOpen)));
    QCOMPARE(transcripts.pages, 5);
    QCOMPARE(transcripts.pageAfterLast, 5);
    QCOMPARE(transcripts.pageCountText, QStringLiteral(" of 5 "));
    // Every page is framed by 4 % of its size.
    QCOMPARE(qRound(transcripts.margin * 1000), 40);
    QVERIFY(!transcripts.printVisible);
    QCOMPARE(transcripts.pageAfterNext, 2);
    QVERIFY(transcripts.zoomed);

    // Left alone, the window lays out the rest of the pages by itself.
    {
        int pages = 0;
        TWindowDriver driver([&] {
            QWidget* preview = TopLevel(QStringLiteral("frmReportPreview"));
            if (!preview || TopLevel(QStringLiteral("frmReportStatus")))
                return false;
            auto* label = preview->findChild<QLabel*>(QStringLiteral("lPageCount"));
            if (label->text().contains(u'…') || label->text().isEmpty())
                return false;
            pages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
            preview->findChild<QAction*>(QStringLiteral("acClose"))->trigger();
            return true;
        });
        f.docs->PreviewTranscripts(f.confFilter, f.timeFilter);
        QVERIFY(driver.Done());
        QCOMPARE(pages, 5);
    }

    TSeen sheet;
    QVERIFY(f.dm->Conferences->Locate(QStringLiteral("conf_id"), 1));
    {
        TWindowDriver driver([&] { return inspect(sheet, false); });
        f.docs->PrintConferenceParticipants();
        QVERIFY(driver.Done());
    }
    QVERIFY(sheet.printVisible);
    QCOMPARE(sheet.pages, 1);
}

void tst_reportwindows::statusWindowsStayInOnePlace()
{
    // A run of many steps opens its status windows where the user last saw one.
    TReportWidgets widgets;
    QPoint place;
    {
        std::unique_ptr<TReportStatus> first = widgets.OpenStatus();
        auto* window = dynamic_cast<QWidget*>(first.get());
        QVERIFY(window && window->isVisible());
        window->move(window->pos() + QPoint(37, 23));
        place = window->pos();
    }
    std::unique_ptr<TReportStatus> next = widgets.OpenStatus();
    QCOMPARE(dynamic_cast<QWidget*>(next.get())->pos(), place);
}

void tst_reportwindows::deliveryReportReadsWell()
{
    TDeliveryRow sent;
    sent.userId = 7;
    sent.name = "Anna Adams";
    sent.address = "ann@example.org";
    sent.file = "/tmp/PDF/ann@example.org.pdf";
    sent.status = TDeliveryRow::Status::Sent;
    TDeliveryRow refused = sent;
    refused.userId = 8;
    refused.name = "Bob Baker";
    refused.address = "bob@example.org";
    refused.status = TDeliveryRow::Status::Refused;
    refused.detail = "550 5.1.1 <bob@example.org>: Recipient address rejected: the mailbox "
                     "does not exist here and mail for it is not accepted by this server";
    TDeliveryRow none = sent;
    none.userId = 9;
    none.name = "Cy Cole";
    none.address.clear();
    none.status = TDeliveryRow::Status::NoAddress;
    int calls = 0;
    int prints = 0;
    TDeliveryActions actions;
    actions.sendAgain = [&] {
        ++calls;
        refused.status = TDeliveryRow::Status::Sent;
        refused.detail.clear();
        return QList<TDeliveryRow>{sent, refused, none};
    };
    actions.printTheirs = [&] { ++prints; };
    TfrmDeliveryReport window({sent, refused, none}, actions);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QString("Delivery report"));
    auto* grid = window.findChild<QTableWidget*>("dbgDelivery");
    auto* summary = window.findChild<QLabel*>("lSummary");
    auto* again = window.findChild<QPushButton*>("bSendAgain");
    auto* printTheirs = window.findChild<QPushButton*>("bPrintTheirs");
    QCOMPARE(summary->text(), QString("1 sent, 1 refused, 1 without an address"));
    // Failures first; the number beside the name; the result in sight at the default size,
    // in full in its tooltip.
    auto column = [grid](int c) {
        QStringList texts;
        for (int r = 0; r < grid->rowCount(); ++r)
            texts << grid->item(r, c)->text();
        return texts;
    };
    using C = TfrmDeliveryReport::Column;
    QCOMPARE(column(C::colNumber), QStringList({"8", "9", "7"}));
    QCOMPARE(column(C::colParticipant), QStringList({"Bob Baker", "Cy Cole", "Anna Adams"}));
    QCOMPARE(column(C::colResult).at(1), QString("no e-mail address"));
    QCOMPARE(grid->item(0, C::colResult)->toolTip(), "refused: " + refused.detail);
    QCOMPARE(grid->item(2, C::colFile)->text(), QString("ann@example.org.pdf"));
    QVERIFY(grid->columnViewportPosition(C::colResult) + grid->columnWidth(C::colResult) <=
            grid->viewport()->width());
    QVERIFY(again->isEnabled());
    QVERIFY(printTheirs->isEnabled());
    QTest::mouseClick(printTheirs, Qt::LeftButton);
    QCOMPARE(prints, 1);
    QTest::mouseClick(again, Qt::LeftButton);
    QCOMPARE(calls, 1);
    QCOMPARE(summary->text(), QString("2 sent, 1 without an address"));
    QCOMPARE(column(C::colResult), QStringList({"no e-mail address", "sent", "sent"}));
}

void tst_reportwindows::attendanceSheetPrintsFromItsPreview()
{
    // "Print" in the preview of the attendance sheet sends it to the default printer: the
    // cups-pdf queue writes what it received into a PDF file.
    if (const QString reason = NoTestPrinter(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const QDir out(CupsPdfFolder());
    const QStringList before = out.entryList({"*.pdf"}, QDir::Files);
    TDocumentsFixture f;
    TWidgetWindows widgets(f);
    QVERIFY(f.dm->Conferences->Locate(QStringLiteral("conf_id"), 1));
    f.dm->ConfParts->Requery();
    bool printed = false;
    TWindowDriver driver([&] {
        // The print run's status window waits for "Ok"; then the preview is closed.
        if (QWidget* status = TopLevel(QStringLiteral("frmReportStatus"))) {
            auto* button = status->findChild<QPushButton*>(QStringLiteral("bStatus"));
            if (printed && button->text() == QLatin1String("Ok"))
                QTest::mouseClick(button, Qt::LeftButton);
            return false;
        }
        QWidget* preview = TopLevel(QStringLiteral("frmReportPreview"));
        if (!preview || preview->findChild<QPrintPreviewWidget*>()->pageCount() == 0)
            return false;
        if (!printed) {
            printed = true;
            // Later, from the event loop: the print's status window waits in a loop of its own,
            // and this step would otherwise not run again until it returns.
            QTimer::singleShot(0, preview->findChild<QAction*>(QStringLiteral("acPrint")),
                               &QAction::trigger);
            return false;
        }
        preview->findChild<QAction*>(QStringLiteral("acClose"))->trigger();
        return true;
    });
    f.docs->PrintConferenceParticipants();
    QVERIFY(driver.Done());

    QString file;
    auto arrived = [&] {
        for (const QString& name : out.entryList({"*.pdf"}, QDir::Files))
            if (!before.contains(name) && name.startsWith("ReportPrinter_Report"))
                file = out.filePath(name);
        if (file.isEmpty())
            return false;
        QProcess lpstat;
        lpstat.start("lpstat", {"-o", "QuorvelPDF"});
        return lpstat.waitForFinished(10000) && lpstat.readAllStandardOutput().trimmed().isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(arrived(), 60000);
    const QString text = PdfText(file);
    QVERIFY2(text.contains("Cardiology Update") && text.contains("Attendance sheet") &&
                 text.contains("Anna Smith MD") && text.contains("Liam O'Brien"),
             qPrintable(text));
    QFile::remove(file);
}

QTEST_MAIN(tst_reportwindows)
#include "tst_reportwindows.moc"
