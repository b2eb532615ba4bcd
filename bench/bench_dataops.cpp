// The data operations on the synthetic database:
//  (a) the five re-queries a change of the time filter causes, against the sqlite3 shell running
//      the same five SQL texts with its output discarded (statement time from its .timer);
//  (b) the last-name search over all participants with a two-letter prefix;
//  (c) signing a participant in from a picker, with the lists that refresh afterwards.
// Usage: bench_dataops DIR   (DIR holds the synthetic cme.mdb; the attendances added in (c) are
// removed again at the end)

#include "TBenchSupport.h"
#include "data/TConfFilter.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TSqlDialect.h"
#include "data/TTimeFilter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

namespace
{

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double ElapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_dataops DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString dbPath = QDir(dir).filePath(QStringLiteral("cme.mdb"));
    TDM dm(dir);
    if (dm.OpenFailed) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(dbPath));
        return 1;
    }

    // --- (a) the five re-queries of a time filter change ----------------------------------
    const TConfFilter confFilter, signInFilter, transFilter, calFilter, partFilter;
    const TTimeFilter currentYear = TTimeFilter::CurrentYear();
    TTimeFilter none = TTimeFilter::CurrentYear();
    none.Kind = tkNone;
    const QList<TDataSet*> five{dm.Conferences, dm.SignInConfs, dm.Transcripts, dm.CalendarConfs,
                                dm.PartConfs};
    auto applyAll = [&](const TTimeFilter& time) {
        dm.ApplyConferenceFilter(dm.Conferences, confFilter, time);
        dm.ApplyConferenceFilter(dm.SignInConfs, signInFilter, time);
        dm.ApplyTranscriptFilter(transFilter, time);
        dm.ApplyConferenceFilter(dm.CalendarConfs, calFilter, time);
        dm.ApplyPartConfsFilter(partFilter, time);
        // The grids read every list at once; a list that defers its rows is read here.
        for (TDataSet* ds : five)
            ds->RecordCount();
    };
    // The texts as the shell runs them; PartConfs only for the current participant, as the
    // data set (a detail of Participants) reads it.
    auto shellTexts = [&](const TTimeFilter& time) {
        applyAll(time);
        QStringList texts;
        for (TDataSet* ds : five) {
            QString sql = ds->SQL();
            if (ds == dm.PartConfs)
                sql = QStringLiteral("select * from (%1) where \"user_id\" = %2")
                          .arg(sql)
                          .arg(dm.Participants->FieldByName(QStringLiteral("user_id")).AsInteger());
            texts << TBench::ForShell(sql);
        }
        return texts;
    };
    const QStringList currentTexts = shellTexts(currentYear);
    const QStringList noneTexts = shellTexts(none);
    // The shell gets the connection settings of the program, so both run the same engine work.
    const QStringList pragmas = TBench::ConnectionPragmas(*dm.Conn);

    // Ours and the shell take turns, so a load that comes and goes on the machine falls on
    // both; each shell run reads everything once before the groups that count.
    const int filterReps = 5;
    std::vector<double> oursCurrent, oursNone, shellCurrent, shellNone;
    for (int rep = 0; rep < filterReps; ++rep) {
        QElapsedTimer t;
        t.start();
        applyAll(currentYear);
        oursCurrent.push_back(ElapsedMs(t));
        t.restart();
        applyAll(none);
        oursNone.push_back(ElapsedMs(t));
        const std::vector<double> shellSums =
            TBench::ShellGroupMs(dbPath, pragmas, {currentTexts, noneTexts, currentTexts, noneTexts});
        shellCurrent.push_back(shellSums.at(2));
        shellNone.push_back(shellSums.at(3));
    }
    const double oc = Median(oursCurrent), on = Median(oursNone);
    const double sc = Median(shellCurrent), sn = Median(shellNone);
    TBench::Print("filter_requery_current_year_ms", oc);
    TBench::Print("filter_requery_current_year_shell_ms", sc);
    TBench::Print("filter_requery_none_ms", on);
    TBench::Print("filter_requery_none_shell_ms", sn);
    TBench::Print("filter_requery_ratio_current_year", oc / sc);
    TBench::Print("filter_requery_ratio_none", on / sn);
    TBench::Print("filter_requery_ratio", (oc + on) / (sc + sn));

    // Where the time of a list goes: its re-query on its own, current year.
    applyAll(currentYear);
    for (TDataSet* ds : five) {
        const double ms = TBench::MedianMs(5, [&] {
            if (ds == dm.Transcripts)
                dm.ApplyTranscriptFilter(transFilter, currentYear);
            else if (ds == dm.PartConfs)
                dm.ApplyPartConfsFilter(partFilter, currentYear);
            else
                dm.ApplyConferenceFilter(ds, confFilter, currentYear);
            ds->RecordCount();
        });
        TBench::Print(qPrintable(QStringLiteral("filter_requery_%1_ms").arg(ds->Name())), ms);
    }

    // --- (b) the last-name search -----------------------------------------------------------
    QStringList prefixes;
    const int participants = dm.Participants->RecordCount();
    for (int i = 0; i < 25; ++i) {
        dm.Participants->SetRecNo(int(qint64(i) * participants / 25));
        prefixes << dm.Participants->FieldByName(QStringLiteral("last_name")).AsString().left(2);
    }
    dm.SearchParticipants(QString());
    std::vector<double> searchTimes;
    int shown = 0;
    for (const QString& prefix : prefixes) {
        QElapsedTimer t;
        t.start();
        dm.SearchParticipants(prefix);
        searchTimes.push_back(ElapsedMs(t));
        shown += dm.Participants->RecordCount();
    }
    dm.SearchParticipants(QString());
    TBench::Print("search_participants_rows_avg", double(shown) / prefixes.size());
    TBench::Print("search_participants_ms", Median(searchTimes));

    // --- (c) a sign-in from a picker and its refresh set -------------------------------------
    dm.Conferences->First();
    const int confId = dm.Conferences->FieldByName(QStringLiteral("conf_id")).AsInteger();
    dm.Attendances->RecordCount(); // the first sign-in of a run reads the table
    const int attendReps = 11;
    std::vector<double> total, addOnly, locateOnly, partConfs, confParts, transcripts;
    QList<int> added;
    for (int row = 0; added.size() < attendReps && row < participants; row += 997) {
        dm.Participants->SetRecNo(row);
        const int userId = dm.Participants->FieldByName(QStringLiteral("user_id")).AsInteger();
        if (dm.Conn
                ->ScalarQuery(QStringLiteral("select count(*) from attendances where conf_id = ? "
                                             "and user_id = ?"),
                              {confId, userId})
                .toInt() > 0)
            continue;
        QElapsedTimer t;
        t.start();
        dm.Attendances->FindRow(QStringLiteral("conf_id;user_id"), QVariantList{confId, userId});
        locateOnly.push_back(ElapsedMs(t));

        QElapsedTimer whole;
        whole.start();
        t.restart();
        dm.AddAttendance();
        addOnly.push_back(ElapsedMs(t));
        // RequeryAfterPickedAttendance, one list at a time.
        t.restart();
        dm.PartConfs->Requery();
        partConfs.push_back(ElapsedMs(t));
        t.restart();
        dm.ConfParts->Requery();
        confParts.push_back(ElapsedMs(t));
        t.restart();
        dm.Transcripts->Requery();
        transcripts.push_back(ElapsedMs(t));
        total.push_back(ElapsedMs(whole));
        added << userId;
    }
    TBench::Print("add_attendance_only_ms", Median(addOnly));
    TBench::Print("add_attendance_locate_ms", Median(locateOnly));
    TBench::Print("add_attendance_requery_PartConfs_ms", Median(partConfs));
    TBench::Print("add_attendance_requery_ConfParts_ms", Median(confParts));
    TBench::Print("add_attendance_requery_Transcripts_ms", Median(transcripts));
    TBench::Print("add_attendance_refresh_ms", Median(total));
    for (int userId : added)
        dm.Conn->Execute(
            QStringLiteral("delete from attendances where conf_id = ? and user_id = ?"),
            {confId, userId});
    return 0;
}
