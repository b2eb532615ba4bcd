#include "TReportRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TReportRun", text);
}

const QString kJobTitle = QStringLiteral("ReportPrinter Report");

} // namespace

TReportRun::TReportRun(std::unique_ptr<TReportRenderer> renderer) : m_renderer(std::move(renderer))
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
    m_laidOutOn = nullptr;
    // Without a printer Qt would quietly write a PDF file without a name: the print is lost.
    if (QPrinterInfo::defaultPrinter().isNull())
        throw TError(NoPrinterMessage());
    QPrinter printer(QPrinter::HighResolution);
    if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName().isEmpty())
        throw TError(NoPrinterMessage());
    printer.setDocName(kJobTitle);
    printer.setFullPage(false);

    std::unique_ptr<TReportStatus> status = TReportWindows::Current().OpenStatus();
    m_renderer->Layout(printer, status.get());
    QPainter painter;
    if (!painter.begin(&printer))
        throw TError(Tr("The printer %1 cannot be opened.").arg(printer.printerName()));
    // The pages are all generated: spooling them is quick and is not cut short, so a Cancel
    // never sends half a job.
    m_renderer->PaintAll(printer, painter, status.get(), false);
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw TError(
            Tr("The report could not be sent to the printer %1.").arg(printer.printerName()));
    status->Finish(true, false);
}

void TReportRun::ToPdf(const QString& path, TReportSeries* series)
{
    std::unique_ptr<TReportStatus> status = TReportWindows::Current().OpenStatus();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TError(Tr("The PDF file %1 cannot be written: %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setPageSize(ReportDefaultPageSize());
        writer.setCreator(QCoreApplication::applicationName());
        writer.setTitle(kJobTitle);
        m_renderer->Layout(writer, status.get());
        QPainter painter;
        if (!painter.begin(&writer))
            throw TError(
                Tr("The PDF file %1 cannot be written.").arg(QDir::toNativeSeparators(path)));
        try {
            m_renderer->PaintAll(writer, painter, status.get(), true);
        } catch (...) {
            painter.end();
            throw;
        }
        painter.end();
    }
    if (!file.commit())
        throw TError(Tr("The PDF file %1 cannot be written: %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString()));
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
        std::unique_ptr<TReportStatus> status = TReportWindows::Current().OpenStatus();
        m_renderer->Layout(printer, status.get());
        m_laidOutOn = &printer;
        m_laidOutLayout = printer.pageLayout();
        status->Finish(false, false);
    }
    try {
        TReportWindows::Current().Preview(*this, printer, allowPrint);
    } catch (...) {
        m_laidOutOn = nullptr;
        throw;
    }
    m_laidOutOn = nullptr;
}

void TReportRun::PaintAll(QPrinter& printer)
{
    if (&printer != m_laidOutOn || printer.pageLayout() != m_laidOutLayout) {
        m_renderer->Layout(printer, nullptr);
        m_laidOutOn = &printer;
    }
    m_laidOutLayout = printer.pageLayout();
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    m_renderer->PaintAll(printer, painter, nullptr, false);
    painter.end();
}

void TReportRun::PrintToDefaultPrinter()
{
    ToDefaultPrinter();
}

QStringList TReportRun::SectionTexts() const
{
    return m_renderer->SectionTexts();
}
