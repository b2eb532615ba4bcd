#pragma once

#include <QImage>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

struct TReportDefinition;

// What one report run shows: the HTML of each section (each starts a new page), the pictures
// the HTML refers to and the page footer. A section's HTML is rendered when a layout first
// asks for it and kept, so a preview shows its first page without rendering every section, and
// the layouts of one run (the preview, then the printer) share one rendering.
class TReportContent
{
public:
    // html renders the section of a 0-based index below sectionCount and may throw TError; it
    // runs at most once per section. footer renders the footer of (page, pages), both 1-based;
    // may be empty.
    TReportContent(const TReportDefinition& report, int sectionCount,
                   std::function<QString(int index)> html, QMap<QString, QImage> images,
                   std::function<QString(int page, int pages)> footer);

    const TReportDefinition& Report() const { return m_report; }
    int SectionCount() const { return int(m_html.size()); }
    const QString& SectionHtml(int index);
    // The pictures by the URL the HTML names them with.
    const QMap<QString, QImage>& Images() const { return m_images; }

    bool HasFooter() const { return bool(m_footer); }
    QString Footer(int page, int pages) const;
    // Whether the footer shows the page count: every page must then be laid out before the
    // first one is painted.
    bool FooterNeedsPageCount() const;

private:
    const TReportDefinition& m_report;
    std::function<QString(int)> m_render;
    std::vector<std::optional<QString>> m_html;
    QMap<QString, QImage> m_images;
    std::function<QString(int, int)> m_footer;
};
