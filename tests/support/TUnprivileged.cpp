#include "support/TUnprivileged.h"

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <unistd.h>

namespace
{

const passwd* Nobody()
{
    return getpwnam("nobody");
}

} // namespace

TUnprivileged::TUnprivileged()
{
    if (geteuid() != 0)
        return;
    const passwd* nobody = Nobody();
    if (!nobody) {
        m_failure = QStringLiteral("running as root and there is no user nobody");
        return;
    }
    if (setegid(nobody->pw_gid) != 0 || seteuid(nobody->pw_uid) != 0) {
        setegid(0);
        m_failure = QStringLiteral("running as root and cannot act as the user nobody");
        return;
    }
    m_switched = true;
}

TUnprivileged::~TUnprivileged()
{
    if (!m_switched)
        return;
    if (seteuid(0) != 0 || setegid(0) != 0)
        qFatal("cannot return to root after acting as nobody");
}

QString TUnprivileged::GiveAway(const QString& dir)
{
    if (geteuid() != 0)
        return {};
    const passwd* nobody = Nobody();
    if (!nobody)
        return QStringLiteral("running as root and there is no user nobody");
    QStringList paths{dir};
    for (const QString& name : QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries))
        paths << QDir(dir).filePath(name);
    for (const QString& path : paths)
        if (chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
            return QStringLiteral("cannot give %1 to the user nobody").arg(path);
    return {};
}
