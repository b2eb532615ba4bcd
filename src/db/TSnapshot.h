#pragma once

#include "db/TField.h"
#include "db/TRowStore.h"
#include "db/TTextArena.h"

#include <QString>
#include <QVariant>

#include <vector>

// The rows of one query as a data set keeps them: the columns with their field types, rows of
// 16-byte typed cells in blocks of whole rows, and texts as UTF-8 in a block arena. The cell
// codec here packs values into cells and reads them back; values become QVariants only when
// read. Both engines fill a snapshot through the same few calls (Reset, AppendRow, the cell
// makers), so a file's rows and a server's look the same to the data set.
class TSnapshot
{
public:
    struct TCell {
        // Stamp: a date-time text of exactly the form "yyyy-mm-dd hh:mm:ss", kept as the
        // number yyyymmddhhmmss; stamps order as their texts do.
        enum Kind : quint8 { Null, Int, Real, Text, Stamp };
        Kind kind = Null;
        quint32 length = 0;
        union {
            qint64 i;
            double d;
            quint64 offset; // handle of the text in the arena
        };
        TCell() : i(0) {}
    };

    struct TColumn {
        QString name;
        TFieldType type = TFieldType::String;
    };

    // Forgets every row and takes these columns.
    void Reset(std::vector<TColumn> columns);
    // Forgets every row and keeps the columns.
    void ClearRows()
    {
        m_cells.Reset(m_columns.size());
        m_arena.Clear();
    }
    const std::vector<TColumn>& Columns() const { return m_columns; }
    int ColumnCount() const { return int(m_columns.size()); }
    const TColumn& Column(int column) const { return m_columns[size_t(column)]; }
    // A column whose type shows only in its values (an expression such as sum(units)).
    void SetColumnType(int column, TFieldType type) { m_columns[size_t(column)].type = type; }
    // The column of that name, ignoring case; -1 when there is none.
    int ColumnIndex(const QString& name) const;
    // The hidden row id column that single-table data sets carry; -1 when there is none.
    int RowIdColumn() const { return m_rowIdColumn; }
    // Whether the columns have the same names, in the same order.
    bool SameColumns(const TSnapshot& other) const;

    int Rows() const { return int(m_cells.Rows()); }
    TCell* Row(int row) { return m_cells.Row(size_t(row)); }
    const TCell* Row(int row) const { return m_cells.Row(size_t(row)); }
    // A new row of null cells at the end.
    TCell* AppendRow() { return m_cells.AppendRow(); }

    struct TOrderTerm {
        int column = 0;
        bool descending = false;
    };
    // Puts the rows in the order an SQL "order by" of these columns with the LOCALE collation
    // gives: nulls first, then numbers by value, then texts as TCollation orders them; rows
    // that tie keep the order they were read in, as the engine's own sort keeps them.
    void OrderRows(const std::vector<TOrderTerm>& terms);

    // --- The cell codec ------------------------------------------------------------------
    // A text as the engine gave it; in a date column a date-time text is kept as a stamp.
    TCell TextCell(const char* text, size_t length, bool dateColumn)
    {
        TCell cell;
        if (dateColumn && PackStamp(text, qsizetype(length), cell.i)) {
            cell.kind = TCell::Stamp;
            return cell;
        }
        cell.kind = TCell::Text;
        cell.offset = m_arena.Append(text, length);
        cell.length = quint32(length);
        return cell;
    }
    static TCell IntCell(qint64 value)
    {
        TCell cell;
        cell.kind = TCell::Int;
        cell.i = value;
        return cell;
    }
    static TCell RealCell(double value)
    {
        TCell cell;
        cell.kind = TCell::Real;
        cell.d = value;
        return cell;
    }
    // A cell of another snapshot, its text stored again in this one.
    TCell CopyCell(const TSnapshot& from, const TCell& cell);
    // A value a field is given, converted to the field's type; throws EFieldError when it is
    // not one.
    TCell StoreValue(const QVariant& value, const TField& field);
    // A cell as the value of a field of that type.
    QVariant Value(const TCell& cell, TFieldType type) const;
    // A cell as the value a statement binds (numbers as numbers, texts and stamps as text).
    QVariant BindableValue(const TCell& cell) const;
    // The text of a Text or Stamp cell; a stamp is written into buffer.
    const char* CellText(const TCell& cell, char (&buffer)[19], quint32& length) const;
    // The UTF-8 bytes of a Text cell (cell.length of them).
    const char* ArenaText(const TCell& cell) const { return m_arena.At(cell.offset); }

    // A date-time text "yyyy-mm-dd hh:mm:ss" of a real date and time as the number
    // yyyymmddhhmmss; false for any other text.
    static bool PackStamp(const char* text, qsizetype length, qint64& stamp);
    // The text a stamp was made from.
    static void StampText(qint64 stamp, char (&text)[19]);

private:
    // The same order, comparing the cells themselves (numbers, stamps).
    void OrderRowsByCells(const std::vector<TOrderTerm>& terms);
    // Puts the rows in the order of the row numbers given.
    void Permute(const std::vector<int>& rowOrder);

    std::vector<TColumn> m_columns;
    int m_rowIdColumn = -1;
    TRowStore<TCell> m_cells;
    TTextArena m_arena;
};
