#pragma once

#include <QWidget>

class TfrmMain;

// The Calendar page: the filtered conferences and the calendar run.
class TCalendarPage : public QWidget
{
    Q_OBJECT
public:
    explicit TCalendarPage(TfrmMain& main, QWidget* parent = nullptr);

private:
    TfrmMain& m_main;
};
