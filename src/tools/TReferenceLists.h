#pragma once

#include <QStringList>

// The reference rows every generated database starts with: credit types, professional titles,
// specialities and additional-info items. Their keys are their positions plus one, in order.
class TReferenceLists
{
public:
    static QStringList Credits();
    static QStringList Titles();
    static QStringList Specialities();
    static QStringList Extras();
};
