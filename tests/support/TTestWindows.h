#pragma once

#include "support/TGuiTest.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"

#include <QObject>

#include <memory>

class QPushButton;
class TDM;
class TReportWindows;
class TfrmMain;

// The main window on a data module, with its seven dialogs, as start-up makes them; its prompts
// are the installed ones (a TTestPrompts of the test). windows, when given, opens the document
// runs' windows instead of the program's widgets.
namespace TTestWindows
{

std::unique_ptr<TfrmMain> CreateMainWindow(TDM& dm, TReportWindows* windows = nullptr);

} // namespace TTestWindows

// The base of a test that drives the main window on a temporary database: the test's init()
// makes and seeds m_db, then opens the window; cleanup() closes it again. Controls are found by
// objectName below the main window, which holds its pages and dialogs.
class TMainWindowTest : public QObject
{
protected:
    // Opens the data module on m_db and shows the main window, active, with its dialogs. The
    // prompts are m_prompts, made here unless the test made its own.
    bool OpenMainWindow(TReportWindows* windows = nullptr);
    // Makes and shows the main window on the data module that is open.
    bool ShowMainWindow(TReportWindows* windows = nullptr);
    // Drops the window, the data module, the prompts and the database, in that order.
    void CloseMainWindow();

    template <class T> T* Find(const char* name) const
    {
        return TGuiTest::Find<T>(MainObject(), name);
    }
    template <class T> static T* Find(const QObject* root, const char* name)
    {
        return TGuiTest::Find<T>(root, name);
    }
    QPushButton* Button(const char* name) const;
    void Click(const char* name) const;
    // The first column of the first row a query on the test's own connection returns.
    int Count(const QString& sql) const;
    // Whether the main window shows every page tab besides the current one.
    bool OtherMainTabsVisible() const;

    const QObject* MainObject() const;

    std::unique_ptr<TTempDatabase> m_db;
    std::unique_ptr<TTestPrompts> m_prompts;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TfrmMain> m_main;
};
