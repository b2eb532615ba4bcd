#include "tools/TReportProjectFile.h"

#include "db/TError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

QByteArray TReportProjectFile::DefaultText()
{
    QFile resource(QStringLiteral(":/quorvel/reports/cme.rav"));
    if (!resource.open(QIODevice::ReadOnly))
        throw TError(QCoreApplication::translate("TReportProjectFile",
                                                 "The default report project is missing from "
                                                 "the program."));
    return resource.readAll();
}

bool TReportProjectFile::WriteDefault(const QString& folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("cme.rav"));
    if (QFile::exists(path))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(DefaultText()) < 0 || !file.commit())
        throw TError(QCoreApplication::translate("TReportProjectFile",
                                                 "The report project %1 cannot be written: %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString()));
    return true;
}
