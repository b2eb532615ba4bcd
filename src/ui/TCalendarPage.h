#pragma once

#include "ui/TPageBase.h"

class QLabel;
class QPushButton;
class TBrandingPanel;
class TDataSet;
class TDBGrid;
class TTimeFilterBox;
class TfraCFilter;

// The Calendar page: the filtered conferences, the page's conference filter and the calendar
// run.
class TCalendarPage : public TPageBase
{
    Q_OBJECT
public:
    explicit TCalendarPage(const TPageInputs& inputs, QWidget* parent = nullptr);

    TDBGrid* CalendarGrid() const { return jdbgCalendar; }

    // Writes calendar.rtf from the list as the grid shows it; the details of the Conferences
    // page follow the calendar list meanwhile and their own list again afterwards, also when
    // the run fails.
    void bGenerateCalendarClick();
    void fraCalFilterbApplyClick();
    void fraCalFilterbClearClick();
    // Re-queries the list with the page's filter and the time filter as they stand.
    void ApplyFilters();

private:
    void LinkDetailsTo(TDataSet* master);

    QLabel* lCalConferences = nullptr;
    TDBGrid* jdbgCalendar = nullptr;
    QPushButton* bGenerateCalendar = nullptr;
    TfraCFilter* fraCalFilter = nullptr;
    TTimeFilterBox* m_calTime = nullptr;
    TBrandingPanel* Panel7 = nullptr;
};
