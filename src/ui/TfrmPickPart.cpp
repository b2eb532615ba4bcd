#include "TfrmPickPart.h"

#include "TConfig.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TfrmMain.h"

#include <QLabel>
#include <QVBoxLayout>

TfrmPickPart* frmPickPart = nullptr;

TfrmPickPart::TfrmPickPart(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPickPart"));
    setWindowTitle(tr("Select participants"));
    resize(300, 420);

    lParticipants = new QLabel(this);
    lParticipants->setObjectName(QStringLiteral("lParticipants"));
    dbgPickPart = new TDBGrid(QStringLiteral("dbgPickPart"), this);
    dbgPickPart->SetDataSet(DM->Participants, {{QStringLiteral("last_name"), tr("Last name")},
                                               {QStringLiteral("first_name"), tr("First name")}});
    dbgPickPart->SetSortable(true);
    dbgPickPart->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    dbgPickPart->SetColumnsResizable(true);
    dbgPickPart->setToolTip(tr("Double-click to add a conference!"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lParticipants);
    layout->addWidget(dbgPickPart, 1);

    FormCreate();
}

TfrmPickPart::~TfrmPickPart()
{
    FormDestroy();
}

const QList<TColumnWidths::TKey>& TfrmPickPart::WidthKeys()
{
    static const QList<TColumnWidths::TKey> keys = {
        {0, QStringLiteral("PickPartLNameWidth"), 100},
        {1, QStringLiteral("PickPartFNameWidth"), 100},
    };
    return keys;
}

void TfrmPickPart::FormCreate()
{
    // Placed once, relative to the main window as it stands now.
    if (frmMain)
        move(frmMain->pos() + QPoint(150, 150));
    lParticipants->setText(tr("Double-click on a participant to add him to the conference"));
    TColumnWidths::Load(*DM->Config, *dbgPickPart, WidthKeys());
}

void TfrmPickPart::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *dbgPickPart, WidthKeys());
}
