#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <memory>

class TDM;
class TfrmMain;

// The program's start-up and shutdown sequence. Start-up sets the application title, creates
// the data module on the working directory and, when that succeeded, the main window with its
// seven dialogs, shows the main window and runs the event loop until it closes. Shutdown
// destroys the windows in reverse order and the data module last, whose settings object
// flushes the file.
class TStartup
{
public:
    static constexpr int ExitSuccess = 0;
    static constexpr int ExitFailure = 1;

    // Called with the main window, which reaches the data module and every dialog.
    using TRunningHandler = std::function<void(TfrmMain& mainWindow)>;
    using TCreationHook = std::function<void(const QString& instanceName)>;

    // Runs the whole sequence on workingDirectory, where cme.mdb and quorvel.ini are found.
    // whileRunning, when given, is called once from inside the event loop, after every window
    // exists and the main window is shown. Returns ExitSuccess after the main window closed,
    // ExitFailure when the data module could not start or an error escaped start-up (the
    // user has been told in either case). Needs a TApplication to exist.
    static int RunProgram(const QString& workingDirectory,
                          const TRunningHandler& whileRunning = {});

    // Called with each window's instance name ("frmMain", ...) just before it is created; an
    // error it throws counts as that window's creation failing. Empty by default.
    static void SetCreationHook(TCreationHook hook);

    // The start-up error report: "Error occured: " + the error's class name + " " + message.
    static QString StartupErrorText(const std::exception& error);

    // What became of an older Jet cme.mdb in the working directory.
    enum class TJetOutcome { NoJetFile, Imported, Declined, Failed };
    // When the working directory's cme.mdb is a Jet file, asks whether to import it; Yes
    // imports it with a progress window (refused values are shown and the user chooses to
    // import the rest or stop). Declined leaves everything as it was.
    static TJetOutcome OfferJetImport(const QString& workingDirectory);

private:
    // Makes the main window and then its dialogs; what was made before an error stays in
    // mainWindow, for the caller to destroy.
    static void CreateWindows(TDM& dm, std::unique_ptr<TfrmMain>& mainWindow);
    static void RunEventLoop(TfrmMain& mainWindow, const TRunningHandler& whileRunning);
};
