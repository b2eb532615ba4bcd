#include "ui/TDBGrid.h"

#include "db/TDataSet.h"
#include "data/TSorting.h"

#include <QFont>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTimer>

namespace {

// The grid's model: the data set's cells plus the bold sort title and the row styling.
class TGridModel : public TDataSetModel
{
public:
    TGridModel(TDataSet* ds, const QList<TColumn>& columns, QObject* parent)
        : TDataSetModel(ds, columns, parent)
    {
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::FontRole && boldColumns.contains(section)) {
            QFont f;
            f.setBold(true);
            return f;
        }
        if (orientation == Qt::Vertical && role == Qt::DisplayRole)
            return (DataSet() && !DataSet()->FetchPending() && DataSet()->RecNo() == section)
                       ? QStringLiteral("\u25B8")
                       : QString();
        return TDataSetModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (styler && role != Qt::DisplayRole) {
            const QVariant v = styler(index.row(), role);
            if (v.isValid())
                return v;
        }
        return TDataSetModel::data(index, role);
    }
    void SetBold(int column, bool bold)
    {
        if (bold)
            boldColumns.insert(column);
        else
            boldColumns.remove(column);
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    }
    QSet<int> boldColumns;
    TDBGrid::TRowStyler styler;
};

} // namespace

TDBGrid::TDBGrid(const QString& objectName, QWidget* parent) : QTableView(parent)
{
    setObjectName(objectName);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(false);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->viewport()->installEventFilter(this);
    horizontalHeader()->viewport()->setMouseTracking(true);
    setTabKeyNavigation(false);
    SetColumnsResizable(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TDBGrid::OnTitleClicked);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            Q_EMIT rowDoubleClicked(index.row());
    });
}

void TDBGrid::SetDataSet(TDataSet* dataSet, const QList<TDataSetModel::TColumn>& columns)
{
    const QList<int> widths = ColumnWidths();
    m_dataSet = dataSet;
    auto* model = new TGridModel(dataSet, columns, this);
    model->styler = m_styler;
    if (m_sortable)
        model->SetBold(m_lastSorted, false);
    setModel(model);
    delete m_model;
    m_model = model;
    connect(model, &TDataSetModel::CurrentRowChanged, this, &TDBGrid::FollowDataSet);
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_dataSet->FetchPending())
            FetchWhenShown();
        else
            FollowDataSet(m_dataSet->RecNo());
    });
    if (widths.size() == columns.size())
        SetColumnWidths(widths);
    if (dataSet->FetchPending())
        FetchWhenShown();
    else
        FollowDataSet(dataSet->RecNo());
}

void TDBGrid::FetchWhenShown()
{
    if (!isVisible())
        return;
    QTimer::singleShot(0, this, [this] {
        if (m_dataSet && isVisible())
            m_dataSet->EnsureFetched();
    });
}

void TDBGrid::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    if (m_dataSet && m_dataSet->FetchPending())
        FetchWhenShown();
}

void TDBGrid::SuspendRedraw()
{
    m_suspended = true;
    setUpdatesEnabled(false);
}

void TDBGrid::ResumeRedraw()
{
    if (!m_suspended)
        return;
    m_suspended = false;
    setUpdatesEnabled(true);
    if (m_dataSet && m_dataSet->Active() && !m_dataSet->FetchPending())
        FollowDataSet(m_dataSet->RecNo());
}

void TDBGrid::FollowDataSet(int row)
{
    if (m_following || m_suspended || !m_model)
        return;
    m_following = true;
    if (row >= 0 && row < m_model->rowCount()) {
        const QModelIndex index = m_model->index(row, qMax(0, currentIndex().column()));
        if (selectionMode() == QAbstractItemView::ExtendedSelection || selectionMode() == QAbstractItemView::MultiSelection)
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        else if (selectionBehavior() == QAbstractItemView::SelectItems)
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        else
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        if (verticalHeader()->isVisible())
            m_model->headerDataChanged(Qt::Vertical, 0, qMax(0, m_model->rowCount() - 1));
        scrollTo(index);
    } else {
        selectionModel()->clearCurrentIndex();
    }
    m_following = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !m_dataSet || !current.isValid())
        return;
    if (current.row() != m_dataSet->RecNo()) {
        m_following = true;
        try {
            m_dataSet->SetRecNo(current.row());
        } catch (...) {
            m_following = false;
            throw;
        }
        m_following = false;
    }
}

void TDBGrid::SetSortable(bool on)
{
    m_sortable = on;
}

void TDBGrid::OnTitleClicked(int column)
{
    Q_EMIT titleClicked(column);
    if (!m_sortable || !m_dataSet || !m_model)
        return;
    auto* model = static_cast<TGridModel*>(m_model);
    // Un-bolding the previous title may fail harmlessly (the column may be gone).
    if (m_lastSorted >= 0 && m_lastSorted < model->columnCount())
        model->SetBold(m_lastSorted, false);
    model->SetBold(column, true);
    m_lastSorted = column;
    TSorting::SortByField(m_dataSet, m_model->Columns().at(column).fieldName);
}

bool TDBGrid::IsColumnTitleBold(int column) const
{
    return m_model && static_cast<TGridModel*>(m_model)->boldColumns.contains(column);
}

void TDBGrid::SetTitlePointer(TitlePointer mode)
{
    m_titlePointer = mode;
    setMouseTracking(mode == TitlePointer::OnMove);
    viewport()->setMouseTracking(mode == TitlePointer::OnMove);
}

void TDBGrid::UpdateTitlePointer(const QPoint&, bool overHeader)
{
    if (m_titlePointer == TitlePointer::None)
        return;
    const Qt::CursorShape shape = overHeader ? Qt::PointingHandCursor : Qt::ArrowCursor;
    horizontalHeader()->viewport()->setCursor(shape);
    viewport()->setCursor(Qt::ArrowCursor);
}

bool TDBGrid::viewportEvent(QEvent* event)
{
    if ((event->type() == QEvent::MouseMove && m_titlePointer == TitlePointer::OnMove) ||
        (event->type() == QEvent::MouseButtonPress && m_titlePointer == TitlePointer::OnPress))
        UpdateTitlePointer({}, false);
    return QTableView::viewportEvent(event);
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalHeader()->viewport()) {
        if ((event->type() == QEvent::MouseMove && m_titlePointer == TitlePointer::OnMove) ||
            (event->type() == QEvent::MouseButtonPress && m_titlePointer == TitlePointer::OnPress))
            UpdateTitlePointer({}, true);
    }
    return QTableView::eventFilter(watched, event);
}

void TDBGrid::SetColumnsResizable(bool on)
{
    horizontalHeader()->setSectionResizeMode(on ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void TDBGrid::SetMultiSelect(bool on)
{
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TDBGrid::SetRowIndicator(bool on)
{
    verticalHeader()->setVisible(on);
    verticalHeader()->setFixedWidth(on ? 14 : 0);
    if (on)
        setSelectionBehavior(QAbstractItemView::SelectItems);
}

void TDBGrid::SetRowStyler(TRowStyler styler)
{
    m_styler = std::move(styler);
    if (m_model)
        static_cast<TGridModel*>(m_model)->styler = m_styler;
}

QList<int> TDBGrid::ColumnWidths() const
{
    QList<int> widths;
    if (!m_model)
        return widths;
    for (int c = 0; c < m_model->columnCount(); ++c)
        widths << columnWidth(c);
    return widths;
}

void TDBGrid::SetColumnWidths(const QList<int>& widths)
{
    for (int c = 0; c < widths.size(); ++c)
        setColumnWidth(c, widths.at(c));
}

QList<int> TDBGrid::SelectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}
