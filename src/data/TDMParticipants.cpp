// Participants and attendances: signing in and out, saving, searching and deleting
// participants, and the lists each change refreshes.
#include "data/TDM.h"

#include "data/TBlankText.h"
#include "db/TConnection.h"
#include "data/TControlsOff.h"
#include "db/TDataSet.h"
#include "db/TTransaction.h"
#include "db/TError.h"
#include "db/TPrompts.h"
#include "db/TSqlDialect.h"

namespace
{

const QString kPair = QStringLiteral("conf_id;user_id");

// A character that would end or split a mail header or command line: C0 and C1 controls, DEL,
// and the Unicode line and paragraph separators.
bool HasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029)
            return true;
    }
    return false;
}

} // namespace

void TDM::AddAttendance()
{
    if (Conferences->IsEmpty() || Participants->IsEmpty())
        return;
    AddAttendance(CurrentConferenceId(), CurrentParticipantId());
}

void TDM::RemoveAttendance(int confId, int userId)
{
    if (m_attendancesBehind) {
        m_attendancesBehind = false;
        Attendances->Requery();
    }
    if (!Attendances->Locate(kPair, QVariantList{confId, userId}))
        return;
    Attendances->Delete();
    RequeryInOrder({ConfParts, PartConfs, Transcripts});
}

void TDM::ClearIfBlank(TDataSet* dataSet, const QString& fieldName)
{
    TField& field = dataSet->FieldByName(fieldName);
    if (TBlankText::IsBlank(field.AsString()))
        field.Clear();
}

void TDM::SaveParticipant()
{
    for (const char* name :
         {"first_name", "address", "city", "state", "zip", "phone", "fax", "email"})
        ClearIfBlank(Participants, QLatin1String(name));
    // A pasted or typed line break in the address would reach the mail server as a command of
    // its own. An address stored so before stays as it is until someone changes it.
    const QString email = Participants->FieldByName(QStringLiteral("email")).AsString();
    if (HasControlCharacter(email)) {
        bool changed = true;
        if (Participants->DataState() == TDataSet::State::Edit)
            changed =
                Conn->ScalarQuery(QStringLiteral("select email from participants where "
                                                 "user_id = ?"),
                                  {Participants->FieldByName(QStringLiteral("user_id")).Value()})
                    .toString() != email;
        if (changed)
            throw TError(
                tr("The E-mail field contains a line break or another control character."));
    }
    Participants->Post();
}

void TDM::SearchParticipants(const QString& text)
{
    // One repaint and one fetch of the detail lists, however many steps the filter takes.
    TControlsOff off({Participants});
    if (TBlankText::IsBlank(text)) {
        Participants->SetFiltered(false);
    } else {
        // Quotes are doubled so a name such as O'Brien is matched as typed.
        Participants->SetFilter(QStringLiteral("last_name like '") +
                                TSqlDialect::EscapeQuotes(text) + QStringLiteral("%'"));
        Participants->SetFiltered(true);
    }
    off.Restore();
}

bool TDM::DeleteParticipant()
{
    bool deleted = false;
    if (!Participants->IsEmpty() && TPrompts::Confirm(tr("Remove participant?"))) {
        Participants->Delete();
        deleted = true;
    }
    RequeryAfterParticipantChange();
    return deleted;
}

void TDM::RequeryAfterPickedAttendance()
{
    RequeryInOrder({PartConfs, ConfParts, Transcripts});
}

void TDM::RequeryAfterSignInAttendance(int userId)
{
    RefreshSignInRow(userId);
    RequeryInOrder({PartConfs, ConfParts});
}

void TDM::RefreshSignInRow(int userId)
{
    // Only this participant's row can have changed; the list shows what a requery would.
    SignInParts->RefreshRow(QStringLiteral("user_id"), userId);
    if (!SignInParts->Locate(QStringLiteral("user_id"), userId))
        SignInParts->First();
}

void TDM::RefreshSignInsElsewhere(const QList<std::pair<qint64, qint64>>& pairs)
{
    if (!SignInParts->Active() || SignInParts->DataState() != TDataSet::State::Browse)
        return;
    const QVariant confId = SignInParts->Param(QStringLiteral("conf_id"));
    const QVariant current = SignInParts->IsEmpty()
                                 ? QVariant()
                                 : SignInParts->FieldByName(QStringLiteral("user_id")).Value();
    try {
        if (pairs.isEmpty()) {
            SignInParts->Requery();
        } else {
            for (const auto& [conf, user] : pairs)
                if (!confId.isNull() && conf == confId.toLongLong())
                    SignInParts->RefreshRow(QStringLiteral("user_id"), QVariant(int(user)));
        }
        if (pairs.isEmpty() && !current.isNull())
            SignInParts->Locate(QStringLiteral("user_id"), current);
    } catch (const TError&) {
        // The list is read again at the next action, which also reports a lost connection.
    }
}

void TDM::RequeryAfterParticipantChange()
{
    RequeryInOrder({PartConfs, ConfParts, SignInConfs, Transcripts});
}

void TDM::RequeryAfterSignInClosed()
{
    RequeryInOrder({ConfParts, PartConfs});
}
