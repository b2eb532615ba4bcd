#pragma once

#include <QWidget>

class QTabWidget;
class TDM;
class TDocuments;
class TPrompts;
struct TPageFilters;

// What every page is built with. All four outlive the page.
struct TPageInputs {
    TDM& dm;
    TPageFilters& filters;
    TPrompts& prompts;
    // The document runs (transcripts, lists, calendar) over the same data module.
    TDocuments& documents;
};

// A page of the main window. It works on the data module, the filters and the prompts it was
// built with and tells the rest by signals; it knows neither the window nor the other pages.
class TPageBase : public QWidget
{
    Q_OBJECT
public:
    TPageBase(const TPageInputs& inputs, QWidget* parent);

    TDM& DataModule() const { return m_dm; }
    TPageFilters& Filters() const { return m_filters; }
    TPrompts& Prompts() const { return m_prompts; }
    TDocuments& Documents() const { return m_documents; }

    // Shows or hides the tab of every page of a page control except the current one.
    static void ShowOtherTabs(QTabWidget* pages, bool visible);

Q_SIGNALS:
    // An editor of the page has entered its edit state; the other pages must not be reached
    // until editingFinished().
    void editingStarted();
    // The page's editors are browsing again (also sent when they already were).
    void editingFinished();
    // The user pressed the page's "select date range" button.
    void timeFilterRequested();

protected:
    TDM& m_dm;
    TPageFilters& m_filters;
    TPrompts& m_prompts;
    TDocuments& m_documents;
};
