// Start-up of the data module on the synthetic database against the sqlite3 shell doing the same
// reads: the same sixteen texts, each detail restricted to its master's current row as the
// program reads it, the same pragmas, and the shell timed by its own timer (.timer on). The
// lists whose reading is deferred are left out of both; a second figure includes them.
// Usage: bench_startup DIR       (DIR holds the synthetic cme.mdb)
//        bench_startup --rss DIR (child run: one start-up, prints its peak memory)
// QUORVEL_BENCH_ONLY=engine prints only the engine_full_fetch figures.

#include "TBenchSupport.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

namespace
{

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("--rss")) {
        TDM dm(args.at(2));
        if (dm.OpenFailed)
            return 1;
        TBench::Print("startup_peak_rss_mb", TBench::PeakRssMb());
        return 0;
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_startup DIR\n");
        return 2;
    }
    const QString dir = args.at(1);
    const QString db = QDir(dir).filePath(QStringLiteral("cme.mdb"));

    // The reads of a start-up as the shell runs them: what the program reads at once, and what
    // it leaves for later (the deferred lists); the full texts for the engine-only figure.
    QStringList readAtStart, deferred, fullTexts, pragmas;
    {
        TDM dm(dir);
        if (dm.OpenFailed) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(db));
            return 1;
        }
        for (TDataSet* ds : {dm.Titles, dm.Specialities, dm.Credits, dm.Speakers, dm.Extras,
                             dm.Transcripts, dm.Attendances, dm.Participants, dm.PartConfs,
                             dm.Conferences, dm.ConfParts, dm.ConfSpeakers, dm.ConfExtras,
                             dm.ConfCredits, dm.CalendarConfs, dm.SignInConfs}) {
            fullTexts << ds->SQL();
            if (ds->FetchPending()) {
                deferred << TBench::ForShell(ds->SQL());
            } else if (TDataSet* master = ds->Master()) {
                const QVariant key = master->IsEmpty()
                                         ? QVariant()
                                         : master->FieldByName(ds->MasterField()).Value();
                readAtStart << TBench::ForShell(
                    QStringLiteral("select * from (%1) where \"%2\" = %3")
                        .arg(ds->SQL(), ds->MasterField(),
                             key.isNull() ? QStringLiteral("null") : key.toString()));
            } else {
                readAtStart << TBench::ForShell(ds->SQL());
            }
        }
        pragmas = TBench::ConnectionPragmas(*dm.Conn);
    }

    const bool engineOnly = qEnvironmentVariable("QUORVEL_BENCH_ONLY") == QLatin1String("engine");

    // Ours and the shell take turns, so a load that comes and goes falls on both; each shell
    // run reads everything once before the groups that count.
    const int reps = engineOnly ? 0 : 5;
    std::vector<double> ours, oursWithDeferred, shell, shellWithDeferred;
    for (int rep = 0; rep < reps; ++rep) {
        QElapsedTimer t;
        t.start();
        {
            TDM dm(dir);
            if (dm.OpenFailed)
                return 1;
            ours.push_back(double(t.nsecsElapsed()) / 1e6);
            dm.Transcripts->RecordCount();
            dm.Attendances->RecordCount();
            oursWithDeferred.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        const std::vector<double> sums =
            TBench::ShellGroupMs(db, pragmas, {readAtStart, deferred, readAtStart, deferred});
        shell.push_back(sums.at(2));
        shellWithDeferred.push_back(sums.at(2) + sums.at(3));
    }
    if (!engineOnly) {
        TBench::Print("startup_ms", Median(ours));
        TBench::Print("startup_sqlite3_shell_ms", Median(shell));
        TBench::Print("startup_ratio", Median(ours) / Median(shell));
        TBench::Print("startup_with_deferred_ms", Median(oursWithDeferred));
        TBench::Print("startup_with_deferred_sqlite3_shell_ms", Median(shellWithDeferred));
        TBench::Print("startup_with_deferred_ratio",
                      Median(oursWithDeferred) / Median(shellWithDeferred));
    }

    // The engine alone on the sixteen texts read whole (no deferral, no master links), against
    // the shell reading the same texts with the same pragmas.
    QStringList shellFull;
    for (const QString& sql : fullTexts)
        shellFull << TBench::ForShell(sql);
    TConnection conn;
    conn.Open(db);
    std::vector<double> engine, shellEngine;
    for (int rep = 0; rep < 3; ++rep) {
        QElapsedTimer t;
        t.start();
        for (const QString& sql : fullTexts) {
            TDataSet ds(conn, QStringLiteral("bench"));
            ds.SetSQL(sql);
            ds.Open();
        }
        engine.push_back(double(t.nsecsElapsed()) / 1e6);
        shellEngine.push_back(TBench::ShellGroupMs(db, pragmas, {shellFull, shellFull}).at(1));
    }
    conn.Close();
    TBench::Print("engine_full_fetch_ms", Median(engine));
    TBench::Print("engine_full_fetch_sqlite3_shell_ms", Median(shellEngine));
    TBench::Print("engine_full_fetch_ratio", Median(engine) / Median(shellEngine));
    if (engineOnly)
        return 0;

    QProcess child;
    child.start(app.applicationFilePath(), {QStringLiteral("--rss"), dir});
    child.waitForFinished(-1);
    std::fputs(child.readAllStandardOutput().constData(), stdout);
    return 0;
}
