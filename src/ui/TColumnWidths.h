#pragma once

#include <QList>
#include <QString>

class QTableView;
class TConfig;

// Keeps a grid's column widths in the Dimensions section of the settings: each column has its
// own key and a default used when the key is absent, empty or not a number. The stored widths
// are those of a small reference font: a grid with a larger font shows them scaled by its
// average character width, and a date column ("...DateWidth") is never narrower than its dates.
class TColumnWidths
{
public:
    struct TKey {
        int column;
        QString key;
        int defaultWidth;
    };

    static QString Section() { return QStringLiteral("Dimensions"); }

    // Sets each listed column's width from the value read, scaled to the grid's font.
    static void Load(const TConfig& config, QTableView& grid, const QList<TKey>& keys);
    // Writes each listed column's width as decimal text, in memory only: the value that was read
    // for a column the user did not resize, else the current width scaled back (remembered on the
    // grid, so loading it again gives the same pixels).
    static void Save(TConfig& config, QTableView& grid, const QList<TKey>& keys);

    // Shows a column width that the grid chose itself (after its font, say) without taking it
    // for a change of the user's: Save then keeps the stored value unless the user resizes the
    // column afterwards.
    static void ShowWidth(QTableView& grid, int column, int width);

    // A stored width as the grid shows it, and back.
    static int OnScreen(const QTableView& grid, int stored);
    static int Stored(const QTableView& grid, int onScreen);
};
