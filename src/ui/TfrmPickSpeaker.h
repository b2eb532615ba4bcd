#pragma once

#include "TColumnWidths.h"
#include "TInlineEditPicker.h"

class TDBEdit;
class TDBLookupComboBox;

// The speaker picker: double-clicking a speaker adds them to the speaker list of the
// conference being edited; speakers can be added and corrected in place. Created once at
// start-up, shown modally, closed with its close box; it keeps its grid's column widths in the
// settings.
class TfrmPickSpeaker : public TInlineEditPicker
{
    Q_OBJECT
public:
    explicit TfrmPickSpeaker(QWidget* parent = nullptr);
    ~TfrmPickSpeaker() override;

    // The open height of the edit panel.
    static constexpr int DetailsHeight = 168;

    void jdbgSpeakersDblClick();

protected:
    void PickRow() override;

private:
    void FormCreate();
    void FormDestroy();
    static const QList<TColumnWidths::TKey>& WidthKeys();

    TDBEdit* dbeLastName = nullptr;
    TDBEdit* dbeFirstName = nullptr;
    TDBEdit* dbePlace = nullptr;
    TDBLookupComboBox* jdblcTitle = nullptr;
};

extern TfrmPickSpeaker* frmPickSpeaker;
