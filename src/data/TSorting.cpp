#include "data/TSorting.h"

#include "db/TDataSet.h"

QString TSorting::NextSortDirection(const QString& sortText, const QString& fieldName)
{
    if (!sortText.contains(fieldName))
        return QStringLiteral(" ASC");
    if (!sortText.contains(QLatin1String(" ASC")))
        return QStringLiteral(" ASC");
    return QStringLiteral(" DESC");
}

void TSorting::SortByField(TDataSet* dataSet, const QString& fieldName)
{
    const QString direction = NextSortDirection(dataSet->Sort(), fieldName);
    dataSet->SetSort(fieldName + u' ' + direction);
}
