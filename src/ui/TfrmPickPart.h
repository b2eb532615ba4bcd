#pragma once

#include "ui/TPickerDialog.h"

// The participant picker: double-clicking a participant adds them to the current conference
// of the Conferences page; Enter in the search edit narrows the list by last name. Created once
// at start-up, shown modally, closed with its close box.
class TfrmPickPart : public TPickerDialog
{
    Q_OBJECT
public:
    // mainWindow, when given, is the window the dialog places itself beside.
    explicit TfrmPickPart(TDM& dm, const QWidget* mainWindow = nullptr, QWidget* parent = nullptr);

    // Signs the current participant in to the current conference and refreshes the lists that
    // show attendances. Writes nothing when there is no current conference.
    void dbgPickPartDblClick();

protected:
    void PickRow() override;
    void Search(const QString& text) override;
};
