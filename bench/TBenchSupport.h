#pragma once

#include <string>

// Small helpers shared by the benchmark programs (header only: each bench is one executable).

#include "db/TConnection.h"
#include "db/TSqlDialect.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace TBench {

inline double MedianMs(int repetitions, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A text as the shell runs it: the program's dialect translated; DatePart becomes
// CAST(strftime('%Y', x) AS INTEGER), the same year number; the shell lacks the program's
// collation, so names order by its own.
inline QString ForShell(const QString& sql)
{
    static const QRegularExpression datePart(
        QStringLiteral("DatePart\\('yyyy',\\s*([A-Za-z_.]+)\\)"));
    static const QRegularExpression collate(QStringLiteral(" collate LOCALE\\b"));
    QString text = TSqlDialect::Translate(sql);
    text.replace(datePart, QStringLiteral("CAST(strftime('%Y', \\1) AS INTEGER)"));
    text.remove(collate);
    return text;
}

// The connection's settings that change how SQLite reads, for the shell to run with.
inline QStringList ConnectionPragmas(TConnection& conn)
{
    return {QStringLiteral("PRAGMA cache_size=%1")
                .arg(conn.ScalarQuery(QStringLiteral("PRAGMA cache_size")).toLongLong()),
            QStringLiteral("PRAGMA temp_store=%1")
                .arg(conn.ScalarQuery(QStringLiteral("PRAGMA temp_store")).toLongLong())};
}

// Runs groups of statements in one sqlite3 shell with the output discarded and returns, per
// group, the sum of the shell's own statement times in milliseconds (its .timer, so neither the
// process start nor the opening of the file counts).
inline std::vector<double> ShellGroupMs(const QString& databasePath, const QStringList& pragmas,
                                        const QList<QStringList>& groups)
{
    QTemporaryFile script;
    script.open();
    for (const QString& p : pragmas)
        script.write((p + QStringLiteral(";\n")).toUtf8());
    script.write(".output /dev/null\n.timer on\n");
    for (const QStringList& group : groups)
        for (const QString& s : group)
            script.write((s + QStringLiteral(";\n")).toUtf8());
    script.flush();
    QProcess shell;
    shell.setStandardInputFile(script.fileName());
    shell.start(QStringLiteral("sqlite3"), {databasePath});
    shell.waitForFinished(-1);
    if (shell.exitCode() != 0)
        std::fprintf(stderr, "sqlite3 failed: %s\n", shell.readAllStandardError().constData());
    static const QRegularExpression runTime(QStringLiteral("Run Time: real ([0-9.]+)"));
    std::vector<double> statementMs;
    auto it = runTime.globalMatch(QString::fromUtf8(shell.readAllStandardOutput()));
    while (it.hasNext())
        statementMs.push_back(it.next().captured(1).toDouble() * 1000.0);
    // The pragmas run before the timer is on; every other statement has one line.
    std::vector<double> sums;
    size_t at = 0;
    for (const QStringList& group : groups) {
        double sum = 0;
        for (int i = 0; i < group.size() && at < statementMs.size(); ++i)
            sum += statementMs[at++];
        sums.push_back(sum);
    }
    return sums;
}

// Peak resident set size of this process in megabytes.
inline double PeakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// Put before every printed name: "pg_" when the database lies on a PostgreSQL server.
inline std::string& Prefix()
{
    static std::string prefix;
    return prefix;
}

// What follows each figure's value, e.g. " (1 ms delay proxy)" for a run over the slow link
// (QUORVEL_BENCH_LABEL).
inline const std::string& Label()
{
    static const std::string label = qEnvironmentVariable("QUORVEL_BENCH_LABEL").toStdString();
    return label;
}

// "pg_" before the figures of a server, or what QUORVEL_BENCH_PREFIX says ("pg_lan_" for the
// server over a slow link).
inline void SetServerPrefix(bool server)
{
    if (qEnvironmentVariableIsSet("QUORVEL_BENCH_PREFIX"))
        Prefix() = qEnvironmentVariable("QUORVEL_BENCH_PREFIX").toStdString();
    else if (server)
        Prefix() = "pg_";
}

inline void Print(const char* name, double value)
{
    std::printf("%s%s %.2f%s\n", Prefix().c_str(), name, value, Label().c_str());
    std::fflush(stdout);
}

} // namespace TBench
