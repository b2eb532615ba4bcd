#pragma once

#include "mail/TSimpleMapi.h"

#include <QStringList>

// Sends one message through Simple MAPI: the desktop mail client takes it and sends it from
// the user's mailbox. Set the properties, then call Send.
class TMAPIMail
{
public:
    // Every name, address, path and file name handed to Simple MAPI fits 256 characters.
    static constexpr int MaxFieldLength = 256;

    explicit TMAPIMail(TSimpleMapi& mapi) : m_mapi(mapi) {}

    QString Subject;
    QString Body;
    // One recipient per line; "CC:" or "BCC:" in front (any letter case) makes it a copy or a
    // blind copy.
    QStringList Recipients;
    QStringList Attachments;
    // The name each attachment is shown under (same index); the path's file name otherwise.
    QStringList AttachmentNames;
    bool EditDialog = true;
    bool ResolveNames = false;
    QString SenderName;
    QString SenderAddress;

    unsigned long LastError() const { return m_lastError; }

    // True when the mail client took the message (result 0); the result is kept in LastError.
    // A refused logon throws EMailError "MAPI Error <code>: <text>"; a field longer than 256
    // characters throws EMailError before anything is handed over, as does a recipient holding
    // a control character (a line break; kind Address) or such a sender address.
    bool Send();

private:
    TSimpleMapi::TRecipient Recipient(const QString& line);

    TSimpleMapi& m_mapi;
    unsigned long m_lastError = 0;
};
