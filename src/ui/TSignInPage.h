#pragma once

#include <QWidget>

class TfrmMain;

// The Live sign-in page: the filtered conference list from which the sign-in window starts.
class TSignInPage : public QWidget
{
    Q_OBJECT
public:
    explicit TSignInPage(TfrmMain& main, QWidget* parent = nullptr);

private:
    TfrmMain& m_main;
};
