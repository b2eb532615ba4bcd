#pragma once

// The seven dialogs of the program, created after the main window and destroyed before it, in
// the order of the program's start-up, so every global a window reaches points at a live one.
namespace TTestWindows {

void CreateDialogs();
void DestroyDialogs();

} // namespace TTestWindows
