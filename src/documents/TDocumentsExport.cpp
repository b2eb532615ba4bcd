#include "TDocuments.h"

#include "TError.h"

void TDocuments::ExportConferenceParticipants()
{
    throw TError(QStringLiteral("The participants list cannot be exported yet"));
}

void TDocuments::ExportTranscripts()
{
    throw TError(QStringLiteral("The transcripts list cannot be exported yet"));
}

void TDocuments::GenerateCalendar()
{
    throw TError(QStringLiteral("The calendar cannot be generated yet"));
}
