#include "TSignInPage.h"

#include "TfrmMain.h"

TSignInPage::TSignInPage(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("tsSignIn"));
}
