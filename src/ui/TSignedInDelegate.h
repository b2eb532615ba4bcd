#pragma once

#include <QColor>
#include <QStyledItemDelegate>

// The names list of the sign-in window: the grey of a signed-in row stays on the selection
// highlight, so a selected row still shows that its participant is in; other rows take the
// usual highlighted text.
class TSignedInDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The text colour of a signed-in row.
    static QColor SignedInColour() { return QColor(128, 128, 128); }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
