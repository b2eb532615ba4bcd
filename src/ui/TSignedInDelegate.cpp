#include "ui/TSignedInDelegate.h"

#include <QBrush>

void TSignedInDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (foreground.canConvert<QBrush>() && foreground.value<QBrush>().color() == SignedInColour())
        option->palette.setColor(QPalette::HighlightedText, SignedInColour());
}
