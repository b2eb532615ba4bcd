#include "ui/TColumnWidths.h"

#include "settings/TConfig.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace
{

// The widths in the settings were chosen for a small dialog font whose average character is
// this wide; a larger font scales them, so a column shows as much text as it was meant to.
constexpr double ReferenceCharWidth = 5.5;

double Scale(const QTableView& grid)
{
    return std::max(1.0, QFontMetrics(grid.font()).averageCharWidth() / ReferenceCharWidth);
}

// Date columns are named "...DateWidth": a date has a fixed shape, so it is always shown whole.
bool IsDateColumn(const QString& key)
{
    return key.endsWith(QLatin1String("DateWidth"));
}

QByteArray LoadedProperty(int column)
{
    return "quorvelLoadedWidth" + QByteArray::number(column);
}

QByteArray StoredProperty(int column)
{
    return "quorvelStoredWidth" + QByteArray::number(column);
}

} // namespace

void TColumnWidths::Load(const TConfig& config, QTableView& grid, const QList<TKey>& keys)
{
    // The style's minimum section size would silently raise small stored widths.
    grid.horizontalHeader()->setMinimumSectionSize(0);
    for (const TKey& key : keys) {
        const int stored = config.ReadInteger(Section(), key.key, key.defaultWidth);
        // A width this grid saved itself comes back to the very pixel, not scaled twice.
        const QVariant saved = grid.property(StoredProperty(key.column));
        int width = saved.isValid() && saved.toInt() == stored
                        ? grid.property(LoadedProperty(key.column)).toInt()
                        : OnScreen(grid, stored);
        if (IsDateColumn(key.key) && stored > 0)
            width = std::max(
                width, static_cast<const QAbstractItemView&>(grid).sizeHintForColumn(key.column));
        grid.setColumnWidth(key.column, width);
        grid.setProperty(LoadedProperty(key.column), width);
        grid.setProperty(StoredProperty(key.column), stored);
    }
}

void TColumnWidths::Save(TConfig& config, QTableView& grid, const QList<TKey>& keys)
{
    for (const TKey& key : keys) {
        const int width = grid.columnWidth(key.column);
        // A column the user left as it was loaded keeps its stored value, so closing changes
        // nothing in the file.
        const QVariant loaded = grid.property(LoadedProperty(key.column));
        if (loaded.isValid() && loaded.toInt() == width) {
            config.WriteInteger(Section(), key.key,
                                grid.property(StoredProperty(key.column)).toInt());
            continue;
        }
        const int stored = Stored(grid, width);
        config.WriteInteger(Section(), key.key, stored);
        grid.setProperty(LoadedProperty(key.column), width);
        grid.setProperty(StoredProperty(key.column), stored);
    }
}

void TColumnWidths::ShowWidth(QTableView& grid, int column, int width)
{
    grid.setColumnWidth(column, width);
    if (grid.property(StoredProperty(column)).isValid())
        grid.setProperty(LoadedProperty(column), width);
}

int TColumnWidths::OnScreen(const QTableView& grid, int stored)
{
    return static_cast<int>(std::lround(stored * Scale(grid)));
}

int TColumnWidths::Stored(const QTableView& grid, int onScreen)
{
    return static_cast<int>(std::lround(onScreen / Scale(grid)));
}
