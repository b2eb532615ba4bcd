#include "TfrmPickSpeaker.h"

#include "TConfig.h"
#include "TDBEdit.h"
#include "TDBGrid.h"
#include "TDBLookupComboBox.h"
#include "TDM.h"
#include "TDialogPlace.h"
#include "TPickerSignals.h"
#include "TSlidingPanel.h"

#include <QGridLayout>
#include <QLabel>

TfrmPickSpeaker* frmPickSpeaker = nullptr;

namespace
{

QLabel* FieldLabel(const QString& name, const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, buddy->parentWidget());
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfrmPickSpeaker::TfrmPickSpeaker(QWidget* parent)
    : TInlineEditPicker(QStringLiteral("frmPickSpeaker"), DM->Speakers,
                        QStringLiteral("jdbgSpeakers"), QStringLiteral("lSpeakers"), DetailsHeight,
                        parent)
{
    setWindowTitle(tr("Select speakers"));
    resize(360, 440);

    QWidget* details = DetailsPanel()->Content();
    dbeLastName = new TDBEdit(QStringLiteral("dbeLastName"), details);
    dbeLastName->Bind(DM->Speakers, QStringLiteral("last_name"));
    dbeFirstName = new TDBEdit(QStringLiteral("dbeFirstName"), details);
    dbeFirstName->Bind(DM->Speakers, QStringLiteral("first_name"));
    dbePlace = new TDBEdit(QStringLiteral("dbePlace"), details);
    dbePlace->Bind(DM->Speakers, QStringLiteral("place"));
    jdblcTitle = new TDBLookupComboBox(QStringLiteral("jdblcTitle"), details);
    jdblcTitle->SetListSource(DM->Titles, QStringLiteral("title_id"), QStringLiteral("t_name"));
    jdblcTitle->Bind(DM->Speakers, QStringLiteral("title_id"));

    QGridLayout* fields = FieldsLayout();
    fields->addWidget(FieldLabel(QStringLiteral("lLastName"), tr("&Last name"), dbeLastName), 0, 0);
    fields->addWidget(dbeLastName, 0, 1);
    fields->addWidget(FieldLabel(QStringLiteral("lFirstName"), tr("&First name"), dbeFirstName), 1,
                      0);
    fields->addWidget(dbeFirstName, 1, 1);
    fields->addWidget(FieldLabel(QStringLiteral("lPlace"), tr("F&rom"), dbePlace), 2, 0);
    fields->addWidget(dbePlace, 2, 1);
    fields->addWidget(FieldLabel(QStringLiteral("lTitle"), tr("&Title"), jdblcTitle), 3, 0);
    fields->addWidget(jdblcTitle, 3, 1);
    fields->setRowStretch(4, 1);
    SetFirstField(dbeLastName);

    Grid()->SetDataSet(DM->Speakers, {{QStringLiteral("last_name"), tr("Last name")},
                                      {QStringLiteral("first_name"), tr("First name")}});

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
    PlaceBesideMainWindow(*this, QPoint(350, 185));
    DetailsPanel()->SetPanelHeight(0);
    ListLabel()->setText(tr("Double-click on a speaker to add him to the conference"));
    TColumnWidths::Load(*DM->Config, *Grid(), WidthKeys());
}

void TfrmPickSpeaker::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *Grid(), WidthKeys());
}

void TfrmPickSpeaker::PickRow()
{
    jdbgSpeakersDblClick();
}

void TfrmPickSpeaker::jdbgSpeakersDblClick()
{
    // The list is stored with the conference when the user saves it there.
    Q_EMIT TPickerSignals::Instance().speakerPicked();
}
