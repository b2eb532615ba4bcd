#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The command line of quorvel-admin: init, demo and synth. Kept apart from main() so tests
// can run it with their own arguments and streams.
class TAdminCommand
{
public:
    enum ExitCode { Done = 0, Failed = 1, WrongUsage = 2 };

    // arguments without the program name. Normal output goes to out, errors to err.
    static int Run(const QStringList& arguments, QTextStream& out, QTextStream& err);
    static QString Usage();
};
