#pragma once

#include "../data/TDataFixture.h"

#include "data/TConfFilter.h"
#include "settings/TConfig.h"
#include "documents/TDocuments.h"
#include "tools/TReportProjectFile.h"
#include "support/TTestReportWindows.h"
#include "data/TTimeFilter.h"

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>

// The seeded data module with the default report project and quorvel.ini in its folder, the
// document runs over it, and the report windows answered by the test.
class TDocumentsFixture : public TDataModuleFixture
{
public:
    TDocumentsFixture()
    {
        TReportProjectFile::WriteDefault(db.Dir());
        docs = std::make_unique<TDocuments>(*dm, prompts, windows);
    }
    // The document runs with other windows (the program's widgets).
    void UseWindows(TReportWindows& other)
    {
        docs = std::make_unique<TDocuments>(*dm, prompts, other);
    }
    // Replaces cme.rav; the next run of a fresh TDocuments reads it.
    void WriteProject(const QByteArray& text)
    {
        QFile file(db.FilePath(QStringLiteral("cme.rav")));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text);
        file.close();
        docs = std::make_unique<TDocuments>(*dm, prompts, windows);
    }

    // No time criterion unless a test sets one.
    static TTimeFilter NoTime()
    {
        TTimeFilter filter(QStringLiteral("2005"));
        filter.Kind = tkNone;
        return filter;
    }

    TTestReportWindows windows;
    TConfFilter confFilter;
    TTimeFilter timeFilter = NoTime();
    std::unique_ptr<TDocuments> docs;
};

namespace TDocumentsTest
{

// The text of a PDF file as pdftotext reads it (pages end with a form feed).
inline QString PdfText(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>")
            .arg(QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Where cups-pdf writes the files of the current user (its "Out" setting).
inline QString CupsPdfFolder()
{
    QString out = QStringLiteral("${HOME}/PDF");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : conf.readAll().split('\n')) {
            const QByteArray trimmed = line.trimmed();
            if (trimmed.startsWith("Out ") || trimmed.startsWith("Out\t"))
                out = QString::fromUtf8(trimmed.mid(4).trimmed());
        }
    }
    const QString user = qEnvironmentVariable("USER", QStringLiteral("root"));
    out.replace(QStringLiteral("${HOME}"), QDir::homePath())
        .replace(QStringLiteral("${USER}"), user);
    return out;
}

// Why the print tests cannot run here; empty when the cups-pdf queue is the default printer.
inline QString NoTestPrinter()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return QStringLiteral("No default printer: scripts/test.sh sets up the cups-pdf queue "
                              "QuorvelPDF when it runs as root with CUPS installed");
    if (printer.printerName() != QLatin1String("QuorvelPDF"))
        return QStringLiteral("The default printer is ") + printer.printerName() +
               QStringLiteral(", not the cups-pdf queue QuorvelPDF: nothing is printed on paper");
    return {};
}

// The pages of a PDF text, without the empty rest after the last form feed.
inline QStringList PdfPages(const QString& text)
{
    QStringList pages = text.split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace TDocumentsTest
