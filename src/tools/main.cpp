#include "tools/TAdminCommand.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

// quorvel-admin: creates empty, demonstration and benchmark databases. No windows.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = TAdminCommand::Run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return code;
}
