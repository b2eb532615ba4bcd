#include "app/TApplication.h"
#include "ui/TConfigurePage.h"
#include "app/TStartup.h"
#include "ui/TfrmMain.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCursor>
#include <QItemSelectionModel>
#include <QScreen>
#include <QDir>
#include <QLocale>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <functional>

// Takes the pictures of the staff guide (docs/GUIDE.md): runs the program on a database made
// by "quorvel-admin demo" and saves one PNG per picture into the output folder. Exits 1 when a
// picture could not be taken or saved.
namespace
{

class TGuideShots
{
public:
    explicit TGuideShots(const QString& folder) : m_folder(folder) {}

    void TakeAll(TfrmMain& mainWindow)
    {
        m_main = &mainWindow;
        ShowPage(TfrmMain::pageCustomize);
        SubPage("pgCustomize", TConfigurePage::subCredits);
        Save(m_main, "configure-credits");
        SubPage("pgCustomize", TConfigurePage::subSpeakers);
        Save(m_main, "configure-speakers");

        ShowPage(TfrmMain::pageConf);
        SubPage("pgConfDetails", 0);
        Save(m_main, "conferences");
        Click("bConfEdit");
        Save(m_main, "conference-edit");
        Click("bConfCancel");
        SubPage("pgConfDetails", 1);
        Save(m_main, "conference-participants");
        SubPage("pgConfDetails", 2);
        Save(m_main, "conference-registered");
        SubPage("pgConfDetails", 0);
        SaveDialog("time-filter", [this] { Click("sbConfTime"); });

        ShowPage(TfrmMain::pageParticipants);
        Save(m_main, "participants");

        ShowPage(TfrmMain::pageSignIn);
        Save(m_main, "signin-page");
        SaveDialog("signin-window", [this] { Click("bSignIn"); });

        ShowPage(TfrmMain::pageTranscripts);
        Save(m_main, "transcripts");
        SelectRows("jdbgTranscripts", 1, 3);
        SaveMenu("transcripts-menu", "bGenerateTranscripts");
        ShowPage(TfrmMain::pageCalendar);
        Save(m_main, "calendar");
        ShowPage(TfrmMain::pageConf);
    }

    int Failures() const { return m_failures; }

private:
    static void Settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    void Fail(const QString& what)
    {
        std::fprintf(stderr, "%s\n", qPrintable(what));
        ++m_failures;
    }

    void ShowPage(int page)
    {
        m_main->PageControl()->setCurrentIndex(page);
        Settle();
    }

    void SubPage(const char* pageControl, int page)
    {
        if (auto* pages = m_main->findChild<QTabWidget*>(QLatin1String(pageControl)))
            pages->setCurrentIndex(page);
        else
            Fail(QStringLiteral("no %1").arg(QLatin1String(pageControl)));
        Settle();
    }

    void Click(const char* button)
    {
        if (auto* control = m_main->findChild<QAbstractButton*>(QLatin1String(button)))
            control->click();
        else
            Fail(QStringLiteral("no %1").arg(QLatin1String(button)));
        Settle();
    }

    void Save(QWidget* window, const char* name)
    {
        Settle();
        const QString path = QDir(m_folder).filePath(QLatin1String(name) + u".png");
        if (!window->grab().save(path))
            Fail(QStringLiteral("cannot save %1").arg(path));
    }

    void SelectRows(const char* grid, int first, int last)
    {
        auto* view = m_main->findChild<QAbstractItemView*>(QLatin1String(grid));
        if (!view || !view->model() || view->model()->rowCount() <= last) {
            Fail(QStringLiteral("no rows to select in %1").arg(QLatin1String(grid)));
            return;
        }
        const QItemSelection rows(view->model()->index(first, 0),
                                  view->model()->index(last, view->model()->columnCount() - 1));
        view->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
        Settle();
    }

    // The main window with the menu a button opens at the pointer, as the screen shows both.
    void SaveMenu(const char* name, const char* button)
    {
        auto* control = m_main->findChild<QAbstractButton*>(QLatin1String(button));
        if (!control) {
            Fail(QStringLiteral("no %1").arg(QLatin1String(button)));
            return;
        }
        QCursor::setPos(control->mapToGlobal(control->rect().center() + QPoint(-40, 6)));
        control->click();
        Settle();
        QWidget* menu = QApplication::activePopupWidget();
        if (!menu) {
            Fail(QStringLiteral("no menu for %1").arg(QLatin1String(name)));
            return;
        }
        const QRect area = m_main->frameGeometry().united(menu->frameGeometry());
        const QString path = QDir(m_folder).filePath(QLatin1String(name) + u".png");
        if (!m_main->screen()
                 ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                 .save(path))
            Fail(QStringLiteral("cannot save %1").arg(path));
        menu->close();
        Settle();
    }

    // open starts a modal dialog; the picture is taken once it runs, and the dialog closed.
    void SaveDialog(const char* name, const std::function<void()>& open)
    {
        bool taken = false;
        QTimer::singleShot(0, [this, name, &taken] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                Save(dialog, name);
                taken = true;
                dialog->close();
            }
        });
        open();
        if (!taken)
            Fail(QStringLiteral("no dialog for %1").arg(QLatin1String(name)));
    }

    QString m_folder;
    TfrmMain* m_main = nullptr;
    int m_failures = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DEMO-FOLDER OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TApplication application(argc, argv);
    const QString data = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString output = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    if (!QDir().mkpath(output)) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    QDir::setCurrent(data);
    TGuideShots shots(output);
    bool ran = false;
    const int exitCode = TStartup::RunProgram(data, [&](TfrmMain& mainWindow) {
        ran = true;
        shots.TakeAll(mainWindow);
        mainWindow.close();
    });
    return exitCode == TStartup::ExitSuccess && ran && shots.Failures() == 0 ? 0 : 1;
}
