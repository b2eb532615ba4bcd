#include "TTestWindows.h"

#include "TPrompts.h"
#include "TfrmMain.h"

std::unique_ptr<TfrmMain> TTestWindows::CreateMainWindow(TDM& dm, TReportWindows* windows)
{
    auto window = std::make_unique<TfrmMain>(dm, TPrompts::Current(), nullptr, windows);
    window->CreateDialogs();
    return window;
}
