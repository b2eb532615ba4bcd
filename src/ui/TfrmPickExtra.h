#pragma once

#include "TColumnWidths.h"
#include "TInlineEditPicker.h"

class TDBEdit;

// The additional-info picker: double-clicking an item adds it to the additional-info list of
// the conference being edited; items can be added and corrected in place. Created once at
// start-up, shown modally, closed with its close box; it keeps its grid's column widths in the
// settings.
class TfrmPickExtra : public TInlineEditPicker
{
    Q_OBJECT
public:
    explicit TfrmPickExtra(QWidget* parent = nullptr);
    ~TfrmPickExtra() override;

    // The open height of the edit panel.
    static constexpr int DetailsHeight = 73;

    void jdbgExtrasDblClick();

protected:
    void PickRow() override;

private:
    void FormCreate();
    void FormDestroy();
    static const QList<TColumnWidths::TKey>& WidthKeys();

    TDBEdit* dbeExtraName = nullptr;
};

extern TfrmPickExtra* frmPickExtra;
