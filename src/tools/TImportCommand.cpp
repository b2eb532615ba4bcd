#include "tools/TImportCommand.h"

#include "settings/TDatabaseSettings.h"
#include "db/TConnection.h"
#include "db/TError.h"
#include "import/TImportFile.h"
#include "import/TImportRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("TImportCommand", text);
}


} // namespace

int TImportCommand::Run(const QString& file, const QString& folder, int conferenceId,
                        bool addPossibleDuplicates, QTextStream& out)
{
    TConnection conn;
    OpenConfiguredDatabase(conn, folder, QDir(folder).filePath(QStringLiteral("cme.mdb")));
    if (conn.ReadOnly())
        throw EOperationError(Tr("The database is read-only; nothing was imported."));
    if (conferenceId > 0 &&
        conn.ScalarQuery(QStringLiteral("select count(*) from conferences where conf_id = %1")
                             .arg(conferenceId))
                .toInt() == 0)
        throw EOperationError(Tr("There is no conference number %1; nothing was imported.")
                                  .arg(conferenceId));

    const TImportTable table = TImportFile::Read(file);
    const QList<TImportField> mapping = TImportMapping::ByCaptions(table.captions);
    out << Tr("Read %1 rows from %2 (%3)").arg(table.rows.size()).arg(file, table.encoding)
        << Qt::endl;
    QStringList mapped;
    for (qsizetype c = 0; c < table.captions.size(); ++c)
        mapped << QStringLiteral("%1 -> %2")
                      .arg(table.captions.at(c), TImportMapping::Caption(mapping.value(c)));
    out << Tr("Columns: %1").arg(mapped.join(QStringLiteral(", "))) << Qt::endl;

    TImportRun run(conn);
    const TImportPlan plan = run.Analyse(table, mapping);
    if (!plan.unknownTitles.isEmpty())
        out << Tr("New titles: %1").arg(plan.unknownTitles.join(QStringLiteral(", "))) << Qt::endl;
    if (!plan.unknownSpecialities.isEmpty())
        out << Tr("New specialities: %1").arg(plan.unknownSpecialities.join(QStringLiteral(", ")))
            << Qt::endl;

    TImportOptions options;
    options.conferenceId = conferenceId;
    options.addPossibleDuplicates = addPossibleDuplicates;
    TImportResult result;
    run.Commit(plan, options, result, [&out](int done, int total) {
        if (done > 0 && done < total)
            out << Tr("Stored %1 of %2 rows").arg(done).arg(total) << Qt::endl;
        return true;
    });
    out << Tr("New: %1, matched: %2, possible duplicates left out: %3, refused: %4")
               .arg(result.added)
               .arg(plan.Count(TImportOutcome::Matched))
               .arg(result.leftOut)
               .arg(result.refused)
        << Qt::endl;
    if (conferenceId > 0)
        out << Tr("Registered for conference %1: %2 new registrations")
                   .arg(conferenceId)
                   .arg(result.registered)
            << Qt::endl;
    const QString refusedPath = TImportRun::WriteRefused(plan, options, file);
    if (!refusedPath.isEmpty())
        out << Tr("Refused rows with their reasons: %1").arg(QDir::toNativeSeparators(refusedPath))
            << Qt::endl;
    out.flush();
    return result.added + plan.Count(TImportOutcome::Matched) > 0 ? 0 : 1;
}
