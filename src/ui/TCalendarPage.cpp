#include "TCalendarPage.h"

#include "TfrmMain.h"

TCalendarPage::TCalendarPage(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("tsCalendar"));
}
