#include "TfrmMain.h"

#include "TCalendarPage.h"
#include "TConferencesPage.h"
#include "TConfig.h"
#include "TConfigurePage.h"
#include "TParticipantsPage.h"
#include "TSignInPage.h"
#include "TTranscriptsPage.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TError.h"
#include "TPrompts.h"

#include <QCloseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>

TfrmMain* frmMain = nullptr;

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

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
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
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
}

void TfrmMain::CreatePages()
{
    pgMain = new QTabWidget(this);
    pgMain->setObjectName(QStringLiteral("pgMain"));
    pgMain->setTabPosition(QTabWidget::East);
    m_conferencesPage = new TConferencesPage(*this, pgMain);
    m_participantsPage = new TParticipantsPage(*this, pgMain);
    m_signInPage = new TSignInPage(*this, pgMain);
    m_transcriptsPage = new TTranscriptsPage(*this, pgMain);
    m_calendarPage = new TCalendarPage(*this, pgMain);
    m_configurePage = new TConfigurePage(*this, pgMain);
    const QList<QWidget*> pages = {m_conferencesPage, m_participantsPage, m_signInPage,
                                   m_transcriptsPage, m_calendarPage,     m_configurePage};
    for (int i = 0; i < pageCount; ++i) {
        pages[i]->setObjectName(QLatin1String(Pages[i].name));
        pgMain->addTab(pages[i], tr(Pages[i].tabCaption));
    }
    setCentralWidget(pgMain);
    connect(pgMain, &QTabWidget::currentChanged, this, [this](int page) {
        const int leaving = m_activePage;
        m_activePage = page;
        pgMainChanging(leaving);
        pgMainChange();
    });
}

void TfrmMain::FormCreate()
{
    FConfFilter = std::make_unique<TConfFilter>();
    FPartFilter = std::make_unique<TConfFilter>();
    FTransFilter = std::make_unique<TConfFilter>();
    FCalFilter = std::make_unique<TConfFilter>();
    FSignInFilter = std::make_unique<TConfFilter>();
    FTimeFilter = std::make_unique<TTimeFilter>(TTimeFilter::CurrentYear());
    // The detail data sets follow their masters from now on; the step forward and back makes
    // the details fetch the rows of the first conference.
    DM->LinkDetails();
    DM->Conferences->Next();
    DM->Conferences->Prior();
    LoadSettings();
}

void TfrmMain::FormShow()
{
    setWindowTitle(tr("Conferences"));
    SetActivePage(pageConf);
}

void TfrmMain::FormCloseQuery(bool& canClose)
{
    CancelPendingEdit(DM->Conferences);
    CancelPendingEdit(DM->Participants);
    SaveSettings();
    canClose = true;
}

void TfrmMain::FormDestroy()
{
    FTimeFilter.reset();
    FSignInFilter.reset();
    FCalFilter.reset();
    FTransFilter.reset();
    FPartFilter.reset();
    FConfFilter.reset();
}

void TfrmMain::ApplyAllFilters() {}

void TfrmMain::bbConfTimeClick() {}

void TfrmMain::UpdateTimeFilterLabels(const TTimeFilter&) {}

void TfrmMain::ShowOtherTabs(QTabWidget* pages, bool visible)
{
    for (int i = 0; i < pages->count(); ++i)
        if (i != pages->currentIndex())
            pages->setTabVisible(i, visible);
}

void TfrmMain::HighlightActiveTab() {}

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
    if (page == pageCustomize)
        LoadSettings();
}

void TfrmMain::SetActivePage(int page)
{
    const QSignalBlocker blocker(pgMain);
    pgMain->setCurrentIndex(page);
    m_activePage = pgMain->currentIndex();
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
    // Grids are found by name, so each page brings its own grids without touching this table;
    // a grid the window does not hold keeps its stored widths untouched.
    for (const TGridWidths& entry : GridWidths())
        if (auto* grid = findChild<QTableView*>(entry.grid))
            TColumnWidths::Load(*DM->Config, *grid, entry.keys);
}

void TfrmMain::SaveSettings()
{
    for (const TGridWidths& entry : GridWidths())
        if (const auto* grid = findChild<QTableView*>(entry.grid))
            TColumnWidths::Save(*DM->Config, *grid, entry.keys);
    DM->Config->Flush();
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A window restored by the desktop is not shown anew.
    if (event->spontaneous())
        return;
    FormShow();
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
    Q_EMIT Closed();
}
