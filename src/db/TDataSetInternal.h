#pragma once

// Helpers shared by the source files of TDataSet; not part of the engine's interface.

#include "db/TField.h"

#include <QRegularExpression>
#include <QString>

namespace TDataSetInternal {

// Name of the hidden row id column that single-table data sets carry.
extern const QString kRowIdColumn;
// Parameter that holds the master's link value in a detail's query.
extern const QString kMasterParam;
// Parameter that holds the key of the one row a refresh reads again.
extern const QString kRowKeyParam;

bool IsIntegerType(TFieldType t);

// Single-table texts: "select * from <table> [alias] [where ...] [order by ...]".
const QRegularExpression& SingleTableRe();

} // namespace TDataSetInternal
