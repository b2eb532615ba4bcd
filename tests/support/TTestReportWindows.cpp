#include "support/TTestReportWindows.h"

#include <QPrinter>

namespace
{

class TTestStatus : public TReportStatus
{
public:
    explicit TTestStatus(TTestReportWindows& owner) : m_owner(owner) {}

    void SetProgress(const QString& text) override
    {
        m_owner.progress << text;
        if (m_owner.cancelAtProgress > 0 && m_owner.progress.size() >= m_owner.cancelAtProgress)
            m_cancelled = true;
    }
    bool Cancelled() override { return m_cancelled; }
    bool Finish(bool wait, bool offerOkToAll) override
    {
        m_owner.finishes << wait;
        m_owner.okToAllOffered << offerOkToAll;
        return offerOkToAll && m_owner.chooseOkToAll;
    }

private:
    TTestReportWindows& m_owner;
    bool m_cancelled = false;
};

} // namespace

std::unique_ptr<TReportStatus> TTestReportWindows::OpenStatus()
{
    ++statusWindows;
    return std::make_unique<TTestStatus>(*this);
}

void TTestReportWindows::Preview(TReportPages& pages, QPrinter& printer, bool allowPrint)
{
    TPreview preview;
    preview.printAllowed = allowPrint;
    preview.pagesAtOpen = pages.PageCount();
    while (pages.LayOutMore()) {
    }
    preview.sections = pages.SectionTexts();
    preview.pdf = m_dir.filePath(QStringLiteral("preview-%1.pdf").arg(previews.size() + 1));
    printer.setOutputFileName(preview.pdf);
    pages.PaintAll(printer);
    previews << preview;
}

void TTestReportWindows::ShowDeliveryReport(const QList<TDeliveryRow>& rows,
                                            TDeliveryActions actions)
{
    reports << rows;
    sendAgain = std::move(actions.sendAgain);
    printTheirs = std::move(actions.printTheirs);
}
