#include "app/TStartup.h"

#include "ui/TReadOnlyLock.h"

#include "app/TApplication.h"
#include "data/TDM.h"
#include "db/TError.h"
#include "db/TPrompts.h"
#include "ui/TAccessibleNames.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmTimeFilter.h"
#include "settings/TConfig.h"
#include "tools/TJetImport.h"
#include "ui/TProgressDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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
        if (OfferJetImport(workingDirectory) == TJetOutcome::Failed)
            return ExitFailure;
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

TStartup::TJetOutcome TStartup::OfferJetImport(const QString& workingDirectory)
{
    const QString database = QDir(workingDirectory).filePath(QStringLiteral("cme.mdb"));
    if (!TJetImport::IsJetFile(database))
        return TJetOutcome::NoJetFile;
    // A folder whose settings name a server does not use its cme.mdb.
    const QString iniPath = QDir(workingDirectory).filePath(QStringLiteral("quorvel.ini"));
    if (QFileInfo::exists(iniPath)) {
        try {
            const TConfig settings(iniPath);
            if (settings.ReadString(QStringLiteral("Database"), QStringLiteral("Driver"))
                    .trimmed()
                    .compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0)
                return TJetOutcome::NoJetFile;
        } catch (const TError&) {
            // The data module reports the settings file; the question still stands.
        }
    }
    auto tr = [](const char* text) { return QCoreApplication::translate("TStartup", text); };
    if (!TPrompts::Confirm(tr("This folder holds a database in the older Jet format. Import it "
                              "into Quorvel? The original file is kept unchanged as cme-jet.mdb.")))
        return TJetOutcome::Declined;
    try {
        TProgressDialog progress(nullptr);
        constexpr int kSteps = 1000;
        progress.Begin(tr("Importing the database in the older Jet format"), kSteps);
        // Reading is the first half of the bar, writing the second.
        auto half = [&](int offset) {
            return [&progress, offset](qint64 done, qint64 total, const QString&) {
                const int step = total > 0 ? int(done * (kSteps / 2) / total) : 0;
                return progress.Step(offset + step);
            };
        };
        TJetImport import(database, half(0));
        if (!import.Refusals().isEmpty()) {
            progress.End();
            if (!TPrompts::Confirm(import.ReadReport().join(u'\n') +
                                   tr("\n\nImport the rest? The rows listed are not imported; "
                                      "No stops and changes nothing.")))
                return TJetOutcome::Failed;
            progress.Begin(tr("Importing the database in the older Jet format"), kSteps);
        }
        const QStringList written = import.WriteFolder(workingDirectory, half(kSteps / 2));
        progress.End();
        TPrompts::ShowInformation((import.Notes() + written).join(u'\n'));
        return TJetOutcome::Imported;
    } catch (const TError& error) {
        TPrompts::ShowPlain(error.Message());
        return TJetOutcome::Failed;
    }
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
