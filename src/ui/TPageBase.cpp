#include "ui/TPageBase.h"

#include <QTabWidget>

TPageBase::TPageBase(const TPageInputs& inputs, QWidget* parent)
    : QWidget(parent), m_dm(inputs.dm), m_filters(inputs.filters), m_prompts(inputs.prompts),
      m_documents(inputs.documents)
{
}

void TPageBase::ShowOtherTabs(QTabWidget* pages, bool visible)
{
    for (int i = 0; i < pages->count(); ++i)
        if (i != pages->currentIndex())
            pages->setTabVisible(i, visible);
}
