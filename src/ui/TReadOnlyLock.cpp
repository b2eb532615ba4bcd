#include "ui/TReadOnlyLock.h"

#include <QAbstractButton>
#include <QEvent>
#include <QWidget>

namespace
{

bool ChangesData(QString caption)
{
    caption.remove(u'&');
    static const QStringList captions = {
        QStringLiteral("Add new"),      QStringLiteral("Add"),
        QStringLiteral("Edit"),         QStringLiteral("Remove"),
        QStringLiteral("Edit details"), QStringLiteral("New participant"),
        QStringLiteral("Sign to conference"), QStringLiteral("Load image"),
        QStringLiteral("New badge code"),
    };
    return captions.contains(caption);
}

} // namespace

void TReadOnlyLock::Apply(QWidget* window, const QString& reason)
{
    auto* lock = new TReadOnlyLock(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!ChangesData(button->text()))
            continue;
        button->setEnabled(false);
        button->setToolTip(reason);
        button->installEventFilter(lock);
    }
}

bool TReadOnlyLock::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isEnabled())
            widget->setEnabled(false);
    }
    return false;
}
