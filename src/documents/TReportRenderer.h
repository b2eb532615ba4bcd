#pragma once

#include "db/TError.h"

#include <QFont>
#include <QPageSize>
#include <QSizeF>
#include <QStringList>

#include <memory>
#include <vector>

class QLocale;
class QPagedPaintDevice;
class QPainter;
class QTextDocument;
class TReportContent;
class TReportStatus;
struct TReportPageNumbers;

// The user pressed Cancel in the status window: nothing was printed and no file was left.
class EReportCancelled : public TError
{
public:
    using TError::TError;
    const char* ClassName() const noexcept override { return "EReportCancelled"; }
};

// Lays out the sections of a report's content with QTextDocument on one device and paints them
// page by page. Each section starts on a new page. The layout can go a section at a time, so a
// preview paints its first pages while the rest is still to come; the content is shared with
// the other layouts of the run.
class TReportRenderer
{
public:
    explicit TReportRenderer(std::shared_ptr<TReportContent> content);
    ~TReportRenderer();

    // Starts a new layout on device and sets its margins; no section is laid out yet.
    void BeginLayout(QPagedPaintDevice& device);
    // Lays out the next section; false when every section was laid out already. Throws the
    // content's TError.
    bool LayOutNextSection();
    bool LayoutComplete() const;
    // BeginLayout, then every section, showing "Generating page N" on the status window; a
    // Cancel there throws EReportCancelled.
    void Layout(QPagedPaintDevice& device, TReportStatus* status);
    // The pages of the sections laid out so far.
    int PageCount() const { return m_pageCount; }
    // The plain text of each section laid out so far.
    QStringList SectionTexts() const;
    // Paints the pages laid out so far on painter (active on the device of the last layout),
    // with newPage between; shows "Printing page N". canCancel: a Cancel then throws
    // EReportCancelled.
    void PaintAll(QPagedPaintDevice& device, QPainter& painter, TReportStatus* status,
                  bool canCancel);

    // The text font of reports: extracts cleanly from PDF files (no shaping).
    QFont ReportFont() const;

private:
    void PaintPage(QPainter& painter, const QTextDocument& doc, int pageInDoc,
                   const TReportPageNumbers& numbers);

    std::shared_ptr<TReportContent> m_content;
    QPagedPaintDevice* m_device = nullptr;
    QFont m_font;
    std::vector<std::unique_ptr<QTextDocument>> m_documents;
    int m_pageCount = 0;
    QSizeF m_body; // text area of a page in device pixels
    double m_footerHeight = 0;
};

// The paper of a region: Letter in the United States and Canada, A4 elsewhere. PDF files use
// it, so an e-mailed transcript has the paper of the office's region.
QPageSize ReportLocalePageSize(const QLocale& locale);
// The page size of a print or a preview: the default printer's, else the region's paper.
QPageSize ReportDefaultPageSize();
