#include "documents/TPageOutput.h"

#include "db/TError.h"
#include "documents/TPrintSpool.h"

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
    return QCoreApplication::translate("TPageOutput", text);
}

QString CannotWrite(const QString& path, const QString& reason)
{
    if (reason.isEmpty())
        return Tr("The PDF file %1 cannot be written.").arg(QDir::toNativeSeparators(path));
    return Tr("The PDF file %1 cannot be written: %2").arg(QDir::toNativeSeparators(path), reason);
}

// Paints through an open painter; when painting throws, the painter is ended before the
// exception goes on.
void PaintEndingOnThrow(QPagedPaintDevice& device, QPainter& painter,
                        const TPageOutput::TPaint& paint, const std::function<void()>& onThrow)
{
    try {
        paint(device, painter);
    } catch (...) {
        if (onThrow)
            onThrow();
        painter.end();
        throw;
    }
}

} // namespace

void TPageOutput::RequireDefaultPrinter(const QPrinter& printer, const QString& noPrinter)
{
    if (QPrinterInfo::defaultPrinter().isNull() ||
        printer.outputFormat() != QPrinter::NativeFormat || printer.printerName().isEmpty())
        throw TError(noPrinter);
}

void TPageOutput::PrintPages(QPrinter& printer, TPrintSpool& spool, const TPaint& paint,
                             const QString& failure)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw TError(Tr("The printer %1 cannot be opened.").arg(printer.printerName()));
    PaintEndingOnThrow(printer, painter, paint, [&spool] { spool.Discard(); });
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw TError(failure.arg(printer.printerName()));
    spool.Submit();
}

void TPageOutput::WritePdf(const QString& path, const std::function<void(QPdfWriter&)>& setup,
                           const TPaint& paint)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TError(CannotWrite(path, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setCreator(QCoreApplication::applicationName());
        setup(writer);
        QPainter painter;
        if (!painter.begin(&writer))
            throw TError(CannotWrite(path, QString()));
        PaintEndingOnThrow(writer, painter, paint, {});
        painter.end();
    }
    if (!file.commit())
        throw TError(CannotWrite(path, file.errorString()));
}
