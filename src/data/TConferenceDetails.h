#pragma once

#include "data/TIdList.h"

#include <QDate>
#include <QString>
#include <QTime>

// What the detail controls of the Conferences page show of one conference, as plain values:
// TDM::ShowCurrentConference fills it from the current row, the page copies it into its
// widgets, and TDM::SaveConference reads the page's values back from it.
struct TConferenceDetails {
    // Shown only: the page edits title and series through edits bound to the row itself, so
    // SaveConference does not write them from here.
    QString Title;
    QString Series;

    QDate BeginDate;
    QTime BeginTime;
    QDate EndDate;
    QTime EndTime;
    double Units = 0;

    TIdList Speakers; // "first last", key speak_id
    TIdList Extras;   // e_name, key extra_id
    // Every credit type (from FillCredits), checked when the conference grants it.
    TIdList Credits;
};
