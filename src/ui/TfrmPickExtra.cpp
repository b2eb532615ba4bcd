#include "TfrmPickExtra.h"

#include "TConfig.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TfrmMain.h"

#include <QLabel>
#include <QVBoxLayout>

TfrmPickExtra* frmPickExtra = nullptr;

TfrmPickExtra::TfrmPickExtra(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPickExtra"));
    setWindowTitle(tr("Select additional info"));
    resize(300, 420);

    lExtras = new QLabel(this);
    lExtras->setObjectName(QStringLiteral("lExtras"));
    jdbgExtras = new TDBGrid(QStringLiteral("jdbgExtras"), this);
    jdbgExtras->SetDataSet(DM->Extras, {{QStringLiteral("e_name"), tr("Additional info")}});
    jdbgExtras->SetSortable(true);
    jdbgExtras->SetTitlePointer(TDBGrid::TitlePointer::OnMove);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lExtras);
    layout->addWidget(jdbgExtras, 1);

    FormCreate();
}

TfrmPickExtra::~TfrmPickExtra()
{
    FormDestroy();
}

const QList<TColumnWidths::TKey>& TfrmPickExtra::WidthKeys()
{
    static const QList<TColumnWidths::TKey> keys = {
        {0, QStringLiteral("PickExtraNameWidth"), 235},
    };
    return keys;
}

void TfrmPickExtra::FormCreate()
{
    // Placed once, relative to the main window as it stands now.
    if (frmMain)
        move(frmMain->pos() + QPoint(350, 185));
    lExtras->setText(tr("Double-click on additional info to add it to the conference"));
    TColumnWidths::Load(*DM->Config, *jdbgExtras, WidthKeys());
}

void TfrmPickExtra::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *jdbgExtras, WidthKeys());
}
