// Two sign-in stations at once on one database (the folder's quorvel.ini says which): each is a
// process of its own that signs in the same 400 people to a new conference, in its own order,
// through the data module as the desk does. Prints two_station_signins_per_s, the distinct
// sign-ins per second of both together (pg_ first on a server), and the duplicates found (0).
// Usage: bench_stations DIR   (the conference and its attendances are removed at the end)

#include "TBenchSupport.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>

namespace
{

constexpr int kPeople = 400;

// One station: opens the data module, says "ready", waits for "go", signs everyone in and
// prints its time in milliseconds.
int Station(const QString& dir, int confId, int firstUser, int seed)
{
    TDM dm(dir);
    if (dm.OpenFailed || !dm.Conferences->Locate(QStringLiteral("conf_id"), confId))
        return 2;
    std::vector<int> people(kPeople);
    for (int i = 0; i < kPeople; ++i)
        people[size_t(i)] = firstUser + i;
    std::shuffle(people.begin(), people.end(), std::mt19937(unsigned(seed)));
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    QElapsedTimer timer;
    timer.start();
    try {
        for (int user : people) {
            if (!dm.Participants->Locate(QStringLiteral("user_id"), user))
                return 3;
            dm.AddAttendance();
        }
    } catch (const TError& e) {
        std::fprintf(stderr, "station %d: %s\n", seed, qPrintable(e.Message()));
        return 4;
    }
    std::printf("%lld\n", static_cast<long long>(timer.nsecsElapsed() / 1000000));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 6 && qstrcmp(argv[1], "--station") == 0)
        return Station(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_stations DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    TDM dm(dir);
    if (dm.OpenFailed)
        return 1;
    TBench::SetServerPrefix(dm.Conn->IsServer());
    TConnection& conn = *dm.Conn;
    conn.Execute(QStringLiteral("insert into conferences (conf_name, begin_date, end_date) values "
                                "('Two stations', '2030-01-01 09:00:00', '2030-01-01 17:00:00')"));
    const qint64 confId = conn.LastInsertRowId();
    const int firstUser = conn.ScalarQuery(QStringLiteral("select min(user_id) from participants")).toInt();

    QList<QProcess*> stations;
    for (int seed : {1, 2}) {
        auto* p = new QProcess(&app);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--station"), dir, QString::number(confId),
                  QString::number(firstUser), QString::number(seed)});
        stations << p;
    }
    for (QProcess* p : stations)
        while (!p->canReadLine() && p->state() != QProcess::NotRunning)
            p->waitForReadyRead(60000);
    for (QProcess* p : stations) {
        p->readLine();
        p->write("go\n");
    }
    double slowest = 0;
    bool ok = true;
    for (QProcess* p : stations) {
        p->waitForFinished(600000);
        ok = ok && p->exitCode() == 0;
        slowest = std::max(slowest, p->readAll().trimmed().toDouble());
    }
    const int rows = conn.ScalarQuery(QStringLiteral("select count(*) from attendances where conf_id = ?"),
                                      {confId}).toInt();
    if (ok && slowest > 0)
        TBench::Print("two_station_signins_per_s", rows / (slowest / 1000.0));
    TBench::Print("two_station_duplicates", double(rows - kPeople));
    conn.Execute(QStringLiteral("delete from attendances where conf_id = ?"), {confId});
    conn.Execute(QStringLiteral("delete from conferences where conf_id = ?"), {confId});
    return ok ? 0 : 1;
}
