#pragma once

#include <QPoint>

class QWidget;

// Moves a dialog to the main window's position plus an offset, as the main window stands now;
// leaves it where it is while there is no main window (the window is found by its name,
// "frmMain", among the top-level windows).
void PlaceBesideMainWindow(QWidget& dialog, const QPoint& offset);
