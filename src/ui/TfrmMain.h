#pragma once

#include "TColumnWidths.h"
#include "TMainPageControl.h"

#include "TPageFilters.h"

#include <QMainWindow>

#include <memory>

class QKeyEvent;
class QTabWidget;
class TCalendarPage;
class TConferencesPage;
class TConfigurePage;
class TDocuments;
class TProgressDialog;
class TReportWindows;
class TParticipantsPage;
class TSignInPage;
class TTranscriptsPage;
class TfraCFilter;

// The main window: a frame of six pages, one per area of work. It exists from start-up to
// shutdown; the event loop of the program ends when it closes.
class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Page indexes of pgMain.
    enum TPage {
        pageConf,
        pageParticipants,
        pageSignIn,
        pageTranscripts,
        pageCalendar,
        pageCustomize,
        pageCount
    };

    // The document runs open their windows through windows; without it, the program's own
    // widgets (TReportWidgets) do.
    explicit TfrmMain(QWidget* parent = nullptr, TReportWindows* windows = nullptr);
    ~TfrmMain() override;

    // The window's settings: the Configure page's controls and the main grids' column widths.
    // SaveSettings ends with a flush of the settings file and throws when that fails.
    void LoadSettings();
    void SaveSettings();

    QTabWidget* PageControl() const { return pgMain; }

    // The pages, each a class of its own.
    TConferencesPage* ConferencesPage() const { return m_conferencesPage; }
    TParticipantsPage* ParticipantsPage() const { return m_participantsPage; }
    TSignInPage* SignInPage() const { return m_signInPage; }
    TTranscriptsPage* TranscriptsPage() const { return m_transcriptsPage; }
    TCalendarPage* CalendarPage() const { return m_calendarPage; }
    TConfigurePage* ConfigurePage() const { return m_configurePage; }
    // The document runs the pages start, for the window's whole life.
    TDocuments& Documents() const { return *m_documents; }
    TProgressDialog& Progress() const { return *m_progress; }

    // The filters the pages share, owned by the window for its whole life.
    TPageFilters& Filters() { return m_filters; }
    TConfFilter& ConfFilter() { return m_filters.Conf; }
    TConfFilter& PartFilter() { return m_filters.Part; }
    TConfFilter& TransFilter() { return m_filters.Trans; }
    TConfFilter& CalFilter() { return m_filters.Cal; }
    TConfFilter& SignInFilter() { return m_filters.SignIn; }
    TTimeFilter& TimeFilter() { return m_filters.Time; }

    // Every credit type (text c_name, key credit_id), in the order of Credits. The Conferences
    // page shows these lines in jclbCredits; the filter panels receive copies that share the
    // key objects. Filled when the window is created and by RefillCreditLines.
    const TIdList& CreditLines() const { return m_filters.CreditLines; }
    // Reads the credit types again and has the Conferences page show them (after a credit
    // type has been removed). The filter panels get them at the next ApplyAllFilters.
    void RefillCreditLines();

    // Loads the filter panels with the credit list, the time dialog with the time filter, and
    // re-queries every filtered list.
    void ApplyAllFilters();
    // The one click handler of the five "select date range" buttons.
    void bbConfTimeClick();
    void UpdateTimeFilterLabels(const TTimeFilter& timeFilter);
    // Draws the active page's tab highlighted and every other tab plain.
    void HighlightActiveTab();
    // The tab of pgMain drawn highlighted; -1 while none is (after start-up, until the user
    // first changes the page).
    int HighlightedTab() const;

Q_SIGNALS:
    // The window has accepted a close request.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Sees every key press of the window before the focused control does (FormKeyDown).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& canClose);
    // The Enter key: runs the search of the focused search box, if any. Returns true when the
    // key is consumed, which it is everywhere except in multi-line text boxes.
    bool FormKeyDown(QObject* receiver, const QKeyEvent& key);
    void pgMainChanging(int leavingPage);
    void pgMainChange();
    // Makes a page active without running the page-change handlers.
    void SetActivePage(int page);
    // Makes the first page of a page control of some page active, also without handlers.
    void SetFirstPageActive(const QString& pageControl);
    void CreatePages();
    // Connects the pages' signals to the window and to each other.
    void ConnectPages();
    // A credit type was removed on the Configure page.
    void CreditTypesChanged();
    TfraCFilter* FilterPanel(const QString& name) const;
    // Re-queries the five filtered lists with the filters as last applied.
    void ApplyFiltersToLists();

    // The grids of the main window whose widths the settings keep, with their keys.
    struct TGridWidths {
        QString grid;
        QList<TColumnWidths::TKey> keys;
    };
    static const QList<TGridWidths>& GridWidths();

    TMainPageControl* pgMain = nullptr;
    TConferencesPage* m_conferencesPage = nullptr;
    TParticipantsPage* m_participantsPage = nullptr;
    TSignInPage* m_signInPage = nullptr;
    TTranscriptsPage* m_transcriptsPage = nullptr;
    TCalendarPage* m_calendarPage = nullptr;
    TConfigurePage* m_configurePage = nullptr;

    // Made before the pages, which keep a reference to them.
    TPageFilters m_filters;
    std::unique_ptr<TProgressDialog> m_progress;
    std::unique_ptr<TReportWindows> m_ownWindows;
    TReportWindows* m_windows = nullptr;
    std::unique_ptr<TDocuments> m_documents;
    int m_activePage = pageConf;
};

// The single instance, from its creation at start-up to its destruction at shutdown.
extern TfrmMain* frmMain;
