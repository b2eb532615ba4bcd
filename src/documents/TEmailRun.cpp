#include "TEmailRun.h"

#include "TConfig.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TDeliveryReport.h"
#include "TError.h"
#include "TOutlookMail.h"
#include "TPrompts.h"
#include "TSMTPMail.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace
{

const QString MailSection = QStringLiteral("Mail");

QString HandlerLabel(const TConfig& config)
{
    return config.ReadString(MailSection, QStringLiteral("HandlerType")).trimmed() ==
                   QLatin1String("2")
               ? QStringLiteral("Mail client")
               : QStringLiteral("SMTP");
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

TEmailRun::TEmailRun(TDM& dm, TPrompts& prompts, TPdfWriter writePdf)
    : m_dm(dm), m_prompts(prompts), m_writePdf(std::move(writePdf))
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
    QList<TLine> lines;
    m_takenNames.clear();
    while (!emailParticipants->Eof()) {
        const int userId = emailParticipants->FieldByName(QStringLiteral("user_id")).AsInteger();
        participants->SetFiltered(false);
        participants->SetFilter(QStringLiteral("user_id = ") + QString::number(userId));
        participants->SetFiltered(true);
        const QString email = participants->FieldByName(QStringLiteral("email")).AsString();
        const QString path = UniquePath(folder, email, userId);
        lines << TLine{email, path, userId};
        m_writePdf(path);
        emailParticipants->Next();
    }
    Deliver(lines);
}

void TEmailRun::Deliver(const QList<TLine>& lines)
{
    const TConfig& config = *m_dm.Config;
    // Freed on every way out, a failed Connect or Send included.
    const std::unique_ptr<TMailHandler> handler = CreateMailHandler(config);
    const QString label = HandlerLabel(config);
    m_log = std::make_shared<TDeliveryLog>(*m_dm.Conn);

    auto logRest = [&](qsizetype from, const QString& detail) {
        for (qsizetype i = from; i < lines.size(); ++i) {
            if (lines.at(i).email.isEmpty())
                continue;
            TDeliveryRow row;
            row.time = QDateTime::currentDateTime();
            row.userId = lines.at(i).userId;
            row.address = lines.at(i).email;
            row.file = lines.at(i).path;
            row.handler = label;
            row.status = TDeliveryRow::Status::NotSent;
            row.detail = detail;
            m_log->Add(row);
        }
    };
    auto showReport = [this] {
        if (m_log->Rows().isEmpty())
            return;
        TDM* dm = &m_dm;
        std::shared_ptr<TDeliveryLog> log = m_log;
        TDeliveryReportWindow::Current().Show(log->Rows(),
                                              [dm, log] { return SendAgain(*dm, *log); });
    };

    try {
        handler->Connect();
    } catch (const EMailError& error) {
        logRest(0, error.Message());
        showReport();
        throw TError(error.Message());
    }

    int emptyAddresses = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const TLine& line = lines.at(i);
        if (line.email.isEmpty()) {
            ++emptyAddresses;
            continue;
        }
        TDeliveryRow row;
        row.userId = line.userId;
        row.address = line.email;
        row.file = line.path;
        row.handler = label;
        row.attempts = 1;
        try {
            // Read again for every message.
            handler->Send(config.ReadString(MailSection, QStringLiteral("From")), line.email,
                          config.ReadString(MailSection, QStringLiteral("Subject")), line.path,
                          config.ReadList(QStringLiteral("Body")));
            row.time = QDateTime::currentDateTime();
            row.detail = handler->LastRefusal();
            row.status =
                row.detail.isEmpty() ? TDeliveryRow::Status::Sent : TDeliveryRow::Status::Refused;
            m_log->Add(row);
        } catch (const EMailError& error) {
            row.time = QDateTime::currentDateTime();
            row.status = TDeliveryRow::Status::Refused;
            row.detail = error.Message();
            m_log->Add(row);
            logRest(i + 1, {});
            showReport();
            throw TError(error.Message());
        }
    }
    if (emptyAddresses > 0)
        m_prompts.Message(TPrompts::Kind::Plain, TPrompts::ApplicationTitle(),
                          QStringLiteral("There are %1 participants with wrong (empty) e-mails!")
                              .arg(emptyAddresses));
    showReport();
}

QList<TDeliveryRow> TEmailRun::SendAgain(TDM& dm, TDeliveryLog& log)
{
    QList<int> pending;
    for (int i = 0; i < log.Rows().size(); ++i)
        if (log.Rows().at(i).status != TDeliveryRow::Status::Sent)
            pending << i;
    if (pending.isEmpty())
        return log.Rows();

    const TConfig& config = *dm.Config;
    const std::unique_ptr<TMailHandler> handler = CreateMailHandler(config);
    const QString label = HandlerLabel(config);
    auto mark = [&](int index, TDeliveryRow::Status status, const QString& detail, bool tried) {
        TDeliveryRow& row = log.Rows()[index];
        row.time = QDateTime::currentDateTime();
        row.handler = label;
        row.status = status;
        row.detail = detail;
        if (tried)
            ++row.attempts;
        log.Update(index);
    };
    try {
        handler->Connect();
    } catch (const EMailError& error) {
        for (int index : pending)
            mark(index, TDeliveryRow::Status::NotSent, error.Message(), false);
        return log.Rows();
    }
    for (int index : pending) {
        const TDeliveryRow row = log.Rows().at(index);
        // A message without its transcript is worth nothing: a PDF that is gone is not sent.
        if (!QFileInfo(row.file).isFile()) {
            mark(index, TDeliveryRow::Status::NotSent,
                 QStringLiteral("The file %1 is no longer there; generate the transcripts again.")
                     .arg(QDir::toNativeSeparators(row.file)),
                 false);
            continue;
        }
        try {
            handler->Send(config.ReadString(MailSection, QStringLiteral("From")), row.address,
                          config.ReadString(MailSection, QStringLiteral("Subject")), row.file,
                          config.ReadList(QStringLiteral("Body")));
            const QString refusal = handler->LastRefusal();
            mark(index,
                 refusal.isEmpty() ? TDeliveryRow::Status::Sent : TDeliveryRow::Status::Refused,
                 refusal, true);
        } catch (const EMailError& error) {
            mark(index, TDeliveryRow::Status::Refused, error.Message(), true);
            break; // as in the run: the rest stay as they were
        }
    }
    return log.Rows();
}
