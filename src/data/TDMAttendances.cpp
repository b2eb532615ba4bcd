// The sign-in of one participant to one conference, the one way every window records an
// attendance.
#include "data/TDM.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"

namespace
{

bool Stored(TConnection& conn, const QString& table, const QString& keyField, const QVariant& key)
{
    return conn.ScalarQuery(
                   QStringLiteral("select count(*) from %1 where %2 = ?").arg(table, keyField),
                   {key})
               .toInt() > 0;
}

} // namespace

TDM::TSignIn TDM::AddAttendance(const QVariant& confId, const QVariant& userId)
{
    // A row that is being added has no key yet, so nothing can be signed in to or for it.
    if (confId.isNull() || userId.isNull())
        return TSignIn::NotInDatabase;
    // The tables, not the lists, say whether the pair and its two rows are there: a list may
    // be older than its table, or narrowed by a page's search. The checks and the insert share
    // one write transaction; the list learns the new row without being read whole.
    TTransaction transaction(*Conn);
    transaction.UndoBeforeRollback([this] { Attendances->Cancel(); });
    if (!Stored(*Conn, QStringLiteral("participants"), QStringLiteral("user_id"), userId) ||
        !Stored(*Conn, QStringLiteral("conferences"), QStringLiteral("conf_id"), confId))
        return TSignIn::NotInDatabase;
    const bool signedIn =
        Conn->ScalarQuery(QStringLiteral("select count(*) from attendances where conf_id = ? and "
                                         "user_id = ?"),
                          {confId, userId})
            .toInt() > 0;
    if (!signedIn) {
        // On failure the list drops the half-made row and the transaction rolls the table back.
        Attendances->Append();
        Attendances->FieldByName(QStringLiteral("conf_id")).SetValue(confId);
        Attendances->FieldByName(QStringLiteral("user_id")).SetValue(userId);
        Attendances->Post();
    }
    transaction.Commit();
    return signedIn ? TSignIn::AlreadySignedIn : TSignIn::Added;
}

QVariant TDM::CurrentConferenceId() const
{
    if (Conferences->RecNo() < 0)
        return {};
    return Conferences->FieldByName(QStringLiteral("conf_id")).Value();
}

QVariant TDM::CurrentParticipantId() const
{
    if (Participants->RecNo() < 0)
        return {};
    return Participants->FieldByName(QStringLiteral("user_id")).Value();
}
