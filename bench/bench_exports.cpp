// The document runs that walk a whole list, from the button click to the file on disk:
//  calendar_ms    "Generate calendar" over every conference (with their speakers)
//  csv_export_ms  "Export to Excel file" of the transcripts list of every participant
// Each is the median of three clicks in the real main window, the list already on screen.
// Usage: bench_exports DIR   (DIR holds the synthetic cme.mdb; calendar.rtf is written there)

#include "app/TApplication.h"
#include "TBenchSupport.h"
#include "ui/TCalendarPage.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TPrompts.h"
#include "app/TStartup.h"
#include "ui/TTranscriptsPage.h"
#include "ui/TfrmMain.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

namespace
{

// Answers the save dialog with one file and keeps the boxes from blocking.
class TBenchPrompts : public TPrompts
{
public:
    QString saveAs;
    QStringList shown;
    void Message(Kind, const QString&, const QString& text) override { shown << text; }
    bool Question(const QString&, const QString&) override { return true; }
    QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFileName(const QString&, const QString&, const QString&) override
    {
        return saveAs;
    }
};

void DrainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

double ClickMs(QPushButton* button)
{
    QElapsedTimer t;
    t.start();
    button->click();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    TApplication app(argc, argv);
    if (app.arguments().size() < 2) {
        std::fprintf(stderr, "usage: bench_exports DIR\n");
        return 2;
    }
    const QString dir = app.arguments().at(1);
    QTemporaryDir out;
    TBenchPrompts prompts;
    prompts.saveAs = out.filePath(QStringLiteral("transcripts.csv"));
    TPrompts::Install(&prompts);

    std::vector<double> calendar, csv;
    int conferences = 0, participants = 0;
    const int rc = TStartup::RunProgram(dir, [&](TfrmMain& mainWindow) {
        mainWindow.TimeFilter().Kind = tkNone;
        mainWindow.ApplyAllFilters();

        mainWindow.PageControl()->setCurrentIndex(TfrmMain::pageCalendar);
        DrainEvents();
        conferences = mainWindow.DataModule().CalendarConfs->RecordCount();
        auto* generate = mainWindow.findChild<QPushButton*>(QStringLiteral("bGenerateCalendar"));
        for (int i = 0; i < 3; ++i)
            calendar.push_back(ClickMs(generate));

        mainWindow.PageControl()->setCurrentIndex(TfrmMain::pageTranscripts);
        DrainEvents();
        participants = mainWindow.DataModule().Transcripts->RecordCount();
        auto* exportButton = mainWindow.findChild<QPushButton*>(QStringLiteral("bExpTranscripts"));
        for (int i = 0; i < 3; ++i)
            csv.push_back(ClickMs(exportButton));
        mainWindow.close();
    });
    TPrompts::Install(nullptr);
    if (rc != 0 || calendar.empty() || csv.empty())
        return 1;
    std::sort(calendar.begin(), calendar.end());
    std::sort(csv.begin(), csv.end());
    std::printf("# %d conferences, %d participants in the transcripts list\n", conferences,
                participants);
    TBench::Print("calendar_ms", calendar[1]);
    TBench::Print("csv_export_ms", csv[1]);
    return 0;
}
