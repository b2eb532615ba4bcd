#include "TTranscriptsPage.h"

#include "TfrmMain.h"

TTranscriptsPage::TTranscriptsPage(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("tsTranscripts"));
}
