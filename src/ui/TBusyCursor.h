#pragma once

#include <QApplication>

// Shows the hourglass pointer for as long as it lives; the arrow comes back when it goes, also
// when the work it guards throws.
class TBusyCursor
{
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }

    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
