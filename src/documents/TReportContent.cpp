#include "documents/TReportContent.h"

TReportContent::TReportContent(const TReportDefinition& report, int sectionCount,
                               std::function<QString(int)> html, QMap<QString, QImage> images,
                               std::function<QString(const TReportPageNumbers&)> footer)
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

QString TReportContent::Footer(const TReportPageNumbers& numbers) const
{
    return m_footer ? m_footer(numbers) : QString();
}

bool TReportContent::FooterNeedsPageCount() const
{
    // Two totals that no footer would show alike unless it leaves the total out.
    if (!m_footer || m_html.empty())
        return false;
    TReportPageNumbers one;
    TReportPageNumbers many = one;
    many.pages = 1000003;
    return m_footer(one) != m_footer(many);
}
