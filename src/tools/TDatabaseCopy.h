#pragma once

#include <QString>

#include <functional>

class TConnection;

// Moves a whole database from one engine to the other (a file onto a server, or back): the
// target gets the schema and every row, and the row counts of both are compared before the
// copy is committed, so a failed copy leaves nothing behind on a server. Keys keep their values;
// the target's key counters continue after them.
class TDatabaseCopy
{
public:
    using TProgress = std::function<void(const QString& line)>;

    // The target must not hold any of the program's tables yet.
    static void Copy(TConnection& source, TConnection& target, const TProgress& progress = {});
    // Creates the schema on an empty server database, refusing one that has our tables.
    static void CreateOnServer(TConnection& target);

    // A source or target text: a libpq connection text ("host=… dbname=…") names a server.
    static bool NamesServer(const QString& text) { return text.contains(u'='); }
};
