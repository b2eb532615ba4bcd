#include "app/TApplication.h"

#include "db/TError.h"
#include "db/TPrompts.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    SetApplicationTitle();
}

void TApplication::SetApplicationTitle()
{
    // Only the application name: a display name would be appended to every window caption by
    // some platforms, and the captions ("Conferences", "Error", ...) must stand as they are.
    QCoreApplication::setApplicationName(TPrompts::ApplicationTitle());
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const TError& error) {
        TPrompts::ShowDefaultError(error.Message());
    } catch (const std::exception& error) {
        TPrompts::ShowDefaultError(QString::fromLocal8Bit(error.what()));
    }
    // The event was not handled to its end; the loop goes on with the next one.
    return false;
}
