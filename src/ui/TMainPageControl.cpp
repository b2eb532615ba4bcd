#include "ui/TMainPageControl.h"

#include "ui/TPageTabBar.h"

TMainPageControl::TMainPageControl(QWidget* parent)
    : QTabWidget(parent), m_tabs(new TPageTabBar(TabLength, this))
{
    setTabBar(m_tabs);
    setTabPosition(QTabWidget::East);
    // One column of tabs: six tabs of this length fit the window's minimum height, and a
    // window made smaller shows the bar's scroll buttons.
    setUsesScrollButtons(true);
}

void TMainPageControl::SetHighlightedTab(int index)
{
    m_tabs->SetHighlightedTab(index);
}

int TMainPageControl::HighlightedTab() const
{
    return m_tabs->HighlightedTab();
}
