#include "db/TServerAddress.h"

#include "db/TError.h"

#include <QCoreApplication>
#include <QStringList>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TServerAddress", text);
}

QString Quoted(const QString& value)
{
    if (!value.isEmpty() && !value.contains(u' ') && !value.contains(u'\'') &&
        !value.contains(u'\\'))
        return value;
    QString s = value;
    s.replace(u'\\', QStringLiteral("\\\\"));
    s.replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + s + u'\'';
}

} // namespace

TServerAddress TServerAddress::FromConnectText(const QString& text)
{
    TServerAddress a;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0)
            throw EDatabaseError(Tr("The connection text \"%1\" is not a list of "
                                    "key=value pairs.")
                                     .arg(text));
        const QString key = text.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        while (i < n && text.at(i).isSpace())
            ++i;
        QString value;
        if (i < n && text.at(i) == u'\'') {
            ++i;
            while (i < n && text.at(i) != u'\'') {
                if (text.at(i) == u'\\' && i + 1 < n)
                    ++i;
                value += text.at(i++);
            }
            ++i;
        } else {
            while (i < n && !text.at(i).isSpace())
                value += text.at(i++);
        }
        if (key == u"host" || key == u"hostaddr")
            a.host = value;
        else if (key == u"port")
            a.port = value.toInt();
        else if (key == u"dbname")
            a.name = value;
        else if (key == u"user")
            a.user = value;
        else if (key == u"password")
            a.password = value;
        else if (key == u"passfile")
            a.passFile = value;
        else if (key == u"service")
            a.service = value;
        else
            throw EDatabaseError(
                Tr("The connection text names an unknown setting \"%1\".").arg(key));
    }
    return a;
}

QString TServerAddress::ConnectText() const
{
    QStringList parts;
    auto add = [&](const char* key, const QString& value) {
        if (!value.isEmpty())
            parts << QLatin1String(key) + u'=' + Quoted(value);
    };
    add("service", service);
    add("host", host);
    if (port > 0)
        add("port", QString::number(port));
    add("dbname", name);
    add("user", user);
    add("password", password);
    add("passfile", passFile);
    return parts.join(u' ');
}

QString TServerAddress::HostForPeople() const
{
    if (host.startsWith(u'/'))
        return QStringLiteral("the local server (%1)").arg(host);
    if (!host.isEmpty())
        return port > 0 ? QStringLiteral("%1:%2").arg(host).arg(port) : host;
    if (!service.isEmpty())
        return QStringLiteral("service %1").arg(service);
    return QStringLiteral("localhost");
}
