#pragma once

#include "ui/TInlineEditPicker.h"

class TDBEdit;

// The additional-info picker: double-clicking an item adds it to the additional-info list of
// the conference being edited; items can be added and corrected in place. Created once at
// start-up, shown modally, closed with its close box.
class TfrmPickExtra : public TInlineEditPicker
{
    Q_OBJECT
public:
    // mainWindow, when given, is the window the dialog places itself beside.
    explicit TfrmPickExtra(TDM& dm, const QWidget* mainWindow = nullptr, QWidget* parent = nullptr);

    // The open height of the edit panel.
    static constexpr int DetailsHeight = 73;

    void jdbgExtrasDblClick();

Q_SIGNALS:
    // The current row of Extras was picked for the conference being edited.
    void extraPicked();

protected:
    void PickRow() override;

private:
    TDBEdit* dbeExtraName = nullptr;
};
