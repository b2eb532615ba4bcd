#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class TBrandingPanel;
class TDBGrid;
class TTimeFilterBox;
class TfraCFilter;
class TfrmMain;

// The Calendar page: the filtered conferences, the page's conference filter and the calendar
// run.
class TCalendarPage : public QWidget
{
    Q_OBJECT
public:
    explicit TCalendarPage(TfrmMain& main, QWidget* parent = nullptr);

    TDBGrid* CalendarGrid() const { return jdbgCalendar; }

    void fraCalFilterbApplyClick();
    void fraCalFilterbClearClick();

private:
    TfrmMain& m_main;
    QLabel* lCalConferences = nullptr;
    TDBGrid* jdbgCalendar = nullptr;
    QPushButton* bGenerateCalendar = nullptr;
    TfraCFilter* fraCalFilter = nullptr;
    TTimeFilterBox* m_calTime = nullptr;
    TBrandingPanel* Panel7 = nullptr;
};
