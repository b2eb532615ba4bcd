#pragma once

// Small helpers shared by the benchmark programs (header only: each bench is one executable).

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

// Runs SQL texts in the sqlite3 shell with the output discarded; milliseconds of wall time.
inline double ShellMs(const QString& databasePath, const QStringList& statements)
{
    QTemporaryFile script;
    script.open();
    for (const QString& s : statements)
        script.write((s + QStringLiteral(";\n")).toUtf8());
    script.flush();
    QProcess shell;
    shell.setStandardInputFile(script.fileName());
    shell.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    shell.start(QStringLiteral("sqlite3"), {databasePath});
    shell.waitForFinished(-1);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (shell.exitCode() != 0)
        std::fprintf(stderr, "sqlite3 failed: %s\n", shell.readAllStandardError().constData());
    return ms;
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

inline void Print(const char* name, double value)
{
    std::printf("%s %.2f\n", name, value);
    std::fflush(stdout);
}

} // namespace TBench
