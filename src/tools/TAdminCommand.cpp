#include "tools/TAdminCommand.h"

#include "db/TConnection.h"
#include "settings/TConfig.h"
#include "tools/TDatabaseCopy.h"
#include "tools/TDemoBuilder.h"
#include "tools/TImportCommand.h"
#include "tools/TJetImport.h"
#include "tools/TReportProjectFile.h"
#include "tools/TSealCommand.h"
#include "db/TError.h"
#include "tools/TNewDatabase.h"
#include "tools/TSynthBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
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

// Takes "--postgresql TEXT" (or "--postgresql=TEXT") out of the arguments: the server to build
// on instead of a file. Empty when not given.
QString ServerArgument(QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QStringLiteral("--postgresql")) {
            if (i + 1 >= arguments.size())
                throw TUsageError(Tr("--postgresql needs a connection text"));
            const QString text = arguments.at(i + 1);
            arguments.remove(i, 2);
            return text;
        }
        if (a.startsWith(QStringLiteral("--postgresql="))) {
            const QString text = a.mid(13);
            arguments.remove(i);
            return text;
        }
    }
    return {};
}

// Opens the server database to build on; refused when it already holds our tables.
void OpenEmptyServer(TConnection& conn, const QString& text)
{
    conn.OpenServerForCreate(TServerAddress::FromConnectText(text));
    if (conn.HasTables())
        throw EOperationError(Tr("The database on %1 already holds tables of this program; "
                                 "nothing was changed.")
                                  .arg(conn.ServerAddress().HostForPeople()));
}

// Points the folder's quorvel.ini at the server.
void WriteServerSettings(const QString& folder, const TServerAddress& address)
{
    QDir().mkpath(folder);
    TConfig config(QDir(folder).filePath(QStringLiteral("quorvel.ini")));
    const QString section = QStringLiteral("Database");
    config.WriteString(section, QStringLiteral("Driver"), QStringLiteral("postgresql"));
    config.WriteString(section, QStringLiteral("Host"), address.host);
    if (address.port > 0)
        config.WriteInteger(section, QStringLiteral("Port"), address.port);
    config.WriteString(section, QStringLiteral("Name"), address.name);
    config.WriteString(section, QStringLiteral("User"), address.user);
    if (!address.service.isEmpty())
        config.WriteString(section, QStringLiteral("Service"), address.service);
    if (!address.passFile.isEmpty())
        config.WriteString(section, QStringLiteral("PassFile"), address.passFile);
    config.Flush();
}

// A file database built by build() in a temporary folder is copied onto the server.
void BuildOnServer(const QString& text, const std::function<void(const QString&)>& build,
                   QTextStream& out)
{
    TConnection server;
    OpenEmptyServer(server, text);
    QTemporaryDir temp;
    build(temp.path());
    TConnection file;
    file.Open(QDir(temp.path()).filePath(QStringLiteral("cme.mdb")));
    TDatabaseCopy::Copy(file, server, [&out](const QString& line) {
        out << QStringLiteral("  ") << line << Qt::endl;
    });
}

int Copy(const QStringList& arguments, QTextStream& out)
{
    if (arguments.size() != 2)
        throw TUsageError(Tr("copy needs a source and a target"));
    auto open = [](TConnection& conn, const QString& text, bool target) {
        if (TDatabaseCopy::NamesServer(text)) {
            if (target)
                conn.OpenServerForCreate(TServerAddress::FromConnectText(text));
            else
                conn.OpenServer(TServerAddress::FromConnectText(text));
            return QString();
        }
        QString path = text;
        if (QFileInfo(path).isDir() || (target && !path.endsWith(QLatin1String(".mdb"))))
            path = QDir(path).filePath(QStringLiteral("cme.mdb"));
        if (target) {
            if (QFileInfo::exists(path))
                throw EOperationError(Tr("%1 exists already; nothing was changed.").arg(path));
            QDir().mkpath(QFileInfo(path).absolutePath());
            conn.OpenForCreate(path);
        } else {
            conn.Open(path);
        }
        return path;
    };
    TConnection source;
    TConnection target;
    open(source, arguments.at(0), false);
    const QString targetFile = open(target, arguments.at(1), true);
    try {
        TDatabaseCopy::Copy(source, target, [&out](const QString& line) {
            out << QStringLiteral("  ") << line << Qt::endl;
        });
    } catch (...) {
        target.Close();
        if (!targetFile.isEmpty())
            for (const char* suffix : {"", "-journal", "-wal", "-shm"})
                QFile::remove(targetFile + QLatin1String(suffix));
        throw;
    }
    out << Tr("Copied %1 to %2; the row counts agree.").arg(arguments.at(0), arguments.at(1))
        << Qt::endl;
    return TAdminCommand::Done;
}

int Init(const QStringList& givenArguments, QTextStream& out)
{
    QStringList arguments = givenArguments;
    const QString server = ServerArgument(arguments);
    const QString folder = FolderArgument(arguments);
    if (!server.isEmpty()) {
        TConnection conn;
        OpenEmptyServer(conn, server);
        TDatabaseCopy::CreateOnServer(conn);
        out << Tr("Created the tables on %1").arg(conn.ServerAddress().HostForPeople()) << Qt::endl;
        if (!arguments.isEmpty()) {
            WriteServerSettings(folder, conn.ServerAddress());
            out << Tr("Pointed %1 at it").arg(QDir(folder).absoluteFilePath(QStringLiteral("quorvel.ini")))
                << Qt::endl;
        }
        return TAdminCommand::Done;
    }
    const QString path = TNewDatabase::CreateEmpty(folder);
    out << Tr("Created an empty database: %1").arg(path) << Qt::endl;
    if (TReportProjectFile::WriteDefault(folder))
        out << Tr("Wrote the default report project: %1")
                   .arg(QDir(folder).absoluteFilePath(QStringLiteral("cme.rav")))
            << Qt::endl;
    return TAdminCommand::Done;
}

int Demo(const QStringList& givenArguments, QTextStream& out)
{
    QStringList arguments = givenArguments;
    const QString server = ServerArgument(arguments);
    const QString folder = FolderArgument(arguments);
    if (!server.isEmpty()) {
        BuildOnServer(server, [](const QString& temp) { TDemoBuilder().Build(temp); }, out);
        QDir().mkpath(folder);
        {
            TConfig config(QDir(folder).filePath(QStringLiteral("quorvel.ini")));
            TDemoBuilder::WriteSettings(config);
            config.Flush();
        }
        WriteServerSettings(folder, TServerAddress::FromConnectText(server));
        TReportProjectFile::WriteDefault(folder);
        out << Tr("Created a demonstration database on the server; %1 points at it")
                   .arg(QDir(folder).absoluteFilePath(QStringLiteral("quorvel.ini")))
            << Qt::endl;
        return TAdminCommand::Done;
    }
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

int Synth(const QStringList& givenArguments, QTextStream& out)
{
    QStringList arguments = givenArguments;
    const QString server = ServerArgument(arguments);
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
    if (!server.isEmpty()) {
        out << Tr("Building a synthetic database on the server") << Qt::endl;
        BuildOnServer(server, [&builder](const QString& temp) { builder.Build(temp); }, out);
        out << Tr("Done in %1 s").arg(timer.elapsed() / 1000.0, 0, 'f', 1) << Qt::endl;
        return TAdminCommand::Done;
    }
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

int ImportMdb(const QStringList& givenArguments, QTextStream& out)
{
    QStringList arguments = givenArguments;
    const QString server = ServerArgument(arguments);
    const bool skipRefused = arguments.removeAll(QStringLiteral("--skip-refused")) > 0;
    for (const QString& a : arguments)
        if (a.startsWith(QStringLiteral("--")))
            throw TUsageError(Tr("unknown option %1").arg(a));
    if (arguments.size() != 2)
        throw TUsageError(Tr("import-mdb needs the Jet file and a folder"));
    const QString source = arguments.at(0);
    const QString folder = arguments.at(1);
    QElapsedTimer timer;
    timer.start();
    TJetImport import(source);
    for (const QString& line : import.ReadReport())
        out << line << Qt::endl;
    if (!import.Refusals().isEmpty() && !skipRefused)
        throw EOperationError(Tr("Nothing was imported. Correct these rows in the Jet file, or "
                                 "run again with --skip-refused to import the rest."));
    if (!server.isEmpty()) {
        // The rows go through a file of ours and then the same copy as "copy FILE SERVER".
        TConnection serverConn;
        OpenEmptyServer(serverConn, server);
        QTemporaryDir temp;
        TConnection file;
        file.OpenForCreate(QDir(temp.path()).filePath(QStringLiteral("cme.mdb")));
        import.WriteInto(file);
        TDatabaseCopy::Copy(file, serverConn, [&out](const QString& line) {
            out << QStringLiteral("  ") << line << Qt::endl;
        });
        file.Close();
        WriteServerSettings(folder, serverConn.ServerAddress());
        out << Tr("Imported into the database on %1; %2 points at it. The Jet file was not "
                  "changed.")
                   .arg(serverConn.ServerAddress().HostForPeople(),
                        QDir(folder).absoluteFilePath(QStringLiteral("quorvel.ini")))
            << Qt::endl;
    } else {
        for (const QString& line : import.WriteFolder(folder))
            out << line << Qt::endl;
    }
    out << Tr("Done in %1 ms").arg(timer.elapsed()) << Qt::endl;
    return TAdminCommand::Done;
}

int Import(const QStringList& arguments, QTextStream& out)
{
    QStringList rest;
    int conferenceId = 0;
    bool addPossible = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QStringLiteral("--add-possible-duplicates")) {
            addPossible = true;
        } else if (a == QStringLiteral("--conference") || a.startsWith(QStringLiteral("--conference="))) {
            QString value;
            if (a.contains(u'='))
                value = a.mid(a.indexOf(u'=') + 1);
            else if (i + 1 < arguments.size())
                value = arguments.at(++i);
            else
                throw TUsageError(Tr("--conference needs a conference number"));
            conferenceId = static_cast<int>(
                NumberArgument(QStringLiteral("--conference"), value, std::numeric_limits<int>::max()));
        } else if (a.startsWith(u'-') && a != QStringLiteral("-")) {
            throw TUsageError(Tr("unknown option %1").arg(a));
        } else {
            rest << a;
        }
    }
    if (rest.size() != 2)
        throw TUsageError(Tr("import needs a file and a folder"));
    return TImportCommand::Run(rest.at(0), rest.at(1), conferenceId, addPossible, out);
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
              "  copy SRC DST Copy a whole database between a file (cme.mdb or its folder)\n"
              "               and a PostgreSQL server (a connection text such as\n"
              "               \"host=db.example.org dbname=cme user=office\"), either way;\n"
              "               the row counts are checked before the copy is kept.\n"
              "  import-mdb OLD.mdb DIR [--skip-refused] [--postgresql TEXT]\n"
              "               Import an older Jet 4 cme.mdb into DIR: every row of the eleven\n"
              "               tables with its key. Values our tables refuse are listed; without\n"
              "               --skip-refused nothing is written then. OLD.mdb is never changed;\n"
              "               when it is DIR/cme.mdb it is renamed to cme-jet.mdb once the new\n"
              "               cme.mdb is complete. A cme.rav in the older format is kept as\n"
              "               cme-old.rav and the default cme.rav is written.\n"
              "  import FILE DIR [--conference ID] [--add-possible-duplicates]\n"
              "               Import a participant list (CSV, .xlsx or .xls with a caption\n"
              "               row) into the database of DIR in one transaction; with\n"
              "               --conference, register everyone imported or matched for it.\n"
              "               Refused rows are written beside FILE with a reason column.\n"
              "  keygen [DIR] Make the office's signing key: office.key (readable by you\n"
              "               only) and office.pub, its public half, in DIR.\n"
              "  verify (FILE.pdf | IMAGE.png | TEXT) --key office.pub\n"
              "               Check a signed transcript: prints its record and \"valid\",\n"
              "               or \"NOT VALID:\" and the reason (exit code 1).\n"
              "\n"
              "init, demo and synth take --postgresql TEXT to build on a server database\n"
              "instead of a file; init and demo then point DIR's quorvel.ini at it.\n"
              "\n"
              "No command overwrites an existing cme.mdb or a server database with tables.\n"
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
        if (command == QStringLiteral("copy"))
            return Copy(rest, out);
        if (command == QStringLiteral("import"))
            return Import(rest, out);
        if (command == QStringLiteral("import-mdb"))
            return ImportMdb(rest, out);
        if (command == QStringLiteral("keygen") || command == QStringLiteral("verify")) {
            try {
                return command == QStringLiteral("keygen") ? TSealCommand::Keygen(rest, out)
                                                           : TSealCommand::Verify(rest, out);
            } catch (const TSealCommand::EUsage& e) {
                throw TUsageError(e.Message());
            }
        }
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
