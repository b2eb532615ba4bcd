#pragma once

#include <QString>

class TConfig;
class TConnection;

// Builds a small, realistic demonstration folder: cme.mdb with about forty conferences over
// the current year and the two before, their speakers, credit types and additional info,
// three hundred participants with about two thousand attendances, and a quorvel.ini with
// sensible mail settings. The same year always gives the same rows.
class TDemoBuilder
{
public:
    static constexpr int ConferenceCount = 40;
    static constexpr int SpeakerCount = 25;
    static constexpr int ParticipantCount = 300;
    static constexpr int AttendanceCount = 2000;
    // The latest conferences are still to come and have nobody signed in yet.
    static constexpr int UpcomingCount = 3;

    // currentYear 0 means the year of today's date.
    explicit TDemoBuilder(int currentYear = 0);

    // Creates folder/cme.mdb and writes folder/quorvel.ini. Throws EOperationError when the
    // folder already holds cme.mdb, TError on any other failure; a failed build leaves no
    // database file behind.
    void Build(const QString& folder);

    // The settings a demonstration starts with; keys already in the file are replaced.
    static void WriteSettings(TConfig& config);

private:
    void Fill(TConnection& conn);

    int m_currentYear;
};
