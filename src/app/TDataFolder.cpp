#include "app/TDataFolder.h"

#include "db/TError.h"
#include "tools/TNewDatabase.h"
#include "tools/TReportProjectFile.h"
#include "db/TPrompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace
{

const QString DatabaseName = QStringLiteral("cme.mdb");
const QString LastFolderKey = QStringLiteral("LastDataFolder");

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDataFolder", text);
}

QSettings UserSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvel"),
                     QStringLiteral("quorvel"));
}

QString DatabaseFilter()
{
    return Tr("Quorvel database (cme.mdb)");
}

// The folder of the file the user picked; empty when they cancelled.
QString FolderOf(const QString& fileName)
{
    return fileName.isEmpty() ? QString() : QFileInfo(fileName).absolutePath();
}

QString ChooseExisting(TPrompts& prompts)
{
    const QString folder = FolderOf(
        prompts.OpenFileName(Tr("Open the office's database"), QDir::homePath(), DatabaseFilter()));
    if (!folder.isEmpty() && !TDataFolder::HoldsDatabase(folder)) {
        prompts.Message(
            TPrompts::Kind::Warning, Tr("Warning"),
            Tr("The folder %1 holds no cme.mdb.").arg(QDir::toNativeSeparators(folder)));
        return {};
    }
    return folder;
}

QString CreateNew(TPrompts& prompts)
{
    const QString suggested = QDir::home().filePath(QStringLiteral("Quorvel/") + DatabaseName);
    const QString folder =
        FolderOf(prompts.SaveFileName(Tr("Create a new database"), suggested, DatabaseFilter()));
    if (folder.isEmpty())
        return {};
    try {
        TNewDatabase::CreateEmpty(folder);
        TReportProjectFile::WriteDefault(folder);
    } catch (const TError& error) {
        prompts.Message(TPrompts::Kind::Error, Tr("Error"), error.Message());
        return {};
    }
    return folder;
}

} // namespace

bool TDataFolder::HoldsDatabase(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(DatabaseName)).isFile();
}

QString TDataFolder::LastUsed()
{
    return UserSettings().value(LastFolderKey).toString();
}

void TDataFolder::Remember(const QString& folder)
{
    QSettings settings = UserSettings();
    settings.setValue(LastFolderKey, QDir(folder).absolutePath());
    settings.sync();
}

QString TDataFolder::ForMenuStart(const QString& workingDirectory, TPrompts& prompts)
{
    QString folder;
    for (const QString& candidate :
         {workingDirectory, qEnvironmentVariable(EnvironmentVariable), LastUsed()}) {
        if (HoldsDatabase(candidate)) {
            folder = candidate;
            break;
        }
    }
    while (folder.isEmpty()) {
        const TPrompts::Answer answer =
            prompts.Ask(TPrompts::Kind::Confirmation, TPrompts::ApplicationTitle(),
                        Tr("No database (cme.mdb) was found.\n\n"
                           "Yes: open the office's existing database.\n"
                           "No: create a new, empty database.\n"
                           "Cancel: do not start."),
                        {TPrompts::Answer::Yes, TPrompts::Answer::No, TPrompts::Answer::Cancel},
                        TPrompts::Answer::Yes, TPrompts::Answer::Cancel);
        if (answer == TPrompts::Answer::Yes)
            folder = ChooseExisting(prompts);
        else if (answer == TPrompts::Answer::No)
            folder = CreateNew(prompts);
        else
            return {};
    }
    folder = QDir(folder).absolutePath();
    Remember(folder);
    return folder;
}
