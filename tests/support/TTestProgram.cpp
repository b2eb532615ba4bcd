#include "TTestProgram.h"

#include "TStartup.h"
#include "TfrmMain.h"

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
