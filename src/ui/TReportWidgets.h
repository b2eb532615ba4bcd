#pragma once

#include "documents/TReportWindows.h"

#include <QDialog>

#include <exception>

class QLabel;
class QPrintPreviewWidget;
class QPushButton;
class QSpinBox;
class QTimer;

// "Report Status": the progress of one run, Cancel, and at the end Ok (and Ok to all).
class TReportStatusWindow : public QDialog, public TReportStatus
{
    Q_OBJECT
public:
    explicit TReportStatusWindow(QWidget* parent = nullptr);
    // Remembers where the window stood, so that the next status window opens there.
    ~TReportStatusWindow() override;

    void SetProgress(const QString& text) override;
    bool Cancelled() override;
    bool Finish(bool wait, bool offerOkToAll) override;

protected:
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void ButtonClicked();

    QLabel* m_text = nullptr;
    QPushButton* m_button = nullptr;
    QPushButton* m_okToAll = nullptr;
    bool m_finished = false;
    bool m_cancelled = false;
    bool m_confirmed = false;
    bool m_choseOkToAll = false;
    bool m_placed = false; // shown once, so its place is worth keeping
};

// "Report Preview": the pages of a run on a QPrintPreviewWidget, with page navigation, zoom
// and a Print button that each run shows or hides.
class TReportPreviewWindow : public QDialog
{
    Q_OBJECT
public:
    TReportPreviewWindow(TReportPages& pages, QPrinter& printer, bool allowPrint,
                         QWidget* parent = nullptr);

    QPrintPreviewWidget* PreviewWidget() const { return m_preview; }
    // True once every page is laid out and shown.
    bool LayoutComplete() const { return m_complete; }
    // The error that closed the window while it laid out pages; null when none.
    std::exception_ptr Error() const { return m_error; }

private:
    void ShowPage(int page);
    void UpdatePageNumber();
    void PrintClicked();
    void PaintRequested(QPrinter* printer);
    // One step of the layout of the pages still to come; shows them as their number doubles.
    void LayOutMore();
    // Lays out every page now (the user asked for the last one).
    void CompleteLayout();
    void Fail();

    TReportPages& m_pages;
    QPrintPreviewWidget* m_preview = nullptr;
    QSpinBox* m_page = nullptr;
    QLabel* m_pageCount = nullptr;
    QTimer* m_layoutTimer = nullptr;
    bool m_complete = false;
    std::exception_ptr m_error;
};

// The program's windows for document runs.
class TReportWidgets : public TReportWindows
{
public:
    std::unique_ptr<TReportStatus> OpenStatus() override;
    void Preview(TReportPages& pages, QPrinter& printer, bool allowPrint) override;
    void ShowDeliveryReport(const QList<TDeliveryRow>& rows, TDeliveryActions actions) override;
};
