// The sign-in of one participant to one conference, the one way every window records an
// attendance.
#include "data/TDM.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"

#include <QDateTime>

namespace
{

// A sign-in time as either engine gives it.
QDateTime SignInTime(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    return QDateTime::fromString(value.toString().left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// On a server, the whole sign-in by badge in one statement: whose code it is, whether the
// person and the conference are stored, the row unless the pair is there, the time of an
// earlier sign-in (the statement sees the table as it was before its own row) and the name.
const QString kBadgeSignIn = QStringLiteral(
    "with code as (select user_id, 0 as replaced from participants where badge_code = ?1 "
    "union all select user_id, 1 from replaced_badges where badge_code = ?1 "
    "order by replaced limit 1), "
    "pair as (select f.conf_id, c.user_id from code c, conferences f where c.replaced = 0 and "
    "f.conf_id = ?2), "
    "added as (insert into attendances (conf_id, user_id) select conf_id, user_id from pair "
    "on conflict (conf_id, user_id) do nothing returning user_id) "
    "select c.user_id, c.replaced, (select count(*) from pair), (select count(*) from added), "
    "(select a.sign_in_date from attendances a where a.conf_id = ?2 and a.user_id = "
    "c.user_id), trim(coalesce(p.first_name, '') || ' ' || coalesce(p.last_name, '')) "
    "from code c left join participants p on p.user_id = c.user_id");

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
    // One question for the three (a round trip each on a server): -1 when the person or the
    // conference is not stored, else whether the pair is.
    const int pairs =
        Conn->ScalarQuery(QStringLiteral("select case when not exists (select 1 from participants "
                                         "where user_id = ?) or not exists (select 1 from "
                                         "conferences where conf_id = ?) then -1 else (select "
                                         "count(*) from attendances where conf_id = ? and "
                                         "user_id = ?) end"),
                          {userId, confId, confId, userId})
            .toInt();
    if (pairs < 0)
        return TSignIn::NotInDatabase;
    const bool signedIn = pairs > 0;
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

TDM::TBadgeSignIn TDM::AddAttendanceByBadge(const QVariant& confId, const QString& text,
                                            TBadgeCodes& codes)
{
    TBadgeSignIn done;
    const QString code = TBadgeCodes::Normalised(text);
    if (confId.isNull() || code.isEmpty() || !codes.HasCodes())
        return done;
    if (!Conn->IsServer()) {
        // On a file every step is a call into the library: the sign-in of every window.
        const TBadgeCodes::TLookup found = codes.Find(code);
        done.code = found.kind;
        done.userId = found.userId;
        if (found.kind != TBadgeCodes::TKind::Found)
            return done;
        done.result = AddAttendance(confId, found.userId);
        if (done.result == TSignIn::AlreadySignedIn)
            done.signedInAt = SignInTime(
                Conn->ScalarQuery(QStringLiteral("select sign_in_date from attendances where "
                                                 "conf_id = ? and user_id = ?"),
                                  {confId, found.userId}));
        return done;
    }
    const QVariantList row = Conn->WriteAndRead(kBadgeSignIn, {code, confId});
    if (row.size() < 6 || row.at(0).isNull())
        return done;
    done.userId = row.at(0).toInt();
    done.code = row.at(1).toInt() != 0 ? TBadgeCodes::TKind::Replaced : TBadgeCodes::TKind::Found;
    done.name = row.at(5).toString();
    if (done.code == TBadgeCodes::TKind::Replaced || row.at(2).toInt() == 0)
        return done;
    if (row.at(3).toInt() > 0) {
        done.result = TSignIn::Added;
        // The row did not pass through Attendances: a later "Remove" reads the list again.
        if (Attendances->Active() && !Attendances->FetchPending())
            m_attendancesBehind = true;
    } else {
        done.result = TSignIn::AlreadySignedIn;
        done.signedInAt = SignInTime(row.at(4));
    }
    return done;
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
