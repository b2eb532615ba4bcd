#pragma once

#include <QString>

#include <functional>

class TfrmMain;

namespace TTestProgram
{

// Runs the program on dir as a start from the desktop does. inspect runs inside its event loop
// with running pointing at the main window; the window is closed afterwards and running reset
// even when a check failed, so a broken check cannot hang the test. Returns the exit code.
int RunAndClose(const QString& dir, TfrmMain*& running, const std::function<void()>& inspect);

} // namespace TTestProgram
