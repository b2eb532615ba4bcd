#include "mail/TWindowsMapi.h"

#if defined(Q_OS_WIN) || defined(QUORVEL_WINDOWS_MAPI_CHECK)

#include <string>

namespace
{

// UTF-16 code units, as Win32 takes them.
std::wstring Wide(const QString& text)
{
    std::wstring wide;
    wide.reserve(size_t(text.size()));
    for (const QChar c : text)
        wide.push_back(wchar_t(c.unicode()));
    return wide;
}

QString FromWide(const std::wstring& text)
{
    QString result;
    result.reserve(qsizetype(text.size()));
    for (const wchar_t c : text)
        result.append(QChar(char16_t(c)));
    return result;
}

TMapi32::TRecipient Recipient(const TSimpleMapi::TRecipient& recipient)
{
    TMapi32::TRecipient plain;
    plain.recipClass = recipient.recipClass;
    plain.name = Wide(recipient.name);
    plain.address = Wide(recipient.address);
    plain.entryId = recipient.entryId.toStdString();
    return plain;
}

} // namespace

bool TWindowsMapi::DefaultProfile(QString& profile)
{
    std::wstring plain;
    const bool found = m_mapi.DefaultProfile(plain);
    profile = FromWide(plain);
    return found;
}

unsigned long TWindowsMapi::Logon(const QString& profile, unsigned long flags, TSession& session)
{
    TMapi32::TSession handle = 0;
    const unsigned long result = m_mapi.Logon(Wide(profile), flags, handle);
    session = TSession(handle);
    return result;
}

unsigned long TWindowsMapi::Logoff(TSession session)
{
    return m_mapi.Logoff(TMapi32::TSession(session));
}

unsigned long TWindowsMapi::ResolveName(const QString& name, unsigned long flags,
                                        TResolved& resolved)
{
    TMapi32::TResolved plain;
    const unsigned long result = m_mapi.ResolveName(Wide(name), flags, plain);
    resolved.name = FromWide(plain.name);
    resolved.address = FromWide(plain.address);
    resolved.entryId = QByteArray::fromStdString(plain.entryId);
    resolved.buffer = plain.buffer;
    return result;
}

void TWindowsMapi::FreeBuffer(TResolved& resolved)
{
    TMapi32::TResolved plain;
    plain.buffer = resolved.buffer;
    m_mapi.FreeBuffer(plain);
    resolved.buffer = nullptr;
}

unsigned long TWindowsMapi::SendMail(TSession session, const TMessage& message, unsigned long flags)
{
    TMapi32::TMessage plain;
    plain.subject = Wide(message.subject);
    plain.noteText = Wide(message.noteText);
    plain.hasOriginator = message.hasOriginator;
    if (message.hasOriginator)
        plain.originator = Recipient(message.originator);
    for (const TRecipient& recipient : message.recipients)
        plain.recipients.push_back(Recipient(recipient));
    for (const TFile& file : message.files) {
        TMapi32::TFile plainFile;
        plainFile.position = file.position;
        plainFile.path = Wide(file.path);
        plainFile.fileName = Wide(file.fileName);
        plain.files.push_back(plainFile);
    }
    return m_mapi.SendMail(TMapi32::TSession(session), plain, flags);
}

#endif
