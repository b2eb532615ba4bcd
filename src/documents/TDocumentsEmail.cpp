#include "documents/TDocuments.h"

#include "data/TConfFilter.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "documents/TEmailRun.h"
#include "db/TError.h"
#include "mail/TMailHandler.h"
#include "db/TPrompts.h"
#include "documents/TReportRun.h"
#include "data/TTimeFilter.h"

#include <QCoreApplication>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDocuments", text);
}

QStringList IdTexts(const QList<int>& ids)
{
    QStringList texts;
    for (const int id : ids)
        texts << QString::number(id);
    return texts;
}

} // namespace

void TDocuments::EmailTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                  const QStringList& ids)
{
    // One series for the run: "Ok to all" in one status window confirms the rest.
    TReportSeries series;
    TEmailRun run(m_dm, m_prompts, m_windows,
                  [this, &series](const QString& path) { WriteTranscriptPdf(path, &series); });
    run.SetPeriod(TranscriptPeriod(timeFilter));
    run.SetPrintTheirs([this, confFilter, timeFilter](const QList<int>& userIds) {
        PrintTranscripts(confFilter, timeFilter, IdTexts(userIds));
    });
    try {
        run.Run(TDM::SelectTranscriptParticipants(confFilter, timeFilter, ids));
    } catch (...) {
        m_lastLog = run.Log();
        throw;
    }
    m_lastLog = run.Log();
}

void TDocuments::CheckMailSettings()
{
    if (!m_dm.Config)
        throw TError(Tr("The settings are not loaded."));
    const std::unique_ptr<TMailHandler> handler = CreateMailHandler(*m_dm.Config);
    try {
        handler->Connect();
    } catch (const EMailError& error) {
        throw TError(error.Message());
    }
}

void TDocuments::ShowDeliveryReport(const TConfFilter& confFilter, const TTimeFilter& timeFilter)
{
    std::shared_ptr<TDeliveryLog> log =
        m_dm.Conn->ReadOnly() ? m_lastLog : TDeliveryLog::Latest(*m_dm.Conn);
    if (!log || log->Rows().isEmpty()) {
        m_prompts.Message(TPrompts::Kind::Information, TPrompts::ApplicationTitle(),
                          Tr("No transcripts have been e-mailed yet."));
        return;
    }
    // A log read back from the table does not know its run's period: the page's is the best
    // guess for the attachments' names.
    if (log != m_lastLog)
        log->period = m_lastLog && m_lastLog->RunId() == log->RunId()
                          ? m_lastLog->period
                          : TranscriptPeriod(timeFilter);
    TEmailRun::ShowReport(m_dm, m_prompts, m_windows, log,
                          [this, confFilter, timeFilter](const QList<int>& userIds) {
                              PrintTranscripts(confFilter, timeFilter, IdTexts(userIds));
                          });
}
