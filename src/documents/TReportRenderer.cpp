#include "documents/TReportRenderer.h"

#include "documents/TReportContent.h"
#include "documents/TReportProject.h"
#include "documents/TReportWindows.h"
#include "documents/TSealPrint.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QUrl>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TReportRenderer", text);
}

} // namespace

QPageSize ReportLocalePageSize(const QLocale& locale)
{
    // Letter is the paper of the United States and Canada; the rest of the world uses A4.
    const bool letter = locale.territory() == QLocale::UnitedStates ||
                        locale.territory() == QLocale::Canada;
    return QPageSize(letter ? QPageSize::Letter : QPageSize::A4);
}

QPageSize ReportDefaultPageSize()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull() && printer.defaultPageSize().isValid())
        return printer.defaultPageSize();
    return ReportLocalePageSize(QLocale());
}

TReportRenderer::TReportRenderer(std::shared_ptr<TReportContent> content)
    : m_content(std::move(content)), m_font(ReportFont())
{
}

TReportRenderer::~TReportRenderer() = default;

QFont TReportRenderer::ReportFont() const
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(m_content->Report().fontPointSize);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

void TReportRenderer::BeginLayout(QPagedPaintDevice& device)
{
    const double margin = m_content->Report().marginMm;
    device.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
    const QRect paintRect = device.pageLayout().paintRectPixels(device.logicalDpiX());
    m_footerHeight = m_content->HasFooter() ? QFontMetricsF(m_font, &device).height() * 2.0 : 0.0;
    m_body = QSizeF(paintRect.width(), paintRect.height() - m_footerHeight);
    m_device = &device;
    m_documents.clear();
    m_pageCount = 0;
}

bool TReportRenderer::LayoutComplete() const
{
    return int(m_documents.size()) >= m_content->SectionCount();
}

bool TReportRenderer::LayOutNextSection()
{
    if (!m_device || LayoutComplete())
        return false;
    const QString& html = m_content->SectionHtml(int(m_documents.size()));
    auto doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(m_device);
    doc->setDefaultFont(m_font);
    doc->setUndoRedoEnabled(false);
    doc->setDocumentMargin(0);
    doc->setHtml(html);
    TSealPrint::Attach(*doc);
    const QMap<QString, QImage>& images = m_content->Images();
    for (auto image = images.cbegin(); image != images.cend(); ++image)
        doc->addResource(QTextDocument::ImageResource, QUrl(image.key()), image.value());
    doc->setPageSize(m_body);
    m_pageCount += doc->pageCount();
    m_documents.push_back(std::move(doc));
    return true;
}

void TReportRenderer::Layout(QPagedPaintDevice& device, TReportStatus* status)
{
    BeginLayout(device);
    while (LayOutNextSection()) {
        if (status) {
            status->SetProgress(Tr("Generating page %1").arg(m_pageCount));
            if (status->Cancelled())
                throw EReportCancelled(Tr("The report was cancelled."));
        }
    }
}

void TReportRenderer::PaintAll(QPagedPaintDevice& device, QPainter& painter, TReportStatus* status,
                               bool canCancel)
{
    int page = 0;
    int section = -1;
    for (const auto& doc : m_documents) {
        ++section;
        const int pages = doc->pageCount();
        for (int inDoc = 0; inDoc < pages; ++inDoc) {
            ++page;
            if (status) {
                status->SetProgress(Tr("Printing page %1").arg(page));
                if (canCancel && status->Cancelled())
                    throw EReportCancelled(Tr("The report was cancelled."));
            }
            if (page > 1)
                device.newPage();
            PaintPage(painter, *doc, inDoc,
                      {page, m_pageCount, section, inDoc + 1, pages});
        }
    }
}

void TReportRenderer::PaintPage(QPainter& painter, const QTextDocument& doc, int pageInDoc,
                                const TReportPageNumbers& numbers)
{
    const double pageHeight = m_body.height();
    painter.save();
    const QRectF pageRect(0, 0, m_body.width(), pageHeight);
    painter.setClipRect(pageRect);
    painter.translate(0, -pageInDoc * pageHeight);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, pageInDoc * pageHeight, m_body.width(), pageHeight);
    context.palette.setColor(QPalette::Text, Qt::black);
    doc.documentLayout()->draw(&painter, context);
    painter.restore();

    if (m_content->HasFooter()) {
        const QString text = m_content->Footer(numbers);
        if (!text.isEmpty()) {
            painter.save();
            painter.setFont(m_font);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(0, pageHeight, m_body.width(), m_footerHeight),
                             Qt::AlignHCenter | Qt::AlignBottom, text);
            painter.restore();
        }
    }
}

QStringList TReportRenderer::SectionTexts() const
{
    QStringList texts;
    for (const auto& doc : m_documents)
        texts << doc->toPlainText();
    return texts;
}
