#include "mail/TOutlookMail.h"

#include "mail/TMAPIMail.h"
#include "mail/TMimeText.h"

TOutlookMail::TOutlookMail(std::unique_ptr<TSimpleMapi> mapi) : m_mapi(std::move(mapi)) {}

void TOutlookMail::Send(const QString& from, const QString& to, const QString& subject,
                        const QString& attachment, const QStringList& body,
                        const QString& attachmentName)
{
    TMAPIMail mail(*m_mapi);
    // "CME Office <office@example.org>": the client gets the name and the bare address apart.
    const TMimeText::TMailbox sender = TMimeText::ParseMailbox(from);
    mail.SenderName = sender.name;
    mail.SenderAddress = sender.address;
    mail.Subject = subject;
    for (const QString& line : body)
        mail.Body += line + QStringLiteral("\r\n");
    mail.Recipients = QStringList{QStringLiteral("smtp:") + to};
    mail.Attachments = QStringList{attachment};
    if (!attachmentName.isEmpty())
        mail.AttachmentNames = QStringList{attachmentName};
    mail.EditDialog = false;
    m_lastResult = 0;
    mail.Send();
    m_lastResult = mail.LastError();
}

QString TOutlookMail::LastRefusal() const
{
    if (m_lastResult == 0)
        return {};
    return QStringLiteral("MAPI Error %1: %2").arg(m_lastResult).arg(MapiErrorText(m_lastResult));
}
