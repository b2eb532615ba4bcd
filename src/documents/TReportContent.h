#pragma once

#include <QImage>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

struct TReportDefinition;

// Where a page stands: in the whole run, and within its section (one participant's transcript).
// All numbers are 1-based except section, the 0-based index of the page's section.
struct TReportPageNumbers {
    int page = 1;
    int pages = 1;
    int section = 0;
    int sectionPage = 1;
    int sectionPages = 1;
};

// What one report run shows: the HTML of each section (each starts a new page), the pictures
// the HTML refers to and the page footer. A section's HTML is rendered when a layout first
// asks for it and kept, so a preview shows its first page without rendering every section, and
// the layouts of one run (the preview, then the printer) share one rendering.
class TReportContent
{
public:
    // html renders the section of a 0-based index below sectionCount and may throw TError; it
    // runs at most once per section. footer renders the footer of a page; may be empty.
    TReportContent(const TReportDefinition& report, int sectionCount,
                   std::function<QString(int index)> html, QMap<QString, QImage> images,
                   std::function<QString(const TReportPageNumbers&)> footer);

    const TReportDefinition& Report() const { return m_report; }
    int SectionCount() const { return int(m_html.size()); }
    const QString& SectionHtml(int index);
    // The pictures by the URL the HTML names them with.
    const QMap<QString, QImage>& Images() const { return m_images; }

    bool HasFooter() const { return bool(m_footer); }
    QString Footer(const TReportPageNumbers& numbers) const;
    // Whether the footer shows the page count of the whole run: every page must then be laid
    // out before the first one is painted. The pages of a section are known once that section
    // is laid out, so counting them costs nothing.
    bool FooterNeedsPageCount() const;

private:
    const TReportDefinition& m_report;
    std::function<QString(int)> m_render;
    std::vector<std::optional<QString>> m_html;
    QMap<QString, QImage> m_images;
    std::function<QString(const TReportPageNumbers&)> m_footer;
};
