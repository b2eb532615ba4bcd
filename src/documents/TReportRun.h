#pragma once

#include "documents/TReportContent.h"
#include "documents/TReportRenderer.h"
#include "documents/TReportWindows.h"

#include <QPageLayout>
#include <QString>

#include <memory>

class QPrinter;

// Several runs whose status windows one "Ok to all" confirms together (the e-mail run writes
// one PDF per participant). Create one per series and hand it to every run of it.
struct TReportSeries {
    bool okToAll = false;
};

// One run of a report over the content it was given: to the default printer, to a PDF file or
// to the preview window. Every output shows the status window; every failure is a TError.
class TReportRun : public TReportPages
{
public:
    // The run's status and preview windows go through windows.
    TReportRun(std::shared_ptr<TReportContent> content, TReportWindows& windows);
    ~TReportRun() override;

    // Prints in one job titled "ReportPrinter Report" once every page is generated, then
    // waits for "Ok". Throws when no printer is installed (nothing is lost silently).
    void ToDefaultPrinter();
    // Writes the PDF file (300 dpi) and waits for "Ok" unless series says "Ok to all". A
    // cancelled or failed run leaves no file at path (an older one stays as it was).
    void ToPdf(const QString& path, TReportSeries* series = nullptr);
    // Lays out the first pages with the status window (all of them when the footer counts the
    // pages), closes it without waiting, then shows the modal preview, which lays out the rest.
    void ToPreview(bool allowPrint);

    void PaintAll(QPrinter& printer) override;
    bool LayOutMore() override;
    int PageCount() const override;
    void PrintToDefaultPrinter() override;
    QStringList SectionTexts() const override;

    // "No printer is installed…": the error when Qt has no printer to print on.
    static QString NoPrinterMessage();

private:
    // Starts the preview's layout on printer and lays out its first pages.
    void StartPreviewLayout(QPrinter& printer, TReportStatus* status);

    std::shared_ptr<TReportContent> m_content;
    TReportWindows& m_windows;
    // The preview's layout and the printer it is laid out on, so the preview paints without a
    // new layout.
    std::unique_ptr<TReportRenderer> m_preview;
    QPrinter* m_laidOutOn = nullptr;
    QPageLayout m_laidOutLayout;
};
