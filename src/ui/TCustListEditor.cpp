#include "ui/TCustListEditor.h"

#include "ui/TDBEdit.h"
#include "ui/TDBGrid.h"
#include "ui/TDBLookupComboBox.h"
#include "db/TDataSet.h"
#include "ui/TPageBase.h"
#include "db/TPrompts.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TCustListEditor::TCustListEditor(TPrompts& prompts, QTabWidget& subPages, const TSetup& setup,
                                 QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_subPages(subPages), m_dataSet(setup.dataSet),
      m_hidesOtherSubPages(setup.hidesOtherSubPages), m_removeQuestion(setup.removeQuestion)
{
    m_grid = new TDBGrid(setup.gridName, this);
    m_grid->SetRowIndicator(true);
    m_grid->SetDataSet(m_dataSet, setup.columns);
    m_grid->SetSortable(false);
    m_grid->SetColumnsResizable(false);
    for (int column = 0; column < setup.columns.size(); ++column)
        m_grid->setColumnWidth(column, 100);

    m_panel = new QFrame(this);
    m_panel->setObjectName(setup.panelName);
    m_panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* panelLayout = new QVBoxLayout(m_panel);
    m_details = new QFormLayout;
    m_details->setRowWrapPolicy(QFormLayout::WrapAllRows);
    m_details->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    panelLayout->addLayout(m_details);
    panelLayout->addStretch(1);

    m_edit = MakeButton(tr("&Edit"), setup.buttonStem + QStringLiteral("Edit"));
    m_new = MakeButton(tr("&Add new"), setup.buttonStem + QStringLiteral("New"));
    m_delete = MakeButton(tr("&Remove"), setup.buttonStem + QStringLiteral("Delete"));
    m_save = MakeButton(tr("&Save"), setup.buttonStem + QStringLiteral("Save"));
    m_cancel = MakeButton(tr("&Cancel"), setup.buttonStem + QStringLiteral("Cancel"));
    connect(m_edit, &QPushButton::clicked, this, &TCustListEditor::EditClick);
    connect(m_new, &QPushButton::clicked, this, &TCustListEditor::NewClick);
    connect(m_delete, &QPushButton::clicked, this, &TCustListEditor::DeleteClick);
    connect(m_save, &QPushButton::clicked, this, &TCustListEditor::SaveClick);
    connect(m_cancel, &QPushButton::clicked, this, &TCustListEditor::CancelClick);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_edit);
    buttons->addWidget(m_new);
    buttons->addWidget(m_delete);
    buttons->addSpacing(24);
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_grid, 5);
    layout->addWidget(m_panel, 4);
    layout->addLayout(buttons);

    // Every editor starts browsing; the tabs are the page's business until it is shown.
    ApplyControls(false);
}

QPushButton* TCustListEditor::MakeButton(const QString& caption, const QString& objectName)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setMinimumWidth(80);
    return button;
}

TDBEdit* TCustListEditor::AddEdit(const QString& caption, const QString& objectName,
                                  const QString& fieldName, bool autoEdit)
{
    auto* edit = new TDBEdit(objectName, m_panel);
    edit->Bind(m_dataSet, fieldName, autoEdit);
    auto* label = new QLabel(caption, m_panel);
    label->setBuddy(edit);
    m_details->addRow(label, edit);
    AddDetail(edit);
    return edit;
}

TDBLookupComboBox* TCustListEditor::AddLookup(const QString& caption, const QString& objectName,
                                              const QString& fieldName, TDataSet* listDataSet,
                                              const QString& keyField, const QString& displayField)
{
    auto* combo = new TDBLookupComboBox(objectName, m_panel);
    combo->Bind(m_dataSet, fieldName);
    combo->SetListSource(listDataSet, keyField, displayField);
    auto* label = new QLabel(caption, m_panel);
    label->setBuddy(combo);
    m_details->addRow(label, combo);
    AddDetail(combo);
    return combo;
}

void TCustListEditor::AddDetail(QWidget* control)
{
    if (!m_nameControl)
        m_nameControl = control;
    m_detailControls << control;
    // Tab goes from the list through the details to the buttons.
    QList<QWidget*> chain{m_grid};
    chain << m_detailControls << m_edit << m_new << m_delete << m_save << m_cancel;
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
}

void TCustListEditor::ApplyControls(bool editing)
{
    m_panel->setEnabled(editing);
    m_grid->setEnabled(!editing);
    m_edit->setEnabled(!editing);
    m_new->setEnabled(!editing);
    m_delete->setEnabled(!editing);
    m_save->setEnabled(editing);
    m_cancel->setEnabled(editing);
}

void TCustListEditor::SetEditState()
{
    Q_EMIT editingStarted();
    if (m_hidesOtherSubPages)
        TPageBase::ShowOtherTabs(&m_subPages, false);
    ApplyControls(true);
}

void TCustListEditor::SetBrowseState()
{
    Q_EMIT editingFinished();
    if (m_hidesOtherSubPages)
        TPageBase::ShowOtherTabs(&m_subPages, true);
    ApplyControls(false);
}

void TCustListEditor::FocusNameControl()
{
    if (m_nameControl)
        m_nameControl->setFocus(Qt::OtherFocusReason);
}

void TCustListEditor::EditClick()
{
    if (m_dataSet->IsEmpty())
        return;
    SetEditState();
    try {
        m_dataSet->Edit();
    } catch (...) {
        // A row that cannot be edited leaves the list as it was.
        SetBrowseState();
        throw;
    }
    FocusNameControl();
}

void TCustListEditor::NewClick()
{
    SetEditState();
    try {
        m_dataSet->Insert();
    } catch (...) {
        SetBrowseState();
        throw;
    }
    FocusNameControl();
}

void TCustListEditor::DeleteClick()
{
    if (m_dataSet->IsEmpty())
        return;
    if (!m_prompts.AskConfirm(m_removeQuestion))
        return;
    if (m_removeSteps)
        m_removeSteps();
}

void TCustListEditor::SaveClick()
{
    // A refused post throws here and the editor stays in its edit state.
    m_dataSet->Post();
    if (m_afterPost)
        m_afterPost();
    SetBrowseState();
    m_grid->setFocus(Qt::OtherFocusReason);
}

void TCustListEditor::CancelClick()
{
    m_dataSet->Cancel();
    SetBrowseState();
    m_grid->setFocus(Qt::OtherFocusReason);
}
