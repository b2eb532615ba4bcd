#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

#include "db/TDataSet.h"

// A grid's view of a data set: chosen fields as columns, with captions and the fields' display
// formats. Keeps no rows of its own; follows the data set's notifications.
class TDataSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct TColumn
    {
        QString fieldName;
        QString caption;
    };

    TDataSetModel(TDataSet* dataSet, const QList<TColumn>& columns, QObject* parent = nullptr);

    TDataSet* DataSet() const { return m_dataSet; }
    const QList<TColumn>& Columns() const { return m_columns; }
    void SetColumns(const QList<TColumn>& columns);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Role giving the raw field value of a cell.
    static constexpr int ValueRole = Qt::UserRole + 1;

Q_SIGNALS:
    // The data set's current row moved (visible row number, -1 for none).
    void CurrentRowChanged(int row);

private:
    int FieldIndex(int column) const;
    void OnReset();
    int RowsNow();

    QPointer<TDataSet> m_dataSet;
    QList<TColumn> m_columns;
    mutable QList<int> m_fieldIndexes; // resolved lazily after each reset
    int m_rows = 0;
};
