#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QDialog;
class QWidget;

// What every test of the windows does to them: find a control by its objectName, click a
// button, act on a dialog once it shows, wait for a top-level window, and leave a picture in the
// screenshots folder.
namespace TGuiTest
{

// The build folder's "screenshots" folder (made when missing), where tests leave pictures to
// look at; the current folder stands in for the build folder outside CTest.
QString ScreenshotDir();

void WarnMissing(const char* name);

// The control of that objectName below root (null when root is); warns when there is none, so
// that a renamed control shows in the log next to the failed check.
template <class T> T* Find(const QObject* root, const char* name)
{
    T* control = root ? root->findChild<T*>(QLatin1String(name)) : nullptr;
    if (!control)
        WarnMissing(name);
    return control;
}

// Clicks the push button of that objectName below root; fails the test when it is missing or
// disabled.
void Click(const QObject* root, const char* name);

// The caption without its mnemonic marks ("&Save" reads "Save").
QString WithoutMnemonic(QString text);

// The visible top-level window of that objectName, or null.
QWidget* TopLevel(const QString& name);

// Shows the window and waits until it is the active one.
void ShowActive(QWidget* window);

// Runs act inside the dialog's modal loop once the dialog shows, then rejects the dialog if act
// left it open, so that no check can leave the test waiting on a modal window. shown, when
// given, is set once act has run. Gives up after a number of ticks when the dialog never shows.
void WhenShown(QDialog* dialog, std::function<void()> act, bool* shown = nullptr);

// Runs act on the modal window of that objectName once the code under test opens it (for a
// dialog made and shown inside the call that the test makes next). The returned object keeps
// watching until act has run; keep it alive over that call.
std::unique_ptr<QObject> WhenModal(const char* name, std::function<void(QWidget*)> act);

// Runs step on every turn of the event loop until it returns true (the code under test turns
// the loop while its windows are open).
class TWindowDriver : public QObject
{
public:
    explicit TWindowDriver(std::function<bool()> step);
    bool Done() const { return m_done; }

private:
    std::function<bool()> m_step;
    QTimer m_timer;
    bool m_done = false;
};

} // namespace TGuiTest
