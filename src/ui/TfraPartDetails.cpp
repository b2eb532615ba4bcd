#include "ui/TfraPartDetails.h"

#include "ui/TDBEdit.h"
#include "ui/TDBLookupComboBox.h"
#include "ui/TDBRadioGroup.h"

#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

TfraPartDetails::TfraPartDetails(const QString& objectName, QWidget* parent) : QFrame(parent)
{
    setObjectName(objectName);

    pPartInfo = new QFrame(this);
    pPartInfo->setObjectName(QStringLiteral("pPartInfo"));

    // Created in tab order, so the chain of Tab presses follows the rows of the layout.
    dbePartLastName = new TDBEdit(QStringLiteral("dbePartLastName"), pPartInfo);
    dbePartFirstName = new TDBEdit(QStringLiteral("dbePartFirstName"), pPartInfo);
    jdblcPartTitle = new TDBLookupComboBox(QStringLiteral("jdblcPartTitle"), pPartInfo);
    jdblcSpeciality = new TDBLookupComboBox(QStringLiteral("jdblcSpeciality"), pPartInfo);
    dbePartAddress = new TDBEdit(QStringLiteral("dbePartAddress"), pPartInfo);
    dbePartCity = new TDBEdit(QStringLiteral("dbePartCity"), pPartInfo);
    dbePartState = new TDBEdit(QStringLiteral("dbePartState"), pPartInfo);
    dbePartZip = new TDBEdit(QStringLiteral("dbePartZip"), pPartInfo);
    dbePartPhone = new TDBEdit(QStringLiteral("dbePartPhone"), pPartInfo);
    dbeEmail = new TDBEdit(QStringLiteral("dbeEmail"), pPartInfo);
    dbePartFax = new TDBEdit(QStringLiteral("dbePartFax"), pPartInfo);
    dbMailOptions = new TDBRadioGroup(QStringLiteral("dbMailOptions"), tr("Mailing &options"),
                                      {tr("E-mail"), tr("Postal mail"), tr("Fax")},
                                      {MailEmail, MailPostal, MailFax}, pPartInfo);

    const QList<QWidget*> chain = {dbePartLastName, dbePartFirstName, jdblcPartTitle,
                                   jdblcSpeciality, dbePartAddress,   dbePartCity,
                                   dbePartState,    dbePartZip,       dbePartPhone,
                                   dbeEmail,        dbePartFax,       dbMailOptions};
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));

    // The masked boxes need room for "_(___)___-____" whatever the font.
    const int maskedWidth =
        dbePartPhone->fontMetrics().horizontalAdvance(QStringLiteral("_(___)___-____")) + 16;
    dbePartPhone->setMinimumWidth(maskedWidth);
    dbePartFax->setMinimumWidth(maskedWidth);
    dbePartState->setFixedWidth(
        dbePartState->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 16);
    dbePartZip->setMinimumWidth(
        dbePartZip->fontMetrics().horizontalAdvance(QStringLiteral("00000-0000")) + 12);
    for (QWidget* control : chain)
        control->setMinimumHeight(control->sizeHint().height());

    auto* grid = new QGridLayout(pPartInfo);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);

    // First row: names, title and speciality.
    AddField(grid, tr("&Last name"), dbePartLastName, 0, 0);
    AddField(grid, tr("&First name"), dbePartFirstName, 0, 1);
    AddField(grid, tr("&Title"), jdblcPartTitle, 0, 2);
    AddField(grid, tr("S&peciality"), jdblcSpeciality, 0, 3);

    // Second row: the address up to the mailing options.
    AddField(grid, tr("A&ddress"), dbePartAddress, 2, 0, 3);

    // Third row: city, state and ZIP, phone.
    AddField(grid, tr("Cit&y"), dbePartCity, 4, 0);
    auto* stateZip = new QGridLayout;
    stateZip->setHorizontalSpacing(8);
    stateZip->setVerticalSpacing(1);
    AddField(stateZip, tr("State"), dbePartState, 0, 0);
    AddField(stateZip, tr("&ZIP"), dbePartZip, 0, 1);
    stateZip->setColumnStretch(1, 1);
    grid->addLayout(stateZip, 4, 1, 2, 1);
    AddField(grid, tr("P&hone"), dbePartPhone, 4, 2);

    // Fourth row: e-mail address and fax.
    AddField(grid, tr("E-&mail address"), dbeEmail, 6, 0, 2);
    AddField(grid, tr("Fa&x"), dbePartFax, 6, 2);

    // The mailing options stand at the right, below the speciality.
    grid->addWidget(dbMailOptions, 2, 3, 6, 1, Qt::AlignTop);

    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 2);
    grid->setColumnStretch(3, 2);
    grid->setRowStretch(8, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pPartInfo);
}

QLabel* TfraPartDetails::AddLabel(const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, pPartInfo);
    label->setObjectName(QStringLiteral("l") + buddy->objectName());
    label->setBuddy(buddy);
    return label;
}

void TfraPartDetails::AddField(QGridLayout* grid, const QString& caption, QWidget* field, int row,
                               int column, int columnSpan)
{
    grid->addWidget(AddLabel(caption, field), row, column, 1, columnSpan);
    grid->addWidget(field, row + 1, column, 1, columnSpan);
}

void TfraPartDetails::Bind(TDataSet* participants, TDataSet* titles, TDataSet* specialities)
{
    m_participants = participants;
    dbePartLastName->Bind(participants, QStringLiteral("last_name"));
    dbePartFirstName->Bind(participants, QStringLiteral("first_name"));
    jdblcPartTitle->SetListSource(titles, QStringLiteral("title_id"), QStringLiteral("t_name"));
    jdblcPartTitle->Bind(participants, QStringLiteral("title_id"));
    jdblcSpeciality->SetListSource(specialities, QStringLiteral("spec_id"),
                                   QStringLiteral("s_name"));
    jdblcSpeciality->Bind(participants, QStringLiteral("spec_id"));
    dbePartAddress->Bind(participants, QStringLiteral("address"));
    dbePartCity->Bind(participants, QStringLiteral("city"));
    dbePartState->Bind(participants, QStringLiteral("state"));
    dbePartZip->Bind(participants, QStringLiteral("zip"));
    // Phone and fax carry the field's edit mask: only the typed digits are stored.
    dbePartPhone->Bind(participants, QStringLiteral("phone"));
    dbeEmail->Bind(participants, QStringLiteral("email"));
    dbePartFax->Bind(participants, QStringLiteral("fax"));
    dbMailOptions->Bind(participants, QStringLiteral("mail_type"));
}

void TfraPartDetails::SetControlsEnabled(bool enabled)
{
    pPartInfo->setEnabled(enabled);
}

QWidget* TfraPartDetails::LastControl() const
{
    // The last radio item, so that Tab from it leaves the frame.
    const QList<QRadioButton*> items = dbMailOptions->findChildren<QRadioButton*>();
    return items.isEmpty() ? static_cast<QWidget*>(dbMailOptions) : items.last();
}
