#include "mail/TMailHandler.h"

#include <QCoreApplication>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TMailHandler", text);
}

} // namespace

int MailSettingToInt(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw EMailError(Tr("'%1' is not a valid integer value").arg(text));
    return value;
}

bool HasMailControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029 ||
            c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

void CheckMailAddress(const QString& address)
{
    if (HasMailControlCharacter(address))
        throw EMailError(Tr("the address contains a line break or another control character"),
                         EMailError::Kind::Address);
}
