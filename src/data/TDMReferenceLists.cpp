// Reference lists: removing a credit type, title, speciality, speaker or additional-info item
// together with what refers to it, and the name look-ups of the documents.
#include "data/TDM.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TTransaction.h"

void TDM::RemoveReferenceRow(TDataSet* list, const QString& keyField, const QStringList& statements,
                             std::initializer_list<TDataSet*> requeries)
{
    const int key = list->FieldByName(keyField).AsInteger();
    // The references and the row go together or not at all.
    bool rowDeleted = false;
    TTransaction transaction(*Conn);
    // On failure the lists show the database as it is again: the row is back in its list.
    transaction.UndoAfterRollback([&] {
        if (!rowDeleted)
            return;
        list->Requery();
        list->Locate(keyField, key);
    });
    for (TDataSet* ds : requeries)
        transaction.UndoAfterRollback([ds] { ds->Requery(); });
    for (const QString& statement : statements)
        Conn->Execute(statement.arg(key));
    list->Delete();
    rowDeleted = true;
    RequeryInOrder(requeries);
    transaction.Commit();
}

void TDM::DeleteCredit()
{
    RemoveReferenceRow(Credits, QStringLiteral("credit_id"),
                       {QStringLiteral("delete from conf_credits where credit_id = %1")},
                       {ConfCredits});
}

void TDM::DeleteSpeciality()
{
    RemoveReferenceRow(
        Specialities, QStringLiteral("spec_id"),
        {QStringLiteral("update participants set spec_id = null where spec_id = %1")},
        {Participants});
}

void TDM::DeleteTitle()
{
    RemoveReferenceRow(
        Titles, QStringLiteral("title_id"),
        {QStringLiteral("update participants set title_id = null where title_id = %1"),
         QStringLiteral("update speakers set title_id = null where title_id = %1")},
        {Participants, Speakers});
}

void TDM::DeleteSpeaker()
{
    RemoveReferenceRow(Speakers, QStringLiteral("speak_id"),
                       {QStringLiteral("delete from conf_speakers where speak_id = %1")},
                       {ConfSpeakers});
}

void TDM::DeleteExtra()
{
    RemoveReferenceRow(Extras, QStringLiteral("extra_id"),
                       {QStringLiteral("delete from conf_extras where extra_id = %1")},
                       {ConfExtras});
}

QString TDM::TitleName(int titleId) const
{
    return Titles->Lookup(QStringLiteral("title_id"), titleId, QStringLiteral("t_name")).toString();
}

QString TDM::SpecialityName(int specId) const
{
    return Specialities->Lookup(QStringLiteral("spec_id"), specId, QStringLiteral("s_name"))
        .toString();
}
