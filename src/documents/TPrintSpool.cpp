#include "documents/TPrintSpool.h"

#include "db/TError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryFile>

#ifdef QUORVEL_HAVE_CUPS
#include <cups/cups.h>

#include <vector>
#endif

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TPrintSpool", text);
}

} // namespace

TPrintSpool::TPrintSpool(QPrinter& printer) : m_printer(printer)
{
#ifdef QUORVEL_HAVE_CUPS
    // Qt's CUPS printer writes into a file of its own and prints it when the painter ends, a
    // cancelled job too. Given a file name (not ending in ".pdf", so it stays the printer's
    // job), it writes there and prints nothing.
    QTemporaryFile file(
        QDir(QDir::tempPath()).filePath(QStringLiteral("quorvel-print-XXXXXX.prn")));
    file.setAutoRemove(false);
    if (!file.open())
        throw TError(Tr("The print job cannot be written to the folder %1: %2")
                         .arg(QDir::toNativeSeparators(QDir::tempPath()), file.errorString()));
    m_file = file.fileName();
    file.close();
    m_printer.setOutputFileName(m_file);
#endif
}

TPrintSpool::~TPrintSpool()
{
    if (!m_file.isEmpty())
        QFile::remove(m_file);
}

void TPrintSpool::Discard()
{
    if (m_file.isEmpty())
        m_printer.abort();
    // A spool file is removed with the object, after the painter has ended.
}

void TPrintSpool::Submit()
{
#ifdef QUORVEL_HAVE_CUPS
    if (m_file.isEmpty())
        return;
    // The options Qt gives a job of its own: the paper, one or two sides, the orientation.
    const QPageLayout layout = m_printer.pageLayout();
    std::vector<std::pair<QByteArray, QByteArray>> options;
    options.emplace_back("media", layout.pageSize().key().toUtf8());
    const bool landscape = layout.orientation() == QPageLayout::Landscape;
    switch (m_printer.duplex()) {
    case QPrinter::DuplexNone:
        options.emplace_back("sides", "one-sided");
        break;
    case QPrinter::DuplexAuto:
        options.emplace_back("sides", landscape ? "two-sided-short-edge" : "two-sided-long-edge");
        break;
    case QPrinter::DuplexLongSide:
        options.emplace_back("sides", "two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        options.emplace_back("sides", "two-sided-short-edge");
        break;
    }
    if (landscape)
        options.emplace_back("landscape", "");
    std::vector<cups_option_t> cupsOptions;
    for (auto& option : options)
        cupsOptions.push_back({option.first.data(), option.second.data()});

    // A printer instance ("queue/instance") prints on its queue.
    const QByteArray queue = m_printer.printerName().section(u'/', 0, 0).toLocal8Bit();
    const QByteArray path = QFile::encodeName(m_file);
    const QByteArray title = m_printer.docName().toLocal8Bit();
    const int job = cupsPrintFile(queue.constData(), path.constData(), title.constData(),
                                  int(cupsOptions.size()), cupsOptions.data());
    if (job <= 0)
        throw TError(
            Tr("The report could not be sent to the printer %1: %2")
                .arg(m_printer.printerName(), QString::fromLocal8Bit(cupsLastErrorString())));
#endif
}
