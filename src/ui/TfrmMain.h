#pragma once

#include "TColumnWidths.h"

#include <QMainWindow>

class QTabWidget;

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

    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The window's settings: the Configure page's controls and the main grids' column widths.
    // SaveSettings ends with a flush of the settings file and throws when that fails.
    void LoadSettings();
    void SaveSettings();

    QTabWidget* PageControl() const { return pgMain; }

Q_SIGNALS:
    // The window has accepted a close request.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& canClose);
    void FormDestroy();
    void pgMainChanging(int leavingPage);
    void pgMainChange();
    // Makes a page active without running the page-change handlers.
    void SetActivePage(int page);
    void CreatePages();

    // The grids of the main window whose widths the settings keep, with their keys.
    struct TGridWidths {
        QString grid;
        QList<TColumnWidths::TKey> keys;
    };
    static const QList<TGridWidths>& GridWidths();

    QTabWidget* pgMain = nullptr;
    int m_activePage = pageConf;
};

// The single instance, from its creation at start-up to its destruction at shutdown.
extern TfrmMain* frmMain;
