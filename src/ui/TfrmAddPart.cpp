#include "ui/TfrmAddPart.h"

#include "ui/TDBEdit.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TWalkInGuard.h"
#include "ui/TfraPartDetails.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmAddPart::TfrmAddPart(TDM& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("frmAddPart"));
    setWindowTitle(tr("Add new participant"));

    fraPartDetailsSignIn = new TfraPartDetails(QStringLiteral("fraPartDetailsSignIn"), this);
    fraPartDetailsSignIn->Bind(m_dm.Participants, m_dm.Titles, m_dm.Specialities);

    bPartSave = new QPushButton(tr("&Save and sign in"), this);
    bPartSave->setObjectName(QStringLiteral("bPartSave"));
    bPartCancel = new QPushButton(tr("&Cancel"), this);
    bPartCancel->setObjectName(QStringLiteral("bPartCancel"));
    // Enter in a box must not store a half-typed participant: saving takes the button.
    for (QPushButton* button : {bPartSave, bPartCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    bPartSave->setMinimumWidth(bPartSave->fontMetrics().horizontalAdvance(tr("Save and sign in")) +
                               24);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(bPartSave);
    buttons->addWidget(bPartCancel);
    buttons->addStretch(1);

    auto* fields = new QVBoxLayout;
    fields->addWidget(fraPartDetailsSignIn, 1);
    m_guard = new TWalkInGuard(fraPartDetailsSignIn, this);
    fields->addWidget(m_guard);
    connect(m_guard, &TWalkInGuard::existingPicked, this, &TfrmAddPart::UseExisting);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    QWidget::setTabOrder(fraPartDetailsSignIn->LastControl(), bPartSave);
    QWidget::setTabOrder(bPartSave, bPartCancel);

    connect(bPartSave, &QPushButton::clicked, this, &TfrmAddPart::bPartSaveClick);
    connect(bPartCancel, &QPushButton::clicked, this, &TfrmAddPart::bPartCancelClick);

    FormCreate();
}

TfrmAddPart::~TfrmAddPart()
{
    FormDestroy();
}

void TfrmAddPart::FormCreate()
{
    fraPartDetailsSignIn->SetControlsEnabled(true);
    resize(sizeHint().expandedTo(QSize(640, 0)));
}

void TfrmAddPart::FormDestroy() {}

void TfrmAddPart::SetInsertState()
{
    m_savedUserId = 0;
    m_guard->Start(*m_dm.Conn);
    bPartSave->setText(tr("&Save and sign in"));
}

void TfrmAddPart::SetEditState()
{
    m_savedUserId = 0;
    m_guard->Stop();
    bPartSave->setText(tr("&Save"));
}

void TfrmAddPart::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmAddPart::FormShow()
{
    fraPartDetailsSignIn->SetControlsEnabled(true);
    fraPartDetailsSignIn->LastNameEdit()->setFocus();
}

void TfrmAddPart::bPartSaveClick()
{
    TDataSet* participants = m_dm.Participants;
    // Posted as typed: the blank clearing of the Participants page does not apply here.
    participants->Post();
    m_savedUserId = participants->IsEmpty()
                        ? 0
                        : participants->FieldByName(QStringLiteral("user_id")).AsInteger();
    m_guard->Stop();
    accept();
}

void TfrmAddPart::bPartCancelClick()
{
    reject();
}

void TfrmAddPart::reject()
{
    TDataSet* participants = m_dm.Participants;
    const TDataSet::State state = participants->DataState();
    if (state == TDataSet::State::Insert || state == TDataSet::State::Edit)
        participants->Cancel();
    m_guard->Stop();
    QDialog::reject();
}

void TfrmAddPart::UseExisting(int userId)
{
    TDataSet* participants = m_dm.Participants;
    if (participants->DataState() == TDataSet::State::Insert)
        participants->Cancel();
    m_guard->Stop();
    m_savedUserId = userId;
    accept();
}
