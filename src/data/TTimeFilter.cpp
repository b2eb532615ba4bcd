#include "data/TTimeFilter.h"

#include <algorithm>

TTimeFilter::TTimeFilter(const QString& year)
    : Kind(tkYears), EndDate(ZeroDate()), BeginDate(ZeroDate()), Years{year}
{
}

TTimeFilter TTimeFilter::CurrentYear()
{
    return TTimeFilter(QString::number(QDate::currentDate().year()));
}

QList<int> TTimeFilter::SortedYears() const
{
    QList<int> years;
    for (const QString& year : Years)
        years << year.toInt();
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return years;
}

bool TTimeFilter::InARow(const QList<int>& sortedYears)
{
    return !sortedYears.isEmpty() &&
           sortedYears.last() - sortedYears.first() == sortedYears.size() - 1;
}

QString TTimeFilter::YearList(const QList<int>& sortedYears)
{
    QStringList texts;
    for (int year : sortedYears)
        texts << QString::number(year);
    return texts.join(QStringLiteral(", "));
}
