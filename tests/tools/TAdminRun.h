#pragma once

#include "tools/TAdminCommand.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// One run of quorvel-admin's command in this process: its exit code and what it wrote.
struct TRun {
    int code = -1;
    QString out;
    QString err;
};

inline TRun Admin(const QStringList& arguments)
{
    TRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.code = TAdminCommand::Run(arguments, out, err);
    out.flush();
    err.flush();
    return run;
}
