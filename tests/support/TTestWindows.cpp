#include "support/TTestWindows.h"

#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TPrompts.h"
#include "ui/TfrmMain.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTest>

std::unique_ptr<TfrmMain> TTestWindows::CreateMainWindow(TDM& dm, TReportWindows* windows)
{
    auto window = std::make_unique<TfrmMain>(dm, TPrompts::Current(), nullptr, windows);
    window->CreateDialogs();
    return window;
}

bool TMainWindowTest::OpenMainWindow(TReportWindows* windows)
{
    if (!m_prompts)
        m_prompts = std::make_unique<TTestPrompts>();
    m_dm = std::make_unique<TDM>(m_db->Dir());
    if (m_dm->OpenFailed) {
        qWarning("the data module did not open the database");
        return false;
    }
    return ShowMainWindow(windows);
}

bool TMainWindowTest::ShowMainWindow(TReportWindows* windows)
{
    m_main = TTestWindows::CreateMainWindow(*m_dm, windows);
    m_main->show();
    if (!QTest::qWaitForWindowExposed(m_main.get()))
        return false;
    m_main->activateWindow();
    return QTest::qWaitForWindowActive(m_main.get());
}

void TMainWindowTest::CloseMainWindow()
{
    m_main.reset();
    m_dm.reset();
    m_prompts.reset();
    m_db.reset();
}

const QObject* TMainWindowTest::MainObject() const
{
    return m_main.get();
}

QPushButton* TMainWindowTest::Button(const char* name) const
{
    return Find<QPushButton>(name);
}

void TMainWindowTest::Click(const char* name) const
{
    TGuiTest::Click(m_main.get(), name);
}

int TMainWindowTest::Count(const QString& sql) const
{
    return m_db->Conn().ScalarQuery(sql).toInt();
}

bool TMainWindowTest::OtherMainTabsVisible() const
{
    QTabWidget* pages = m_main->PageControl();
    for (int i = 0; i < pages->count(); ++i)
        if (i != pages->currentIndex() && !pages->isTabVisible(i))
            return false;
    return true;
}
