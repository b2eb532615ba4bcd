#include "ui/TInlineEditPicker.h"

#include "ui/TDBGrid.h"
#include "db/TDataSet.h"
#include "db/TPrompts.h"
#include "ui/TSlidingPanel.h"

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

TInlineEditPicker::TInlineEditPicker(TDM& dm, const TPickerSetup& setup, int detailsHeight,
                                     const QWidget* mainWindow, QWidget* parent)
    : TPickerDialog(dm, setup, mainWindow, parent), m_detailsHeight(detailsHeight)
{
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
    pDetails->SetPanelHeight(0);

    pBottom = new QWidget(this);
    pBottom->setObjectName(QStringLiteral("pBottom"));
    bEdit = MakeButton(QStringLiteral("bEdit"), tr("&Edit"), pBottom);
    bNew = MakeButton(QStringLiteral("bNew"), tr("Add &new"), pBottom);
    auto* bottomLayout = new QHBoxLayout(pBottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(bEdit);
    bottomLayout->addWidget(bNew);
    bottomLayout->addStretch(1);

    DialogLayout()->insertWidget(0, pDetails);
    DialogLayout()->addWidget(pBottom);

    connect(bNew, &QPushButton::clicked, this, &TInlineEditPicker::bNewClick);
    connect(bEdit, &QPushButton::clicked, this, &TInlineEditPicker::bEditClick);
    connect(bSave, &QPushButton::clicked, this, &TInlineEditPicker::bSaveClick);
    connect(bCancel, &QPushButton::clicked, this, &TInlineEditPicker::bCancelClick);
}

TInlineEditPicker::~TInlineEditPicker() = default;

bool TInlineEditPicker::Editing() const
{
    const TDataSet::State state = DataSet()->DataState();
    return state == TDataSet::State::Edit || state == TDataSet::State::Insert;
}

void TInlineEditPicker::bNewClick()
{
    // The row first: when the data set refuses, the dialog stays as it was.
    DataSet()->Append();
    OpenDetails();
    if (m_firstField)
        m_firstField->setFocus();
}

void TInlineEditPicker::bEditClick()
{
    if (DataSet()->IsEmpty())
        return;
    DataSet()->Edit();
    OpenDetails();
    if (m_firstField)
        m_firstField->setFocus();
}

void TInlineEditPicker::bSaveClick()
{
    DataSet()->Post();
    CloseDetails();
}

void TInlineEditPicker::bCancelClick()
{
    DataSet()->Cancel();
    CloseDetails();
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
    Grid()->setFocus();
}

void TInlineEditPicker::SetBrowseState(bool browsing)
{
    ListPanel()->setEnabled(browsing);
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
        // Enter saves the row being edited; on the list it picks, as a double-click does.
        if (Editing())
            bSaveClick();
        event->accept();
        return;
    }
    TPickerDialog::keyPressEvent(event);
}
