#pragma once

#include "ui/TPageBase.h"

class QLabel;
class QPushButton;
class TBrandingPanel;
class TDBGrid;
class TTimeFilterBox;
class TfraCFilter;

// The Live sign-in page: the filtered conference list from which the sign-in window starts.
class TSignInPage : public TPageBase
{
    Q_OBJECT
public:
    explicit TSignInPage(const TPageInputs& inputs, QWidget* parent = nullptr);

    // "Live sign-in": opens the sign-in window modally for the selected conference; does
    // nothing while the list is empty.
    void bSignInClick();
    // The filter panel's buttons: copy the panel into the page's filter and re-query the list.
    void fraSignInFilterbApplyClick();
    void fraSignInFilterbClearClick();
    // Re-queries the list with the page's filter and the time filter as they stand.
    void ApplyFilters();

Q_SIGNALS:
    // "Live sign-in" was pressed with a conference chosen: the owner shows the sign-in window
    // modally for the current row of SignInConfs.
    void signInRequested();

private:
    QLabel* lSignInConfs = nullptr;
    TDBGrid* jdbgSignInConfs = nullptr;
    QPushButton* bSignIn = nullptr;
    TfraCFilter* fraSignInFilter = nullptr;
    TTimeFilterBox* signInTime = nullptr;
    TBrandingPanel* Panel9 = nullptr;
};
