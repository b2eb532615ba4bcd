#include "TInlineEditPicker.h"

#include "TDBGrid.h"
#include "TDataSet.h"
#include "TPrompts.h"
#include "TSlidingPanel.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter is the dialog's own key (save or pick), never a hidden default button's.
    button->setAutoDefault(false);
    return button;
}

} // namespace

TInlineEditPicker::TInlineEditPicker(const QString& objectName, TDataSet* dataSet,
                                     const QString& gridName, const QString& labelName,
                                     int detailsHeight, QWidget* parent)
    : QDialog(parent), m_dataSet(dataSet), m_detailsHeight(detailsHeight)
{
    setObjectName(objectName);

    pDetails = new TSlidingPanel(QStringLiteral("pDetails"), this);
    auto* detailsLayout = new QHBoxLayout(pDetails->Content());
    detailsLayout->setContentsMargins(6, 6, 6, 6);
    m_fields = new QGridLayout;
    m_fields->setHorizontalSpacing(8);
    m_fields->setVerticalSpacing(6);
    m_fields->setColumnStretch(1, 1);
    detailsLayout->addLayout(m_fields, 1);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    bSave = MakeButton(QStringLiteral("bSave"), tr("&Save"), pDetails->Content());
    bCancel = MakeButton(QStringLiteral("bCancel"), tr("&Cancel"), pDetails->Content());
    buttons->addWidget(bSave);
    buttons->addWidget(bCancel);
    buttons->addStretch(1);
    detailsLayout->addLayout(buttons);

    pGrid = new QWidget(this);
    pGrid->setObjectName(QStringLiteral("pGrid"));
    m_label = new QLabel(pGrid);
    m_label->setObjectName(labelName);
    m_label->setWordWrap(true);
    m_grid = new TDBGrid(gridName, pGrid);
    m_grid->SetSortable(true);
    m_grid->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    m_label->setBuddy(m_grid);
    auto* gridLayout = new QVBoxLayout(pGrid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->addWidget(m_label);
    gridLayout->addWidget(m_grid, 1);

    pBottom = new QWidget(this);
    pBottom->setObjectName(QStringLiteral("pBottom"));
    bEdit = MakeButton(QStringLiteral("bEdit"), tr("&Edit"), pBottom);
    bNew = MakeButton(QStringLiteral("bNew"), tr("Add &new"), pBottom);
    auto* bottomLayout = new QHBoxLayout(pBottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(bEdit);
    bottomLayout->addWidget(bNew);
    bottomLayout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->addWidget(pDetails);
    layout->addWidget(pGrid, 1);
    layout->addWidget(pBottom);

    connect(bNew, &QPushButton::clicked, this, &TInlineEditPicker::bNewClick);
    connect(bEdit, &QPushButton::clicked, this, &TInlineEditPicker::bEditClick);
    connect(bSave, &QPushButton::clicked, this, &TInlineEditPicker::bSaveClick);
    connect(bCancel, &QPushButton::clicked, this, &TInlineEditPicker::bCancelClick);
    connect(m_grid, &TDBGrid::RowDoubleClicked, this, [this](int row) {
        if (!Editing() && row >= 0 && row < m_dataSet->RecordCount()) {
            if (m_dataSet->RecNo() != row)
                m_dataSet->SetRecNo(row);
            PickRow();
        }
    });
}

TInlineEditPicker::~TInlineEditPicker() = default;

bool TInlineEditPicker::Editing() const
{
    const TDataSet::State state = m_dataSet->DataState();
    return state == TDataSet::State::Edit || state == TDataSet::State::Insert;
}

void TInlineEditPicker::bNewClick()
{
    // The row first: when the data set refuses, the dialog stays as it was.
    m_dataSet->Append();
    OpenDetails();
    if (m_firstField)
        m_firstField->setFocus();
}

void TInlineEditPicker::bEditClick()
{
    if (m_dataSet->IsEmpty())
        return;
    m_dataSet->Edit();
    OpenDetails();
    if (m_firstField)
        m_firstField->setFocus();
}

void TInlineEditPicker::bSaveClick()
{
    m_dataSet->Post();
    CloseDetails();
}

void TInlineEditPicker::bCancelClick()
{
    m_dataSet->Cancel();
    CloseDetails();
}

void TInlineEditPicker::PickCurrentRow()
{
    if (!Editing() && !m_dataSet->IsEmpty())
        PickRow();
}

void TInlineEditPicker::OpenDetails()
{
    SetBrowseState(false);
    pDetails->ExpandPanel(m_detailsHeight);
}

void TInlineEditPicker::CloseDetails()
{
    pDetails->CollapsePanel(m_detailsHeight);
    SetBrowseState(true);
    m_grid->setFocus();
}

void TInlineEditPicker::SetBrowseState(bool browsing)
{
    pGrid->setEnabled(browsing);
    bNew->setEnabled(browsing);
    bEdit->setEnabled(browsing);
    // A closing panel takes no more clicks on its Save and Cancel.
    pDetails->Content()->setEnabled(!browsing);
}

void TInlineEditPicker::FormCloseQuery(bool& canClose)
{
    canClose = !Editing();
    if (!canClose)
        TPrompts::ShowPlain(tr("Save or cancel changes first!"));
}

void TInlineEditPicker::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TInlineEditPicker::reject()
{
    // Escape and the close box both end here.
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        QDialog::reject();
}

void TInlineEditPicker::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter saves the row being edited, or picks the list's row like a double-click.
        if (Editing())
            bSaveClick();
        else if (m_grid->hasFocus())
            PickCurrentRow();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
