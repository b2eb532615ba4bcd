#include "ui/TfrmPickConf.h"

#include "ui/TBriefNote.h"
#include "ui/TBusyCursor.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"

#include <QLabel>

TfrmPickConf::TfrmPickConf(TDM& dm, const QWidget* mainWindow, QWidget* parent)
    : TPickerDialog(dm,
                    {QStringLiteral("frmPickConf"),
                     tr("Select conferences"),
                     dm.Conferences,
                     QStringLiteral("dbgPickConf"),
                     {{QStringLiteral("begin_date"), tr("Begin date")},
                      {QStringLiteral("conf_name"), tr("Title")}},
                     QStringLiteral("lConferences"),
                     tr("Double-click on a conference to add it to the participant"),
                     {{0, QStringLiteral("PickConfDateWidth"), 100},
                      {1, QStringLiteral("PickConfNameWidth"), 400}},
                     QPoint(150, 150)},
                    mainWindow, parent)
{
    resize(560, 420);
    Grid()->SetColumnsResizable(true);
    Grid()->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid()->setToolTip(tr("Double-click to add a conference!"));
}

void TfrmPickConf::PickRow()
{
    dbgPickConfDblClick();
}

void TfrmPickConf::dbgPickConfDblClick()
{
    const QVariant userId = m_dm.CurrentParticipantId();
    const QVariant confId = m_dm.CurrentConferenceId();
    // An attendance without a participant or a conference would be a corrupt row.
    if (userId.isNull() || confId.isNull())
        return;
    TBusyCursor busy;
    const QString picked = m_dm.Conferences->FieldByName(QStringLiteral("conf_name")).AsString();
    const bool added = m_dm.AddAttendance(confId, userId) == TDM::TSignIn::Added;
    m_dm.RequeryAfterPickedAttendance();
    // The pick is confirmed where the user looks, as the list itself may not change.
    TBriefNote::Show(ListLabel(), added ? tr("Added: %1").arg(picked)
                                        : tr("Already on the list: %1").arg(picked));
}
