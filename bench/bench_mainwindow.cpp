// The real main window on the synthetic database, offscreen:
//  main_window_shown_ms   start-up (data module, eight windows, filters applied) until the main
//                         window is shown and the event loop is idle;
//  time_filter_apply_ms   OK in the time dialog until the lists are filled again (median).
// Usage: bench_mainwindow DIR

#include "app/TApplication.h"
#include "TBenchSupport.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "app/TStartup.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmTimeFilter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>

namespace {

// Waits until nothing is left for the event loop (deferred reads included).
void DrainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Answers the modal time dialog: "None" or "Years" with the current year, then OK.
void AnswerTimeDialog(TfrmMain& mainWindow, bool none)
{
    QTimer::singleShot(0, [&mainWindow, none] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            dialog = mainWindow.TimeFilterDialog();
        const QList<QRadioButton*> radios = dialog->findChildren<QRadioButton*>();
        for (QRadioButton* r : radios)
            if (r->text() == (none ? QStringLiteral("None") : QStringLiteral("Years")))
                r->click();
        if (!none)
            if (auto* years = dialog->findChild<QListWidget*>(QStringLiteral("jclbYears")))
                for (int i = 0; i < years->count(); ++i)
                    years->item(i)->setCheckState(i == 0 ? Qt::Checked : Qt::Unchecked);
        if (auto* ok = dialog->findChild<QAbstractButton*>(QStringLiteral("bOk")))
            ok->click();
    });
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    TApplication app(argc, argv);
    if (app.arguments().size() < 2) {
        std::fprintf(stderr, "usage: bench_mainwindow DIR\n");
        return 2;
    }
    const QString dir = app.arguments().at(1);

    std::vector<double> shown;
    std::vector<double> applyVisible;
    std::vector<double> applyAll;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer start;
        start.start();
        const int rc = TStartup::RunProgram(dir, [&](TfrmMain& mainWindow) {
            DrainEvents();
            shown.push_back(double(start.nsecsElapsed()) / 1e6);
            if (run == 0) {
                for (int i = 0; i < 5; ++i) {
                    const bool none = i % 2 == 0;
                    QElapsedTimer t;
                    t.start();
                    AnswerTimeDialog(mainWindow, none);
                    mainWindow.bbConfTimeClick();
                    DrainEvents();
                    applyVisible.push_back(double(t.nsecsElapsed()) / 1e6);
                    // Transcripts is read when its page shows; this is the cost then.
                    mainWindow.DataModule().Transcripts->RecordCount();
                    applyAll.push_back(double(t.nsecsElapsed()) / 1e6);
                }
            }
            mainWindow.close();
        });
        if (rc != 0)
            return rc;
    }
    std::sort(shown.begin(), shown.end());
    std::sort(applyVisible.begin(), applyVisible.end());
    std::sort(applyAll.begin(), applyAll.end());
    TBench::Print("main_window_shown_ms", shown[shown.size() / 2]);
    TBench::Print("time_filter_apply_ms", applyVisible[applyVisible.size() / 2]);
    TBench::Print("time_filter_apply_with_transcripts_ms", applyAll[applyAll.size() / 2]);
    return 0;
}
