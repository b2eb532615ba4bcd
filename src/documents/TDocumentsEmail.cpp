#include "TDocuments.h"

// E-mail delivery is not built yet: the run ends after the printed transcripts.
void TDocuments::EmailTranscripts(const TConfFilter&, const TTimeFilter&, const QStringList&)
{
}
