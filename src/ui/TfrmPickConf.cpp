#include "TfrmPickConf.h"

#include "TConfig.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TfrmMain.h"

#include <QLabel>
#include <QVBoxLayout>

TfrmPickConf* frmPickConf = nullptr;

TfrmPickConf::TfrmPickConf(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPickConf"));
    setWindowTitle(tr("Select conferences"));
    resize(560, 420);

    lConferences = new QLabel(this);
    lConferences->setObjectName(QStringLiteral("lConferences"));
    dbgPickConf = new TDBGrid(QStringLiteral("dbgPickConf"), this);
    dbgPickConf->SetDataSet(DM->Conferences, {{QStringLiteral("begin_date"), tr("Begin date")},
                                              {QStringLiteral("conf_name"), tr("Title")}});
    dbgPickConf->SetSortable(true);
    dbgPickConf->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    dbgPickConf->SetColumnsResizable(true);
    dbgPickConf->setSelectionBehavior(QAbstractItemView::SelectItems);
    dbgPickConf->setToolTip(tr("Double-click to add a conference!"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lConferences);
    layout->addWidget(dbgPickConf, 1);

    FormCreate();
}

TfrmPickConf::~TfrmPickConf()
{
    FormDestroy();
}

const QList<TColumnWidths::TKey>& TfrmPickConf::WidthKeys()
{
    static const QList<TColumnWidths::TKey> keys = {
        {0, QStringLiteral("PickConfDateWidth"), 100},
        {1, QStringLiteral("PickConfNameWidth"), 400},
    };
    return keys;
}

void TfrmPickConf::FormCreate()
{
    // Placed once, relative to the main window as it stands now.
    if (frmMain)
        move(frmMain->pos() + QPoint(150, 150));
    lConferences->setText(tr("Double-click on a conference to add it to the participant"));
    TColumnWidths::Load(*DM->Config, *dbgPickConf, WidthKeys());
}

void TfrmPickConf::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *dbgPickConf, WidthKeys());
}
