#include "TReportContent.h"

TReportContent::TReportContent(const TReportDefinition& report, int sectionCount,
                               std::function<QString(int)> html, QMap<QString, QImage> images,
                               std::function<QString(int, int)> footer)
    : m_report(report), m_render(std::move(html)), m_html(size_t(std::max(0, sectionCount))),
      m_images(std::move(images)), m_footer(std::move(footer))
{
}

const QString& TReportContent::SectionHtml(int index)
{
    std::optional<QString>& html = m_html.at(size_t(index));
    if (!html)
        html = m_render(index);
    return *html;
}

QString TReportContent::Footer(int page, int pages) const
{
    return m_footer ? m_footer(page, pages) : QString();
}

bool TReportContent::FooterNeedsPageCount() const
{
    // Two totals that no footer would show alike unless it leaves the total out.
    return m_footer && m_footer(1, 1) != m_footer(1, 1000003);
}
