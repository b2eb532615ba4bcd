#pragma once

#include <QString>
#include <QStringList>

// The eleven tables of cme.mdb: how to create them in an empty SQLite file and how to tell
// whether an opened file holds them.
namespace TSchema {

// Table names in creation order.
QStringList TableNames();
// Column names of one table in their declared order; empty for an unknown table.
QStringList ColumnNames(const QString& table);
// The statements that create the tables, indexes and the attendance pair rule, and the
// program's own tables (AddedTableStatements).
QStringList CreateStatements();
// Tables the program added after the first files were made (the delivery log "mail_log");
// each statement creates its table only where it is missing, so an older file gains it when
// it is opened for writing. Files without them are still this program's databases.
QStringList AddedTableStatements();

} // namespace TSchema
