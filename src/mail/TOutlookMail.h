#pragma once

#include "mail/TMailHandler.h"
#include "mail/TSimpleMapi.h"

#include <memory>

// Delivery through the desktop mail client (Simple MAPI, or the local mail command where
// Simple MAPI does not exist). A message the client refuses is skipped without a word; an
// error of the path itself (logon refused, mail command failed) ends the run.
class TOutlookMail : public TMailHandler
{
public:
    explicit TOutlookMail(std::unique_ptr<TSimpleMapi> mapi = CreatePlatformMapi());

    using TMailHandler::Send;
    void Send(const QString& from, const QString& to, const QString& subject,
              const QString& attachment, const QStringList& body,
              const QString& attachmentName) override;
    // "MAPI Error <n>: <text>" for a message the client refused.
    QString LastRefusal() const override;

    // The mail client's result for the last message (0: taken), so a delivery log can tell a
    // skipped message from a sent one; Send itself goes on regardless.
    unsigned long LastResult() const { return m_lastResult; }

private:
    std::unique_ptr<TSimpleMapi> m_mapi;
    unsigned long m_lastResult = 0;
};
