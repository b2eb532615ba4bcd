#include "settings/TDatabaseSettings.h"

#include "db/TConnection.h"
#include "db/TError.h"
#include "db/TServerAddress.h"
#include "settings/TConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

void OpenConfiguredDatabase(TConnection& conn, const QString& folder, const QString& databasePath)
{
    const QString iniPath = QDir(folder).filePath(QStringLiteral("quorvel.ini"));
    if (!QFileInfo::exists(iniPath)) {
        conn.Open(databasePath);
        return;
    }
    const TConfig settings(iniPath);
    const QString section = QStringLiteral("Database");
    const QString driver = settings.ReadString(section, QStringLiteral("Driver")).trimmed().toLower();
    if (driver.isEmpty() || driver == u"sqlite") {
        conn.Open(databasePath);
        return;
    }
    if (driver != u"postgresql")
        throw EDatabaseError(QCoreApplication::translate(
                                 "TDM", "quorvel.ini names an unknown database driver \"%1\" in "
                                        "[Database]: use sqlite or postgresql.")
                                 .arg(driver));
    TServerAddress address;
    address.host = settings.ReadString(section, QStringLiteral("Host")).trimmed();
    address.port = settings.ReadInteger(section, QStringLiteral("Port"), 0);
    address.name = settings.ReadString(section, QStringLiteral("Name")).trimmed();
    address.user = settings.ReadString(section, QStringLiteral("User")).trimmed();
    address.password = settings.ReadString(section, QStringLiteral("Password"));
    address.passFile = settings.ReadString(section, QStringLiteral("PassFile")).trimmed();
    address.service = settings.ReadString(section, QStringLiteral("Service")).trimmed();
    conn.OpenServer(address);
}
