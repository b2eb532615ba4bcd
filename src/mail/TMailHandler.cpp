#include "TMailHandler.h"

int MailSettingToInt(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw EMailError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}
