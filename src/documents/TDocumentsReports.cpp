#include "TDocuments.h"

#include "TError.h"

void TDocuments::GenerateTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                     const QStringList& ids)
{
    EmailTranscripts(confFilter, timeFilter, ids);
}

void TDocuments::PreviewTranscripts(const TConfFilter&, const TTimeFilter&, const QStringList&)
{
    throw TError(QStringLiteral("Transcripts cannot be previewed yet"));
}

void TDocuments::PrintConferenceParticipants()
{
    throw TError(QStringLiteral("The attendance sheet cannot be printed yet"));
}
