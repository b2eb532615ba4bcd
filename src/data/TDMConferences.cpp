// Conference records: the lists of a conference's speakers, additional info and credit types,
// the detail values of the current conference, and saving a conference with its link rows.
#include "data/TDM.h"

#include "data/TConferenceDetails.h"
#include "db/TConnection.h"
#include "data/TControlsOff.h"
#include "db/TDataSet.h"
#include "db/TTransaction.h"
#include "db/TError.h"
#include "data/TIdList.h"

#include <QCoreApplication>

#include <cmath>

namespace
{

const QString kConfId = QStringLiteral("conf_id");

// Walks every row of the data set with its notifications off; they come back on also when a
// step fails.
template <typename TPerRow> void WalkRows(TDataSet* dataSet, TPerRow perRow)
{
    TControlsOff off({dataSet});
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
        perRow();
    off.Restore();
}

// Units are stored with two decimals from 0 to 99.99; anything else is refused rather than
// rounded or stored as null.
void CheckUnits(double units)
{
    const double hundredths = units * 100.0;
    if (!std::isfinite(units) || units < 0 || units > 99.99 ||
        std::abs(hundredths - std::round(hundredths)) > 1e-6)
        throw EFieldError(QCoreApplication::translate("TDM",
                                                      "units must be a number from 0 to "
                                                      "99.99 with at most two decimals, not %1")
                              .arg(QString::number(units, 'g', 10)));
}

QString FirstAndLast(const QString& first, const QString& last)
{
    return QStringLiteral("%1 %2").arg(first, last);
}

// The date of one picker with the time of day of another; no date stores null.
void SetDateAndTime(TField& field, const QDate& date, const QTime& time)
{
    if (!date.isValid()) {
        field.Clear();
        return;
    }
    const QTime timeOfDay =
        time.isValid() ? QTime(time.hour(), time.minute(), time.second()) : QTime(0, 0);
    field.SetAsDateTime(QDateTime(date, timeOfDay));
}

// Replaces the link rows of one conference in a link table by one row per line.
void RewriteLinks(TConnection& conn, const QString& table, TDataSet* links, const QString& keyField,
                  const TIdList& lines, int confId)
{
    conn.Execute(QStringLiteral("delete from %1 where [conf_id] = %2").arg(table).arg(confId));
    links->Requery();
    for (const TIdItem& line : lines) {
        links->Insert();
        links->FieldByName(kConfId).SetAsInteger(confId);
        links->FieldByName(keyField).SetAsInteger(line.Id());
        links->Post();
    }
}

} // namespace

void TDM::FillCredits(TIdList& list)
{
    list.Clear();
    WalkRows(Credits, [&] {
        list.Add(Credits->FieldByName(QStringLiteral("c_name")).AsString(),
                 Credits->FieldByName(QStringLiteral("credit_id")).AsInteger());
    });
    Credits->First();
}

void TDM::FillConferenceCredits(TIdList& list)
{
    list.Clear();
    WalkRows(ConfCredits, [&] {
        list.Add(ConfCredits->FieldByName(QStringLiteral("l_c_name")).AsString(),
                 ConfCredits->FieldByName(QStringLiteral("credit_id")).AsInteger());
    });
}

void TDM::FillConferenceSpeakers(TIdList& list)
{
    list.Clear();
    WalkRows(ConfSpeakers, [&] {
        list.Add(FirstAndLast(ConfSpeakers->FieldByName(QStringLiteral("l_first_name")).AsString(),
                              ConfSpeakers->FieldByName(QStringLiteral("l_last_name")).AsString()),
                 ConfSpeakers->FieldByName(QStringLiteral("speak_id")).AsInteger());
    });
}

void TDM::FillConferenceExtras(TIdList& list)
{
    list.Clear();
    WalkRows(ConfExtras, [&] {
        list.Add(ConfExtras->FieldByName(QStringLiteral("l_e_name")).AsString(),
                 ConfExtras->FieldByName(QStringLiteral("extra_id")).AsInteger());
    });
}

void TDM::AddPickedSpeaker(TIdList& list)
{
    if (Speakers->IsEmpty())
        return;
    const QString text =
        FirstAndLast(Speakers->FieldByName(QStringLiteral("first_name")).AsString(),
                     Speakers->FieldByName(QStringLiteral("last_name")).AsString());
    if (list.IndexOf(text, Qt::CaseInsensitive) < 0)
        list.Add(text, Speakers->FieldByName(QStringLiteral("speak_id")).AsInteger());
}

void TDM::AddPickedExtra(TIdList& list)
{
    if (Extras->IsEmpty())
        return;
    const QString text = Extras->FieldByName(QStringLiteral("e_name")).AsString();
    if (list.IndexOf(text, Qt::CaseInsensitive) < 0)
        list.Add(text, Extras->FieldByName(QStringLiteral("extra_id")).AsInteger());
}

bool TDM::ShowCurrentConference(TConferenceDetails& details)
{
    // While the user edits, the controls keep what is being typed.
    if (Conferences->DataState() != TDataSet::State::Browse)
        return false;

    TIdList granted;
    FillConferenceCredits(granted);
    details.Credits.SetAllChecked(false);
    for (const TIdItem& credit : granted) {
        const int index = details.Credits.IndexOf(credit.Text, Qt::CaseSensitive);
        if (index >= 0)
            details.Credits.SetChecked(index, true);
    }
    FillConferenceSpeakers(details.Speakers);
    FillConferenceExtras(details.Extras);

    details.Title = Conferences->FieldByName(QStringLiteral("conf_name")).AsString();
    details.Series = Conferences->FieldByName(QStringLiteral("series")).AsString();
    details.Units = Conferences->FieldByName(QStringLiteral("units")).AsFloat();
    const QDateTime begin = Conferences->FieldByName(QStringLiteral("begin_date")).AsDateTime();
    const QDateTime end = Conferences->FieldByName(QStringLiteral("end_date")).AsDateTime();
    details.BeginDate = begin.date();
    details.BeginTime = begin.time();
    details.EndDate = end.date();
    details.EndTime = end.time();
    return true;
}

void TDM::SaveConference(const TConferenceDetails& details)
{
    SaveConference(details.Credits.CheckedItems(), details.Speakers, details.Extras, details.Units,
                   details.BeginDate, details.BeginTime, details.EndDate, details.EndTime);
}

void TDM::SaveConference(const TIdList& checkedCredits, const TIdList& speakers,
                         const TIdList& extras, double units, const QDate& beginDate,
                         const QTime& beginTime, const QDate& endDate, const QTime& endTime)
{
    CheckUnits(units);
    TControlsOff off({Conferences, ConfCredits, ConfSpeakers, ConfExtras});
    const bool wasInsert = Conferences->DataState() == TDataSet::State::Insert;
    Conferences->FieldByName(QStringLiteral("units")).SetAsFloat(units);
    SetDateAndTime(Conferences->FieldByName(QStringLiteral("begin_date")), beginDate, beginTime);
    SetDateAndTime(Conferences->FieldByName(QStringLiteral("end_date")), endDate, endTime);

    // What the user typed, to put back into the row when the save fails.
    QList<QPair<QString, QVariant>> typed;
    for (int i = 0; i < Conferences->FieldCount(); ++i) {
        const TField& field = Conferences->Fields(i);
        if (field.Kind() == TFieldKind::Data && field.FieldName() != kConfId)
            typed.append({field.FieldName(), field.Value()});
    }

    // The row and its three sets of link rows are stored together or not at all.
    bool posted = false;
    int confId = 0;
    TTransaction transaction(*Conn);
    UndoFailedConferenceSave(transaction, posted, wasInsert, typed, confId);
    Conferences->Post();
    posted = true;
    confId = Conferences->FieldByName(kConfId).AsInteger();
    RewriteLinks(*Conn, QStringLiteral("conf_speakers"), ConfSpeakers, QStringLiteral("speak_id"),
                 speakers, confId);
    RewriteLinks(*Conn, QStringLiteral("conf_extras"), ConfExtras, QStringLiteral("extra_id"),
                 extras, confId);
    RewriteLinks(*Conn, QStringLiteral("conf_credits"), ConfCredits, QStringLiteral("credit_id"),
                 checkedCredits, confId);
    transaction.Commit();
    off.Restore();
}

void TDM::UndoFailedConferenceSave(TTransaction& transaction, const bool& posted, bool wasInsert,
                                   const QList<QPair<QString, QVariant>>& typed,
                                   const int& confId)
{
    for (TDataSet* links : {ConfSpeakers, ConfExtras, ConfCredits})
        transaction.UndoBeforeRollback([links] { links->Cancel(); });
    // The new row leaves the list before the rollback, so the delete is undone with the rest.
    transaction.UndoBeforeRollback([this, &posted, wasInsert] {
        if (posted && wasInsert)
            Conferences->Delete();
    });
    // A refused post kept the edit or insert state and the typed values; after a later failure
    // the typed values come back into the row.
    transaction.UndoAfterRollback([this, &posted, wasInsert, &typed, &confId] {
        if (!posted)
            return;
        if (wasInsert) {
            Conferences->Insert();
        } else {
            Conferences->Refresh(kConfId); // the stored row again, as Cancel must show it
            if (Conferences->FieldByName(kConfId).AsInteger() != confId)
                return;
            Conferences->Edit();
        }
        for (const auto& [name, value] : typed)
            if (!wasInsert || !value.isNull())
                Conferences->FieldByName(name).SetValue(value);
    });
    for (TDataSet* links : {ConfSpeakers, ConfExtras, ConfCredits})
        transaction.UndoAfterRollback([links, &posted] {
            if (posted)
                links->Requery();
        });
}

void TDM::RequeryAfterConferenceChange()
{
    RequeryInOrder({Attendances, PartConfs, ConfParts, CalendarConfs, SignInConfs, Transcripts});
}

void TDM::RequeryInOrder(std::initializer_list<TDataSet*> dataSets)
{
    for (TDataSet* ds : dataSets)
        ds->Requery();
}
