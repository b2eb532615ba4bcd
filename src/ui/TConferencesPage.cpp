#include "TConferencesPage.h"

#include "TBrandingPanel.h"
#include "TBusyCursor.h"
#include "TConfDetailsPanel.h"
#include "TConferenceDetails.h"
#include "TDBEdit.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TParticipantsPage.h"
#include "TPrompts.h"
#include "TTimeFilterBox.h"
#include "TfraCFilter.h"
#include "TfrmMain.h"
#include "TfrmPickExtra.h"
#include "TfrmPickPart.h"
#include "TfrmPickSpeaker.h"

#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace
{

const QColor Navy(0, 0, 128);

// Caption colour of a button while it is enabled; a disabled button stays grey.
void SetCaptionColor(QPushButton* button, const QColor& color)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Active, QPalette::ButtonText, color);
    palette.setColor(QPalette::Inactive, QPalette::ButtonText, color);
    button->setPalette(palette);
}

} // namespace

TConferencesPage::TConferencesPage(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("tsConf"));

    pConfDetail = new QWidget(this);
    pConfDetail->setObjectName(QStringLiteral("pConfDetail"));
    pgConfDetails = new QTabWidget(pConfDetail);
    pgConfDetails->setObjectName(QStringLiteral("pgConfDetails"));
    // Tabs drawn as buttons: the current one pressed in.
    pgConfDetails->setDocumentMode(true);
    pgConfDetails->tabBar()->setDrawBase(false);
    pgConfDetails->tabBar()->setExpanding(false);
    pgConfDetails->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { border: 1px solid palette(mid); border-radius: 3px;"
        " background: palette(button); padding: 3px 7px; margin: 2px 2px 4px 0px; }"
        "QTabBar::tab:selected { background: palette(midlight); border-color: palette(dark);"
        " border-style: inset; }"
        "QTabBar::tab:hover:!selected { background: palette(light); }"));
    pgConfDetails->addTab(CreateConfInfoPage(), tr("Conference details"));
    pgConfDetails->addTab(CreateParticipantsPage(), tr("Participants"));
    connect(pgConfDetails, &QTabWidget::currentChanged, this,
            &TConferencesPage::pgConfDetailsChange);
    auto* detailLayout = new QVBoxLayout(pConfDetail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addWidget(pgConfDetails);

    pConfList = CreateConfList();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(pConfDetail);
    layout->addWidget(pConfList, 1);

    // Anchored to the page's bottom-right corner, over the room the list leaves for it.
    Panel1 = new TBrandingPanel(QStringLiteral("Panel1"), this);
    Panel1->raise();

    ConnectConferences();
    // The browse state without touching the main window's tabs, which do not exist yet.
    pConfInfo->SetEditState(false);
    bConfSave->setEnabled(false);
    bConfCancel->setEnabled(false);
}

QPushButton* TConferencesPage::MakeButton(const QString& caption, const QString& objectName,
                                          QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

QWidget* TConferencesPage::CreateConfInfoPage()
{
    auto* page = new QWidget(pgConfDetails);
    page->setObjectName(QStringLiteral("tsConfInfo"));
    pConfInfo = new TConfDetailsPanel(DM->Conferences, page);

    bConfEdit = MakeButton(tr("&Edit"), QStringLiteral("bConfEdit"), page);
    bConfNew = MakeButton(tr("Add &new"), QStringLiteral("bConfNew"), page);
    bConfDel = MakeButton(tr("&Remove"), QStringLiteral("bConfDel"), page);
    SetCaptionColor(bConfDel, Navy);
    bConfSave = MakeButton(tr("&Save"), QStringLiteral("bConfSave"), page);
    bConfCancel = MakeButton(tr("&Cancel"), QStringLiteral("bConfCancel"), page);
    connect(bConfEdit, &QPushButton::clicked, this, &TConferencesPage::bConfEditClick);
    connect(bConfNew, &QPushButton::clicked, this, &TConferencesPage::bConfNewClick);
    connect(bConfDel, &QPushButton::clicked, this, &TConferencesPage::bConfDelClick);
    connect(bConfSave, &QPushButton::clicked, this, &TConferencesPage::bConfSaveClick);
    connect(bConfCancel, &QPushButton::clicked, this, &TConferencesPage::bConfCancelClick);

    connect(pConfInfo->bSpeakAdd, &QPushButton::clicked, this, &TConferencesPage::bSpeakAddClick);
    connect(pConfInfo->bSpeakDel, &QPushButton::clicked, this, &TConferencesPage::bSpeakDelClick);
    connect(pConfInfo->bExtraAdd, &QPushButton::clicked, this, &TConferencesPage::bExtraAddClick);
    connect(pConfInfo->bExtraDel, &QPushButton::clicked, this, &TConferencesPage::bExtraDelClick);
    pConfInfo->dtpBeginDate->installEventFilter(this);
    pConfInfo->dtpBeginTime->installEventFilter(this);
    pConfInfo->lbSpeakers->installEventFilter(this);
    pConfInfo->lbExtras->installEventFilter(this);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    for (QPushButton* button : {bConfEdit, bConfNew, bConfDel, bConfSave, bConfCancel})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(8);
    layout->addWidget(pConfInfo, 1);
    layout->addLayout(buttons);
    return page;
}

QWidget* TConferencesPage::CreateParticipantsPage()
{
    auto* page = new QWidget(pgConfDetails);
    page->setObjectName(QStringLiteral("tsConfParticipants"));

    auto* lSearch = new QLabel(tr("&Enter last name"), page);
    lSearch->setObjectName(QStringLiteral("lSearchConfPart"));
    eSearchConfPart = new QLineEdit(page);
    eSearchConfPart->setObjectName(QStringLiteral("eSearchConfPart"));
    lSearch->setBuddy(eSearchConfPart);

    dbgConfPart = new TDBGrid(QStringLiteral("dbgConfPart"), page);
    dbgConfPart->SetDataSet(DM->ConfParts, {{QStringLiteral("last_name"), tr("Last name")},
                                            {QStringLiteral("first_name"), tr("First name")},
                                            {QStringLiteral("sign_in_date"), tr("Sign-in date")}});
    dbgConfPart->SetColumnsResizable(true);

    bConfAddPart = MakeButton(tr("&Add"), QStringLiteral("bConfAddPart"), page);
    bConfDelPart = MakeButton(tr("&Remove"), QStringLiteral("bConfDelPart"), page);
    bExpConfParts = MakeButton(tr("E&xport to Excel file"), QStringLiteral("bExpConfParts"), page);
    bPrintConfParts =
        MakeButton(tr("&Print participants"), QStringLiteral("bPrintConfParts"), page);
    // The export and the attendance sheet come with the documents.
    bExpConfParts->setEnabled(false);
    bPrintConfParts->setEnabled(false);
    connect(bConfAddPart, &QPushButton::clicked, this, &TConferencesPage::bConfAddPartClick);
    connect(bConfDelPart, &QPushButton::clicked, this, &TConferencesPage::bConfDelPartClick);

    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    side->addWidget(lSearch);
    side->addWidget(eSearchConfPart);
    side->addSpacing(6);
    for (QPushButton* button : {bConfAddPart, bConfDelPart, bExpConfParts, bPrintConfParts})
        side->addWidget(button);
    side->addStretch(1);

    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(8);
    layout->addWidget(dbgConfPart, 1);
    layout->addLayout(side);
    setTabOrder(eSearchConfPart, dbgConfPart);
    setTabOrder(dbgConfPart, bConfAddPart);
    return page;
}

QWidget* TConferencesPage::CreateConfList()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pConfList"));

    auto* caption = new QLabel(tr("Conferences list"), panel);
    caption->setObjectName(QStringLiteral("lConfList"));
    jdbgConferences = new TDBGrid(QStringLiteral("jdbgConferences"), panel);
    jdbgConferences->SetDataSet(DM->Conferences, {{QStringLiteral("begin_date"), tr("Begin date")},
                                                  {QStringLiteral("conf_name"), tr("Title")}});
    jdbgConferences->SetSortable(true);
    jdbgConferences->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    caption->setBuddy(jdbgConferences);

    fraConfFilter = new TfraCFilter(QStringLiteral("fraConfFilter"), panel);
    fraConfFilter->SetApplyMaroon(true);
    connect(fraConfFilter, &TfraCFilter::ApplyClicked, this,
            &TConferencesPage::fraConfFilterbApplyClick);
    connect(fraConfFilter, &TfraCFilter::ClearClicked, this,
            &TConferencesPage::fraConfFilterbClearClick);
    m_timeBox =
        new TTimeFilterBox(QStringLiteral("lConfTime"), QStringLiteral("sbConfTime"), panel);
    connect(m_timeBox, &TTimeFilterBox::Clicked, &m_main, &TfrmMain::bbConfTimeClick);

    auto* list = new QVBoxLayout;
    list->setSpacing(2);
    list->addWidget(caption);
    list->addWidget(jdbgConferences, 1);

    auto* side = new QVBoxLayout;
    side->setSpacing(2);
    side->addWidget(fraConfFilter);
    side->addWidget(m_timeBox);
    side->addStretch(1);
    // Room for the branding panel, which lies over this corner of the page.
    side->addSpacing(TBrandingPanel::PanelHeight);

    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addLayout(list, 1);
    layout->addLayout(side);
    return panel;
}

void TConferencesPage::ConnectConferences()
{
    // A new current row, a re-read list, or the end of an edit (post or cancel) shows the
    // conference again. The detail lists follow their master only after this page has heard
    // of the move, so their own re-reads show it once more, now with the right rows.
    connect(DM->Conferences, &TDataSet::CurrentChanged, this, [this] { ShowCurrentConference(); });
    connect(DM->Conferences, &TDataSet::StateChanged, this, [this](TDataSet::State state) {
        if (state == TDataSet::State::Browse)
            ShowCurrentConference();
    });
    for (TDataSet* details : {DM->ConfSpeakers, DM->ConfExtras, DM->ConfCredits})
        connect(details, &TDataSet::RowsReset, this, [this] { ShowCurrentConference(); });
}

void TConferencesPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceBrandingPanel();
}

void TConferencesPage::PlaceBrandingPanel()
{
    const QMargins margins = layout()->contentsMargins();
    Panel1->move(width() - margins.right() - Panel1->width(),
                 height() - margins.bottom() - Panel1->height());
}

// --- Showing the conference --------------------------------------------------------------

void TConferencesPage::ShowCurrentConference()
{
    if (m_saving || m_editing)
        return;
    TConferenceDetails details;
    details.Credits = pConfInfo->CreditLines();
    if (DM->ShowCurrentConference(details))
        pConfInfo->ShowDetails(details);
}

void TConferencesPage::ShowCreditLines()
{
    pConfInfo->SetCreditLines(m_main.CreditLines());
    ShowCurrentConference();
}

void TConferencesPage::FillSpeakersList()
{
    TIdList speakers;
    DM->FillConferenceSpeakers(speakers);
    pConfInfo->SetSpeakers(speakers);
}

void TConferencesPage::FillExtrasList()
{
    TIdList extras;
    DM->FillConferenceExtras(extras);
    pConfInfo->SetExtras(extras);
}

void TConferencesPage::AddPickedSpeaker()
{
    TIdList speakers = pConfInfo->Speakers();
    DM->AddPickedSpeaker(speakers);
    if (speakers.Count() != pConfInfo->Speakers().Count())
        pConfInfo->SetSpeakers(speakers);
}

void TConferencesPage::AddPickedExtra()
{
    TIdList extras = pConfInfo->Extras();
    DM->AddPickedExtra(extras);
    if (extras.Count() != pConfInfo->Extras().Count())
        pConfInfo->SetExtras(extras);
}

// --- States ------------------------------------------------------------------------------

void TConferencesPage::ConfSetBrowseState()
{
    m_editing = false;
    m_main.ShowOtherTabs(m_main.PageControl(), true);
    m_main.ShowOtherTabs(pgConfDetails, true);
    pConfInfo->SetEditState(false);
    pConfList->setEnabled(true);
    bConfEdit->setEnabled(true);
    bConfNew->setEnabled(true);
    bConfDel->setEnabled(true);
    bConfSave->setEnabled(false);
    bConfCancel->setEnabled(false);
}

void TConferencesPage::ConfSetEditState()
{
    m_editing = true;
    m_main.ShowOtherTabs(m_main.PageControl(), false);
    m_main.ShowOtherTabs(pgConfDetails, false);
    pConfInfo->SetEditState(true);
    // The list, the filter panel and the time button.
    pConfList->setEnabled(false);
    bConfEdit->setEnabled(false);
    bConfNew->setEnabled(false);
    bConfDel->setEnabled(false);
    bConfSave->setEnabled(true);
    bConfCancel->setEnabled(true);
}

// --- Conference editor -------------------------------------------------------------------

void TConferencesPage::bConfEditClick()
{
    if (DM->Conferences->IsEmpty())
        return;
    // The row goes into edit first: when it cannot, the page stays as it was.
    DM->Conferences->Edit();
    ConfSetEditState();
    pConfInfo->dbeConfName->setFocus();
}

void TConferencesPage::bConfNewClick()
{
    m_rowBeforeInsert = DM->Conferences->RecNo();
    DM->Conferences->Insert();
    ConfSetEditState();
    pConfInfo->ShowNewConference();
    pConfInfo->dbeConfName->setFocus();
}

void TConferencesPage::bConfSaveClick()
{
    // A copy: while the save runs, the page must not refill the lists that are being stored.
    const TConferenceDetails details = pConfInfo->Details();
    {
        const QScopedValueRollback<bool> saving(m_saving, true);
        DM->SaveConference(details);
    }
    // The conference is stored: the page leaves the edit state even if a list fails to
    // re-read.
    try {
        DM->RequeryAfterConferenceChange();
    } catch (...) {
        FinishSave();
        throw;
    }
    FinishSave();
}

void TConferencesPage::FinishSave()
{
    ConfSetBrowseState();
    ShowCurrentConference();
    jdbgConferences->setFocus();
}

void TConferencesPage::bConfCancelClick()
{
    const bool inserting = DM->Conferences->DataState() == TDataSet::State::Insert;
    DM->Conferences->Cancel();
    // A cancelled new conference leaves the list on the conference shown before it.
    if (inserting && m_rowBeforeInsert >= 0 && m_rowBeforeInsert < DM->Conferences->RecordCount())
        DM->Conferences->SetRecNo(m_rowBeforeInsert);
    ConfSetBrowseState();
    // The stored row's lists, dates and units replace what was being edited.
    ShowCurrentConference();
    jdbgConferences->setFocus();
}

void TConferencesPage::bConfDelClick()
{
    if (!DM->Conferences->IsEmpty() && TPrompts::Confirm(tr("Remove conference?")))
        DM->Conferences->Delete();
    DM->RequeryAfterConferenceChange();
}

void TConferencesPage::bSpeakAddClick()
{
    if (frmPickSpeaker)
        frmPickSpeaker->exec();
}

void TConferencesPage::bSpeakDelClick()
{
    if (pConfInfo->Speakers().IsEmpty() || !TPrompts::Confirm(tr("Remove speaker?")))
        return;
    pConfInfo->RemoveSpeaker(pConfInfo->SelectedSpeaker());
}

void TConferencesPage::bExtraAddClick()
{
    if (frmPickExtra)
        frmPickExtra->exec();
}

void TConferencesPage::bExtraDelClick()
{
    if (pConfInfo->Extras().IsEmpty() || !TPrompts::Confirm(tr("Remove additional info?")))
        return;
    pConfInfo->RemoveExtra(pConfInfo->SelectedExtra());
}

void TConferencesPage::dtpBeginDateExit()
{
    pConfInfo->dtpEndDate->setDate(pConfInfo->dtpBeginDate->date());
    pConfInfo->dtpEndTime->setTime(pConfInfo->dtpBeginTime->time());
}

// --- Participants of the conference --------------------------------------------------------

void TConferencesPage::bConfAddPartClick()
{
    // Without a conference there is nothing to sign participants in to.
    if (!frmPickPart || DM->Conferences->RecNo() < 0)
        return;
    DM->SearchParticipants(QString());
    DM->SearchConferenceParticipants(QString());
    eSearchConfPart->clear();
    if (auto* search =
            m_main.ParticipantsPage()->findChild<QLineEdit*>(QStringLiteral("eSearchPart")))
        search->clear();
    frmPickPart->exec();
    // The list narrowed in the picker never outlives it.
    DM->SearchParticipants(QString());
}

void TConferencesPage::bConfDelPartClick()
{
    if (DM->ConfParts->IsEmpty() || !TPrompts::Confirm(tr("Remove participant?")))
        return;
    const TBusyCursor busy;
    DM->RemoveAttendance(DM->ConfParts->FieldByName(QStringLiteral("conf_id")).AsInteger(),
                         DM->ConfParts->FieldByName(QStringLiteral("user_id")).AsInteger());
}

// --- Filter panel ----------------------------------------------------------------------------

void TConferencesPage::fraConfFilterbApplyClick()
{
    fraConfFilter->GetFilter(m_main.ConfFilter());
    DM->ApplyConferenceFilter(DM->Conferences, m_main.ConfFilter(), m_main.TimeFilter());
}

void TConferencesPage::fraConfFilterbClearClick()
{
    fraConfFilter->bClearClick();
    fraConfFilterbApplyClick();
}

void TConferencesPage::pgConfDetailsChange(int index)
{
    if (index == subConfParticipants)
        eSearchConfPart->setFocus();
}

bool TConferencesPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut &&
        (watched == pConfInfo->dtpBeginDate || watched == pConfInfo->dtpBeginTime)) {
        // A calendar popup or another window taking the focus is no leaving of the picker.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            dtpBeginDateExit();
    } else if (event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        // The Delete key in a list asks to remove its selected line, as "Remove" does.
        if (watched == pConfInfo->lbSpeakers) {
            bSpeakDelClick();
            return true;
        }
        if (watched == pConfInfo->lbExtras) {
            bExtraDelClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
