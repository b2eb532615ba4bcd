#include "ui/TAccessibleNames.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace
{

// A caption as a reader speaks it: without the mnemonic marks and the closing colon.
QString Spoken(QString text)
{
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    text = text.simplified();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

QString LabelText(const QWidget* widget)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (!label || label->text().isEmpty() || !label->pixmap().isNull())
        return {};
    return Spoken(label->text());
}

// The labels of a window by the control each names as its buddy.
QHash<const QWidget*, QString> BuddyTexts(const QWidget* window)
{
    QHash<const QWidget*, QString> texts;
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy() && !texts.contains(label->buddy()))
            texts.insert(label->buddy(), LabelText(label));
    return texts;
}

// The label just before the control in its parent's layout: the cell to its left in a grid,
// the label of a form row, or the previous item of a row or column.
QString NeighbourText(QWidget* widget)
{
    QWidget* parent = widget->parentWidget();
    if (!parent || !parent->layout())
        return {};
    QList<QLayout*> layouts{parent->layout()};
    for (int i = 0; i < layouts.size(); ++i) {
        QLayout* layout = layouts[i];
        const int index = layout->indexOf(widget);
        if (index < 0) {
            for (int k = 0; k < layout->count(); ++k)
                if (QLayout* inner = layout->itemAt(k)->layout())
                    layouts.append(inner);
            continue;
        }
        if (auto* form = qobject_cast<QFormLayout*>(layout))
            if (QWidget* label = form->labelForField(widget))
                return LabelText(label);
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
            grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
            if (column > 0)
                if (QLayoutItem* item = grid->itemAtPosition(row, column - 1))
                    return LabelText(item->widget());
            if (row > 0)
                if (QLayoutItem* item = grid->itemAtPosition(row - 1, column))
                    return LabelText(item->widget());
            return {};
        }
        if (index > 0)
            if (QLayoutItem* item = layout->itemAt(index - 1))
                return LabelText(item->widget());
        return {};
    }
    return {};
}

// A grid or list without a label is named by its column titles.
QString ColumnTitles(const QAbstractItemView* view)
{
    const QAbstractItemModel* model = view->model();
    if (!model)
        return {};
    QStringList titles;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString title =
            Spoken(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        if (!title.isEmpty() && title != QString::number(column + 1))
            titles.append(title);
    }
    return titles.join(QStringLiteral(", "));
}

QString GroupTitle(const QWidget* widget)
{
    for (const QWidget* parent = widget->parentWidget(); parent; parent = parent->parentWidget())
        if (const auto* group = qobject_cast<const QGroupBox*>(parent))
            if (!group->title().isEmpty())
                return Spoken(group->title());
    return {};
}

QString NameOf(const QHash<const QWidget*, QString>& buddies, QWidget* widget)
{
    if (const QString buddy = buddies.value(widget); !buddy.isEmpty())
        return buddy;
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        if (const QString text = Spoken(button->text()); !text.isEmpty())
            return text;
    if (const QString neighbour = NeighbourText(widget); !neighbour.isEmpty())
        return neighbour;
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        if (const QString text = Spoken(edit->placeholderText()); !text.isEmpty())
            return text;
    if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        if (const QString titles = ColumnTitles(view); !titles.isEmpty())
            return titles;
    }
    if (const auto* tabs = qobject_cast<const QTabWidget*>(widget)) {
        QStringList pages;
        for (int i = 0; i < tabs->count(); ++i)
            pages << Spoken(tabs->tabText(i));
        pages.removeAll(QString());
        if (!pages.isEmpty())
            return pages.join(QStringLiteral(", "));
    }
    if (const QString tip = Spoken(widget->toolTip()); !tip.isEmpty())
        return tip;
    if (const auto* tabs = qobject_cast<const QTabWidget*>(widget->parentWidget()))
        if (tabs->currentIndex() >= 0)
            return Spoken(tabs->tabText(tabs->currentIndex()));
    return GroupTitle(widget);
}

} // namespace

void TAccessibleNames::Apply(QWidget* window)
{
    if (!window)
        return;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    const QHash<const QWidget*, QString> buddies = BuddyTexts(window);
    for (QWidget* widget : widgets) {
        if (widget->focusPolicy() == Qt::NoFocus || !widget->accessibleName().isEmpty())
            continue;
        // The viewport and the scroll bars of a view belong to the view.
        if (qobject_cast<QAbstractItemView*>(widget->parentWidget()) ||
            qobject_cast<QAbstractScrollArea*>(widget->parentWidget()) ||
            qobject_cast<QAbstractSpinBox*>(widget->parentWidget()))
            continue;
        const QString name = NameOf(buddies, widget);
        if (!name.isEmpty())
            widget->setAccessibleName(name);
    }
}
