#pragma once

#include <QString>

#include <functional>

class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QPrinter;
class TPrintSpool;

// The steps every document takes to put its painted pages on a printer or into a PDF file.
namespace TPageOutput
{

// Throws TError with the given text when no default printer is set up: Qt would otherwise
// quietly write the pages into a PDF file without a name, and the print would be lost.
void RequireDefaultPrinter(const QPrinter& printer, const QString& noPrinter);

using TPaint = std::function<void(QPagedPaintDevice&, QPainter&)>;

// Paints the pages on the printer through its spool: the job reaches the printer only when
// every page is painted; an exception meanwhile discards it. failure names the printer (%1)
// in the message thrown when the printer reports an error.
void PrintPages(QPrinter& printer, TPrintSpool& spool, const TPaint& paint, const QString& failure);

// Writes the pages into a PDF file at 300 dpi, whole or not at all: a failure leaves any
// earlier file at the path as it was. setup sets the page size and title before painting.
void WritePdf(const QString& path, const std::function<void(QPdfWriter&)>& setup,
              const TPaint& paint);

} // namespace TPageOutput
