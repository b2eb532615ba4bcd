#include "ui/TfrmPickPart.h"

#include "ui/TBriefNote.h"
#include "ui/TBusyCursor.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"

#include <QLabel>

TfrmPickPart::TfrmPickPart(TDM& dm, const QWidget* mainWindow, QWidget* parent)
    : TPickerDialog(dm,
                    {QStringLiteral("frmPickPart"),
                     tr("Select participants"),
                     dm.Participants,
                     QStringLiteral("dbgPickPart"),
                     {{QStringLiteral("last_name"), tr("Last name")},
                      {QStringLiteral("first_name"), tr("First name")}},
                     QStringLiteral("lParticipants"),
                     tr("Double-click on a participant to add him to the conference"),
                     {{0, QStringLiteral("PickPartLNameWidth"), 100},
                      {1, QStringLiteral("PickPartFNameWidth"), 100}},
                     QPoint(150, 150)},
                    mainWindow, parent)
{
    resize(300, 420);
    AddSearch(QStringLiteral("lSearchPart"), tr("&Search participant"),
              QStringLiteral("eSearchPart"));
    Grid()->SetColumnsResizable(true);
    Grid()->setToolTip(tr("Double-click to add a conference!"));
}

void TfrmPickPart::Search(const QString& text)
{
    m_dm.SearchParticipants(text);
}

void TfrmPickPart::PickRow()
{
    dbgPickPartDblClick();
}

void TfrmPickPart::dbgPickPartDblClick()
{
    const QVariant confId = m_dm.CurrentConferenceId();
    const QVariant userId = m_dm.CurrentParticipantId();
    // An attendance without a participant or a conference would be a corrupt row.
    if (confId.isNull() || userId.isNull())
        return;
    TBusyCursor busy;
    TDataSet* participants = m_dm.Participants;
    const QString picked = participants->FieldByName(QStringLiteral("first_name")).AsString() +
                           u' ' + participants->FieldByName(QStringLiteral("last_name")).AsString();
    const bool added = m_dm.AddAttendance(confId, userId) == TDM::TSignIn::Added;
    m_dm.RequeryAfterPickedAttendance();
    // The pick is confirmed where the user looks, as the list itself may not change.
    TBriefNote::Show(ListLabel(), added ? tr("Added: %1").arg(picked)
                                        : tr("Already on the list: %1").arg(picked));
}
