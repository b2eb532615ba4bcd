#pragma once

#include <QWidget>

class TConfig;
class TfrmMain;

// The Configure page: transcript header and footer, the five reference lists and the e-mail
// settings.
class TConfigurePage : public QWidget
{
    Q_OBJECT
public:
    explicit TConfigurePage(TfrmMain& main, QWidget* parent = nullptr);

    // The page's part of the main window's settings routines.
    void LoadSettings(TConfig& config);
    void SaveSettings(TConfig& config);
    // The five list editors' browse states.
    void SetBrowseStates();

private:
    TfrmMain& m_main;
};
