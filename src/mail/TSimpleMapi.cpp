#include "mail/TSimpleMapi.h"

#include "mail/TSendmailMapi.h"
#include "mail/TWindowsMapi.h"

QString MapiErrorText(unsigned long code)
{
    switch (code) {
    case 1:
        return QStringLiteral("User cancelled request");
    case 2:
        return QStringLiteral("General MAPI failure");
    case 3:
        return QStringLiteral("Logon failure");
    case 4:
        return QStringLiteral("Disk full");
    case 5:
        return QStringLiteral("Insufficient memory");
    case 6:
        return QStringLiteral("Access denied");
    case 8:
        return QStringLiteral("Too many sessions");
    case 9:
        return QStringLiteral("Too many files open");
    case 10:
        return QStringLiteral("Too many recipients");
    case 11:
        return QStringLiteral("Attachment not found");
    case 12:
        return QStringLiteral("Failed to open attachment");
    case 13:
        return QStringLiteral("Failed to write attachment");
    case 14:
        return QStringLiteral("Unknown recipient");
    case 15:
        return QStringLiteral("Invalid recipient type");
    case 16:
        return QStringLiteral("No messages");
    case 17:
        return QStringLiteral("Invalid message");
    case 18:
        return QStringLiteral("Text too large.");
    case 19:
        return QStringLiteral("Invalid session");
    case 20:
        return QStringLiteral("Type not supported");
    case 21:
        return QStringLiteral("Ambiguous recipient");
    case 22:
        return QStringLiteral("Message in use");
    case 23:
        return QStringLiteral("Network failure");
    case 24:
        return QStringLiteral("Invalid edit fields");
    case 25:
        return QStringLiteral("Invalid recipients");
    case 26:
        return QStringLiteral("Not supported");
    default:
        return QStringLiteral("Unknown Error Code: ") + QString::number(code);
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
