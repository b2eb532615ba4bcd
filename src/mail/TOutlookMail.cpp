#include "TOutlookMail.h"

#include "TMAPIMail.h"

TOutlookMail::TOutlookMail(std::unique_ptr<TSimpleMapi> mapi) : m_mapi(std::move(mapi)) {}

void TOutlookMail::Send(const QString& from, const QString& to, const QString& subject,
                        const QString& attachment, const QStringList& body)
{
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
