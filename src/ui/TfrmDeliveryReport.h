#pragma once

#include "documents/TReportWindows.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// The "Delivery report" of a transcript e-mail run (modeless): a count line ("158 sent, 3 refused,
// 2 not sent"), the list (number and name of the participant, result, address, time, handler, file)
// with the failures first, and the buttons "Send again" (enabled while a row is not sent), "Print
// theirs" (enabled while a participant has no address) and "Close".
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
