#pragma once

#include <QObject>

class QWidget;

// Keeps the buttons that change data (Add new, Add, Edit, Remove, the sign-in buttons) disabled
// in a window, whatever its pages' states later enable, while the database is read-only.
class TReadOnlyLock : public QObject
{
    Q_OBJECT
public:
    // Locks the buttons of window and of every window it contains; the lock lives as long as
    // the window.
    static void Apply(QWidget* window, const QString& reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
