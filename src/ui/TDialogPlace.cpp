#include "ui/TDialogPlace.h"

#include <QWidget>

void PlaceBesideWindow(QWidget& dialog, const QWidget* window, const QPoint& offset)
{
    if (window && window != &dialog)
        dialog.move(window->pos() + offset);
}
