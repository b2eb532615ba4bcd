#pragma once

#include <QString>

class TConnection;

// Opens the database a working folder names: the server of quorvel.ini's [Database] section,
// else the file at databasePath.
void OpenConfiguredDatabase(TConnection& conn, const QString& folder, const QString& databasePath);
