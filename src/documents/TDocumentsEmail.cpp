#include "TDocuments.h"

#include "TDM.h"
#include "TEmailRun.h"
#include "TReportRun.h"

void TDocuments::EmailTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                  const QStringList& ids)
{
    // One series for the run: "Ok to all" in one status window confirms the rest.
    TReportSeries series;
    TEmailRun run(m_dm, m_prompts,
                  [this, &series](const QString& path) { WriteTranscriptPdf(path, &series); });
    run.Run(TDM::SelectTranscriptParticipants(confFilter, timeFilter, ids));
}
