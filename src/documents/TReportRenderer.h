#pragma once

#include "TError.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPageSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QTextDocument;
class TReportStatus;
struct TReportDefinition;

// The user pressed Cancel in the status window: nothing was printed and no file was left.
class EReportCancelled : public TError
{
public:
    using TError::TError;
    const char* ClassName() const noexcept override { return "EReportCancelled"; }
};

// Lays out the HTML of one report run with QTextDocument and paints it page by page. Each
// section (one HTML text) starts on a new page. The layout depends on the device: Layout()
// again for another one.
class TReportRenderer
{
public:
    // footer renders the page footer for (page, pages), both 1-based; may be empty.
    TReportRenderer(const TReportDefinition& report, std::vector<QString> sections,
                    QMap<QString, QImage> images,
                    std::function<QString(int page, int pages)> footer);
    ~TReportRenderer();

    // Sets the device's margins, builds the pages for it, shows "Generating page N" on the
    // status window and throws EReportCancelled when the user cancels.
    void Layout(QPagedPaintDevice& device, TReportStatus* status);
    int PageCount() const { return m_pageCount; }
    QStringList SectionHtml() const { return QStringList(m_sections.begin(), m_sections.end()); }
    // The plain text of each laid-out section.
    QStringList SectionTexts() const;
    // Paints every page on painter (active on the device of the last Layout), with newPage
    // between; shows "Printing page N". canCancel: a Cancel then throws EReportCancelled.
    void PaintAll(QPagedPaintDevice& device, QPainter& painter, TReportStatus* status,
                  bool canCancel);

    // The text font of reports: extracts cleanly from PDF files (no shaping).
    QFont ReportFont() const;

private:
    void PaintPage(QPainter& painter, const QTextDocument& doc, int pageInDoc, int page);

    const TReportDefinition& m_report;
    std::vector<QString> m_sections;
    QMap<QString, QImage> m_images;
    std::function<QString(int, int)> m_footer;
    std::vector<std::unique_ptr<QTextDocument>> m_documents;
    int m_pageCount = 0;
    QSizeF m_body; // text area of a page in device pixels
    double m_footerHeight = 0;
};

// The page size of a new output: the default printer's, else A4, or Letter where the locale
// measures in inches.
QPageSize ReportDefaultPageSize();
