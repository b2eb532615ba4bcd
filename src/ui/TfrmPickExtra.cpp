#include "ui/TfrmPickExtra.h"

#include "ui/TDBEdit.h"
#include "data/TDM.h"
#include "ui/TSlidingPanel.h"

#include <QGridLayout>
#include <QLabel>

TfrmPickExtra::TfrmPickExtra(TDM& dm, const QWidget* mainWindow, QWidget* parent)
    : TInlineEditPicker(dm,
                        {QStringLiteral("frmPickExtra"),
                         tr("Select additional info"),
                         dm.Extras,
                         QStringLiteral("jdbgExtras"),
                         {{QStringLiteral("e_name"), tr("Additional info")}},
                         QStringLiteral("lExtras"),
                         tr("Double-click on additional info to add it to the conference"),
                         {{0, QStringLiteral("PickExtraNameWidth"), 235}},
                         QPoint(350, 185)},
                        DetailsHeight, mainWindow, parent)
{
    resize(300, 440);

    QWidget* details = DetailsPanel()->Content();
    dbeExtraName = new TDBEdit(QStringLiteral("dbeExtraName"), details);
    dbeExtraName->Bind(dm.Extras, QStringLiteral("e_name"));
    auto* lExtraName = new QLabel(tr("&Additional info"), details);
    lExtraName->setObjectName(QStringLiteral("lExtraName"));
    lExtraName->setBuddy(dbeExtraName);

    // Caption above the edit: the panel is low and the dialog narrow.
    QGridLayout* fields = FieldsLayout();
    fields->addWidget(lExtraName, 0, 0, 1, 2);
    fields->addWidget(dbeExtraName, 1, 0, 1, 2);
    fields->setRowStretch(2, 1);
    SetFirstField(dbeExtraName);
}

void TfrmPickExtra::PickRow()
{
    jdbgExtrasDblClick();
}

void TfrmPickExtra::jdbgExtrasDblClick()
{
    // The list is stored with the conference when the user saves it there.
    Q_EMIT extraPicked();
}
