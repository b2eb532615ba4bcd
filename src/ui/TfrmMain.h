#pragma once

#include "ui/TColumnWidths.h"
#include "ui/TMainPageControl.h"

#include "ui/TPageFilters.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QKeyEvent;
class QTabWidget;
class TCalendarPage;
class TConferencesPage;
class TConfigurePage;
class TDM;
class TDocuments;
class TPrompts;
class TProgressDialog;
class TReportWindows;
class TParticipantsPage;
class TSignInPage;
class TTranscriptsPage;
class TfraCFilter;
class TfrmAddPart;
class TfrmPickConf;
class TfrmPickExtra;
class TfrmPickPart;
class TfrmPickSpeaker;
class TfrmSignIn;
class TfrmTimeFilter;

// The main window: a frame of six pages, one per area of work, and the owner of the dialogs
// they open. It exists from start-up to shutdown; the event loop of the program ends when it
// closes.
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

    // The data module and the prompts outlive the window. The document runs open their windows
    // through windows; without it, the program's own widgets (TReportWidgets) do.
    TfrmMain(TDM& dm, TPrompts& prompts, QWidget* parent = nullptr,
             TReportWindows* windows = nullptr);
    // Destroys the dialogs first, in the reverse order of their creation.
    ~TfrmMain() override;

    // Creates the seven dialogs once, in this order: frmTimeFilter, frmPickConf, frmPickPart,
    // frmPickSpeaker, frmPickExtra, frmSignIn, frmAddPart, and connects them to the pages. They
    // are only hidden between uses, so they keep their state. beforeEach, when given, is
    // called with each dialog's name just before it is created; what it throws ends the
    // creation, and the dialogs made so far stay with the window.
    using TCreationStep = std::function<void(const QString& name)>;
    void CreateDialogs(const TCreationStep& beforeEach = {});

    TDM& DataModule() const { return m_dm; }
    // The dialogs; null until CreateDialogs made them.
    TfrmTimeFilter* TimeFilterDialog() const { return m_timeFilter.get(); }
    TfrmPickConf* ConferencePicker() const { return m_pickConf.get(); }
    TfrmPickPart* ParticipantPicker() const { return m_pickPart.get(); }
    TfrmPickSpeaker* SpeakerPicker() const { return m_pickSpeaker.get(); }
    TfrmPickExtra* ExtraPicker() const { return m_pickExtra.get(); }
    TfrmSignIn* SignInWindow() const { return m_signIn.get(); }
    TfrmAddPart* AddPartDialog() const { return m_addPart.get(); }
    // This window and the dialogs that exist, in the order of their creation.
    QList<QWidget*> Windows();

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
    void closed();

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
    // Connects the pages' requests to the dialogs and the pickers' picks to the pages.
    void ConnectDialogs();
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

    TDM& m_dm;
    TPrompts& m_prompts;
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

    // In the order of their creation; destroyed in reverse, before the pages.
    std::unique_ptr<TfrmTimeFilter> m_timeFilter;
    std::unique_ptr<TfrmPickConf> m_pickConf;
    std::unique_ptr<TfrmPickPart> m_pickPart;
    std::unique_ptr<TfrmPickSpeaker> m_pickSpeaker;
    std::unique_ptr<TfrmPickExtra> m_pickExtra;
    std::unique_ptr<TfrmSignIn> m_signIn;
    std::unique_ptr<TfrmAddPart> m_addPart;
};
