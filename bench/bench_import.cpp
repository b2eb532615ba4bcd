// The import of a registrant list and the walk-in guard on the synthetic database:
//  (a) import_10k_ms: 10,000 registrants, one in ten already a participant (same e-mail, or
//      the same name and ZIP), read from CSV, checked against every participant and each other,
//      stored and registered for one conference in one transaction; the duplicate check's index
//      is kept in the file as after any earlier check (dupe_index_build_ms: building it once);
//  (b) import_ratio: (a) against the sqlite3 shell's .import of the same CSV into a table and
//      one INSERT ... SELECT into participants, in the same run; each the middle of three runs
//      on fresh copies;
//  (c) dupe_guard_keystroke_ms: the walk-in guard's search for one typed key (median over the
//      keys of typing names), with the participants read once before.
// Usage: bench_import DIR   (DIR holds the synthetic cme.mdb; it is copied, never changed)

#include "TBenchSupport.h"
#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "import/TDuplicateGuard.h"
#include "import/TImportFile.h"
#include "import/TImportRun.h"
#include "ui/TWalkInGuard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>

namespace {

double ElapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

bool CopyDatabase(const QString& from, const QString& to)
{
    for (const char* suffix : {"", "-wal"}) {
        const QString source = QDir(from).filePath(QStringLiteral("cme.mdb") + QLatin1String(suffix));
        if (QFile::exists(source) &&
            !QFile::copy(source, QDir(to).filePath(QStringLiteral("cme.mdb") + QLatin1String(suffix))))
            return false;
    }
    return true;
}

QString Csv(const QString& text)
{
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_import DIR\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir work;
    const QString ours = QDir(work.path()).filePath(QStringLiteral("ours"));
    const QString shell = QDir(work.path()).filePath(QStringLiteral("shell"));
    QDir().mkpath(ours);
    QDir().mkpath(shell);
    if (!CopyDatabase(source, ours) || !CopyDatabase(source, shell)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
        return 1;
    }

    TConnection conn;
    conn.Open(QDir(ours).filePath(QStringLiteral("cme.mdb")));
    const int participants = conn.ScalarQuery(QStringLiteral("select count(*) from participants")).toInt();
    const int confId = conn.ScalarQuery(QStringLiteral("select min(conf_id) from conferences")).toInt();

    // 1,000 known people (every other one by e-mail, the rest by name and ZIP) and 9,000 new
    // ones whose names are drawn from the participants' own names.
    TDataSet people(conn, QStringLiteral("People"));
    people.SetSQL(QStringLiteral("select last_name, first_name, email, zip, city, phone from "
                                 "participants order by user_id"));
    people.Open();
    const int n = people.RecordCount();
    QString csv = QStringLiteral("Last Name,First name,Email Address,ZIP,City,Phone\r\n");
    for (int i = 0; i < 10000; ++i) {
        auto at = [&](int row, int field) { return people.RowValue(row % n, field).toString(); };
        QStringList cells;
        if (i % 10 == 0) {
            const int row = (i * 7919) % n;
            const bool byEmail = (i / 10) % 2 == 0 && !at(row, 2).isEmpty();
            cells << at(row, 0) << at(row, 1) << (byEmail ? at(row, 2) : QString())
                  << (byEmail ? QString() : at(row, 3)) << at(row, 4) << at(row, 5);
            if (!byEmail && at(row, 3).isEmpty())
                cells[3] = QStringLiteral("00000");
        } else {
            cells << at(i * 31, 0) << at(i * 17 + 5, 1)
                  << QStringLiteral("registrant%1@example.net").arg(i) << at(i * 13, 3)
                  << at(i * 13, 4) << QString();
        }
        for (QString& cell : cells)
            cell = Csv(cell);
        csv += cells.join(u',') + QStringLiteral("\r\n");
    }
    const QString list = QDir(work.path()).filePath(QStringLiteral("registrants.csv"));
    {
        QFile file(list);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(csv.toUtf8());
    }

    // The duplicate check's index, built from every participant and kept in the file, as the
    // first check on a file does once; later checks read it and the people changed since.
    QElapsedTimer buildTimer;
    buildTimer.start();
    const bool built = TDuplicateIndex().LoadParticipants(conn) == TDuplicateIndex::TLoad::Built;
    const double buildMs = ElapsedMs(buildTimer);

    // (a) the whole import as "quorvel-admin import --conference" runs it.
    QElapsedTimer timer;
    timer.start();
    const TImportTable table = TImportFile::Read(list);
    TImportRun run(conn);
    const double readMs = ElapsedMs(timer);
    const TImportPlan plan = run.Analyse(table, TImportMapping::ByCaptions(table.captions));
    const double analyseMs = ElapsedMs(timer) - readMs;
    TImportOptions options;
    options.conferenceId = confId;
    TImportResult result;
    run.Commit(plan, options, result);
    const double importMs = ElapsedMs(timer);

    // The same import twice more, each on a fresh copy with its index kept: the figure is the
    // middle of the three.
    std::vector<double> importRuns{importMs};
    for (int copy = 1; copy <= 2; ++copy) {
        const QString again = QDir(work.path()).filePath(QStringLiteral("ours%1").arg(copy));
        QDir().mkpath(again);
        if (!CopyDatabase(source, again))
            return 1;
        TConnection other;
        other.Open(QDir(again).filePath(QStringLiteral("cme.mdb")));
        TDuplicateIndex().LoadParticipants(other);
        QElapsedTimer runTimer;
        runTimer.start();
        TImportRun otherRun(other);
        TImportResult otherResult;
        otherRun.Commit(otherRun.Analyse(TImportFile::Read(list),
                                         TImportMapping::ByCaptions(table.captions)),
                        options, otherResult);
        importRuns.push_back(ElapsedMs(runTimer));
    }

    // (b) the shell: .import into a table, then one INSERT ... SELECT; the middle of three
    // runs, each on a fresh copy, as a process start alone varies by tens of milliseconds.
    std::vector<double> shellRuns;
    for (int copy = 0; copy < 3; ++copy) {
        const QString dir = copy == 0 ? shell : QStringLiteral("%1%2").arg(shell).arg(copy);
        QDir().mkpath(dir);
        if (copy > 0 && !CopyDatabase(source, dir))
            return 1;
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {QDir(dir).filePath(QStringLiteral("cme.mdb"))});
        if (!sqlite.waitForStarted()) {
            std::fprintf(stderr, "the sqlite3 shell is not installed\n");
            return 1;
        }
        const QString script = QStringLiteral(
            "BEGIN;\n"
            ".import --csv %1 registrants\n"
            "INSERT INTO participants (last_name, first_name, email, zip, city, phone) SELECT "
            "\"Last Name\", \"First name\", \"Email Address\", \"ZIP\", \"City\", \"Phone\" FROM "
            "registrants;\n"
            "COMMIT;\n").arg(list);
        QElapsedTimer shellTimer;
        shellTimer.start();
        sqlite.write(script.toUtf8());
        sqlite.closeWriteChannel();
        sqlite.waitForFinished(-1);
        shellRuns.push_back(ElapsedMs(shellTimer));
    }
    auto middle = [](std::vector<double> runs) {
        std::sort(runs.begin(), runs.end());
        return runs[runs.size() / 2];
    };
    const double shellMs = middle(shellRuns);
    const double importMiddleMs = middle(importRuns);

    // (c) typing a name into the walk-in guard.
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    QLineEdit* last = nullptr;
    QLineEdit* first = nullptr;
    for (const char* name : {"dbePartLastName", "dbePartFirstName", "dbeEmail", "dbePartZip",
                             "dbePartPhone", "dbePartCity"}) {
        auto* edit = new QLineEdit(&form);
        edit->setObjectName(QLatin1String(name));
        layout->addWidget(edit);
        if (QLatin1String(name) == QLatin1String("dbePartLastName"))
            last = edit;
        if (QLatin1String(name) == QLatin1String("dbePartFirstName"))
            first = edit;
    }
    TWalkInGuard guard(&form, &form);
    QElapsedTimer startTimer;
    startTimer.start();
    guard.Start(conn);
    const double startMs = ElapsedMs(startTimer);
    std::vector<double> keys;
    for (int p = 0; p < 20; ++p) {
        const QString lastName = people.RowValue((p * 4999) % n, 0).toString();
        const QString firstName = people.RowValue((p * 4999) % n, 1).toString();
        last->clear();
        first->clear();
        for (QLineEdit* edit : {last, first}) {
            const QString& text = edit == last ? lastName : firstName;
            for (int k = 1; k <= text.size(); ++k) {
                edit->setText(text.left(k));
                QElapsedTimer key;
                key.start();
                guard.Check();
                keys.push_back(ElapsedMs(key));
            }
        }
    }
    std::sort(keys.begin(), keys.end());

    std::printf("import_participants %d\n", participants);
    std::printf("dupe_index_build_ms %.0f%s\n", buildMs, built ? "" : " (already kept)");
    std::printf("import_rows new %d matched %d possible %d refused %d\n",
                plan.Count(TImportOutcome::New), plan.Count(TImportOutcome::Matched),
                plan.Count(TImportOutcome::Possible), plan.Count(TImportOutcome::Refused));
    std::printf("import_10k_ms %.0f (runs %.0f %.0f %.0f)\n", importMiddleMs, importRuns[0],
                importRuns[1], importRuns[2]);
    std::printf("import_read_ms %.0f analyse_ms %.0f store_ms %.0f\n", readMs, analyseMs,
                importMs - readMs - analyseMs);
    std::printf("import_shell_ms %.0f (runs %.0f %.0f %.0f)\n", shellMs, shellRuns[0],
                shellRuns[1], shellRuns[2]);
    std::printf("import_ratio %.2f\n", importMiddleMs / std::max(1.0, shellMs));
    std::printf("dupe_guard_start_ms %.0f\n", startMs);
    std::printf("dupe_guard_keystroke_ms %.2f\n", keys.empty() ? 0.0 : keys[keys.size() / 2]);
    std::printf("dupe_guard_keystroke_max_ms %.2f\n", keys.empty() ? 0.0 : keys.back());
    return 0;
}
