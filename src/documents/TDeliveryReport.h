#pragma once

#include "TDeliveryLog.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

// Sends the failed rows of a run again and returns every row of the run as it now stands.
// Throws TError when no handler can be made (settings) or the connection fails.
using TSendAgain = std::function<QList<TDeliveryRow>()>;

// The "Delivery report" after a transcript e-mail run: the run's rows with their result, and
// "Send again" for those not sent. It goes through this interface so that tests drive it; the
// program shows the window (modeless, so the user can keep it while working on).
class TDeliveryReportWindow
{
public:
    virtual ~TDeliveryReportWindow() = default;
    virtual void Show(const QList<TDeliveryRow>& rows, TSendAgain sendAgain) = 0;

    // The installed implementation; the window when none is installed.
    static TDeliveryReportWindow& Current();
    // Installs an implementation; the caller keeps ownership. Null restores the window.
    static void Install(TDeliveryReportWindow* window);
};

// The window itself: a list (time, participant, address, file, handler, result) and the buttons
// "Send again" (enabled while a row is not sent) and "Close".
class TfrmDeliveryReport : public QDialog
{
    Q_OBJECT
public:
    TfrmDeliveryReport(const QList<TDeliveryRow>& rows, TSendAgain sendAgain,
                       QWidget* parent = nullptr);

    void bSendAgainClick();

private:
    void ShowRows(const QList<TDeliveryRow>& rows);

    TSendAgain m_sendAgain;
    QLabel* lSummary = nullptr;
    QTableWidget* dbgDelivery = nullptr;
    QPushButton* bSendAgain = nullptr;
    QPushButton* bClose = nullptr;
};
