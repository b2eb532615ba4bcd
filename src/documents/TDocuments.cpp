#include "TDocuments.h"

#include "TReportProject.h"

TDocuments::TDocuments(TDM& dm, TPrompts& prompts) : m_dm(dm), m_prompts(prompts)
{
}

TDocuments::~TDocuments() = default;
