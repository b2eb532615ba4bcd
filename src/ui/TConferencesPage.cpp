#include "TConferencesPage.h"

#include "TfrmMain.h"

TConferencesPage::TConferencesPage(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("tsConf"));
}

void TConferencesPage::ShowCreditLines() {}
void TConferencesPage::FillSpeakersList() {}
void TConferencesPage::FillExtrasList() {}
void TConferencesPage::AddPickedSpeaker() {}
void TConferencesPage::AddPickedExtra() {}
void TConferencesPage::ConfSetBrowseState() {}
