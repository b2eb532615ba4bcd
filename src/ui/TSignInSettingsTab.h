#pragma once

#include <QWidget>

class QCheckBox;
class TConfig;

// The "Live sign-in" tab of the Configure page: whether the sign-in window lists the people
// who registered for its conference first.
class TSignInSettingsTab : public QWidget
{
    Q_OBJECT
public:
    explicit TSignInSettingsTab(QWidget* parent = nullptr);

    void LoadSettings(const TConfig& config);
    // In memory only, as the other settings of the page.
    void SaveSettings(TConfig& config) const;

private:
    QCheckBox* cbRegistrantsFirst = nullptr;
};
