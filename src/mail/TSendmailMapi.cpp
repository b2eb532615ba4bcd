#include "mail/TSendmailMapi.h"

#include "mail/TMailHandler.h"
#include "mail/TMimeText.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSendmailMapi", text);
}

// Simple MAPI addresses may carry their type ("smtp:ann@example.org"); mail commands take
// the bare address.
QString BareAddress(const QString& address)
{
    if (address.startsWith(QLatin1String("smtp:"), Qt::CaseInsensitive))
        return address.mid(5).trimmed();
    return address.trimmed();
}

constexpr int CommandTimeoutMs = 5 * 60 * 1000;

} // namespace

TSendmailMapi::TSendmailMapi(const QString& command)
    : m_command(command.trimmed().isEmpty() ? DefaultCommand() : command.trimmed())
{
}

bool TSendmailMapi::DefaultProfile(QString&)
{
    return false;
}

unsigned long TSendmailMapi::Logon(const QString&, unsigned long, TSession& session)
{
    session = 1;
    return SuccessSuccess;
}

unsigned long TSendmailMapi::Logoff(TSession)
{
    return SuccessSuccess;
}

unsigned long TSendmailMapi::ResolveName(const QString& name, unsigned long, TResolved& resolved)
{
    // No address book here: every name resolves to itself.
    resolved.name = name;
    resolved.address = name;
    return SuccessSuccess;
}

void TSendmailMapi::FreeBuffer(TResolved&) {}

void TSendmailMapi::Run(const QStringList& command, const QByteArray& input)
{
    QString program = command.value(0);
    if (!program.contains(QLatin1Char('/')))
        program = QStandardPaths::findExecutable(program);
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        throw EMailError(Tr("The mail command %1 was not found. Install a local mail "
                            "system such as msmtp-mta, or set Mail/SendmailCommand in "
                            "quorvel.ini.")
                             .arg(command.value(0)));
    QProcess process;
    process.start(program, command.mid(1));
    if (!process.waitForStarted())
        throw EMailError(
            Tr("The mail command %1 could not be started: %2").arg(program, process.errorString()));
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(CommandTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        throw EMailError(
            Tr("The mail command %1 did not finish within five minutes.").arg(program));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        QString error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        if (error.isEmpty())
            error = process.exitStatus() == QProcess::NormalExit
                        ? QStringLiteral("exit code %1").arg(process.exitCode())
                        : QStringLiteral("it crashed");
        throw EMailError(Tr("The mail command %1 failed: %2").arg(program, error));
    }
}

unsigned long TSendmailMapi::SendMail(TSession, const TMessage& message, unsigned long flags)
{
    // A line break in an address would add header lines of its own to the message.
    for (const TRecipient& recipient : message.recipients)
        CheckMailAddress(recipient.address);
    if (message.hasOriginator && HasMailControlCharacter(message.originator.address))
        throw EMailError(Tr("The sender address contains a line break or another "
                            "control character."));
    for (const TFile& file : message.files)
        if (!QFileInfo(file.path).isFile())
            return 11;

    TMimeText::TMessage mime;
    if (message.hasOriginator) {
        mime.fromName = message.originator.name;
        mime.fromAddress = BareAddress(message.originator.address);
    }
    for (const TRecipient& recipient : message.recipients) {
        const QString address = BareAddress(recipient.address);
        if (recipient.recipClass == Cc)
            mime.cc << address;
        else if (recipient.recipClass == Bcc)
            mime.bcc << address;
        else
            mime.to << address;
    }
    mime.subject = message.subject;
    mime.body = message.noteText;
    for (const TFile& file : message.files)
        mime.attachments << TMimeText::TAttachment{file.path, file.fileName};

    if (flags & Dialog) {
        QStringList command{m_editProgram, QStringLiteral("--utf8"), QStringLiteral("--subject"),
                            mime.subject,  QStringLiteral("--body"), mime.body};
        for (const QString& address : std::as_const(mime.cc))
            command << QStringLiteral("--cc") << address;
        for (const QString& address : std::as_const(mime.bcc))
            command << QStringLiteral("--bcc") << address;
        for (const TFile& file : message.files)
            command << QStringLiteral("--attach") << file.path;
        command << mime.to;
        Run(command, {});
        return SuccessSuccess;
    }
    mime.body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    Run(QProcess::splitCommand(m_command), TMimeText::Compose(mime, "\n"));
    return SuccessSuccess;
}
