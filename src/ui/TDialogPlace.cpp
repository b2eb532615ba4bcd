#include "TDialogPlace.h"

#include <QApplication>
#include <QWidget>

void PlaceBesideMainWindow(QWidget& dialog, const QPoint& offset)
{
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window != &dialog && window->objectName() == QLatin1String("frmMain")) {
            dialog.move(window->pos() + offset);
            return;
        }
    }
}
