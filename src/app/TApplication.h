#pragma once

#include <QApplication>

// The application object. It names the program towards the desktop and is the program-wide
// default error handler: an error escaping the handler of any event is shown to the user and
// the event loop goes on.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Names the running program "Continuing Education Management Software".
    static void SetApplicationTitle();
};
