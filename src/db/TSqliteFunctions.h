#pragma once

struct sqlite3;

// The SQL functions the program's texts use on a file, registered on every open (SQLite forgets
// them with the connection): DatePart(interval, date) over ISO date texts, like(pattern, text)
// ignoring letter case in every alphabet, and the LOCALE collation.
namespace TSqliteFunctions
{

// False when the engine refused one of them.
bool Register(sqlite3* db);

} // namespace TSqliteFunctions
