#pragma once

#include <QWidget>

class TfrmMain;

// The Configure page: transcript header and footer, the five reference lists and the e-mail
// settings.
class TConfigurePage : public QWidget
{
    Q_OBJECT
public:
    explicit TConfigurePage(TfrmMain& main, QWidget* parent = nullptr);

private:
    TfrmMain& m_main;
};
