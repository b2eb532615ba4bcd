#include "TfrmPickExtra.h"

#include "TConfig.h"
#include "TDBEdit.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TDialogPlace.h"
#include "TPickerSignals.h"
#include "TSlidingPanel.h"

#include <QGridLayout>
#include <QLabel>

TfrmPickExtra* frmPickExtra = nullptr;

TfrmPickExtra::TfrmPickExtra(QWidget* parent)
    : TInlineEditPicker(QStringLiteral("frmPickExtra"), DM->Extras, QStringLiteral("jdbgExtras"),
                        QStringLiteral("lExtras"), DetailsHeight, parent)
{
    setWindowTitle(tr("Select additional info"));
    resize(300, 440);

    QWidget* details = DetailsPanel()->Content();
    dbeExtraName = new TDBEdit(QStringLiteral("dbeExtraName"), details);
    dbeExtraName->Bind(DM->Extras, QStringLiteral("e_name"));
    auto* lExtraName = new QLabel(tr("&Additional info"), details);
    lExtraName->setObjectName(QStringLiteral("lExtraName"));
    lExtraName->setBuddy(dbeExtraName);

    // Caption above the edit: the panel is low and the dialog narrow.
    QGridLayout* fields = FieldsLayout();
    fields->addWidget(lExtraName, 0, 0, 1, 2);
    fields->addWidget(dbeExtraName, 1, 0, 1, 2);
    fields->setRowStretch(2, 1);
    SetFirstField(dbeExtraName);

    Grid()->SetDataSet(DM->Extras, {{QStringLiteral("e_name"), tr("Additional info")}});

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
    PlaceBesideMainWindow(*this, QPoint(350, 185));
    DetailsPanel()->SetPanelHeight(0);
    ListLabel()->setText(tr("Double-click on additional info to add it to the conference"));
    TColumnWidths::Load(*DM->Config, *Grid(), WidthKeys());
}

void TfrmPickExtra::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *Grid(), WidthKeys());
}

void TfrmPickExtra::PickRow()
{
    jdbgExtrasDblClick();
}

void TfrmPickExtra::jdbgExtrasDblClick()
{
    // The list is stored with the conference when the user saves it there.
    Q_EMIT TPickerSignals::Instance().extraPicked();
}
