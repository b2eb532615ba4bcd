#include "TParticipantsPage.h"

#include "TfrmMain.h"

TParticipantsPage::TParticipantsPage(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("tsParticipants"));
}

void TParticipantsPage::PartSetBrowseState() {}
