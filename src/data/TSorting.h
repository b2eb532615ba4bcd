#pragma once

#include <QString>

class TDataSet;

// The client-side sort toggle behind every sortable grid.
namespace TSorting {

// " ASC" unless the field name occurs in the sort text and " ASC" occurs too, then " DESC"
// (plain substring tests, so repeated clicks alternate, starting ascending).
QString NextSortDirection(const QString& sortText, const QString& fieldName);
// Sets the sort text to the field name, a blank and the next direction ("conf_name  ASC").
void SortByField(TDataSet* dataSet, const QString& fieldName);

} // namespace TSorting
