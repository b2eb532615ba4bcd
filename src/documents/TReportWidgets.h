#pragma once

#include "TReportWindows.h"

#include <QDialog>

class QLabel;
class QPrintPreviewWidget;
class QPushButton;
class QSpinBox;

// "Report Status": the progress of one run, Cancel, and at the end Ok (and Ok to all).
class TReportStatusWindow : public QDialog, public TReportStatus
{
    Q_OBJECT
public:
    explicit TReportStatusWindow(QWidget* parent = nullptr);

    void SetProgress(const QString& text) override;
    bool Cancelled() override;
    bool Finish(bool wait, bool offerOkToAll) override;

protected:
    void reject() override;

private:
    void ButtonClicked();

    QLabel* m_text = nullptr;
    QPushButton* m_button = nullptr;
    QPushButton* m_okToAll = nullptr;
    bool m_finished = false;
    bool m_cancelled = false;
    bool m_confirmed = false;
    bool m_choseOkToAll = false;
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

private:
    void ShowPage(int page);
    void UpdatePageNumber();
    void PrintClicked();

    TReportPages& m_pages;
    QPrintPreviewWidget* m_preview = nullptr;
    QSpinBox* m_page = nullptr;
    QLabel* m_pageCount = nullptr;
};

// The program's windows for report runs.
class TReportWidgets : public TReportWindows
{
public:
    std::unique_ptr<TReportStatus> OpenStatus() override;
    void Preview(TReportPages& pages, QPrinter& printer, bool allowPrint) override;
};
