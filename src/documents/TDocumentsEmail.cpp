#include "TDocuments.h"

#include "TDM.h"
#include "TEmailRun.h"
#include "TError.h"

void TDocuments::EmailTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                  const QStringList& ids)
{
    TEmailRun run(m_dm, m_prompts, [](const QString&) {
        throw TError(QStringLiteral("Transcripts cannot be written to PDF files yet"));
    });
    run.Run(TDM::SelectTranscriptParticipants(confFilter, timeFilter, ids));
}
