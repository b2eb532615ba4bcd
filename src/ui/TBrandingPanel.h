#pragma once

#include <QFrame>

// The panel at the bottom-right of every page: logo, product name, tagline and credit line,
// on the window background colour. It has no behaviour.
class TBrandingPanel : public QFrame
{
    Q_OBJECT
public:
    static constexpr int PanelWidth = 218;
    static constexpr int PanelHeight = 96;

    explicit TBrandingPanel(const QString& objectName, QWidget* parent = nullptr);
};
