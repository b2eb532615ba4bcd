#include "TAdminCommand.h"

#include "TConnection.h"
#include "TDemoBuilder.h"
#include "TReportProjectFile.h"
#include "TError.h"
#include "TNewDatabase.h"
#include "TSynthBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <limits>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TAdminCommand", text);
}

// Wrong arguments: answered with the usage text and exit code 2.
class TUsageError : public TError
{
public:
    using TError::TError;
};

// The one optional folder argument; anything that looks like an option is refused.
QString FolderArgument(const QStringList& arguments)
{
    QString folder;
    bool seen = false;
    for (const QString& argument : arguments) {
        if (argument.startsWith(u'-') && argument != QStringLiteral("-"))
            throw TUsageError(Tr("unknown option %1").arg(argument));
        if (seen)
            throw TUsageError(Tr("only one folder may be given"));
        folder = argument;
        seen = true;
    }
    return folder.isEmpty() ? QStringLiteral(".") : folder;
}

qint64 NumberArgument(const QString& option, const QString& text, qint64 maximum)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 0 || value > maximum)
        throw TUsageError(Tr("%1 needs a whole number between 0 and %2, not \"%3\"")
                              .arg(option)
                              .arg(maximum)
                              .arg(text));
    return value;
}

int Init(const QStringList& arguments, QTextStream& out)
{
    const QString folder = FolderArgument(arguments);
    const QString path = TNewDatabase::CreateEmpty(folder);
    out << Tr("Created an empty database: %1").arg(path) << Qt::endl;
    if (TReportProjectFile::WriteDefault(folder))
        out << Tr("Wrote the default report project: %1")
                   .arg(QDir(folder).absoluteFilePath(QStringLiteral("cme.rav")))
            << Qt::endl;
    return TAdminCommand::Done;
}

int Demo(const QStringList& arguments, QTextStream& out)
{
    const QString folder = FolderArgument(arguments);
    TDemoBuilder builder;
    builder.Build(folder);
    const bool wroteReports = TReportProjectFile::WriteDefault(folder);
    out << Tr("Created a demonstration database in %1:").arg(QDir(folder).absolutePath())
        << Qt::endl
        << Tr("  cme.mdb with %1 conferences, %2 speakers, %3 participants and %4 attendances")
               .arg(TDemoBuilder::ConferenceCount)
               .arg(TDemoBuilder::SpeakerCount)
               .arg(TDemoBuilder::ParticipantCount)
               .arg(TDemoBuilder::AttendanceCount)
        << Qt::endl
        << Tr("  quorvel.ini with mail settings for an SMTP server on localhost, port 25")
        << Qt::endl;
    if (wroteReports)
        out << Tr("  cme.rav, the default report project") << Qt::endl;
    return TAdminCommand::Done;
}

int Synth(const QStringList& arguments, QTextStream& out)
{
    TSynthBuilder::TOptions options;
    QStringList rest;
    constexpr qint64 maxInt = std::numeric_limits<int>::max();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        if (!name.startsWith(QStringLiteral("--"))) {
            rest << name;
            continue;
        }
        QString value;
        const qsizetype equals = name.indexOf(u'=');
        if (equals >= 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments.at(++i);
        } else {
            throw TUsageError(Tr("%1 needs a value").arg(name));
        }
        if (name == QStringLiteral("--participants"))
            options.participants = static_cast<int>(NumberArgument(name, value, maxInt));
        else if (name == QStringLiteral("--conferences"))
            options.conferences = static_cast<int>(NumberArgument(name, value, maxInt));
        else if (name == QStringLiteral("--attendances"))
            options.attendances = NumberArgument(name, value, std::numeric_limits<qint64>::max());
        else if (name == QStringLiteral("--speakers"))
            options.speakers = static_cast<int>(NumberArgument(name, value, maxInt));
        else
            throw TUsageError(Tr("unknown option %1").arg(name));
    }
    const QString folder = FolderArgument(rest);

    QElapsedTimer timer;
    timer.start();
    TSynthBuilder builder(options);
    builder.progress = [&out](const QString& line) {
        out << QStringLiteral("  ") << line << Qt::endl;
    };
    out << Tr("Building a synthetic database in %1").arg(QDir(folder).absolutePath()) << Qt::endl;
    builder.Build(folder);
    TReportProjectFile::WriteDefault(folder);
    out << Tr("Done in %1 s").arg(timer.elapsed() / 1000.0, 0, 'f', 1) << Qt::endl;
    return TAdminCommand::Done;
}

int Journal(const QStringList& arguments, QTextStream& out)
{
    if (arguments.size() != 2)
        throw TUsageError(Tr("journal needs a database file and a mode, wal or delete"));
    const QString mode = arguments.at(1).toLower();
    if (mode != QStringLiteral("wal") && mode != QStringLiteral("delete"))
        throw TUsageError(Tr("the journal mode must be wal or delete, not \"%1\"").arg(arguments.at(1)));
    TConnection conn;
    conn.OpenToSwitchJournal(arguments.at(0));
    conn.SetJournalMode(mode);
    out << Tr("%1 now uses the journal mode %2").arg(conn.FilePath(), mode) << Qt::endl;
    return TAdminCommand::Done;
}

} // namespace

QString TAdminCommand::Usage()
{
    return Tr("Usage: quorvel-admin <command> [options] [DIR]\n"
              "\n"
              "Commands:\n"
              "  init [DIR]   Create DIR (default: the current folder) if needed and an empty\n"
              "               cme.mdb with the full schema.\n"
              "  demo [DIR]   Create a demonstration cme.mdb (about 40 conferences over this\n"
              "               year and the two before, 300 participants, 2000 attendances)\n"
              "               and a quorvel.ini with mail settings in DIR.\n"
              "  synth [options] [DIR]\n"
              "               Create a large synthetic cme.mdb for benchmarks:\n"
              "      --participants N   participants (default 100000)\n"
              "      --conferences M    conferences (default 10000)\n"
              "      --attendances K    attendances, each a different conference and\n"
              "                         participant pair (default 1000000)\n"
              "      --speakers S       speakers (default 300)\n"
              "  journal FILE wal|delete\n"
              "               Switch an existing database to write-ahead logging (wal, the\n"
              "               default of new files) or to the rollback journal (delete, for a\n"
              "               file on a network share). No other program may have it open.\n"
              "\n"
              "No command overwrites an existing cme.mdb.\n"
              "Exit codes: 0 done, 1 failed, 2 wrong usage (also for --help).\n");
}

int TAdminCommand::Run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.isEmpty()) {
        err << Usage();
        err.flush();
        return WrongUsage;
    }
    const QString command = arguments.first();
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
        command == QStringLiteral("help")) {
        out << Usage();
        out.flush();
        return WrongUsage;
    }
    const QStringList rest = arguments.mid(1);
    try {
        if (command == QStringLiteral("init"))
            return Init(rest, out);
        if (command == QStringLiteral("demo"))
            return Demo(rest, out);
        if (command == QStringLiteral("synth"))
            return Synth(rest, out);
        if (command == QStringLiteral("journal"))
            return Journal(rest, out);
        throw TUsageError(Tr("unknown command %1").arg(command));
    } catch (const TUsageError& e) {
        err << QStringLiteral("quorvel-admin: ") << e.Message() << QStringLiteral("\n\n")
            << Usage();
        err.flush();
        return WrongUsage;
    } catch (const TError& e) {
        out.flush();
        err << QStringLiteral("quorvel-admin: ") << e.Message() << Qt::endl;
        return Failed;
    } catch (const std::exception& e) {
        out.flush();
        err << QStringLiteral("quorvel-admin: ") << QString::fromLocal8Bit(e.what()) << Qt::endl;
        return Failed;
    }
}
