#include "documents/TReportRun.h"

#include "documents/TPageOutput.h"
#include "documents/TPrintSpool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TReportRun", text);
}

const QString kJobTitle = QStringLiteral("ReportPrinter Report");

// The preview opens once this many pages are laid out: the first screen of them.
constexpr int kPreviewFirstPages = 2;
// One step of the preview's further layout, so the window keeps answering the user.
constexpr qint64 kLayoutStepMs = 30;

} // namespace

TReportRun::TReportRun(std::shared_ptr<TReportContent> content, TReportWindows& windows)
    : m_content(std::move(content)), m_windows(windows)
{
}

TReportRun::~TReportRun() = default;

QString TReportRun::NoPrinterMessage()
{
    return Tr("No printer is installed, or none is set as the default printer, so nothing was "
              "printed. Install a printer, make it the default printer and try again.");
}

void TReportRun::ToDefaultPrinter()
{
    QPrinter printer(QPrinter::HighResolution);
    TPageOutput::RequireDefaultPrinter(printer, NoPrinterMessage());
    printer.setDocName(kJobTitle);
    printer.setFullPage(false);

    TPrintSpool spool(printer);

    std::unique_ptr<TReportStatus> status = m_windows.OpenStatus();
    TReportRenderer renderer(m_content);
    renderer.Layout(printer, status.get());
    // The job is held back until the last page is painted: a Cancel meanwhile sends nothing.
    TPageOutput::PrintPages(
        printer, spool,
        [&](QPagedPaintDevice& device, QPainter& painter) {
            renderer.PaintAll(device, painter, status.get(), true);
        },
        Tr("The report could not be sent to the printer %1."));
    status->Finish(true, false);
}

void TReportRun::ToPdf(const QString& path, TReportSeries* series)
{
    std::unique_ptr<TReportStatus> status = m_windows.OpenStatus();
    TReportRenderer renderer(m_content);
    TPageOutput::WritePdf(
        path,
        [&](QPdfWriter& writer) {
            writer.setPageSize(ReportLocalePageSize(QLocale()));
            writer.setTitle(kJobTitle);
            renderer.Layout(writer, status.get());
        },
        [&](QPagedPaintDevice& device, QPainter& painter) {
            renderer.PaintAll(device, painter, status.get(), true);
        });
    const bool wait = !(series && series->okToAll);
    const bool okToAll = status->Finish(wait, series != nullptr && wait);
    if (series && okToAll)
        series->okToAll = true;
}

void TReportRun::ToPreview(bool allowPrint)
{
    // A PDF printer without a file: the preview shows its pages and never writes them.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(300);
    printer.setPageSize(ReportDefaultPageSize());
    printer.setDocName(kJobTitle);
    {
        std::unique_ptr<TReportStatus> status = m_windows.OpenStatus();
        StartPreviewLayout(printer, status.get());
        status->Finish(false, false);
    }
    try {
        m_windows.Preview(*this, printer, allowPrint);
    } catch (...) {
        m_laidOutOn = nullptr;
        m_preview.reset();
        throw;
    }
    m_laidOutOn = nullptr;
    m_preview.reset();
}

void TReportRun::StartPreviewLayout(QPrinter& printer, TReportStatus* status)
{
    m_laidOutOn = nullptr;
    if (!m_preview)
        m_preview = std::make_unique<TReportRenderer>(m_content);
    m_preview->BeginLayout(printer);
    // A footer that counts the pages needs them all before the first one is painted.
    const bool all = m_content->FooterNeedsPageCount();
    while ((all || m_preview->PageCount() < kPreviewFirstPages) && m_preview->LayOutNextSection()) {
        if (status) {
            status->SetProgress(Tr("Generating page %1").arg(m_preview->PageCount()));
            if (status->Cancelled())
                throw EReportCancelled(Tr("The report was cancelled."));
        }
    }
    m_laidOutOn = &printer;
    m_laidOutLayout = printer.pageLayout();
}

void TReportRun::PaintAll(QPrinter& printer)
{
    if (!m_preview || &printer != m_laidOutOn || printer.pageLayout() != m_laidOutLayout) {
        // Another printer or page layout: the window asks for every page again.
        StartPreviewLayout(printer, nullptr);
        while (m_preview->LayOutNextSection()) {
        }
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    m_preview->PaintAll(printer, painter, nullptr, false);
    painter.end();
}

bool TReportRun::LayOutMore()
{
    if (!m_preview)
        return false;
    QElapsedTimer step;
    step.start();
    while (step.elapsed() < kLayoutStepMs)
        if (!m_preview->LayOutNextSection())
            return false;
    return !m_preview->LayoutComplete();
}

int TReportRun::PageCount() const
{
    return m_preview ? m_preview->PageCount() : 0;
}

void TReportRun::PrintToDefaultPrinter()
{
    ToDefaultPrinter();
}

QStringList TReportRun::SectionTexts() const
{
    return m_preview ? m_preview->SectionTexts() : QStringList();
}
