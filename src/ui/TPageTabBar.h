#pragma once

#include <QTabBar>

// The tab bar of the main page control: every tab has the same length along the bar (the given
// length, or more when a caption needs it), and one tab at most is drawn highlighted (a tinted
// tab with its caption in the accent colour).
class TPageTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit TPageTabBar(int tabLength, QWidget* parent = nullptr);

    // The length of every tab along the bar.
    int TabLength() const;

    // -1 highlights no tab.
    void SetHighlightedTab(int index);
    int HighlightedTab() const { return m_highlighted; }

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void initStyleOption(QStyleOptionTab* option, int tabIndex) const override;
    // The style's tab shapes with captions drawn here, so a caption needs little room beyond
    // its own length.
    void paintEvent(QPaintEvent* event) override;

private:
    QSize WithCommonLength(QSize size) const;
    void DrawCaption(QPainter& painter, const QStyleOptionTab& option) const;
    bool IsVertical() const;

    int m_tabLength;
    int m_highlighted = -1;
};
