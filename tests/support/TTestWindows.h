#pragma once

#include <memory>

class TDM;
class TfrmMain;

// The main window on a data module, with its seven dialogs, as start-up makes them; its prompts
// are the installed ones (a TTestPrompts of the test).
namespace TTestWindows
{

std::unique_ptr<TfrmMain> CreateMainWindow(TDM& dm);

} // namespace TTestWindows
