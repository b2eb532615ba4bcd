#pragma once

#include "db/TDataSetModel.h"

#include <QTableView>

#include <functional>

class TDataSet;

// A grid bound to a data set: its rows are the data set's visible rows, its current row is the
// data set's current row (both ways), a title click can sort the data set, and the pointer can
// turn into a hand over the title row. Column widths are set and read by the owner.
class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    enum class TitlePointer { None, OnMove, OnPress };
    // Extra cell styling: returns a value for a role (ForegroundRole, FontRole...) or an
    // invalid QVariant to keep the default.
    using TRowStyler = std::function<QVariant(int row, int role)>;

    explicit TDBGrid(const QString& objectName, QWidget* parent = nullptr);

    void SetDataSet(TDataSet* dataSet, const QList<TDataSetModel::TColumn>& columns);
    TDataSet* DataSet() const { return m_dataSet; }
    TDataSetModel* Model() const { return m_model; }

    // A title click sorts the data set through SortByField and makes that title bold.
    void SetSortable(bool on);
    bool Sortable() const { return m_sortable; }
    int LastSortedColumn() const { return m_lastSorted; }
    void SetTitlePointer(TitlePointer mode);
    void SetColumnsResizable(bool on);
    void SetMultiSelect(bool on);
    void SetRowIndicator(bool on);
    void SetRowStyler(TRowStyler styler);

    QList<int> ColumnWidths() const;
    void SetColumnWidths(const QList<int>& widths);
    // Visible rows that are selected, in ascending order.
    QList<int> SelectedRows() const;
    bool IsColumnTitleBold(int column) const;

    // For a run that walks the whole data set: the grid neither paints nor follows each move
    // of the current row until ResumeRedraw, which shows the current row once.
    void SuspendRedraw();
    void ResumeRedraw();

Q_SIGNALS:
    void rowDoubleClicked(int row);
    void titleClicked(int column);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FollowDataSet(int row);
    void OnTitleClicked(int column);
    void UpdateTitlePointer(const QPoint& headerPos, bool overHeader);
    // Reads rows a deferred data set still owes, once control is back in the event loop.
    void FetchWhenShown();

    TDataSet* m_dataSet = nullptr;
    TDataSetModel* m_model = nullptr;
    bool m_sortable = false;
    int m_lastSorted = 0;
    TitlePointer m_titlePointer = TitlePointer::None;
    bool m_following = false;
    bool m_suspended = false;
    TRowStyler m_styler;
};
