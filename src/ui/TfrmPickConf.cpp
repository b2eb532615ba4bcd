#include "TfrmPickConf.h"

#include "TBriefNote.h"
#include "TBusyCursor.h"
#include "TConfig.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TDialogPlace.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

TfrmPickConf* frmPickConf = nullptr;

TfrmPickConf::TfrmPickConf(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPickConf"));
    setWindowTitle(tr("Select conferences"));
    resize(560, 420);

    lConferences = new QLabel(this);
    lConferences->setObjectName(QStringLiteral("lConferences"));
    lConferences->setWordWrap(true);
    dbgPickConf = new TDBGrid(QStringLiteral("dbgPickConf"), this);
    dbgPickConf->SetDataSet(DM->Conferences, {{QStringLiteral("begin_date"), tr("Begin date")},
                                              {QStringLiteral("conf_name"), tr("Title")}});
    dbgPickConf->SetSortable(true);
    dbgPickConf->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    dbgPickConf->SetColumnsResizable(true);
    dbgPickConf->setSelectionBehavior(QAbstractItemView::SelectItems);
    dbgPickConf->setToolTip(tr("Double-click to add a conference!"));
    lConferences->setBuddy(dbgPickConf);
    connect(dbgPickConf, &TDBGrid::RowDoubleClicked, this, &TfrmPickConf::PickRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lConferences);
    layout->addWidget(dbgPickConf, 1);

    FormCreate();
}

TfrmPickConf::~TfrmPickConf()
{
    FormDestroy();
}

const QList<TColumnWidths::TKey>& TfrmPickConf::WidthKeys()
{
    static const QList<TColumnWidths::TKey> keys = {
        {0, QStringLiteral("PickConfDateWidth"), 100},
        {1, QStringLiteral("PickConfNameWidth"), 400},
    };
    return keys;
}

void TfrmPickConf::FormCreate()
{
    // Placed once, relative to the main window as it stands now.
    PlaceBesideMainWindow(*this, QPoint(150, 150));
    lConferences->setText(tr("Double-click on a conference to add it to the participant"));
    TColumnWidths::Load(*DM->Config, *dbgPickConf, WidthKeys());
}

void TfrmPickConf::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *dbgPickConf, WidthKeys());
}

void TfrmPickConf::PickRow(int row)
{
    TDataSet* conferences = DM->Conferences;
    if (row < 0 || row >= conferences->RecordCount())
        return;
    if (conferences->RecNo() != row)
        conferences->SetRecNo(row);
    dbgPickConfDblClick();
}

void TfrmPickConf::dbgPickConfDblClick()
{
    // An attendance without a participant or a conference would be a corrupt row.
    if (DM->Participants->RecNo() < 0 || DM->Conferences->RecNo() < 0)
        return;
    TBusyCursor busy;
    const QString picked = DM->Conferences->FieldByName(QStringLiteral("conf_name")).AsString();
    const int before = DM->Attendances->RecordCount();
    DM->AddAttendance();
    const bool added = DM->Attendances->RecordCount() > before;
    DM->RequeryAfterPickedAttendance();
    // The pick is confirmed where the user looks, as the list itself may not change.
    TBriefNote::Show(lConferences, added ? tr("Added: %1").arg(picked)
                                  : tr("Already on the list: %1").arg(picked));
}

void TfrmPickConf::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (dbgPickConf->hasFocus())
            PickRow(DM->Conferences->RecNo());
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
