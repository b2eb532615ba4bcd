#pragma once

#include "ui/TColumnWidths.h"

#include <QList>

class TConfig;
class TDBGrid;

// The two name columns of the sign-in window's list: their widths kept in the settings, and
// fitted to the list's type, so a last name of 24 characters shows whole while the first names
// keep a third of the list.
class TSignInNameColumns
{
public:
    // config may be null (start-up failed before the settings were read): nothing is kept then.
    TSignInNameColumns(TDBGrid& grid, TConfig* config);

    void Load();
    // In memory only: the data module's final flush stores them.
    void Save();
    // Sizes the columns after the list's type: the stored widths scaled to the font, the last
    // name at least LastNameRoom wide.
    void Fit();
    // The pixels a last name of 24 characters takes in the list, with the cell's margins.
    int LastNameRoom() const;

private:
    static const QList<TColumnWidths::TKey>& WidthKeys();

    TDBGrid& m_grid;
    TConfig* m_config;
};
