#include "TfrmPickSpeaker.h"

#include "TConfig.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TfrmMain.h"

#include <QLabel>
#include <QVBoxLayout>

TfrmPickSpeaker* frmPickSpeaker = nullptr;

TfrmPickSpeaker::TfrmPickSpeaker(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPickSpeaker"));
    setWindowTitle(tr("Select speakers"));
    resize(300, 420);

    lSpeakers = new QLabel(this);
    lSpeakers->setObjectName(QStringLiteral("lSpeakers"));
    jdbgSpeakers = new TDBGrid(QStringLiteral("jdbgSpeakers"), this);
    jdbgSpeakers->SetDataSet(DM->Speakers, {{QStringLiteral("last_name"), tr("Last name")},
                                            {QStringLiteral("first_name"), tr("First name")}});
    jdbgSpeakers->SetSortable(true);
    jdbgSpeakers->SetTitlePointer(TDBGrid::TitlePointer::OnMove);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lSpeakers);
    layout->addWidget(jdbgSpeakers, 1);

    FormCreate();
}

TfrmPickSpeaker::~TfrmPickSpeaker()
{
    FormDestroy();
}

const QList<TColumnWidths::TKey>& TfrmPickSpeaker::WidthKeys()
{
    static const QList<TColumnWidths::TKey> keys = {
        {0, QStringLiteral("PickSpeakerLNameWidth"), 100},
        {1, QStringLiteral("PickSpeakerFNameWidth"), 100},
    };
    return keys;
}

void TfrmPickSpeaker::FormCreate()
{
    // Placed once, relative to the main window as it stands now.
    if (frmMain)
        move(frmMain->pos() + QPoint(350, 185));
    lSpeakers->setText(tr("Double-click on a speaker to add him to the conference"));
    TColumnWidths::Load(*DM->Config, *jdbgSpeakers, WidthKeys());
}

void TfrmPickSpeaker::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *jdbgSpeakers, WidthKeys());
}
