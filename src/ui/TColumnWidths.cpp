#include "TColumnWidths.h"

#include "TConfig.h"

#include <QHeaderView>
#include <QTableView>

void TColumnWidths::Load(const TConfig& config, QTableView& grid, const QList<TKey>& keys)
{
    // The style's minimum section size would silently raise small stored widths.
    grid.horizontalHeader()->setMinimumSectionSize(0);
    for (const TKey& key : keys)
        grid.setColumnWidth(key.column, config.ReadInteger(Section(), key.key, key.defaultWidth));
}

void TColumnWidths::Save(TConfig& config, const QTableView& grid, const QList<TKey>& keys)
{
    for (const TKey& key : keys)
        config.WriteInteger(Section(), key.key, grid.columnWidth(key.column));
}
