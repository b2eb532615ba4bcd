#include "TfrmPickPart.h"

#include "TBriefNote.h"
#include "TBusyCursor.h"
#include "TConfig.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TDialogPlace.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TfrmPickPart* frmPickPart = nullptr;

TfrmPickPart::TfrmPickPart(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPickPart"));
    setWindowTitle(tr("Select participants"));
    resize(300, 420);

    lSearchPart = new QLabel(tr("&Search participant"), this);
    lSearchPart->setObjectName(QStringLiteral("lSearchPart"));
    eSearchPart = new QLineEdit(this);
    eSearchPart->setObjectName(QStringLiteral("eSearchPart"));
    lSearchPart->setBuddy(eSearchPart);

    lParticipants = new QLabel(this);
    lParticipants->setObjectName(QStringLiteral("lParticipants"));
    lParticipants->setWordWrap(true);
    dbgPickPart = new TDBGrid(QStringLiteral("dbgPickPart"), this);
    dbgPickPart->SetDataSet(DM->Participants, {{QStringLiteral("last_name"), tr("Last name")},
                                               {QStringLiteral("first_name"), tr("First name")}});
    dbgPickPart->SetSortable(true);
    dbgPickPart->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    dbgPickPart->SetColumnsResizable(true);
    dbgPickPart->setToolTip(tr("Double-click to add a conference!"));
    connect(dbgPickPart, &TDBGrid::RowDoubleClicked, this, &TfrmPickPart::PickRow);

    eSearchPart->installEventFilter(this);
    dbgPickPart->installEventFilter(this);

    auto* search = new QHBoxLayout;
    search->addWidget(lSearchPart);
    search->addWidget(eSearchPart, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(lParticipants);
    layout->addWidget(dbgPickPart, 1);

    FormCreate();
}

TfrmPickPart::~TfrmPickPart()
{
    FormDestroy();
}

const QList<TColumnWidths::TKey>& TfrmPickPart::WidthKeys()
{
    static const QList<TColumnWidths::TKey> keys = {
        {0, QStringLiteral("PickPartLNameWidth"), 100},
        {1, QStringLiteral("PickPartFNameWidth"), 100},
    };
    return keys;
}

void TfrmPickPart::FormCreate()
{
    // Placed once, relative to the main window as it stands now.
    PlaceBesideMainWindow(*this, QPoint(150, 150));
    lParticipants->setText(tr("Double-click on a participant to add him to the conference"));
    TColumnWidths::Load(*DM->Config, *dbgPickPart, WidthKeys());
}

void TfrmPickPart::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *dbgPickPart, WidthKeys());
}

void TfrmPickPart::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmPickPart::FormShow()
{
    eSearchPart->clear();
    eSearchPart->setFocus();
}

bool TfrmPickPart::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool TfrmPickPart::FormKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (eSearchPart->hasFocus())
        DM->SearchParticipants(eSearchPart->text());
    else if (dbgPickPart->hasFocus())
        PickRow(DM->Participants->RecNo());
    // Enter never reaches a control of the dialog.
    return true;
}

void TfrmPickPart::PickRow(int row)
{
    TDataSet* participants = DM->Participants;
    if (row < 0 || row >= participants->RecordCount())
        return;
    if (participants->RecNo() != row)
        participants->SetRecNo(row);
    dbgPickPartDblClick();
}

void TfrmPickPart::dbgPickPartDblClick()
{
    // An attendance without a participant or a conference would be a corrupt row.
    if (DM->Conferences->RecNo() < 0 || DM->Participants->RecNo() < 0)
        return;
    TBusyCursor busy;
    const QString picked = DM->Participants->FieldByName(QStringLiteral("first_name")).AsString() + u' ' +
                         DM->Participants->FieldByName(QStringLiteral("last_name")).AsString();
    const int before = DM->Attendances->RecordCount();
    DM->AddAttendance();
    const bool added = DM->Attendances->RecordCount() > before;
    DM->RequeryAfterPickedAttendance();
    // The pick is confirmed where the user looks, as the list itself may not change.
    TBriefNote::Show(lParticipants, added ? tr("Added: %1").arg(picked)
                                  : tr("Already on the list: %1").arg(picked));
}
