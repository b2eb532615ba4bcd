#pragma once

#include "documents/TDeliveryLog.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPrinter;

// The status window of one report run ("Report Status"): progress text, a Cancel button that
// turns into "Ok" when the run is over, and on request an "Ok to all" button.
class TReportStatus
{
public:
    virtual ~TReportStatus() = default;
    // Shows the text ("Generating page 3") and lets the window see a click on Cancel.
    virtual void SetProgress(const QString& text) = 0;
    // True once the user pressed Cancel.
    virtual bool Cancelled() = 0;
    // The run is over: the button reads "Ok". With wait, returns when the user confirmed.
    // offerOkToAll also shows "Ok to all"; the result is true when the user chose it.
    virtual bool Finish(bool wait, bool offerOkToAll) = 0;
};

// What the preview window shows and prints. The preview opens with its first pages laid out;
// the window lays out the rest a little at a time while it stays responsive.
class TReportPages
{
public:
    virtual ~TReportPages() = default;
    // Paints the pages laid out so far on printer, with newPage between (a layout for another
    // printer starts again with the first pages).
    virtual void PaintAll(QPrinter& printer) = 0;
    // Lays out further pages for a moment; false once every page is laid out. Throws TError
    // when a section cannot be rendered.
    virtual bool LayOutMore() = 0;
    // The pages laid out so far.
    virtual int PageCount() const = 0;
    // The preview's Print button: the same report to the default printer.
    virtual void PrintToDefaultPrinter() = 0;
    // The text of each section laid out so far (each starts on a new page), for checks.
    virtual QStringList SectionTexts() const = 0;
};

// Sends the failed rows of a run again and returns every row of the run as it now stands; it
// shows its own messages.
using TSendAgain = std::function<QList<TDeliveryRow>()>;

// What the delivery report's buttons do; a button without its action is off.
struct TDeliveryActions {
    TSendAgain sendAgain;
    // Prints the transcripts of the participants without an e-mail address in one job.
    std::function<void()> printTheirs;
};

// Every window a document run opens goes through this interface, so tests answer them without
// a person. The program passes the widget implementation (src/ui, TReportWidgets) to the
// document runs at start-up; tests pass theirs.
class TReportWindows
{
public:
    virtual ~TReportWindows() = default;
    // Opens the status window of a new run; it closes when the object goes.
    virtual std::unique_ptr<TReportStatus> OpenStatus() = 0;
    // Shows the modal, maximized "Report Preview" of the pages, laid out on printer (a PDF
    // printer without a file); returns when it is closed. allowPrint shows or hides its Print
    // button. An error of the pages' layout closes the window and is thrown from here.
    virtual void Preview(TReportPages& pages, QPrinter& printer, bool allowPrint) = 0;
    // Shows the "Delivery report" of a transcript e-mail run: its rows with their results, and
    // the buttons "Send again" and "Print theirs". The program's window is modeless, so the
    // user can keep it open while working on.
    virtual void ShowDeliveryReport(const QList<TDeliveryRow>& rows, TDeliveryActions actions) = 0;
};
