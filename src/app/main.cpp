#include "TApplication.h"
#include "TMessageBoxPrompts.h"
#include "TStartup.h"

#include <QDir>

// The program reads no arguments: both of its files are found in the current directory.
int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    TMessageBoxPrompts prompts;
    TPrompts::Install(&prompts);
    const int exitCode = TStartup::RunProgram(QDir::currentPath());
    TPrompts::Install(nullptr);
    return exitCode;
}
