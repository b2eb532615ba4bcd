#pragma once

#include <QTabWidget>

class TPageTabBar;

// The main window's page control: tabs on the right-hand side, each of the same fixed length,
// and a highlight for one tab.
class TMainPageControl : public QTabWidget
{
    Q_OBJECT
public:
    // Length of every tab along the bar, in pixels, unless a caption needs more.
    static constexpr int TabLength = 80;

    explicit TMainPageControl(QWidget* parent = nullptr);

    void SetHighlightedTab(int index);
    int HighlightedTab() const;

private:
    TPageTabBar* m_tabs;
};
