#include "documents/TEmailRun.h"

#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "mail/TOutlookMail.h"
#include "db/TPrompts.h"
#include "documents/TReportRenderer.h"
#include "documents/TReportWindows.h"
#include "mail/TSMTPMail.h"
#include "data/TTimeFilter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace
{

const QString MailSection = QStringLiteral("Mail");

QString Tr(const char* text)
{
    return QCoreApplication::translate("TEmailRun", text);
}

// The handler as the log names it: the SMTP server's host, so that a corrected setting shows.
QString HandlerLabel(const TConfig& config)
{
    if (config.ReadString(MailSection, QStringLiteral("HandlerType")).trimmed() ==
        QLatin1String("2"))
        return QStringLiteral("Mail client");
    return QString(QStringLiteral("SMTP ") +
                   config.ReadString(QStringLiteral("SMTP"), QStringLiteral("Host")))
        .trimmed();
}

bool HasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control ||
               c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph;
    });
}

QString FullName(const QString& first, const QString& last)
{
    return QString(first.trimmed() + u' ' + last.trimmed()).trimmed();
}

// How far one pass over the rows got.
struct TPassResult {
    QString stopError; // the failure that ended the pass; empty when it ran to its end
    bool cancelled = false;
    QStringList refusals; // "address: reason" of the recipients refused on the way
};

// Sends the rows at indices in order, each recorded as "sending" before it is handed over and
// with its result right after. The status window names each participant with "n of total";
// Cancel there stops before the next message. The first run stops at the first failure but an
// unusable address; "Send again" also goes on after a refused recipient and a server's "try
// later", and looks for each row's PDF first.
TPassResult SendRows(const TConfig& config, TMailHandler& handler, TReportWindows& windows,
                     TDeliveryLog& log, const QList<int>& indices, const QString& label,
                     bool sendAgain)
{
    TPassResult result;
    if (indices.isEmpty())
        return result;
    const std::unique_ptr<TReportStatus> status = windows.OpenStatus();
    int n = 0;
    for (const int index : indices) {
        TDeliveryRow& row = log.Rows()[index];
        ++n;
        status->SetProgress(Tr("%1\n%2 of %3")
                                .arg(row.name.isEmpty() ? row.address : row.name)
                                .arg(n)
                                .arg(indices.size()));
        if (status->Cancelled()) {
            result.cancelled = true;
            break;
        }
        row.time = QDateTime::currentDateTime();
        row.handler = label;
        if (HasControlCharacter(row.address)) {
            // The participant's fault, not the server's: nothing is sent for this message.
            row.status = TDeliveryRow::Status::Refused;
            row.detail = Tr("the address contains a line break or another control character");
            log.Update(index);
            result.refusals << row.address.simplified() + QStringLiteral(": ") + row.detail;
            continue;
        }
        // A message without its transcript is worth nothing: a PDF that is gone is not sent.
        if (sendAgain && !QFileInfo(row.file).isFile()) {
            row.status = TDeliveryRow::Status::NotSent;
            row.detail = Tr("The file %1 is no longer there; generate the transcripts again.")
                             .arg(QDir::toNativeSeparators(row.file));
            log.Update(index);
            continue;
        }
        row.status = TDeliveryRow::Status::Sending;
        row.detail.clear();
        ++row.attempts;
        log.Update(index);
        try {
            // Read again for every message.
            handler.Send(config.ReadString(MailSection, QStringLiteral("From")), row.address,
                         config.ReadString(MailSection, QStringLiteral("Subject")), row.file,
                         config.ReadList(QStringLiteral("Body")),
                         TranscriptAttachmentName(log.period, row.name));
            row.time = QDateTime::currentDateTime();
            row.detail = handler.LastRefusal();
            row.status =
                row.detail.isEmpty() ? TDeliveryRow::Status::Sent : TDeliveryRow::Status::Refused;
            log.Update(index);
            if (!row.detail.isEmpty())
                result.refusals << row.address + QStringLiteral(": ") + row.detail;
        } catch (const EMailError& error) {
            using Kind = EMailError::Kind;
            const Kind kind = error.ErrorKind();
            row.time = QDateTime::currentDateTime();
            row.detail = error.Message();
            // Worth another try later: the server or the way to it, not this address.
            const bool retry = kind == Kind::Transient || kind == Kind::Connection ||
                               kind == Kind::Authentication || kind == Kind::Encryption;
            row.status = retry ? TDeliveryRow::Status::NotSent : TDeliveryRow::Status::Refused;
            log.Update(index);
            const bool goOn = kind == Kind::Address ||
                              (sendAgain && (error.RecipientRefused() || kind == Kind::Transient));
            if (goOn) {
                result.refusals << row.address + QStringLiteral(": ") + row.detail;
                continue;
            }
            result.stopError = error.Message();
            break;
        }
    }
    return result;
}

bool IsReservedDeviceName(const QString& name)
{
    const QString base = name.section(QLatin1Char('.'), 0, 0).trimmed().toLower();
    static const QStringList reserved{QStringLiteral("con"), QStringLiteral("prn"),
                                      QStringLiteral("aux"), QStringLiteral("nul")};
    if (reserved.contains(base))
        return true;
    return base.size() == 4 &&
           (base.startsWith(QLatin1String("com")) || base.startsWith(QLatin1String("lpt"))) &&
           base.at(3) >= QLatin1Char('1') && base.at(3) <= QLatin1Char('9');
}

} // namespace

QString PreparePdfFolder(const QString& workingDirectory)
{
    const QString folder =
        QDir(workingDirectory).absoluteFilePath(QStringLiteral("PDF")) + QLatin1Char('/');
    if (!QDir().mkpath(folder))
        throw TError(QCoreApplication::translate("TEmailRun", "The folder %1 cannot be created.")
                         .arg(QDir::toNativeSeparators(folder)));
    DeleteFilesInFolder(folder);
    return folder;
}

void DeleteFilesInFolder(const QString& folder)
{
    QDir dir(folder);
    const QStringList files =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& file : files)
        dir.remove(file);
}

std::unique_ptr<TMailHandler> CreateMailHandler(const TConfig& config)
{
    const QString typeText = config.ReadString(MailSection, QStringLiteral("HandlerType"));
    try {
        const int type = MailSettingToInt(typeText);
        if (type == 1) {
            const QString smtp = QStringLiteral("SMTP");
            const QString port = config.ReadString(smtp, QStringLiteral("Port"));
            const QString authType = config.ReadString(smtp, QStringLiteral("AuthType"));
            const QString userName = config.ReadString(smtp, QStringLiteral("UserName"));
            const QString password = config.ReadString(smtp, QStringLiteral("Password"));
            const QString host = config.ReadString(smtp, QStringLiteral("Host"));
            auto handler = std::make_unique<TSMTPMail>(host, port, authType, userName, password);
            // A private certificate authority; a relative path is read beside quorvel.ini.
            const QString caFile = config.ReadString(smtp, QStringLiteral("CaFile")).trimmed();
            if (!caFile.isEmpty())
                handler->SetCaFile(
                    QFileInfo(config.FilePath()).absoluteDir().absoluteFilePath(caFile));
            return handler;
        }
        if (type == 2)
            return std::make_unique<TOutlookMail>(CreatePlatformMapi(
                config.ReadString(MailSection, QStringLiteral("SendmailCommand"))));
    } catch (const EMailError& error) {
        throw TError(error.Message());
    }
    throw TError(
        QCoreApplication::translate("TEmailRun", "Mail handler unknown: %1!").arg(typeText));
}

QString SafePdfName(const QString& email)
{
    static const QString forbidden = QStringLiteral("/\\<>:\"|?*");
    QString name;
    name.reserve(email.size());
    for (const QChar c : email) {
        const bool control =
            c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph;
        name += control || forbidden.contains(c) ? QLatin1Char('_') : c;
    }
    while (name.contains(QLatin1String("..")))
        name.replace(QLatin1String(".."), QLatin1String("_."));
    if (IsReservedDeviceName(name))
        name.prepend(QLatin1Char('_'));
    return name.left(200);
}

QString TranscriptPeriod(const TTimeFilter& timeFilter)
{
    QList<int> years;
    if (timeFilter.Kind == tkYears) {
        for (const QString& year : timeFilter.Years)
            if (const int y = year.trimmed().toInt(); y > 0 && !years.contains(y))
                years << y;
    } else if (timeFilter.Kind == tkDateRange && timeFilter.BeginDate.isValid() &&
               timeFilter.EndDate.isValid()) {
        for (int y = timeFilter.BeginDate.year(); y <= timeFilter.EndDate.year(); ++y)
            years << y;
    }
    std::sort(years.begin(), years.end());
    if (years.isEmpty())
        return {};
    if (years.size() > 1 && years.last() - years.first() == years.size() - 1)
        return QStringLiteral("%1-%2").arg(years.first()).arg(years.last());
    QStringList texts;
    for (const int y : years)
        texts << QString::number(y);
    return texts.join(QStringLiteral(", "));
}

QString TranscriptAttachmentName(const QString& period, const QString& fullName)
{
    QString name = Tr("Transcript");
    if (!period.isEmpty())
        name += u' ' + period;
    // The name travels in a header: no control character, no path separator.
    const QString person = SafePdfName(fullName.simplified());
    if (!person.isEmpty())
        name += QStringLiteral(" - ") + person;
    return name + QStringLiteral(".pdf");
}

TEmailRun::TEmailRun(TDM& dm, TPrompts& prompts, TReportWindows& windows, TPdfWriter writePdf)
    : m_dm(dm), m_prompts(prompts), m_windows(windows), m_writePdf(std::move(writePdf))
{
}

QString TEmailRun::UniquePath(const QString& folder, const QString& email, int userId)
{
    // Two participants with one address must not get each other's transcript: the second
    // takes the address with "-" and his user_id.
    const QString base = SafePdfName(email);
    QString name = base;
    if (m_takenNames.contains(name.toLower()))
        name = base + QLatin1Char('-') + QString::number(userId);
    for (int n = 2; m_takenNames.contains(name.toLower()); ++n)
        name = base + QLatin1Char('-') + QString::number(userId) + QLatin1Char('-') +
               QString::number(n);
    m_takenNames.insert(name.toLower());
    const QString path = folder + name + QStringLiteral(".pdf");
    if (QFileInfo(path).absolutePath() != QFileInfo(folder + QStringLiteral("x")).absolutePath())
        throw TError(QCoreApplication::translate(
                         "TEmailRun", "The e-mail address %1 cannot be used as a file name.")
                         .arg(email));
    return path;
}

void TEmailRun::Run(const QString& participantsSql)
{
    TDataSet* participants = m_dm.TransParticipants;
    TDataSet* emailParticipants = m_dm.TransEmail;
    TDM::SetQuery(participants, {QStringLiteral("select * from participants")});
    TDM::SetQuery(emailParticipants, {participantsSql, QStringLiteral("and p.mail_type = 1")});
    emailParticipants->First();
    const QString folder = PreparePdfFolder(m_dm.WorkingDirectory());

    // Every PDF is written before the first message leaves.
    m_lines.clear();
    m_log.reset();
    m_takenNames.clear();
    while (!emailParticipants->Eof()) {
        const int userId = emailParticipants->FieldByName(QStringLiteral("user_id")).AsInteger();
        participants->SetFiltered(false);
        participants->SetFilter(QStringLiteral("user_id = ") + QString::number(userId));
        participants->SetFiltered(true);
        TDeliveryRow line;
        line.userId = userId;
        line.address = participants->FieldByName(QStringLiteral("email")).AsString();
        line.name = FullName(participants->FieldByName(QStringLiteral("first_name")).AsString(),
                             participants->FieldByName(QStringLiteral("last_name")).AsString());
        line.file = UniquePath(folder, line.address, userId);
        m_lines << line;
        m_writePdf(line.file);
        emailParticipants->Next();
    }
    Deliver();
}

void TEmailRun::Deliver()
{
    const TConfig& config = *m_dm.Config;
    // Freed on every way out, a failed Connect or Send included.
    const std::unique_ptr<TMailHandler> handler = CreateMailHandler(config);
    const QString label = HandlerLabel(config);

    // Every message is in the log before the first leaves, so a run cut short (a crash, a power
    // cut, a closed program) is finished with "Send again" from the report.
    const QDateTime now = QDateTime::currentDateTime();
    QList<int> toSend;
    int emptyAddresses = 0;
    for (int i = 0; i < m_lines.size(); ++i) {
        TDeliveryRow& line = m_lines[i];
        line.time = now;
        line.handler = label;
        if (line.address.isEmpty()) {
            line.status = TDeliveryRow::Status::NoAddress;
            ++emptyAddresses;
        } else {
            line.status = TDeliveryRow::Status::NotSent;
            toSend << i;
        }
    }
    m_log = std::make_shared<TDeliveryLog>(*m_dm.Conn);
    m_log->period = m_period;
    m_log->Add(m_lines);
    auto showReport = [this] {
        if (!m_log->Rows().isEmpty())
            ShowReport(m_dm, m_prompts, m_windows, m_log, m_printTheirs);
    };

    try {
        handler->Connect();
    } catch (const EMailError& error) {
        for (const int index : toSend) {
            m_log->Rows()[index].detail = error.Message();
            m_log->Update(index);
        }
        showReport();
        throw TError(error.Message());
    }

    const TPassResult result = SendRows(config, *handler, m_windows, *m_log, toSend, label, false);
    if (result.cancelled) {
        showReport();
        throw EReportCancelled(Tr("Sending was cancelled (%1). \"Send again\" in the delivery "
                                  "report sends the rest.")
                                   .arg(TDeliveryLog::CountLine(m_log->Rows())));
    }
    if (!result.stopError.isEmpty()) {
        showReport();
        throw TError(result.stopError);
    }
    if (emptyAddresses > 0)
        m_prompts.Message(TPrompts::Kind::Plain, TPrompts::ApplicationTitle(),
                          QStringLiteral("There are %1 participants with wrong (empty) e-mails!")
                              .arg(emptyAddresses));
    showReport();
}

QList<TDeliveryRow> TEmailRun::SendAgain(TDM& dm, TPrompts& prompts, TReportWindows& windows,
                                         TDeliveryLog& log)
{
    QList<int> toSend;
    QList<int> unknown;
    for (int i = 0; i < log.Rows().size(); ++i) {
        TDeliveryRow& row = log.Rows()[i];
        if (row.status == TDeliveryRow::Status::Sent)
            continue;
        // The address as it is now: the user may have corrected it since.
        QString address = row.address;
        const QVariant current = dm.Conn->ScalarQuery(
            QStringLiteral("select coalesce(email, '') from participants where user_id = ?"),
            {row.userId});
        if (current.isValid() && !current.isNull())
            address = current.toString();
        const bool changed = address != row.address;
        if (address.isEmpty()) {
            if (row.status == TDeliveryRow::Status::NotSent ||
                row.status == TDeliveryRow::Status::NoAddress) {
                row.address.clear();
                row.status = TDeliveryRow::Status::NoAddress;
                row.detail.clear();
                log.Update(i);
            }
            continue;
        }
        // A permanent refusal stands until the address changes.
        if (row.status == TDeliveryRow::Status::Refused && !changed)
            continue;
        row.address = address;
        if (row.status == TDeliveryRow::Status::Sending && !changed)
            unknown << i;
        else
            toSend << i;
    }
    if (!unknown.isEmpty()) {
        QStringList addresses;
        for (const int index : unknown)
            addresses << log.Rows().at(index).address;
        if (prompts.Question(
                TPrompts::ApplicationTitle(),
                Tr("The program stopped while handing over %1 message(s), so they may already "
                   "have been delivered:\n%2\n\nSend them again?")
                    .arg(unknown.size())
                    .arg(addresses.join(u'\n')))) {
            toSend << unknown;
            std::sort(toSend.begin(), toSend.end());
        }
    }
    if (toSend.isEmpty())
        return log.Rows();

    // The settings as they are now: a corrected host or password counts.
    const TConfig& config = *dm.Config;
    std::unique_ptr<TMailHandler> handler;
    try {
        handler = CreateMailHandler(config);
    } catch (const TError& error) {
        prompts.Message(TPrompts::Kind::Error, TPrompts::ApplicationTitle(), error.Message());
        return log.Rows();
    }
    const QString label = HandlerLabel(config);
    try {
        handler->Connect();
    } catch (const EMailError& error) {
        // Nothing was tried, so no attempt is counted.
        for (const int index : toSend) {
            TDeliveryRow& row = log.Rows()[index];
            row.time = QDateTime::currentDateTime();
            row.handler = label;
            if (row.status != TDeliveryRow::Status::Sending)
                row.status = TDeliveryRow::Status::NotSent;
            row.detail = error.Message();
            log.Update(index);
        }
        prompts.Message(TPrompts::Kind::Error, TPrompts::ApplicationTitle(), error.Message());
        return log.Rows();
    }
    const TPassResult result = SendRows(config, *handler, windows, log, toSend, label, true);
    QStringList texts;
    if (!result.stopError.isEmpty())
        texts << result.stopError;
    if (!result.refusals.isEmpty())
        texts << Tr("%1 message(s) were refused:\n%2")
                     .arg(result.refusals.size())
                     .arg(result.refusals.mid(0, 10).join(u'\n'));
    if (!texts.isEmpty())
        prompts.Message(result.stopError.isEmpty() ? TPrompts::Kind::Warning
                                                   : TPrompts::Kind::Error,
                        TPrompts::ApplicationTitle(), texts.join(QStringLiteral("\n\n")));
    return log.Rows();
}

void TEmailRun::ShowReport(TDM& dm, TPrompts& prompts, TReportWindows& windows,
                           const std::shared_ptr<TDeliveryLog>& log, TPrintTheirs printTheirs)
{
    TDeliveryActions actions;
    TDM* module = &dm;
    TPrompts* shown = &prompts;
    TReportWindows* opened = &windows;
    actions.sendAgain = [module, shown, opened, log] {
        return SendAgain(*module, *shown, *opened, *log);
    };
    if (printTheirs)
        actions.printTheirs = [log, printTheirs] {
            QList<int> ids;
            for (const TDeliveryRow& row : log->Rows())
                if (row.status == TDeliveryRow::Status::NoAddress)
                    ids << row.userId;
            if (!ids.isEmpty())
                printTheirs(ids);
        };
    windows.ShowDeliveryReport(log->Rows(), std::move(actions));
}
