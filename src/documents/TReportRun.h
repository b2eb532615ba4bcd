#pragma once

#include "TReportRenderer.h"
#include "TReportWindows.h"

#include <QPageLayout>
#include <QString>

class QPrinter;

// Several runs whose status windows one "Ok to all" confirms together (the e-mail run writes
// one PDF per participant). Create one per series and hand it to every run of it.
struct TReportSeries {
    bool okToAll = false;
};

// One run of a report over the data it was given: to the default printer, to a PDF file or
// to the preview window. Every output shows the status window; every failure is a TError.
class TReportRun : public TReportPages
{
public:
    explicit TReportRun(std::unique_ptr<TReportRenderer> renderer);
    ~TReportRun() override;

    // Prints in one job titled "ReportPrinter Report" once every page is generated, then
    // waits for "Ok". Throws when no printer is installed (nothing is lost silently).
    void ToDefaultPrinter();
    // Writes the PDF file (300 dpi) and waits for "Ok" unless series says "Ok to all". A
    // cancelled or failed run leaves no file at path (an older one stays as it was).
    void ToPdf(const QString& path, TReportSeries* series = nullptr);
    // Shows the status window without waiting, then the modal preview.
    void ToPreview(bool allowPrint);

    void PaintAll(QPrinter& printer) override;
    void PrintToDefaultPrinter() override;
    QStringList SectionTexts() const override;

    // "No printer is installed…": the error when Qt has no printer to print on.
    static QString NoPrinterMessage();

private:
    std::unique_ptr<TReportRenderer> m_renderer;
    // The printer the pages are laid out on now, so the preview paints without a new layout.
    QPrinter* m_laidOutOn = nullptr;
    QPageLayout m_laidOutLayout;
};
