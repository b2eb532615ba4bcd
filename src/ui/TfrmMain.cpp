#include "ui/TfrmMain.h"

#include "ui/TAppFont.h"
#include "ui/TCalendarPage.h"
#include "ui/TConferencesPage.h"
#include "settings/TConfig.h"
#include "ui/TConfigurePage.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "documents/TDocuments.h"
#include "ui/TReportWidgets.h"
#include "db/TError.h"
#include "ui/TParticipantsPage.h"
#include "ui/TProgressDialog.h"
#include "db/TPrompts.h"
#include "ui/TSignInPage.h"
#include "ui/TTimeFilterBox.h"
#include "ui/TTranscriptsPage.h"
#include "ui/TfraCFilter.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmPickConf.h"
#include "ui/TfrmPickExtra.h"
#include "ui/TfrmPickPart.h"
#include "ui/TfrmPickSpeaker.h"
#include "ui/TfrmSignIn.h"
#include "ui/TfrmTimeFilter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>

namespace
{

struct TPageInfo {
    const char* name;
    const char* tabCaption;
    const char* windowCaption;
};

const TPageInfo Pages[TfrmMain::pageCount] = {
    {"tsConf", QT_TRANSLATE_NOOP("TfrmMain", "Conferences"),
     QT_TRANSLATE_NOOP("TfrmMain", "Conferences")},
    {"tsParticipants", QT_TRANSLATE_NOOP("TfrmMain", "Participants"),
     QT_TRANSLATE_NOOP("TfrmMain", "Participants")},
    {"tsSignIn", QT_TRANSLATE_NOOP("TfrmMain", "Live sign-in"),
     QT_TRANSLATE_NOOP("TfrmMain", "Live sign-in")},
    {"tsTranscripts", QT_TRANSLATE_NOOP("TfrmMain", "Transcripts"),
     QT_TRANSLATE_NOOP("TfrmMain", "Transcripts")},
    {"tsCalendar", QT_TRANSLATE_NOOP("TfrmMain", "Calendar"),
     QT_TRANSLATE_NOOP("TfrmMain", "Calendar")},
    {"tsCustomize", QT_TRANSLATE_NOOP("TfrmMain", "Configure"),
     QT_TRANSLATE_NOOP("TfrmMain", "Customization")},
};

// Cancels a pending insert or edit so that closing never posts a half-made change.
void CancelPendingEdit(TDataSet* dataSet)
{
    if (!dataSet)
        return;
    const TDataSet::State state = dataSet->DataState();
    if (state == TDataSet::State::Edit || state == TDataSet::State::Insert)
        dataSet->Cancel();
}

} // namespace

TfrmMain::TfrmMain(TDM& dm, TPrompts& prompts, QWidget* parent, TReportWindows* windows)
    : QMainWindow(parent), m_dm(dm), m_prompts(prompts), m_windows(windows)
{
    if (!m_windows) {
        m_ownWindows = std::make_unique<TReportWidgets>();
        m_windows = m_ownWindows.get();
    }
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(tr("Conferences"));
    resize(702, 572);
    setMinimumSize(700, 572);
    CreatePages();
    // Centred before the first show, so the dialogs that place themselves relative to this
    // window at their creation find it where the user will see it.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FormCreate();
    // Every key press passes here before the focused control sees it (FormKeyDown).
    qApp->installEventFilter(this);
}

TfrmMain::~TfrmMain()
{
    qApp->removeEventFilter(this);
    // The dialogs write their column widths while they go, the last made first.
    m_addPart.reset();
    m_signIn.reset();
    m_pickExtra.reset();
    m_pickSpeaker.reset();
    m_pickPart.reset();
    m_pickConf.reset();
    m_timeFilter.reset();
}

void TfrmMain::CreateDialogs(const TCreationStep& beforeEach)
{
    const auto step = [&beforeEach](const char* name) {
        if (beforeEach)
            beforeEach(QLatin1String(name));
    };
    step("frmTimeFilter");
    m_timeFilter = std::make_unique<TfrmTimeFilter>();
    // The pickers place themselves beside this window as it stands now.
    step("frmPickConf");
    m_pickConf = std::make_unique<TfrmPickConf>(m_dm, this);
    step("frmPickPart");
    m_pickPart = std::make_unique<TfrmPickPart>(m_dm, this);
    step("frmPickSpeaker");
    m_pickSpeaker = std::make_unique<TfrmPickSpeaker>(m_dm, this);
    step("frmPickExtra");
    m_pickExtra = std::make_unique<TfrmPickExtra>(m_dm, this);
    step("frmSignIn");
    m_signIn = std::make_unique<TfrmSignIn>(m_dm);
    step("frmAddPart");
    m_addPart = std::make_unique<TfrmAddPart>(m_dm);
    m_signIn->SetAddPartDialog(m_addPart.get());
    ConnectDialogs();
}

void TfrmMain::ConnectDialogs()
{
    connect(m_conferencesPage, &TConferencesPage::speakerPickerRequested, m_pickSpeaker.get(),
            &QDialog::exec);
    connect(m_conferencesPage, &TConferencesPage::extraPickerRequested, m_pickExtra.get(),
            &QDialog::exec);
    connect(m_conferencesPage, &TConferencesPage::participantPickerRequested, m_pickPart.get(),
            &QDialog::exec);
    connect(m_participantsPage, &TParticipantsPage::conferencePickerRequested, m_pickConf.get(),
            &QDialog::exec);
    connect(m_signInPage, &TSignInPage::signInRequested, m_signIn.get(), &TfrmSignIn::ShowModal);
    // A double-click in the speaker or additional-info picker adds the row to the lists of
    // the conference being edited.
    connect(m_pickSpeaker.get(), &TfrmPickSpeaker::speakerPicked, m_conferencesPage,
            &TConferencesPage::AddPickedSpeaker);
    connect(m_pickExtra.get(), &TfrmPickExtra::extraPicked, m_conferencesPage,
            &TConferencesPage::AddPickedExtra);
}

QList<QWidget*> TfrmMain::Windows()
{
    QList<QWidget*> windows{this};
    for (QWidget* dialog : std::initializer_list<QWidget*>{
             m_timeFilter.get(), m_pickConf.get(), m_pickPart.get(), m_pickSpeaker.get(),
             m_pickExtra.get(), m_signIn.get(), m_addPart.get()})
        if (dialog)
            windows << dialog;
    return windows;
}

void TfrmMain::CreatePages()
{
    pgMain = new TMainPageControl(this);
    pgMain->setObjectName(QStringLiteral("pgMain"));
    m_progress = std::make_unique<TProgressDialog>(this);
    m_documents = std::make_unique<TDocuments>(m_dm, m_prompts, *m_windows);
    m_documents->SetProgress(m_progress.get());
    // Where an export wrote its file shows in the status line, which appears the first time.
    m_documents->SetStatusLine([this](const QString& text) { statusBar()->showMessage(text); });
    const TPageInputs inputs{m_dm, m_filters, m_prompts, *m_documents};
    m_conferencesPage = new TConferencesPage(inputs, pgMain);
    m_participantsPage = new TParticipantsPage(inputs, pgMain);
    m_signInPage = new TSignInPage(inputs, pgMain);
    m_transcriptsPage = new TTranscriptsPage(inputs, pgMain);
    m_calendarPage = new TCalendarPage(inputs, pgMain);
    m_configurePage = new TConfigurePage(inputs, pgMain);
    const QList<QWidget*> pages = {m_conferencesPage, m_participantsPage, m_signInPage,
                                   m_transcriptsPage, m_calendarPage,     m_configurePage};
    for (int i = 0; i < pageCount; ++i) {
        pages[i]->setObjectName(QLatin1String(Pages[i].name));
        pgMain->addTab(pages[i], tr(Pages[i].tabCaption));
    }
    setCentralWidget(pgMain);
    ConnectPages();
    connect(pgMain, &QTabWidget::currentChanged, this, [this](int page) {
        const int leaving = m_activePage;
        m_activePage = page;
        pgMainChanging(leaving);
        pgMainChange();
    });
}

void TfrmMain::ConnectPages()
{
    const QList<TPageBase*> pages = {m_conferencesPage, m_participantsPage, m_signInPage,
                                     m_transcriptsPage, m_calendarPage,     m_configurePage};
    // While a page edits, the other pages cannot be reached.
    for (TPageBase* page : pages) {
        connect(page, &TPageBase::editingStarted, this,
                [this] { TPageBase::ShowOtherTabs(pgMain, false); });
        connect(page, &TPageBase::editingFinished, this,
                [this] { TPageBase::ShowOtherTabs(pgMain, true); });
        connect(page, &TPageBase::timeFilterRequested, this, &TfrmMain::bbConfTimeClick);
    }
    connect(m_conferencesPage, &TConferencesPage::participantSearchCleared, m_participantsPage,
            &TParticipantsPage::ClearSearch);
    connect(m_configurePage, &TConfigurePage::speakersChanged, m_conferencesPage,
            &TConferencesPage::FillSpeakersList);
    connect(m_configurePage, &TConfigurePage::extrasChanged, m_conferencesPage,
            &TConferencesPage::FillExtrasList);
    connect(m_configurePage, &TConfigurePage::creditTypesChanged, this,
            &TfrmMain::CreditTypesChanged);
}

void TfrmMain::CreditTypesChanged()
{
    RefillCreditLines();
    ApplyAllFilters();
    pgMain->setCurrentWidget(m_configurePage);
}

void TfrmMain::FormCreate()
{
    RefillCreditLines();
    // The detail data sets follow their masters from now on; the step forward and back makes
    // the details fetch the rows of the first conference.
    m_dm.LinkDetails();
    m_dm.Conferences->Next();
    m_dm.Conferences->Prior();
    LoadSettings();
}

void TfrmMain::FormShow()
{
    setWindowTitle(tr("Conferences"));
    m_participantsPage->PartSetBrowseState();
    m_conferencesPage->ConfSetBrowseState();
    m_configurePage->SetBrowseStates();
    ApplyAllFilters();
    SetActivePage(pageConf);
    SetFirstPageActive(QStringLiteral("pgPartDetails"));
    SetFirstPageActive(QStringLiteral("pgConfDetails"));
    SetFirstPageActive(QStringLiteral("pgCustomize"));
}

void TfrmMain::FormCloseQuery(bool& canClose)
{
    // An editor in its edit state has its Save button enabled: closing asks before anything
    // typed is lost. Yes saves (a refused save keeps the window open with its message), No
    // discards, Cancel goes on editing.
    QList<QPushButton*> saveButtons;
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->objectName().endsWith(QStringLiteral("Save")) && button->isEnabled())
            saveButtons << button;
    if (!saveButtons.isEmpty()) {
        const TPrompts::Answer answer = TPrompts::YesNoCancel(tr("Save changes?"));
        if (answer == TPrompts::Answer::Cancel) {
            canClose = false;
            return;
        }
        if (answer == TPrompts::Answer::Yes) {
            for (QPushButton* button : saveButtons) {
                try {
                    button->click();
                } catch (const TError& error) {
                    TPrompts::ShowDefaultError(error.Message());
                }
                if (button->isEnabled()) {
                    canClose = false; // still editing: the save was refused
                    return;
                }
            }
        }
    }
    CancelPendingEdit(m_dm.Conferences);
    CancelPendingEdit(m_dm.Participants);
    for (TDataSet* list :
         {m_dm.Credits, m_dm.Titles, m_dm.Specialities, m_dm.Speakers, m_dm.Extras})
        CancelPendingEdit(list);
    SaveSettings();
    canClose = true;
}

void TfrmMain::RefillCreditLines()
{
    m_dm.FillCredits(m_filters.CreditLines);
    m_conferencesPage->ShowCreditLines();
}

TfraCFilter* TfrmMain::FilterPanel(const QString& name) const
{
    return findChild<TfraCFilter*>(name);
}

void TfrmMain::ApplyAllFilters()
{
    const std::pair<const char*, TConfFilter*> panels[] = {
        {"fraConfFilter", &m_filters.Conf},
        {"fraSignInFilter", &m_filters.SignIn},
        {"fraTransFilter", &m_filters.Trans},
        {"fraCalFilter", &m_filters.Cal},
    };
    // Each panel receives the current credit types, all unchecked, in "or" mode; its typed
    // texts stay and become its filter again.
    for (const auto& [name, filter] : panels) {
        if (TfraCFilter* panel = FilterPanel(QLatin1String(name))) {
            panel->SetCredits(m_filters.CreditLines, QStringLiteral("or"));
            panel->GetFilter(*filter);
        }
    }
    if (m_timeFilter)
        m_timeFilter->SetFilter(m_filters.Time);
    UpdateTimeFilterLabels(m_filters.Time);
    ApplyFiltersToLists();
}

void TfrmMain::ApplyFiltersToLists()
{
    m_conferencesPage->ApplyFilters();
    m_signInPage->ApplyFilters();
    m_transcriptsPage->ApplyFilters();
    m_calendarPage->ApplyFilters();
    m_participantsPage->ApplyFilters();
}

void TfrmMain::bbConfTimeClick()
{
    // The dialog keeps its own choices between openings; only OK applies them.
    if (!m_timeFilter || m_timeFilter->exec() != QDialog::Accepted)
        return;
    m_transcriptsPage->ClearTranscriptSelection();
    m_timeFilter->GetFilter(m_filters.Time);
    UpdateTimeFilterLabels(m_filters.Time);
    ApplyFiltersToLists();
}

void TfrmMain::UpdateTimeFilterLabels(const TTimeFilter& timeFilter)
{
    QString text;
    const TAppFont* font = &TAppFont::RangeFont();
    switch (timeFilter.Kind) {
    case tkDateRange:
        text = timeFilter.BeginDate.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" - ") +
               timeFilter.EndDate.toString(QStringLiteral("dd.MM.yyyy"));
        break;
    case tkYears:
        if (timeFilter.Years.size() == 1) {
            text = timeFilter.Years.constFirst();
            font = &TAppFont::SingleYearFont();
        } else {
            for (const QString& year : timeFilter.Years)
                text += year + QStringLiteral("; ");
            font = &TAppFont::YearsFont();
        }
        break;
    case tkNone:
        text = tr("All");
        break;
    }
    for (TTimeFilterBox* box : findChildren<TTimeFilterBox*>()) {
        box->Label()->setText(text);
        // Many years do not fit the label; the tip shows them all.
        box->Label()->setToolTip(text);
        font->ApplyTo(*box->Label());
        TAppFont::RangeFont().ApplyTo(*box->Button());
    }
}

void TfrmMain::HighlightActiveTab()
{
    pgMain->SetHighlightedTab(pgMain->currentIndex());
}

int TfrmMain::HighlightedTab() const
{
    return pgMain->HighlightedTab();
}

void TfrmMain::pgMainChanging(int leavingPage)
{
    if (leavingPage == pageCustomize)
        SaveSettings();
}

void TfrmMain::pgMainChange()
{
    const int page = pgMain->currentIndex();
    if (page < 0 || page >= pageCount)
        return;
    setWindowTitle(tr(Pages[page].windowCaption));
    if (page == pageParticipants) {
        if (auto* search = findChild<QLineEdit*>(QStringLiteral("eSearchPart")))
            search->setFocus();
    }
    if (page == pageCustomize)
        LoadSettings();
    HighlightActiveTab();
}

void TfrmMain::SetActivePage(int page)
{
    const QSignalBlocker blocker(pgMain);
    pgMain->setCurrentIndex(page);
    m_activePage = pgMain->currentIndex();
}

void TfrmMain::SetFirstPageActive(const QString& pageControl)
{
    if (auto* pages = findChild<QTabWidget*>(pageControl)) {
        const QSignalBlocker blocker(pages);
        pages->setCurrentIndex(0);
    }
}

const QList<TfrmMain::TGridWidths>& TfrmMain::GridWidths()
{
    static const QList<TGridWidths> grids = {
        {QStringLiteral("jdbgConferences"),
         {{0, QStringLiteral("ConfDateWidth"), 100}, {1, QStringLiteral("ConfNameWidth"), 288}}},
        {QStringLiteral("dbgConfPart"),
         {{0, QStringLiteral("ConfPartLNameWidth"), 100},
          {1, QStringLiteral("ConfPartFNameWidth"), 100},
          {2, QStringLiteral("ConfPartSIDateWidth"), 110}}},
        {QStringLiteral("jdbgParticipants"),
         {{0, QStringLiteral("PartLNameWidth"), 100}, {1, QStringLiteral("PartFNameWidth"), 100}}},
        {QStringLiteral("dbgPartConf"),
         {{0, QStringLiteral("PartConfDateWidth"), 100},
          {1, QStringLiteral("PartConfNameWidth"), 300},
          {2, QStringLiteral("PartConfSIDateWidth"), 100}}},
        {QStringLiteral("jdbgSignInConfs"),
         {{0, QStringLiteral("SignInConfDateWidth"), 100},
          {1, QStringLiteral("SignInConfNameWidth"), 288}}},
        {QStringLiteral("jdbgTranscripts"),
         {{0, QStringLiteral("TransLNameWidth"), 100},
          {1, QStringLiteral("TransFNameWidth"), 100},
          {2, QStringLiteral("TransUnitsWidth"), 50}}},
        {QStringLiteral("jdbgCalendar"),
         {{0, QStringLiteral("CalConfDateWidth"), 100},
          {1, QStringLiteral("CalConfNameWidth"), 288}}},
        {QStringLiteral("jdbgCredits"), {{0, QStringLiteral("CustCreditNameWidth"), 100}}},
        {QStringLiteral("jdbgTitles"), {{0, QStringLiteral("CustTitleNameWidth"), 100}}},
        {QStringLiteral("jdbgSpecialities"), {{0, QStringLiteral("CustSpecNameWidth"), 100}}},
    };
    return grids;
}

void TfrmMain::LoadSettings()
{
    m_configurePage->LoadSettings(*m_dm.Config);
    // Grids are found by name, so each page brings its own grids without touching this table;
    // a grid the window does not hold keeps its stored widths untouched.
    for (const TGridWidths& entry : GridWidths())
        if (auto* grid = findChild<QTableView*>(entry.grid))
            TColumnWidths::Load(*m_dm.Config, *grid, entry.keys);
}

void TfrmMain::SaveSettings()
{
    m_configurePage->SaveSettings(*m_dm.Config);
    for (const TGridWidths& entry : GridWidths())
        if (auto* grid = findChild<QTableView*>(entry.grid))
            TColumnWidths::Save(*m_dm.Config, *grid, entry.keys);
    m_dm.Config->Flush();
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A window restored by the desktop is not shown anew.
    if (event->spontaneous())
        return;
    FormShow();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        // Dialogs and other windows handle their own Enter key.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this)
            return FormKeyDown(watched, *key);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TfrmMain::FormKeyDown(QObject* receiver, const QKeyEvent&)
{
    // Enter still starts a new line in the multi-line text boxes.
    if (qobject_cast<QPlainTextEdit*>(receiver) || qobject_cast<QTextEdit*>(receiver))
        return false;
    // Enter in a text box of a filter panel applies the filter, as its Apply button does.
    if (qobject_cast<QLineEdit*>(receiver))
        for (QObject* owner = receiver->parent(); owner; owner = owner->parent())
            if (auto* panel = qobject_cast<TfraCFilter*>(owner)) {
                panel->ApplyButton()->click();
                return true;
            }
    // The key is sent to the focused control, so the receiver is the control with the focus.
    const int page = pgMain->currentIndex();
    if (page == pageParticipants) {
        const auto* search = findChild<QLineEdit*>(QStringLiteral("eSearchPart"));
        if (search && search == receiver && search->isEnabled()) {
            m_dm.SearchParticipants(search->text());
            return true;
        }
    } else if (page == pageConf) {
        const auto* details = findChild<QTabWidget*>(QStringLiteral("pgConfDetails"));
        const auto* search = findChild<QLineEdit*>(QStringLiteral("eSearchConfPart"));
        if (details && search && search == receiver && details->currentWidget() &&
            details->currentWidget()->objectName() == QLatin1String("tsConfParticipants")) {
            m_dm.SearchConferenceParticipants(search->text());
            return true;
        }
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    try {
        FormCloseQuery(canClose);
    } catch (const TError& error) {
        // The settings could not be saved: the user is told, and the window still closes so
        // that the program can end.
        TPrompts::ShowDefaultError(error.Message());
    } catch (const std::exception& error) {
        TPrompts::ShowDefaultError(QString::fromLocal8Bit(error.what()));
    }
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT closed();
}
