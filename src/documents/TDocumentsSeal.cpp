#include "documents/TDocuments.h"

#include "settings/TConfig.h"
#include "data/TDM.h"
#include "documents/TTranscriptSeal.h"

void TDocuments::PrepareTranscriptSeal(const QString& period)
{
    m_seal.reset();
    if (!m_dm.Config || !TTranscriptSeal::Enabled(*m_dm.Config))
        return;
    auto seal = std::make_shared<TTranscriptSeal>();
    seal->key = TTranscriptSeal::OfficeKey(m_dm.WorkingDirectory());
    seal->issuer = m_dm.Config->ReadList(QStringLiteral("Header")).value(0).trimmed();
    seal->period = period;
    m_seal = std::move(seal);
}
