#include "db/TDataSetModel.h"

#include "db/TDataSet.h"


TDataSetModel::TDataSetModel(TDataSet* dataSet, const QList<TColumn>& columns, QObject* parent)
    : QAbstractTableModel(parent), m_dataSet(dataSet), m_columns(columns)
{
    m_rows = RowsNow();
    connect(dataSet, &TDataSet::RowsReset, this, &TDataSetModel::OnReset);
    connect(dataSet, &TDataSet::RowChanged, this, [this](int row) {
        if (row >= 0 && row < m_rows)
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(dataSet, &TDataSet::RowInserted, this, [this](int row) {
        beginInsertRows({}, row, row);
        m_rows = m_dataSet->RecordCount();
        endInsertRows();
    });
    connect(dataSet, &TDataSet::RowRemoved, this, [this](int row) {
        if (row < 0 || row >= m_rows) {
            OnReset();
            return;
        }
        beginRemoveRows({}, row, row);
        m_rows = m_dataSet->RecordCount();
        endRemoveRows();
    });
    connect(dataSet, &TDataSet::CurrentChanged, this, &TDataSetModel::CurrentRowChanged);
}

void TDataSetModel::SetColumns(const QList<TColumn>& columns)
{
    beginResetModel();
    m_columns = columns;
    m_fieldIndexes.clear();
    endResetModel();
}

void TDataSetModel::OnReset()
{
    beginResetModel();
    m_fieldIndexes.clear();
    m_rows = RowsNow();
    endResetModel();
}

int TDataSetModel::RowsNow()
{
    if (!m_dataSet)
        return 0;
    // Rows still to be read count as none; a grid that shows them asks for the reading.
    if (m_dataSet->FetchPending())
        return 0;
    return m_dataSet->RecordCount();
}

int TDataSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TDataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

int TDataSetModel::FieldIndex(int column) const
{
    if (m_fieldIndexes.size() != m_columns.size()) {
        m_fieldIndexes.clear();
        for (const TColumn& c : m_columns) {
            TField* f = m_dataSet && m_dataSet->Active() ? m_dataSet->FindField(c.fieldName) : nullptr;
            m_fieldIndexes << (f ? f->Index() : -1);
        }
    }
    return m_fieldIndexes.value(column, -1);
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_dataSet || index.row() >= m_rows)
        return {};
    const int field = FieldIndex(index.column());
    if (field < 0)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_dataSet->RowDisplayText(index.row(), field);
    case ValueRole:
        return m_dataSet->RowValue(index.row(), field);
    case Qt::TextAlignmentRole: {
        const TFieldType t = m_dataSet->Fields(field).DataType();
        if (t == TFieldType::Decimal || t == TFieldType::Float)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    default:
        return {};
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_columns.size())
        return m_columns.at(section).caption;
    return QAbstractTableModel::headerData(section, orientation, role);
}
