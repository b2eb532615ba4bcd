#pragma once

#include <QString>

class TPrompts;

// Where the program works when it is started from the desktop menu, which has no build folder
// or data folder to start in. The working directory is used when it holds cme.mdb; then the
// folder named by QUORVEL_DATA; then the folder last used by this user. Failing all three,
// the user may choose the folder of an existing database or create a new, empty one.
class TDataFolder
{
public:
    static constexpr const char* EnvironmentVariable = "QUORVEL_DATA";

    // The folder to start in, remembered as the last one used; empty when the user gave up.
    // A new database is created as quorvel-admin init creates one; when that fails the user
    // is told and asked again.
    static QString ForMenuStart(const QString& workingDirectory, TPrompts& prompts);

    // The folder this user last started in from the menu (empty when none), kept in the
    // user's own settings, not in the data folder's quorvel.ini.
    static QString LastUsed();
    static void Remember(const QString& folder);

    static bool HoldsDatabase(const QString& folder);
};
