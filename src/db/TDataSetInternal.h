#pragma once

// Helpers shared by the source files of TDataSet; not part of the engine's interface.

#include "TField.h"

#include <QRegularExpression>
#include <QString>

struct sqlite3_stmt;
class TConnection;

void QuorvelBindValue(TConnection& conn, sqlite3_stmt* stmt, int index, const QVariant& v);

namespace TDataSetInternal {

// Name of the hidden row id column that single-table data sets carry.
extern const QString kRowIdColumn;
// Parameter that holds the master's link value in a detail's query.
extern const QString kMasterParam;
// Parameter that holds the key of the one row a refresh reads again.
extern const QString kRowKeyParam;

bool IsIntegerType(TFieldType t);

// A date-time text "yyyy-mm-dd hh:mm:ss" of a real date and time as the number yyyymmddhhmmss;
// false for any other text.
bool PackStamp(const char* text, qsizetype length, qint64& stamp);
// The text a stamp was made from.
void StampText(qint64 stamp, char (&text)[19]);

// Single-table texts: "select * from <table> [alias] [where ...] [order by ...]".
const QRegularExpression& SingleTableRe();

} // namespace TDataSetInternal
