#pragma once

// The database key that a line of display text stands for (a speaker's speak_id, an item's
// extra_id, a credit's credit_id). Lines share these objects, so a list that copies lines from
// another keeps the keys alive for as long as it holds them.
class TIdObj
{
public:
    explicit TIdObj(int id) : Id(id) {}

    const int Id;
};
