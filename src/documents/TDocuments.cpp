#include "documents/TDocuments.h"

#include "documents/TReportProject.h"

TDocuments::TDocuments(TDM& dm, TPrompts& prompts, TReportWindows& windows)
    : m_dm(dm), m_prompts(prompts), m_windows(windows)
{
}

TDocuments::~TDocuments() = default;
