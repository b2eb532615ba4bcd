#pragma once

#include <QString>

#include <functional>

// Builds a large synthetic cme.mdb for benchmarks: many participants, conferences spread over
// the current year and the two before, their link rows, and attendances that never repeat a
// conference/participant pair. Rows go in through prepared statements in one transaction, with
// the indexes created afterwards, so a million attendances take seconds.
class TSynthBuilder
{
public:
    struct TOptions {
        int participants = 100000;
        int conferences = 10000;
        qint64 attendances = 1000000;
        int speakers = 300;
        int currentYear = 0; // 0: the year of today's date
        quint32 seed = 0x5e7b1du;
    };

    explicit TSynthBuilder(const TOptions& options);

    // Receives one line per finished step ("participants: 100000").
    std::function<void(const QString&)> progress;

    // Creates folder/cme.mdb. Throws EOperationError when the folder already holds one or the
    // options cannot be met (more attendances than pairs), TError on any other failure; a
    // failed build leaves no database file behind.
    void Build(const QString& folder);

private:
    void Report(const QString& line) const;

    TOptions m_options;
};
