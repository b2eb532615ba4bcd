#pragma once

#include "data/TIdList.h"

#include <QString>

// The conference criteria of one filter panel. Texts are matched anywhere in their column as
// typed, blanks included; the credit lines share their key objects with the credit list of the
// Conferences page.
class TConfFilter
{
public:
    QString Name;    // in the title (conf_name)
    QString Serie;   // in the series
    QString Extra;   // in the name of one of the conference's additional-info items
    QString Speaker; // in the last name of one of the conference's speakers
    TIdList Credits; // the credit types to require: text c_name, key credit_id
    QString CreditsAndOr = QStringLiteral("or"); // "or": any of the credits; otherwise all

    // True when no criterion is set. A text of blanks is a criterion; the and/or mode is not.
    bool IsEmpty() const;
};
