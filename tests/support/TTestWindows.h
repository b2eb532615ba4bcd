#pragma once

#include <memory>

class TDM;
class TReportWindows;
class TfrmMain;

// The main window on a data module, with its seven dialogs, as start-up makes them; its prompts
// are the installed ones (a TTestPrompts of the test). windows, when given, opens the document
// runs' windows instead of the program's widgets.
namespace TTestWindows
{

std::unique_ptr<TfrmMain> CreateMainWindow(TDM& dm, TReportWindows* windows = nullptr);

} // namespace TTestWindows
