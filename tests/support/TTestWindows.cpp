#include "TTestWindows.h"

#include "TPrompts.h"
#include "TfrmMain.h"

std::unique_ptr<TfrmMain> TTestWindows::CreateMainWindow(TDM& dm)
{
    auto window = std::make_unique<TfrmMain>(dm, TPrompts::Current());
    window->CreateDialogs();
    return window;
}
