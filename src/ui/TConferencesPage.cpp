#include "TConferencesPage.h"

#include "TfrmMain.h"

TConferencesPage::TConferencesPage(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("tsConf"));
}
