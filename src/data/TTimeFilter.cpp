#include "data/TTimeFilter.h"

TTimeFilter::TTimeFilter(const QString& year)
    : Kind(tkYears), EndDate(ZeroDate()), BeginDate(ZeroDate()), Years{year}
{
}

TTimeFilter TTimeFilter::CurrentYear()
{
    return TTimeFilter(QString::number(QDate::currentDate().year()));
}
