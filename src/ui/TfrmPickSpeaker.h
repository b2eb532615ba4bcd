#pragma once

#include "ui/TInlineEditPicker.h"

class TDBEdit;
class TDBLookupComboBox;

// The speaker picker: double-clicking a speaker adds them to the speaker list of the
// conference being edited; speakers can be added and corrected in place. Created once at
// start-up, shown modally, closed with its close box.
class TfrmPickSpeaker : public TInlineEditPicker
{
    Q_OBJECT
public:
    // mainWindow, when given, is the window the dialog places itself beside.
    explicit TfrmPickSpeaker(TDM& dm, const QWidget* mainWindow = nullptr,
                             QWidget* parent = nullptr);

    // The open height of the edit panel.
    static constexpr int DetailsHeight = 168;

    void jdbgSpeakersDblClick();

Q_SIGNALS:
    // The current row of Speakers was picked for the conference being edited.
    void speakerPicked();

protected:
    void PickRow() override;

private:
    TDBEdit* dbeLastName = nullptr;
    TDBEdit* dbeFirstName = nullptr;
    TDBEdit* dbePlace = nullptr;
    TDBLookupComboBox* jdblcTitle = nullptr;
};
