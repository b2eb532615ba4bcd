#pragma once

#include <QPoint>

class QWidget;

// Moves a dialog to a window's position plus an offset, as that window stands now; leaves it
// where it is without a window (a dialog built on its own, as in a test).
void PlaceBesideWindow(QWidget& dialog, const QWidget* window, const QPoint& offset);
