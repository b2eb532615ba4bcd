#pragma once

#include "ui/TPickerDialog.h"

// The conference picker: double-clicking a conference adds the current participant of the
// Participants page to it. Created once at start-up, shown modally, closed with its close box.
class TfrmPickConf : public TPickerDialog
{
    Q_OBJECT
public:
    // mainWindow, when given, is the window the dialog places itself beside.
    explicit TfrmPickConf(TDM& dm, const QWidget* mainWindow = nullptr, QWidget* parent = nullptr);

    // Signs the current participant in to the current conference and refreshes the lists that
    // show attendances. Writes nothing when there is no current participant.
    void dbgPickConfDblClick();

protected:
    void PickRow() override;
};
