#pragma once

#include "documents/TReportWindows.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Answers the status and preview windows of report runs and writes down what they showed.
// The preview lays out all its pages and paints them into a PDF file in a temporary folder; a
// delivery report keeps its rows and its buttons' actions for the test to press.
class TTestReportWindows : public TReportWindows
{
public:
    struct TPreview {
        bool printAllowed = false;
        int pagesAtOpen = 0;  // the pages laid out when the window opened
        QStringList sections; // the plain text of each section
        QString pdf;          // the pages as the preview painted them
    };

    std::unique_ptr<TReportStatus> OpenStatus() override;
    void Preview(TReportPages& pages, QPrinter& printer, bool allowPrint) override;
    void ShowDeliveryReport(const QList<TDeliveryRow>& rows, TDeliveryActions actions) override;

    // Cancel is pressed when the status window shows its cancelAtProgress-th text (1-based).
    int cancelAtProgress = 0;
    // The answer to a status window that offers "Ok to all".
    bool chooseOkToAll = false;

    int statusWindows = 0;
    QStringList progress;       // every status text, in order
    QList<bool> finishes;       // per finished run: whether it waited for Ok
    QList<bool> okToAllOffered; // per finished run
    QList<TPreview> previews;
    QList<QList<TDeliveryRow>> reports; // the rows of each delivery report shown
    TSendAgain sendAgain;               // the last report's "Send again"
    std::function<void()> printTheirs;  // the last report's "Print theirs" (may be empty)

private:
    QTemporaryDir m_dir;
};
