#pragma once

#include "TDeliveryLog.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

// Sends the failed rows of a run again and returns every row of the run as it now stands; it
// shows its own messages.
using TSendAgain = std::function<QList<TDeliveryRow>()>;

// What the report's buttons do; a button without its action is off.
struct TDeliveryActions {
    TSendAgain sendAgain;
    // Prints the transcripts of the participants without an e-mail address in one job.
    std::function<void()> printTheirs;
};

// The "Delivery report" after a transcript e-mail run: the run's rows with their result, and
// "Send again" for those not sent. It goes through this interface so that tests drive it; the
// program shows the window (modeless, so the user can keep it while working on).
class TDeliveryReportWindow
{
public:
    virtual ~TDeliveryReportWindow() = default;
    virtual void Show(const QList<TDeliveryRow>& rows, TDeliveryActions actions) = 0;

    // The installed implementation; the window when none is installed.
    static TDeliveryReportWindow& Current();
    // Installs an implementation; the caller keeps ownership. Null restores the window.
    static void Install(TDeliveryReportWindow* window);
};

// The window itself: a count line ("158 sent, 3 refused, 2 not sent"), the list (number and
// name of the participant, result, address, time, handler, file) with the failures first, and
// the buttons "Send again" (enabled while a row is not sent), "Print theirs" (enabled while a
// participant has no address) and "Close".
class TfrmDeliveryReport : public QDialog
{
    Q_OBJECT
public:
    enum Column { colNumber, colParticipant, colResult, colAddress, colTime, colHandler, colFile };

    TfrmDeliveryReport(const QList<TDeliveryRow>& rows, TDeliveryActions actions,
                       QWidget* parent = nullptr);

    void bSendAgainClick();
    void bPrintTheirsClick();

private:
    void ShowRows(const QList<TDeliveryRow>& rows);

    TDeliveryActions m_actions;
    QLabel* lSummary = nullptr;
    QTableWidget* dbgDelivery = nullptr;
    QPushButton* bSendAgain = nullptr;
    QPushButton* bPrintTheirs = nullptr;
    QPushButton* bClose = nullptr;
};
