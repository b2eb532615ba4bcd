#include "TConfigurePage.h"

#include "TfrmMain.h"

TConfigurePage::TConfigurePage(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("tsCustomize"));
}

void TConfigurePage::LoadSettings(TConfig&) {}
void TConfigurePage::SaveSettings(TConfig&) {}
void TConfigurePage::SetBrowseStates() {}
