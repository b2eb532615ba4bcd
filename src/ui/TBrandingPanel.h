#pragma once

#include <QFrame>

// The panel at the bottom-right of every page: logo, product name, tagline and credit line.
class TBrandingPanel : public QFrame
{
    Q_OBJECT
public:
    explicit TBrandingPanel(const QString& objectName, QWidget* parent = nullptr);
};
