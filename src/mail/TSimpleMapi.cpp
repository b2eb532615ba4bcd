#include "mail/TSimpleMapi.h"

#include "mail/TSendmailMapi.h"
#include "mail/TWindowsMapi.h"

#include <QCoreApplication>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSimpleMapi", text);
}

} // namespace

QString MapiErrorText(unsigned long code)
{
    switch (code) {
    case 1:
        return Tr("User cancelled request");
    case 2:
        return Tr("General MAPI failure");
    case 3:
        return Tr("Logon failure");
    case 4:
        return Tr("Disk full");
    case 5:
        return Tr("Insufficient memory");
    case 6:
        return Tr("Access denied");
    case 8:
        return Tr("Too many sessions");
    case 9:
        return Tr("Too many files open");
    case 10:
        return Tr("Too many recipients");
    case 11:
        return Tr("Attachment not found");
    case 12:
        return Tr("Failed to open attachment");
    case 13:
        return Tr("Failed to write attachment");
    case 14:
        return Tr("Unknown recipient");
    case 15:
        return Tr("Invalid recipient type");
    case 16:
        return Tr("No messages");
    case 17:
        return Tr("Invalid message");
    case 18:
        return Tr("Text too large.");
    case 19:
        return Tr("Invalid session");
    case 20:
        return Tr("Type not supported");
    case 21:
        return Tr("Ambiguous recipient");
    case 22:
        return Tr("Message in use");
    case 23:
        return Tr("Network failure");
    case 24:
        return Tr("Invalid edit fields");
    case 25:
        return Tr("Invalid recipients");
    case 26:
        return Tr("Not supported");
    default:
        return Tr("Unknown Error Code: %1").arg(code);
    }
}

std::unique_ptr<TSimpleMapi> CreatePlatformMapi(const QString& sendmailCommand)
{
#ifdef Q_OS_WIN
    Q_UNUSED(sendmailCommand);
    return std::make_unique<TWindowsMapi>();
#else
    return std::make_unique<TSendmailMapi>(sendmailCommand);
#endif
}
