#include "ui/TfrmPickSpeaker.h"

#include "ui/TDBEdit.h"
#include "ui/TDBLookupComboBox.h"
#include "data/TDM.h"
#include "ui/TSlidingPanel.h"

#include <QGridLayout>
#include <QLabel>

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

TfrmPickSpeaker::TfrmPickSpeaker(TDM& dm, const QWidget* mainWindow, QWidget* parent)
    : TInlineEditPicker(dm,
                        {QStringLiteral("frmPickSpeaker"),
                         tr("Select speakers"),
                         dm.Speakers,
                         QStringLiteral("jdbgSpeakers"),
                         {{QStringLiteral("last_name"), tr("Last name")},
                          {QStringLiteral("first_name"), tr("First name")}},
                         QStringLiteral("lSpeakers"),
                         tr("Double-click on a speaker to add him to the conference"),
                         {{0, QStringLiteral("PickSpeakerLNameWidth"), 100},
                          {1, QStringLiteral("PickSpeakerFNameWidth"), 100}},
                         QPoint(350, 185)},
                        DetailsHeight, mainWindow, parent)
{
    resize(360, 440);

    QWidget* details = DetailsPanel()->Content();
    dbeLastName = new TDBEdit(QStringLiteral("dbeLastName"), details);
    dbeLastName->Bind(dm.Speakers, QStringLiteral("last_name"));
    dbeFirstName = new TDBEdit(QStringLiteral("dbeFirstName"), details);
    dbeFirstName->Bind(dm.Speakers, QStringLiteral("first_name"));
    dbePlace = new TDBEdit(QStringLiteral("dbePlace"), details);
    dbePlace->Bind(dm.Speakers, QStringLiteral("place"));
    jdblcTitle = new TDBLookupComboBox(QStringLiteral("jdblcTitle"), details);
    jdblcTitle->SetListSource(dm.Titles, QStringLiteral("title_id"), QStringLiteral("t_name"));
    jdblcTitle->Bind(dm.Speakers, QStringLiteral("title_id"));

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
}

void TfrmPickSpeaker::PickRow()
{
    jdbgSpeakersDblClick();
}

void TfrmPickSpeaker::jdbgSpeakersDblClick()
{
    // The list is stored with the conference when the user saves it there.
    Q_EMIT speakerPicked();
}
