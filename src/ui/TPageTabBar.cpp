#include "ui/TPageTabBar.h"

#include <QPaintEvent>
#include <QStyleOptionFocusRect>
#include <QStyleOptionTab>
#include <QStylePainter>

namespace
{

// Room left around a caption at each end of its tab.
constexpr int CaptionMargin = 6;

} // namespace

TPageTabBar::TPageTabBar(int tabLength, QWidget* parent) : QTabBar(parent), m_tabLength(tabLength)
{
    setObjectName(QStringLiteral("pgMainTabs"));
    setElideMode(Qt::ElideNone);
    setExpanding(false);
}

void TPageTabBar::SetHighlightedTab(int index)
{
    if (index == m_highlighted)
        return;
    m_highlighted = index;
    update();
}

bool TPageTabBar::IsVertical() const
{
    switch (shape()) {
    case RoundedEast:
    case RoundedWest:
    case TriangularEast:
    case TriangularWest:
        return true;
    default:
        return false;
    }
}

int TPageTabBar::TabLength() const
{
    // A caption is never cut: a larger font makes every tab longer alike.
    int length = m_tabLength;
    for (int i = 0; i < count(); ++i)
        length = qMax(length, fontMetrics().horizontalAdvance(tabText(i)) + 2 * CaptionMargin);
    return length;
}

QSize TPageTabBar::WithCommonLength(QSize size) const
{
    const int length = TabLength();
    if (IsVertical())
        size.setHeight(length);
    else
        size.setWidth(length);
    return size;
}

QSize TPageTabBar::tabSizeHint(int index) const
{
    return WithCommonLength(QTabBar::tabSizeHint(index));
}

QSize TPageTabBar::minimumTabSizeHint(int index) const
{
    return WithCommonLength(QTabBar::minimumTabSizeHint(index));
}

void TPageTabBar::initStyleOption(QStyleOptionTab* option, int tabIndex) const
{
    QTabBar::initStyleOption(option, tabIndex);
    if (tabIndex != m_highlighted)
        return;
    // A pale tint of the accent colour behind a caption in a dark shade of it.
    const QColor accent = palette().color(QPalette::Highlight);
    const QColor tint = QColor::fromHsv(accent.hsvHue(), qMin(accent.hsvSaturation(), 70), 252);
    const QColor caption = accent.darker(170);
    option->palette.setColor(QPalette::Window, tint);
    option->palette.setColor(QPalette::Button, tint);
    option->palette.setColor(QPalette::WindowText, caption);
    option->palette.setColor(QPalette::ButtonText, caption);
}

void TPageTabBar::DrawCaption(QPainter& painter, const QStyleOptionTab& option) const
{
    const QRect tab = option.rect;
    QRect caption = tab;
    painter.save();
    if (IsVertical()) {
        // Captions read from top to bottom on the right-hand side, bottom to top on the left.
        const bool east = shape() == RoundedEast || shape() == TriangularEast;
        painter.translate(tab.center());
        painter.rotate(east ? 90 : -90);
        caption = QRect(-tab.height() / 2, -tab.width() / 2, tab.height(), tab.width());
    }
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Enabled) ? QPalette::Active : QPalette::Disabled;
    painter.setPen(option.palette.color(group, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, option.text);
    painter.restore();
}

void TPageTabBar::paintEvent(QPaintEvent* event)
{
    QStylePainter painter(this);
    const int current = currentIndex();
    // The current tab is drawn last, over the edges of its neighbours.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < count(); ++i) {
            if (!isTabVisible(i) || (i == current) != (pass == 1))
                continue;
            QStyleOptionTab option;
            initStyleOption(&option, i);
            if (!option.rect.intersects(event->rect()))
                continue;
            painter.drawControl(QStyle::CE_TabBarTabShape, option);
            DrawCaption(painter, option);
            if (i == current && hasFocus()) {
                QStyleOptionFocusRect focus;
                focus.initFrom(this);
                focus.rect = option.rect.adjusted(3, 3, -3, -3);
                painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
            }
        }
    }
}
