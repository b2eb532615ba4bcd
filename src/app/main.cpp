#include "app/TApplication.h"
#include "app/TDataFolder.h"
#include "ui/TMessageBoxPrompts.h"
#include "app/TStartup.h"

#include <QDir>

#include <cstdio>
#include <cstring>

namespace
{

bool HasArgument(int argc, char** argv, const char* argument)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], argument) == 0)
            return true;
    return false;
}

} // namespace

// Without arguments the program works in the current directory, where cme.mdb and
// quorvel.ini are found. The desktop entry starts it with --from-menu, which first finds the
// data folder (see TDataFolder). --version prints the version and needs no display.
int main(int argc, char** argv)
{
    if (HasArgument(argc, argv, "--version")) {
        std::printf("quorvel %s\n", QUORVEL_VERSION);
        return TStartup::ExitSuccess;
    }
    TApplication application(argc, argv);
    TMessageBoxPrompts prompts;
    TPrompts::Install(&prompts);
    QString folder = QDir::currentPath();
    if (HasArgument(argc, argv, "--from-menu")) {
        folder = TDataFolder::ForMenuStart(folder, prompts);
        if (!folder.isEmpty())
            QDir::setCurrent(folder);
    }
    const int exitCode = folder.isEmpty() ? TStartup::ExitFailure : TStartup::RunProgram(folder);
    TPrompts::Install(nullptr);
    return exitCode;
}
