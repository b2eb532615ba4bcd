#include "ui/TConfRegisteredPanel.h"
#include "ui/TConferencesPage.h"

#include "ui/TBrandingPanel.h"
#include "ui/TBusyCursor.h"
#include "ui/TConfDetailsPanel.h"
#include "data/TConferenceDetails.h"
#include "ui/TDBEdit.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "documents/TDocuments.h"
#include "db/TDataSet.h"
#include "ui/TPageFilters.h"
#include "db/TPrompts.h"
#include "ui/TTimeFilterBox.h"
#include "ui/TfraCFilter.h"
#include "ui/TfrmPrintBadges.h"

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

TConferencesPage::TConferencesPage(const TPageInputs& inputs, QWidget* parent)
    : TPageBase(inputs, parent)
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
    AddRegisteredPage();
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
    pConfInfo = new TConfDetailsPanel(m_dm.Conferences, page);

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

void TConferencesPage::AddRegisteredPage()
{
    auto* registered = new TConfRegisteredPanel(m_dm, m_prompts, m_documents, pgConfDetails);
    pgConfDetails->addTab(registered, tr("Registered"));
    connect(registered, &TConfRegisteredPanel::participantsImported, this, [this] {
        m_dm.Participants->Requery();
        m_dm.RequeryAfterParticipantChange();
    });
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
    dbgConfPart->SetDataSet(m_dm.ConfParts, {{QStringLiteral("last_name"), tr("Last name")},
                                             {QStringLiteral("first_name"), tr("First name")},
                                             {QStringLiteral("sign_in_date"), tr("Sign-in date")}});
    dbgConfPart->SetColumnsResizable(true);

    bConfAddPart = MakeButton(tr("&Add"), QStringLiteral("bConfAddPart"), page);
    bConfDelPart = MakeButton(tr("&Remove"), QStringLiteral("bConfDelPart"), page);
    bExpConfParts = MakeButton(tr("E&xport to Excel file"), QStringLiteral("bExpConfParts"), page);
    bPrintConfParts =
        MakeButton(tr("&Print participants"), QStringLiteral("bPrintConfParts"), page);
    connect(bExpConfParts, &QPushButton::clicked, this, &TConferencesPage::bExpConfPartsClick);
    connect(bPrintConfParts, &QPushButton::clicked, this,
            &TConferencesPage::bPrintConfPartsClick);
    bPrintBadges = MakeButton(tr("Print &badges…"), QStringLiteral("bPrintBadges"), page);
    connect(bPrintBadges, &QPushButton::clicked, this, [this] {
        const QVariant confId = m_dm.CurrentConferenceId();
        TfrmPrintBadges::Run(m_documents, TBadgeRun::ConferenceParticipants(m_dm, confId), confId,
                             this);
    });
    connect(bConfAddPart, &QPushButton::clicked, this, &TConferencesPage::bConfAddPartClick);
    connect(bConfDelPart, &QPushButton::clicked, this, &TConferencesPage::bConfDelPartClick);

    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    side->addWidget(lSearch);
    side->addWidget(eSearchConfPart);
    side->addSpacing(6);
    for (QPushButton* button :
         {bConfAddPart, bConfDelPart, bExpConfParts, bPrintConfParts, bPrintBadges})
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
    jdbgConferences->SetDataSet(m_dm.Conferences, {{QStringLiteral("begin_date"), tr("Begin date")},
                                                   {QStringLiteral("conf_name"), tr("Title")}});
    jdbgConferences->SetSortable(true);
    jdbgConferences->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    caption->setBuddy(jdbgConferences);

    fraConfFilter = new TfraCFilter(QStringLiteral("fraConfFilter"), panel);
    fraConfFilter->SetApplyMaroon(true);
    connect(fraConfFilter, &TfraCFilter::applyClicked, this,
            &TConferencesPage::fraConfFilterbApplyClick);
    connect(fraConfFilter, &TfraCFilter::clearClicked, this,
            &TConferencesPage::fraConfFilterbClearClick);
    m_timeBox =
        new TTimeFilterBox(QStringLiteral("lConfTime"), QStringLiteral("sbConfTime"), panel);
    connect(m_timeBox, &TTimeFilterBox::clicked, this, &TPageBase::timeFilterRequested);

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
    connect(m_dm.Conferences, &TDataSet::CurrentChanged, this, [this] { ShowCurrentConference(); });
    connect(m_dm.Conferences, &TDataSet::StateChanged, this, [this](TDataSet::State state) {
        if (state == TDataSet::State::Browse)
            ShowCurrentConference();
    });
    for (TDataSet* details : {m_dm.ConfSpeakers, m_dm.ConfExtras, m_dm.ConfCredits})
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
    if (m_dm.ShowCurrentConference(details))
        pConfInfo->ShowDetails(details);
}

void TConferencesPage::ShowCreditLines()
{
    pConfInfo->SetCreditLines(m_filters.CreditLines);
    ShowCurrentConference();
}

void TConferencesPage::FillSpeakersList()
{
    TIdList speakers;
    m_dm.FillConferenceSpeakers(speakers);
    pConfInfo->SetSpeakers(speakers);
}

void TConferencesPage::FillExtrasList()
{
    TIdList extras;
    m_dm.FillConferenceExtras(extras);
    pConfInfo->SetExtras(extras);
}

void TConferencesPage::AddPickedSpeaker()
{
    TIdList speakers = pConfInfo->Speakers();
    m_dm.AddPickedSpeaker(speakers);
    if (speakers.Count() != pConfInfo->Speakers().Count())
        pConfInfo->SetSpeakers(speakers);
}

void TConferencesPage::AddPickedExtra()
{
    TIdList extras = pConfInfo->Extras();
    m_dm.AddPickedExtra(extras);
    if (extras.Count() != pConfInfo->Extras().Count())
        pConfInfo->SetExtras(extras);
}

void TConferencesPage::bExpConfPartsClick()
{
    m_documents.ExportConferenceParticipants();
}

void TConferencesPage::bPrintConfPartsClick()
{
    m_documents.PrintConferenceParticipants();
}

// --- States ------------------------------------------------------------------------------

void TConferencesPage::ConfSetBrowseState()
{
    m_editing = false;
    Q_EMIT editingFinished();
    ShowOtherTabs(pgConfDetails, true);
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
    Q_EMIT editingStarted();
    ShowOtherTabs(pgConfDetails, false);
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
    if (m_dm.Conferences->IsEmpty())
        return;
    // The row goes into edit first: when it cannot, the page stays as it was.
    m_dm.Conferences->Edit();
    ConfSetEditState();
    pConfInfo->dbeConfName->setFocus();
}

void TConferencesPage::bConfNewClick()
{
    m_rowBeforeInsert = m_dm.Conferences->RecNo();
    m_dm.Conferences->Insert();
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
        m_dm.SaveConference(details);
    }
    // The conference is stored: the page leaves the edit state even if a list fails to
    // re-read.
    try {
        m_dm.RequeryAfterConferenceChange();
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
    const bool inserting = m_dm.Conferences->DataState() == TDataSet::State::Insert;
    m_dm.Conferences->Cancel();
    // A cancelled new conference leaves the list on the conference shown before it.
    if (inserting && m_rowBeforeInsert >= 0 && m_rowBeforeInsert < m_dm.Conferences->RecordCount())
        m_dm.Conferences->SetRecNo(m_rowBeforeInsert);
    ConfSetBrowseState();
    // The stored row's lists, dates and units replace what was being edited.
    ShowCurrentConference();
    jdbgConferences->setFocus();
}

void TConferencesPage::bConfDelClick()
{
    if (!m_dm.Conferences->IsEmpty() && m_prompts.AskConfirm(tr("Remove conference?")))
        m_dm.Conferences->Delete();
    m_dm.RequeryAfterConferenceChange();
}

void TConferencesPage::bSpeakAddClick()
{
    Q_EMIT speakerPickerRequested();
}

void TConferencesPage::bSpeakDelClick()
{
    if (pConfInfo->Speakers().IsEmpty() || !m_prompts.AskConfirm(tr("Remove speaker?")))
        return;
    pConfInfo->RemoveSpeaker(pConfInfo->SelectedSpeaker());
}

void TConferencesPage::bExtraAddClick()
{
    Q_EMIT extraPickerRequested();
}

void TConferencesPage::bExtraDelClick()
{
    if (pConfInfo->Extras().IsEmpty() || !m_prompts.AskConfirm(tr("Remove additional info?")))
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
    if (m_dm.Conferences->RecNo() < 0)
        return;
    m_dm.SearchParticipants(QString());
    m_dm.SearchConferenceParticipants(QString());
    eSearchConfPart->clear();
    Q_EMIT participantSearchCleared();
    Q_EMIT participantPickerRequested();
    // The list narrowed in the picker never outlives it.
    m_dm.SearchParticipants(QString());
}

void TConferencesPage::bConfDelPartClick()
{
    if (m_dm.ConfParts->IsEmpty() || !m_prompts.AskConfirm(tr("Remove participant?")))
        return;
    const TBusyCursor busy;
    m_dm.RemoveAttendance(m_dm.ConfParts->FieldByName(QStringLiteral("conf_id")).AsInteger(),
                          m_dm.ConfParts->FieldByName(QStringLiteral("user_id")).AsInteger());
}

// --- Filter panel ----------------------------------------------------------------------------

void TConferencesPage::fraConfFilterbApplyClick()
{
    fraConfFilter->GetFilter(m_filters.Conf);
    ApplyFilters();
}

void TConferencesPage::ApplyFilters()
{
    m_dm.ApplyConferenceFilter(m_dm.Conferences, m_filters.Conf, m_filters.Time);
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
