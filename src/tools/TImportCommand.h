#pragma once

#include <QString>

class QTextStream;

// "quorvel-admin import FILE DIR": reads a participant list into the database of DIR (its
// cme.mdb, or the server its quorvel.ini names), mapping the columns by caption, taking sure
// matches as matches and leaving possible duplicates out unless told to add them. Prints the
// counts and writes the refused rows beside the file. Returns the exit code: 1 when no row
// could be imported.
namespace TImportCommand {

int Run(const QString& file, const QString& folder, int conferenceId, bool addPossibleDuplicates,
        QTextStream& out);

} // namespace TImportCommand
