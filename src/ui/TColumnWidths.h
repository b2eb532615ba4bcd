#pragma once

#include <QList>
#include <QString>

class QTableView;
class TConfig;

// Keeps a grid's column widths in the Dimensions section of the settings: each column has its
// own key and a default used when the key is absent, empty or not a number.
class TColumnWidths
{
public:
    struct TKey {
        int column;
        QString key;
        int defaultWidth;
    };

    static QString Section() { return QStringLiteral("Dimensions"); }

    // Sets each listed column's width exactly as read, with no lower or upper bound.
    static void Load(const TConfig& config, QTableView& grid, const QList<TKey>& keys);
    // Writes each listed column's current width as decimal text, in memory only.
    static void Save(TConfig& config, const QTableView& grid, const QList<TKey>& keys);
};
