#include "TOutlookMail.h"

#include "TMAPIMail.h"

TOutlookMail::TOutlookMail(std::unique_ptr<TSimpleMapi> mapi) : m_mapi(std::move(mapi)) {}

void TOutlookMail::Send(const QString& from, const QString& to, const QString& subject,
                        const QString& attachment, const QStringList& body,
                        const QString& attachmentName)
{
    Q_UNUSED(attachmentName)
    TMAPIMail mail(*m_mapi);
    mail.SenderAddress = from;
    mail.Subject = subject;
    for (const QString& line : body)
        mail.Body += line + QStringLiteral("\r\n");
    mail.Recipients = QStringList{QStringLiteral("smtp:") + to};
    mail.Attachments = QStringList{attachment};
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
