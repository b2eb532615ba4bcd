#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

class TRandom;

// Invents conferences: a title built from a topic (often with the year, "Cardiology Update
// 2026"), a series, a weekday beginning between 08:00 and 10:00 and ending later that day, and
// credit units in steps of 0.25 between 1 and 8.
class TConferenceGenerator
{
public:
    struct TConference {
        QString name;
        QString series; // may be empty
        QDateTime begin;
        QDateTime end;
        double units = 1;
    };

    explicit TConferenceGenerator(TRandom& random);

    // A conference on the given day, or on the nearest weekday when it falls on a weekend.
    TConference Conference(const QDate& day);

    // The storage form of date-times in cme.mdb.
    static QString StorageText(const QDateTime& value);

private:
    TRandom& m_random;
};
