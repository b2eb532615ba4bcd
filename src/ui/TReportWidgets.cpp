#include "ui/TReportWidgets.h"

#include "ui/TfrmDeliveryReport.h"

#include "db/TError.h"
#include "db/TPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <optional>

namespace
{

// Where the last status window stood: a run of many steps (a PDF per participant, then the
// messages) shows its windows in one place instead of letting each find its own.
std::optional<QPoint> g_statusPlace;

} // namespace

// --- Status window ------------------------------------------------------------------------

TReportStatusWindow::TReportStatusWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReportStatus"));
    setWindowTitle(tr("Report Status"));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lStatus"));
    m_text->setMinimumWidth(260);
    m_text->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_button = new QPushButton(tr("Cancel"), this);
    m_button->setObjectName(QStringLiteral("bStatus"));
    m_button->setDefault(true);
    buttons->addWidget(m_button);
    m_okToAll = new QPushButton(tr("Ok to all"), this);
    m_okToAll->setObjectName(QStringLiteral("bOkToAll"));
    m_okToAll->hide();
    buttons->addWidget(m_okToAll);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(m_button, &QPushButton::clicked, this, &TReportStatusWindow::ButtonClicked);
    connect(m_okToAll, &QPushButton::clicked, this, [this] {
        m_choseOkToAll = true;
        m_confirmed = true;
    });
}

TReportStatusWindow::~TReportStatusWindow()
{
    if (m_placed)
        g_statusPlace = pos();
}

void TReportStatusWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_placed = true;
}

void TReportStatusWindow::SetProgress(const QString& text)
{
    if (!isVisible())
        show();
    m_text->setText(text);
    // The run holds the one thread: let the window paint and see a click on Cancel.
    QCoreApplication::processEvents();
}

bool TReportStatusWindow::Cancelled()
{
    QCoreApplication::processEvents();
    return m_cancelled;
}

void TReportStatusWindow::ButtonClicked()
{
    if (m_finished)
        m_confirmed = true;
    else
        m_cancelled = true;
}

void TReportStatusWindow::reject()
{
    // Escape or the close box: Cancel while running, Ok at the end.
    ButtonClicked();
}

bool TReportStatusWindow::Finish(bool wait, bool offerOkToAll)
{
    m_finished = true;
    m_button->setText(tr("Ok"));
    m_okToAll->setVisible(offerOkToAll);
    if (!wait)
        return false;
    if (!isVisible())
        show();
    m_button->setFocus();
    QEventLoop loop;
    while (!m_confirmed)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    return m_choseOkToAll;
}

// --- Preview window -----------------------------------------------------------------------

TReportPreviewWindow::TReportPreviewWindow(TReportPages& pages, QPrinter& printer, bool allowPrint,
                                           QWidget* parent)
    : QDialog(parent), m_pages(pages)
{
    setObjectName(QStringLiteral("frmReportPreview"));
    setWindowTitle(tr("Report Preview"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbPreview"));
    layout->addWidget(bar);
    m_preview = new QPrintPreviewWidget(&printer, this);
    m_preview->setObjectName(QStringLiteral("pvReport"));
    layout->addWidget(m_preview, 1);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
            &TReportPreviewWindow::PaintRequested);
    // The rest of the pages are laid out between the user's events once the window shows.
    m_layoutTimer = new QTimer(this);
    m_layoutTimer->setInterval(0);
    connect(m_layoutTimer, &QTimer::timeout, this, &TReportPreviewWindow::LayOutMore);
    m_layoutTimer->start();

    auto action = [&](const char* name, const QString& text, const QKeySequence& key) {
        QAction* a = bar->addAction(text);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };
    QAction* print = action("acPrint", tr("&Print"), QKeySequence::Print);
    print->setVisible(allowPrint);
    print->setEnabled(allowPrint);
    connect(print, &QAction::triggered, this, &TReportPreviewWindow::PrintClicked);
    bar->addSeparator();
    connect(action("acFirstPage", tr("First"), QKeySequence(Qt::CTRL | Qt::Key_Home)),
            &QAction::triggered, this, [this] { ShowPage(1); });
    connect(action("acPriorPage", tr("Previous"), QKeySequence(Qt::Key_PageUp)),
            &QAction::triggered, this, [this] { ShowPage(m_preview->currentPage() - 1); });
    m_page = new QSpinBox(this);
    m_page->setObjectName(QStringLiteral("jsePage"));
    m_page->setMinimum(1);
    m_page->setKeyboardTracking(false);
    bar->addWidget(m_page);
    m_pageCount = new QLabel(this);
    m_pageCount->setObjectName(QStringLiteral("lPageCount"));
    bar->addWidget(m_pageCount);
    connect(action("acNextPage", tr("Next"), QKeySequence(Qt::Key_PageDown)), &QAction::triggered,
            this, [this] { ShowPage(m_preview->currentPage() + 1); });
    connect(action("acLastPage", tr("Last"), QKeySequence(Qt::CTRL | Qt::Key_End)),
            &QAction::triggered, this, [this] {
                CompleteLayout();
                ShowPage(m_preview->pageCount());
            });
    bar->addSeparator();
    connect(action("acZoomIn", tr("Zoom in"), QKeySequence::ZoomIn), &QAction::triggered, m_preview,
            [this] { m_preview->zoomIn(); });
    connect(action("acZoomOut", tr("Zoom out"), QKeySequence::ZoomOut), &QAction::triggered,
            m_preview, [this] { m_preview->zoomOut(); });
    auto* zoom = new QComboBox(this);
    zoom->setObjectName(QStringLiteral("cbZoom"));
    zoom->addItems({tr("100 %"), tr("Page width"), tr("Whole page")});
    bar->addWidget(zoom);
    connect(zoom, &QComboBox::activated, this, [this](int index) {
        if (index == 0) {
            m_preview->setZoomMode(QPrintPreviewWidget::CustomZoom);
            m_preview->setZoomFactor(1.0);
        } else {
            m_preview->setZoomMode(index == 1 ? QPrintPreviewWidget::FitToWidth
                                              : QPrintPreviewWidget::FitInView);
        }
    });
    bar->addSeparator();
    connect(action("acClose", tr("&Close"), QKeySequence()), &QAction::triggered, this,
            &QDialog::accept);

    connect(m_page, &QSpinBox::valueChanged, this, [this](int page) {
        if (page != m_preview->currentPage())
            m_preview->setCurrentPage(page);
    });
    connect(m_preview, &QPrintPreviewWidget::previewChanged, this,
            &TReportPreviewWindow::UpdatePageNumber);
    m_preview->setZoomMode(QPrintPreviewWidget::CustomZoom);
    m_preview->setZoomFactor(1.0);
}

void TReportPreviewWindow::PaintRequested(QPrinter* printer)
{
    // A layout error cannot leave through the widget's signal: the window closes with it.
    try {
        m_pages.PaintAll(*printer);
    } catch (...) {
        m_error = std::current_exception();
        Fail();
    }
}

void TReportPreviewWindow::LayOutMore()
{
    bool more = false;
    try {
        more = m_pages.LayOutMore();
    } catch (...) {
        m_error = std::current_exception();
        Fail();
        return;
    }
    if (!more) {
        m_layoutTimer->stop();
        m_complete = true;
    }
    // Repainting every page costs as much as painting the new ones when their number doubles.
    if (!more || m_pages.PageCount() >= 2 * m_preview->pageCount())
        m_preview->updatePreview();
    UpdatePageNumber();
}

void TReportPreviewWindow::CompleteLayout()
{
    if (m_complete)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        while (m_pages.LayOutMore()) {
        }
    } catch (...) {
        m_error = std::current_exception();
    }
    QApplication::restoreOverrideCursor();
    if (m_error) {
        Fail();
        return;
    }
    m_layoutTimer->stop();
    m_complete = true;
    m_preview->updatePreview();
    UpdatePageNumber();
}

void TReportPreviewWindow::Fail()
{
    m_layoutTimer->stop();
    // Closed once the signal that failed has returned.
    QTimer::singleShot(0, this, &QDialog::reject);
}

void TReportPreviewWindow::ShowPage(int page)
{
    if (page >= 1 && page <= m_preview->pageCount())
        m_preview->setCurrentPage(page);
    UpdatePageNumber();
}

void TReportPreviewWindow::UpdatePageNumber()
{
    const QSignalBlocker blocker(m_page);
    m_page->setMaximum(std::max(1, m_preview->pageCount()));
    m_page->setValue(m_preview->currentPage());
    // While pages are still being laid out, the count is followed by an ellipsis.
    m_pageCount->setText(m_complete ? tr(" of %1 ").arg(m_preview->pageCount())
                                    : tr(" of %1… ").arg(m_preview->pageCount()));
}

void TReportPreviewWindow::PrintClicked()
{
    // The preview is modal: an error is shown here, and the preview stays open.
    try {
        m_pages.PrintToDefaultPrinter();
    } catch (const TError& e) {
        TPrompts::ShowDefaultError(e.Message());
    }
}

std::unique_ptr<TReportStatus> TReportWidgets::OpenStatus()
{
    auto window = std::make_unique<TReportStatusWindow>(QApplication::activeWindow());
    if (g_statusPlace)
        window->move(*g_statusPlace);
    window->show();
    return window;
}

void TReportWidgets::Preview(TReportPages& pages, QPrinter& printer, bool allowPrint)
{
    TReportPreviewWindow window(pages, printer, allowPrint, QApplication::activeWindow());
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
    window.exec();
    if (window.Error())
        std::rethrow_exception(window.Error());
}

void TReportWidgets::ShowDeliveryReport(const QList<TDeliveryRow>& rows, TDeliveryActions actions)
{
    auto* window = new TfrmDeliveryReport(rows, std::move(actions), QApplication::activeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}
