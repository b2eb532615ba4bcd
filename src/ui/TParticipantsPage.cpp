#include "ui/TParticipantsPage.h"

#include "ui/TBrandingPanel.h"
#include "ui/TBusyCursor.h"
#include "ui/TDBEdit.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TPageFilters.h"
#include "db/TPrompts.h"
#include "ui/TTimeFilterBox.h"
#include "ui/TfraPartDetails.h"
#include "data/TBadgeCodes.h"
#include "db/TConnection.h"
#include "db/TError.h"
#include "ui/TWalkInGuard.h"
#include "ui/TfrmImport.h"
#include "ui/TfrmPrintBadges.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

TParticipantsPage::TParticipantsPage(const TPageInputs& inputs, QWidget* parent)
    : TPageBase(inputs, parent)
{
    setObjectName(QStringLiteral("tsParticipants"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(CreateDetailsPanel());
    layout->addWidget(CreateListPanel(), 1);

    // The page starts browsing; the tabs are set when the window is shown.
    fraPartDetailsMain->SetControlsEnabled(false);
    bPartSave->setEnabled(false);
    bPartCancel->setEnabled(false);
}

QPushButton* TParticipantsPage::MakeButton(const QString& caption, const QString& objectName,
                                           QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    // Enter belongs to the window's key handler, never to a default button.
    button->setAutoDefault(false);
    button->setMinimumWidth(80);
    return button;
}

QWidget* TParticipantsPage::CreateDetailsPanel()
{
    pPartDetail = new QFrame(this);
    pPartDetail->setObjectName(QStringLiteral("pPartDetail"));

    pgPartDetails = new QTabWidget(pPartDetail);
    pgPartDetails->setObjectName(QStringLiteral("pgPartDetails"));
    // Tabs drawn as buttons: the current one pressed in.
    pgPartDetails->setDocumentMode(true);
    pgPartDetails->tabBar()->setDrawBase(false);
    pgPartDetails->tabBar()->setExpanding(false);
    pgPartDetails->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { border: 1px solid palette(mid); border-radius: 3px;"
        " background: palette(button); padding: 3px 7px; margin: 2px 2px 4px 0px; }"
        "QTabBar::tab:selected { background: palette(midlight); border-color: palette(dark);"
        " border-style: inset; }"
        "QTabBar::tab:hover:!selected { background: palette(light); }"));
    pgPartDetails->addTab(CreateInfoPage(), tr("Participant details"));
    pgPartDetails->addTab(CreateConferencesPage(), tr("Conferences"));

    auto* layout = new QVBoxLayout(pPartDetail);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pgPartDetails);
    return pPartDetail;
}

QWidget* TParticipantsPage::CreateInfoPage()
{
    auto* page = new QWidget(pgPartDetails);
    page->setObjectName(QStringLiteral("tsPartInfo"));

    fraPartDetailsMain = new TfraPartDetails(QStringLiteral("fraPartDetailsMain"), page);
    fraPartDetailsMain->Bind(m_dm.Participants, m_dm.Titles, m_dm.Specialities);

    bPartEdit = MakeButton(tr("&Edit"), QStringLiteral("bPartEdit"), page);
    bPartInsert = MakeButton(tr("&Add new"), QStringLiteral("bPartInsert"), page);
    bPartDel = MakeButton(tr("&Remove"), QStringLiteral("bPartDel"), page);
    bPartImport = MakeButton(tr("&Import participants…"), QStringLiteral("bPartImport"), page);
    connect(bPartImport, &QPushButton::clicked, this, &TParticipantsPage::bPartImportClick);
    bPartSave = MakeButton(tr("&Save"), QStringLiteral("bPartSave"), page);
    bPartCancel = MakeButton(tr("&Cancel"), QStringLiteral("bPartCancel"), page);
    connect(bPartEdit, &QPushButton::clicked, this, &TParticipantsPage::bPartEditClick);
    connect(bPartInsert, &QPushButton::clicked, this, &TParticipantsPage::bPartInsertClick);
    connect(bPartDel, &QPushButton::clicked, this, &TParticipantsPage::bPartDelClick);
    connect(bPartSave, &QPushButton::clicked, this, &TParticipantsPage::bPartSaveClick);
    connect(bPartCancel, &QPushButton::clicked, this, &TParticipantsPage::bPartCancelClick);
    bPartNewBadge = MakeButton(tr("New &badge code"), QStringLiteral("bPartNewBadge"), page);
    bPartPrintBadges = MakeButton(tr("Print badges…"), QStringLiteral("bPartPrintBadges"), page);
    connect(bPartNewBadge, &QPushButton::clicked, this, &TParticipantsPage::bPartNewBadgeClick);
    connect(bPartPrintBadges, &QPushButton::clicked, this, [this] {
        QList<int> ids;
        for (int row : jdbgParticipants->SelectedRows())
            ids << m_dm.Participants->RowValue(row, m_dm.Participants->FieldByName(
                                                        QStringLiteral("user_id")).Index())
                       .toInt();
        if (ids.isEmpty() && !m_dm.CurrentParticipantId().isNull())
            ids << m_dm.CurrentParticipantId().toInt();
        TfrmPrintBadges::Run(m_documents, ids, m_dm.CurrentConferenceId(), this);
    });

    // After the last detail Tab reaches Save and Cancel, the buttons usable while editing.
    QWidget::setTabOrder(fraPartDetailsMain->LastControl(), bPartSave);
    QWidget::setTabOrder(bPartSave, bPartCancel);
    QWidget::setTabOrder(bPartCancel, bPartEdit);
    QWidget::setTabOrder(bPartEdit, bPartInsert);
    QWidget::setTabOrder(bPartInsert, bPartDel);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(bPartEdit);
    buttons->addWidget(bPartInsert);
    buttons->addWidget(bPartDel);
    buttons->addWidget(bPartImport);
    buttons->addSpacing(12);
    buttons->addWidget(bPartSave);
    buttons->addWidget(bPartCancel);
    buttons->addSpacing(12);
    buttons->addWidget(bPartNewBadge);
    buttons->addWidget(bPartPrintBadges);
    buttons->addStretch(1);

    // Under the fields of a new participant: the people already on the list who match.
    m_guard = new TWalkInGuard(fraPartDetailsMain, page);
    connect(m_guard, &TWalkInGuard::existingPicked, this, &TParticipantsPage::OpenExisting);
    auto* fields = new QVBoxLayout;
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addWidget(fraPartDetailsMain, 1);
    fields->addWidget(m_guard);

    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    return page;
}

QWidget* TParticipantsPage::CreateConferencesPage()
{
    auto* page = new QWidget(pgPartDetails);
    page->setObjectName(QStringLiteral("tsPartConferences"));

    dbgPartConf = new TDBGrid(QStringLiteral("dbgPartConf"), page);
    dbgPartConf->SetDataSet(m_dm.PartConfs, {{QStringLiteral("begin_date"), tr("Begin date")},
                                             {QStringLiteral("conf_name"), tr("Conference name")},
                                             {QStringLiteral("sign_in_date"), tr("Sign-in date")}});
    // The list keeps the query's order: a title click changes nothing.
    dbgPartConf->SetSortable(false);
    dbgPartConf->SetTitlePointer(TDBGrid::TitlePointer::OnPress);
    dbgPartConf->SetColumnsResizable(true);
    // The details sub-page sets the panel's height; the list takes what it is given.
    dbgPartConf->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);

    bPartAddConf = MakeButton(tr("&Add"), QStringLiteral("bPartAddConf"), page);
    bPartConfDelete = MakeButton(tr("&Remove"), QStringLiteral("bPartConfDelete"), page);
    connect(bPartAddConf, &QPushButton::clicked, this, &TParticipantsPage::bPartAddConfClick);
    connect(bPartConfDelete, &QPushButton::clicked, this, &TParticipantsPage::bPartConfDeleteClick);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(bPartAddConf);
    buttons->addWidget(bPartConfDelete);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(dbgPartConf, 1);
    layout->addLayout(buttons);
    return page;
}

QWidget* TParticipantsPage::CreateListPanel()
{
    pPartList = new QFrame(this);
    pPartList->setObjectName(QStringLiteral("pPartList"));

    jdbgParticipants = new TDBGrid(QStringLiteral("jdbgParticipants"), pPartList);
    jdbgParticipants->SetDataSet(m_dm.Participants,
                                 {{QStringLiteral("last_name"), tr("Last name")},
                                  {QStringLiteral("first_name"), tr("First name")}});
    jdbgParticipants->SetSortable(true);
    // Several people may be chosen for "Print badges…" (Ctrl and Shift with a click).
    jdbgParticipants->SetMultiSelect(true);
    jdbgParticipants->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    jdbgParticipants->SetColumnsResizable(false);
    auto* lList = new QLabel(tr("Part&icipants list"), pPartList);
    lList->setObjectName(QStringLiteral("lPartList"));
    lList->setBuddy(jdbgParticipants);

    eSearchPart = new QLineEdit(pPartList);
    eSearchPart->setObjectName(QStringLiteral("eSearchPart"));
    auto* lSearch = new QLabel(tr("Enter last &name"), pPartList);
    lSearch->setObjectName(QStringLiteral("lSearchPart"));
    lSearch->setBuddy(eSearchPart);

    auto* timeBox =
        new TTimeFilterBox(QStringLiteral("lPartTime"), QStringLiteral("sbPartTime"), pPartList);
    connect(timeBox, &TTimeFilterBox::clicked, this, &TPageBase::timeFilterRequested);

    auto* branding = new TBrandingPanel(QStringLiteral("Panel5"), pPartList);

    QWidget::setTabOrder(eSearchPart, jdbgParticipants);
    QWidget::setTabOrder(jdbgParticipants, timeBox->Button());

    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    right->addWidget(lSearch);
    right->addWidget(eSearchPart);
    right->addSpacing(4);
    right->addWidget(timeBox);
    right->addStretch(1);
    right->addWidget(branding);

    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    left->addWidget(lList);
    left->addWidget(jdbgParticipants, 1);

    auto* layout = new QHBoxLayout(pPartList);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    return pPartList;
}

void TParticipantsPage::PartSetBrowseState()
{
    m_guard->Stop();
    m_editing = false;
    Q_EMIT editingFinished();
    ShowOtherTabs(pgPartDetails, true);
    fraPartDetailsMain->SetControlsEnabled(false);
    pPartList->setEnabled(true);
    bPartEdit->setEnabled(true);
    bPartInsert->setEnabled(true);
    bPartDel->setEnabled(true);
    bPartImport->setEnabled(!m_dm.ReadOnly());
    bPartSave->setEnabled(false);
    bPartCancel->setEnabled(false);
    bPartNewBadge->setEnabled(true);
    bPartPrintBadges->setEnabled(true);
}

void TParticipantsPage::PartSetEditState()
{
    m_editing = true;
    Q_EMIT editingStarted();
    ShowOtherTabs(pgPartDetails, false);
    fraPartDetailsMain->SetControlsEnabled(true);
    pPartList->setEnabled(false);
    bPartEdit->setEnabled(false);
    bPartInsert->setEnabled(false);
    bPartDel->setEnabled(false);
    bPartImport->setEnabled(false);
    bPartSave->setEnabled(true);
    bPartCancel->setEnabled(true);
    bPartNewBadge->setEnabled(false);
    bPartPrintBadges->setEnabled(false);
}

void TParticipantsPage::FocusSearch()
{
    eSearchPart->setFocus(Qt::OtherFocusReason);
}

void TParticipantsPage::bPartEditClick()
{
    if (m_dm.Participants->IsEmpty())
        return;
    // The row goes into edit first: a row that cannot be edited leaves the page browsing.
    m_dm.Participants->Edit();
    PartSetEditState();
    fraPartDetailsMain->LastNameEdit()->setFocus(Qt::OtherFocusReason);
}

void TParticipantsPage::bPartInsertClick()
{
    m_dm.Participants->Append();
    PartSetEditState();
    {
        TBusyCursor busy;
        m_guard->Start(*m_dm.Conn);
    }
    fraPartDetailsMain->LastNameEdit()->setFocus(Qt::OtherFocusReason);
}

void TParticipantsPage::bPartSaveClick()
{
    // A refused post throws here: the row keeps its edit or insert state and the page its
    // edit state, so the user can correct the values or cancel.
    m_dm.SaveParticipant();
    try {
        m_dm.RequeryAfterParticipantChange();
    } catch (...) {
        // The participant is stored; a list that failed to refresh must not keep the editor
        // open on a row that is no longer being edited.
        PartSetBrowseState();
        FocusSearch();
        throw;
    }
    PartSetBrowseState();
    FocusSearch();
}

void TParticipantsPage::bPartCancelClick()
{
    m_dm.Participants->Cancel();
    PartSetBrowseState();
    FocusSearch();
}

void TParticipantsPage::bPartDelClick()
{
    // Asks "Remove participant?" itself and refreshes the lists whatever the answer.
    m_dm.DeleteParticipant();
}

void TParticipantsPage::bPartAddConfClick()
{
    Q_EMIT conferencePickerRequested();
}

void TParticipantsPage::bPartConfDeleteClick()
{
    TDataSet* partConfs = m_dm.PartConfs;
    if (partConfs->IsEmpty())
        return;
    if (!m_prompts.AskConfirm(tr("Remove conference?")))
        return;
    TBusyCursor busy;
    m_dm.RemoveAttendance(partConfs->FieldByName(QStringLiteral("conf_id")).AsInteger(),
                          partConfs->FieldByName(QStringLiteral("user_id")).AsInteger());
}

void TParticipantsPage::ApplyFilters()
{
    m_dm.ApplyPartConfsFilter(m_filters.Part, m_filters.Time);
}

void TParticipantsPage::ClearSearch()
{
    eSearchPart->clear();
}

void TParticipantsPage::bPartNewBadgeClick()
{
    const QVariant userId = m_dm.CurrentParticipantId();
    if (userId.isNull())
        return;
    const QString name = QString(m_dm.Participants->FieldByName(QStringLiteral("first_name")).AsString() +
                          u' ' +
                          m_dm.Participants->FieldByName(QStringLiteral("last_name")).AsString())
                             .trimmed();
    if (!TPrompts::Confirm(tr("Give %1 a new badge code? The old badge stops working.").arg(name)))
        return;
    try {
        TBadgeCodes(*m_dm.Conn).Replace(userId.toInt());
        TPrompts::ShowInformation(
            tr("%1 has a new badge code. Print the new badge with Print badges.").arg(name));
    } catch (const TError& error) {
        TPrompts::ShowErrorBox(error.Message());
    }
}

void TParticipantsPage::bPartImportClick()
{
    if (!m_dm.Config)
        return;
    const QString path = m_prompts.OpenFileName(
        tr("Import participants"), m_dm.WorkingDirectory(),
        tr("Lists (*.csv *.txt *.xlsx *.xls);;All files (*)"));
    if (path.isEmpty())
        return;
    TfrmImport dialog(*m_dm.Conn, *m_dm.Config, m_prompts, path, 0, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_dm.Participants->Requery();
    m_dm.RequeryAfterParticipantChange();
}

void TParticipantsPage::OpenExisting(int userId)
{
    TDataSet* participants = m_dm.Participants;
    if (participants->DataState() == TDataSet::State::Insert)
        participants->Cancel();
    PartSetBrowseState();
    // The search may hide the person: it is emptied so that they can be shown.
    if (!participants->Locate(QStringLiteral("user_id"), userId) && participants->Filtered()) {
        ClearSearch();
        m_dm.SearchParticipants(QString());
        participants->Locate(QStringLiteral("user_id"), userId);
    }
    fraPartDetailsMain->LastNameEdit()->setFocus(Qt::OtherFocusReason);
}
