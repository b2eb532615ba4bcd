#include "ui/TPickerDialog.h"

#include "settings/TConfig.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TDialogPlace.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace
{

bool IsEnter(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

} // namespace

TPickerDialog::TPickerDialog(TDM& dm, const TPickerSetup& setup, const QWidget* mainWindow,
                             QWidget* parent)
    : QDialog(parent), m_dm(dm), m_dataSet(setup.dataSet), m_widthKeys(setup.widthKeys)
{
    setObjectName(setup.objectName);
    setWindowTitle(setup.caption);

    m_listPanel = new QWidget(this);
    m_listPanel->setObjectName(QStringLiteral("pGrid"));
    m_label = new QLabel(m_listPanel);
    m_label->setObjectName(setup.labelName);
    m_label->setWordWrap(true);
    m_grid = new TDBGrid(setup.gridName, m_listPanel);
    m_grid->SetDataSet(m_dataSet, setup.columns);
    m_grid->SetSortable(true);
    m_grid->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    m_label->setBuddy(m_grid);
    auto* listLayout = new QVBoxLayout(m_listPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(m_label);
    listLayout->addWidget(m_grid, 1);

    m_layout = new QVBoxLayout(this);
    m_layout->setSpacing(6);
    m_layout->addWidget(m_listPanel, 1);

    connect(m_grid, &TDBGrid::rowDoubleClicked, this, &TPickerDialog::PickRowAt);
    m_grid->installEventFilter(this);

    // Placed once, relative to the main window as it stands now.
    PlaceBesideWindow(*this, mainWindow, setup.offset);
    m_label->setText(setup.labelText);
    TColumnWidths::Load(*m_dm.Config, *m_grid, m_widthKeys);
}

TPickerDialog::~TPickerDialog()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*m_dm.Config, *m_grid, m_widthKeys);
}

void TPickerDialog::AddSearch(const QString& labelName, const QString& caption,
                              const QString& editName)
{
    auto* label = new QLabel(caption, this);
    label->setObjectName(labelName);
    m_search = new QLineEdit(this);
    m_search->setObjectName(editName);
    label->setBuddy(m_search);
    m_search->installEventFilter(this);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_search, 1);
    m_layout->insertLayout(0, row);
    setTabOrder(m_search, m_grid);
}

void TPickerDialog::Search(const QString&) {}

void TPickerDialog::PickRowAt(int row)
{
    if (!CanPick() || row < 0 || row >= m_dataSet->RecordCount())
        return;
    if (m_dataSet->RecNo() != row)
        m_dataSet->SetRecNo(row);
    PickRow();
}

void TPickerDialog::PickCurrentRow()
{
    if (CanPick() && !m_dataSet->IsEmpty())
        PickRowAt(m_dataSet->RecNo());
}

void TPickerDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || !m_search)
        return;
    m_search->clear();
    m_search->setFocus();
}

void TPickerDialog::keyPressEvent(QKeyEvent* event)
{
    if (IsEnter(*event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TPickerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && IsEnter(*static_cast<QKeyEvent*>(event))) {
        if (watched == m_search && m_search->hasFocus()) {
            Search(m_search->text());
            return true;
        }
        if (watched == m_grid && m_grid->hasFocus()) {
            PickCurrentRow();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
