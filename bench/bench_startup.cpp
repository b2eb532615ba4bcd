// Start-up of the data module on the synthetic database: the connection and the sixteen data sets
// opened, against the sqlite3 shell running the same sixteen SQL texts with the output discarded.
// Usage: bench_startup DIR       (DIR holds the synthetic cme.mdb)
//        bench_startup --rss DIR (child run: one start-up, prints its peak memory)

#include "TBenchSupport.h"
#include "TConnection.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TSqlDialect.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

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

    QStringList sixteen;
    {
        TDM dm(dir);
        if (dm.OpenFailed) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(db));
            return 1;
        }
        for (TDataSet* ds : {dm.Titles, dm.Specialities, dm.Credits, dm.Speakers, dm.Extras,
                             dm.Transcripts, dm.Attendances, dm.Participants, dm.PartConfs,
                             dm.Conferences, dm.ConfParts, dm.ConfSpeakers, dm.ConfExtras,
                             dm.ConfCredits, dm.CalendarConfs, dm.SignInConfs})
            sixteen << TSqlDialect::Translate(ds->SQL());
    }

    const int reps = 3;
    const double ours = TBench::MedianMs(reps, [&] {
        TDM dm(dir);
        if (dm.OpenFailed)
            std::exit(1);
    });
    std::vector<double> shellTimes;
    const double shell = TBench::MedianMs(reps, [&] { TBench::ShellMs(db, sixteen); });
    TBench::Print("startup_ms", ours);
    TBench::Print("startup_sqlite3_shell_ms", shell);
    TBench::Print("startup_ratio", ours / shell);

    // The engine alone on the same sixteen texts read whole (no deferral, no master links), so
    // the comparison with the shell is like for like.
    TConnection conn;
    conn.Open(db);
    const double engine = TBench::MedianMs(reps, [&] {
        for (const QString& sql : sixteen) {
            TDataSet ds(conn, QStringLiteral("bench"));
            ds.SetSQL(sql);
            ds.Open();
        }
    });
    TBench::Print("engine_full_fetch_ms", engine);
    TBench::Print("engine_full_fetch_ratio", engine / shell);
    conn.Close();

    QProcess child;
    child.start(app.applicationFilePath(), {QStringLiteral("--rss"), dir});
    child.waitForFinished(-1);
    std::fputs(child.readAllStandardOutput().constData(), stdout);
    return 0;
}
