#include "support/TTestProgram.h"

#include "app/TStartup.h"
#include "ui/TfrmMain.h"

#include <utility>

int TTestProgram::RunAndClose(const QString& dir, TfrmMain*& running,
                              const std::function<void()>& inspect)
{
    return TStartup::RunProgram(dir, [&](TfrmMain& mainWindow) {
        running = &mainWindow;
        struct TCloseAtEnd {
            TfrmMain*& running;
            ~TCloseAtEnd() { std::exchange(running, nullptr)->close(); }
        } closeAtEnd{running};
        inspect();
    });
}
