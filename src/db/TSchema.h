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
// Tables the program added after the first files were made (the delivery log "mail_log", the
// conference registrations "registrations");
// each statement creates its table only where it is missing, so an older file gains it when
// it is opened for writing. Files without them are still this program's databases.
QStringList AddedTableStatements();
// The badge codes: the column participants.badge_code (unique where set) and the table of codes
// that were replaced by new ones. For a file or a server that lacks them; each statement may run
// again without harm except the column's, which runs only where the column is missing.
QStringList BadgeStatements(bool server);
// On a file: the duplicate check's kept index of the participants (dupe_index) and the log of
// people changed since (dupe_changes, filled by triggers on participants). Written when the
// check first runs on a file that may be written; each statement may run again without harm.
QStringList DuplicateIndexStatements();

// The same tables on a PostgreSQL server: identity keys, varchar texts whose lengths the named
// CHECKs limit, timestamps (a
// sign-in defaults to the station's local time), and a "rowid" identity column in the four
// link tables, which have no key of their own. Explicitly given keys move the identity past
// them, and every change of attendances is announced on the channel AttendanceChannel().
QStringList ServerCreateStatements();
// AddedTableStatements in the server's words; each may run again without harm, so a server
// database made before a table was added gains it when it is opened for use.
QStringList ServerAddedTableStatements();
// The column a row is found again by: the key of a table that has one, else "rowid" (SQLite's
// own row id, or the server's identity column of a link table).
QString RowIdColumn(const QString& table);
// The notification channel that carries "conf_id user_id" of changed attendances, or "*"
// when too many changed at once.
QString AttendanceChannel();

} // namespace TSchema
