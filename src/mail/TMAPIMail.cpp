#include "mail/TMAPIMail.h"

#include "mail/TMailHandler.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TMAPIMail", text);
}

void CheckLength(const QString& what, const QString& text)
{
    if (text.size() > TMAPIMail::MaxFieldLength)
        throw EMailError(Tr("The %1 is longer than %2 characters, more than the mail "
                            "client accepts: %3")
                             .arg(what)
                             .arg(TMAPIMail::MaxFieldLength)
                             .arg(text.left(40) + QStringLiteral("...")));
}

// Logs off on every way out of Send; an error there is swallowed.
struct TSessionGuard {
    TSimpleMapi& mapi;
    TSimpleMapi::TSession session = 0;
    bool open = false;
    ~TSessionGuard()
    {
        if (open) {
            try {
                mapi.Logoff(session);
            } catch (...) {
            }
        }
    }
};

} // namespace

TSimpleMapi::TRecipient TMAPIMail::Recipient(const QString& line)
{
    TSimpleMapi::TRecipient recipient;
    QString text = line;
    if (line.left(3).toUpper() == QLatin1String("CC:")) {
        recipient.recipClass = TSimpleMapi::Cc;
        text = line.mid(3);
    } else if (line.left(4).toUpper() == QLatin1String("BCC:")) {
        recipient.recipClass = TSimpleMapi::Bcc;
        text = line.mid(4);
    }
    CheckLength(Tr("recipient"), text);
    if (!ResolveNames) {
        recipient.name = text;
        recipient.address = text;
        return recipient;
    }
    TSimpleMapi::TResolved resolved;
    unsigned long code = m_mapi.ResolveName(text, 0, resolved);
    if (code == TSimpleMapi::UnknownRecipient || code == TSimpleMapi::AmbiguousRecipient)
        code = m_mapi.ResolveName(text, TSimpleMapi::Dialog, resolved);
    if (code == TSimpleMapi::SuccessSuccess) {
        recipient.name = resolved.name;
        recipient.address = resolved.address.isEmpty() ? resolved.name : resolved.address;
        recipient.entryId = resolved.entryId;
        m_mapi.FreeBuffer(resolved);
    }
    return recipient;
}

bool TMAPIMail::Send()
{
    // Refuse over-long fields before anything reaches the mail client: cutting an address
    // would send the transcript to someone else.
    // Nor may an address carry a line break into the message: the whole message is refused
    // before the mail client sees any of it.
    for (const QString& line : std::as_const(Recipients))
        CheckMailAddress(line);
    if (HasMailControlCharacter(SenderAddress))
        throw EMailError(Tr("The sender address contains a line break or another "
                            "control character."));
    CheckLength(Tr("sender name"), SenderName.isEmpty() ? SenderAddress : SenderName);
    CheckLength(Tr("sender address"), SenderAddress);
    for (qsizetype i = 0; i < Attachments.size(); ++i) {
        CheckLength(Tr("attachment path"), Attachments.at(i));
        if (i < AttachmentNames.size())
            CheckLength(Tr("attachment name"), AttachmentNames.at(i));
    }

    TSessionGuard guard{m_mapi};
    QString profile;
    if (m_mapi.DefaultProfile(profile)) {
        const unsigned long code = m_mapi.Logon(profile, TSimpleMapi::NewSession, guard.session);
        if (code != TSimpleMapi::SuccessSuccess)
            throw EMailError(Tr("MAPI Error %1: %2").arg(code).arg(MapiErrorText(code)));
        guard.open = true;
    }

    TSimpleMapi::TMessage message;
    message.subject = Subject;
    message.noteText = Body;
    if (!SenderAddress.isEmpty()) {
        message.hasOriginator = true;
        message.originator.recipClass = TSimpleMapi::Orig;
        message.originator.name = SenderName.isEmpty() ? SenderAddress : SenderName;
        message.originator.address = SenderAddress;
    }
    for (qsizetype i = 0; i < Attachments.size(); ++i) {
        TSimpleMapi::TFile file;
        file.path = Attachments.at(i);
        file.fileName =
            i < AttachmentNames.size() ? AttachmentNames.at(i) : QFileInfo(file.path).fileName();
        message.files << file;
    }
    for (const QString& line : Recipients)
        message.recipients << Recipient(line);

    unsigned long flags = TSimpleMapi::LogonUi;
    if (EditDialog)
        flags |= TSimpleMapi::Dialog;
    if (!guard.open)
        flags |= TSimpleMapi::LogonUi | TSimpleMapi::NewSession;
    m_lastError = m_mapi.SendMail(0, message, flags);
    return m_lastError == TSimpleMapi::SuccessSuccess;
}
