#include "ui/TConfRegisteredPanel.h"

#include "ui/TBusyCursor.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "documents/TNotComeList.h"
#include "db/TPrompts.h"
#include "db/TTransaction.h"
#include "data/TRegistrations.h"
#include "ui/TfrmImport.h"
#include "ui/TfrmPickRegistrant.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TConfRegisteredPanel::TConfRegisteredPanel(TDM& dm, TPrompts& prompts, TDocuments& documents,
                                           QWidget* parent)
    : QWidget(parent), m_dm(dm), m_prompts(prompts), m_documents(documents)
{
    setObjectName(QStringLiteral("tsConfRegistered"));
    lRegCounts = new QLabel(this);
    lRegCounts->setObjectName(QStringLiteral("lRegCounts"));
    dbgConfRegs = new TDBGrid(QStringLiteral("dbgConfRegs"), this);
    dbgConfRegs->SetDataSet(dm.Registrations->ConfRegs,
                            {{QStringLiteral("last_name"), tr("Last name")},
                             {QStringLiteral("first_name"), tr("First name")},
                             {QStringLiteral("registered_at"), tr("Registered")},
                             {QStringLiteral("source"), tr("From")}});
    dbgConfRegs->SetColumnsResizable(true);
    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    bConfAddReg = button(tr("&Add"), "bConfAddReg");
    bConfDelReg = button(tr("&Remove"), "bConfDelReg");
    bExpNotCome = button(tr("Export \"Not &come\""), "bExpNotCome");
    bPrintNotCome = button(tr("&Print \"Not come\""), "bPrintNotCome");
    bImportRegs = button(tr("&Import registrants…"), "bImportRegs");
    connect(bConfAddReg, &QPushButton::clicked, this, &TConfRegisteredPanel::bConfAddRegClick);
    connect(bConfDelReg, &QPushButton::clicked, this, &TConfRegisteredPanel::bConfDelRegClick);
    connect(bExpNotCome, &QPushButton::clicked, this, &TConfRegisteredPanel::bExpNotComeClick);
    connect(bPrintNotCome, &QPushButton::clicked, this, &TConfRegisteredPanel::bPrintNotComeClick);
    connect(bImportRegs, &QPushButton::clicked, this, &TConfRegisteredPanel::bImportRegsClick);
    connect(dm.Registrations->ConfRegs, &TDataSet::Fetched, this, &TConfRegisteredPanel::ShowCounts);

    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    for (QPushButton* b : {bConfAddReg, bConfDelReg, bExpNotCome, bPrintNotCome, bImportRegs})
        side->addWidget(b);
    side->addStretch(1);
    auto* list = new QVBoxLayout;
    list->addWidget(lRegCounts);
    list->addWidget(dbgConfRegs, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(list, 1);
    layout->addLayout(side);
    const bool usable = dm.Registrations->Available() && !dm.ReadOnly();
    for (QPushButton* b : {bConfAddReg, bConfDelReg, bImportRegs})
        b->setEnabled(usable);
}

int TConfRegisteredPanel::CurrentConference() const
{
    if (m_dm.Conferences->IsEmpty())
        return 0;
    return m_dm.Conferences->FieldByName(QStringLiteral("conf_id")).AsInteger();
}

void TConfRegisteredPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ShowCounts();
}

void TConfRegisteredPanel::ShowCounts()
{
    const int confId = CurrentConference();
    if (confId <= 0 || !m_dm.Registrations->Available() || !isVisible()) {
        lRegCounts->clear();
        return;
    }
    lRegCounts->setText(TRegistrations::CountsText(TRegistrations::Counts(*m_dm.Conn, confId)));
}

void TConfRegisteredPanel::bConfAddRegClick()
{
    const int confId = CurrentConference();
    if (confId <= 0)
        return;
    TfrmPickRegistrant picker(*m_dm.Conn, this);
    if (picker.exec() != QDialog::Accepted || picker.PickedId() == 0)
        return;
    TTransaction transaction(*m_dm.Conn);
    TRegistrations::Register(*m_dm.Conn, confId, picker.PickedId(), QStringLiteral("desk"));
    transaction.Commit();
    m_dm.Registrations->Requery();
    m_dm.Registrations->ConfRegs->Locate(QStringLiteral("user_id"), picker.PickedId());
}

void TConfRegisteredPanel::bConfDelRegClick()
{
    TDataSet* regs = m_dm.Registrations->ConfRegs;
    if (regs->IsEmpty() || !m_prompts.Question(tr("Confirm"), tr("Remove registration?")))
        return;
    TBusyCursor busy;
    m_dm.Registrations->Remove(regs->FieldByName(QStringLiteral("conf_id")).AsInteger(),
                               regs->FieldByName(QStringLiteral("user_id")).AsInteger());
}

void TConfRegisteredPanel::bExpNotComeClick()
{
    const int confId = CurrentConference();
    if (confId <= 0 || !m_dm.Registrations->Available())
        return;
    TNotComeList(m_documents, confId).Export();
}

void TConfRegisteredPanel::bPrintNotComeClick()
{
    const int confId = CurrentConference();
    if (confId <= 0 || !m_dm.Registrations->Available())
        return;
    TNotComeList(m_documents, confId).Preview();
}

void TConfRegisteredPanel::bImportRegsClick()
{
    const int confId = CurrentConference();
    if (confId <= 0 || !m_dm.Config)
        return;
    const QString path = m_prompts.OpenFileName(
        tr("Import registrants"), m_dm.WorkingDirectory(),
        tr("Lists (*.csv *.txt *.xlsx *.xls);;All files (*)"));
    if (path.isEmpty())
        return;
    TfrmImport dialog(*m_dm.Conn, *m_dm.Config, m_prompts, path, confId, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_dm.Registrations->Requery();
    Q_EMIT participantsImported();
}
