#include "TStartup.h"

#include "TReadOnlyLock.h"

#include "TApplication.h"
#include "TDM.h"
#include "TError.h"
#include "TPrompts.h"
#include "TAccessibleNames.h"
#include "TfrmAddPart.h"
#include "TfrmMain.h"
#include "TfrmTimeFilter.h"

#include <QEventLoop>
#include <QTimer>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>
#include <utility>

namespace
{

TStartup::TCreationHook g_creationHook;

// The readable class name of an error that is not one of the program's own.
QString DemangledName(const std::type_info& type)
{
    int status = 0;
    char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    QString result = QString::fromLatin1(status == 0 && name ? name : type.name());
    std::free(name);
    return result;
}

} // namespace

void TStartup::SetCreationHook(TCreationHook hook)
{
    g_creationHook = std::move(hook);
}

QString TStartup::StartupErrorText(const std::exception& error)
{
    QString className;
    QString message;
    if (const auto* own = dynamic_cast<const TError*>(&error)) {
        className = QLatin1String(own->ClassName());
        message = own->Message();
    } else {
        className = DemangledName(typeid(error));
        message = QString::fromLocal8Bit(error.what());
    }
    return QStringLiteral("Error occured: ") + className + u' ' + message;
}

int TStartup::RunProgram(const QString& workingDirectory, const TRunningHandler& whileRunning)
{
    int exitCode = ExitSuccess;
    std::unique_ptr<TDM> dataModule;
    std::unique_ptr<TfrmMain> mainWindow;
    try {
        TApplication::SetApplicationTitle();
        // Never throws: a database that cannot be opened has been reported in the plain box.
        dataModule = std::make_unique<TDM>(workingDirectory);
        if (dataModule->OpenFailed) {
            exitCode = ExitFailure;
        } else {
            CreateWindows(*dataModule, mainWindow);
            RunEventLoop(*mainWindow, whileRunning);
        }
    } catch (const std::exception& error) {
        TPrompts::ShowErrorBox(StartupErrorText(error));
        exitCode = ExitFailure;
    }
    // The dialogs write their column widths into the settings while they go; the data
    // module's settings object then flushes them, so it must go last.
    mainWindow.reset();
    dataModule.reset();
    return exitCode;
}

void TStartup::CreateWindows(TDM& dm, std::unique_ptr<TfrmMain>& mainWindow)
{
    if (g_creationHook)
        g_creationHook(QStringLiteral("frmMain"));
    mainWindow = std::make_unique<TfrmMain>(dm, TPrompts::Current());
    mainWindow->CreateDialogs(g_creationHook);
    const QList<QWidget*> windows = mainWindow->Windows();
    for (QWidget* window : windows)
        TAccessibleNames::Apply(window);
    if (dm.ReadOnly())
        for (QWidget* window : windows)
            // The time filter and the add-participant dialog change nothing by themselves.
            if (window != mainWindow->TimeFilterDialog() && window != mainWindow->AddPartDialog())
                TReadOnlyLock::Apply(window, dm.ReadOnlyReason());
}

void TStartup::RunEventLoop(TfrmMain& mainWindow, const TRunningHandler& whileRunning)
{
    // The loop belongs to the main window: it ends when that window closes, whatever other
    // window may still be open, and never because the last visible window went away.
    const bool quitOnLastWindowClosed = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    QEventLoop loop;
    QObject::connect(&mainWindow, &TfrmMain::closed, &loop, &QEventLoop::quit);
    mainWindow.show();
    if (whileRunning)
        QTimer::singleShot(0, &loop, [&mainWindow, &whileRunning] { whileRunning(mainWindow); });
    loop.exec();
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed);
}
