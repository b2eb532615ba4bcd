#include "documents/TProgress.h"

namespace
{

// Reporting every step would cost more than the step itself on a fast run.
constexpr int kStepsPerReport = 100;

} // namespace

TProgressRun::TProgressRun(TProgress* progress, const QString& text, int total)
{
    if (progress && total > TProgress::Threshold) {
        m_progress = progress;
        m_progress->Begin(text, total);
    }
}

TProgressRun::~TProgressRun()
{
    if (m_progress)
        m_progress->End();
}

bool TProgressRun::Step()
{
    ++m_done;
    if (m_progress && !m_cancelled && m_done % kStepsPerReport == 0)
        m_cancelled = !m_progress->Step(m_done);
    return !m_cancelled;
}
