#include "ui/TCalendarPage.h"

#include "ui/TBrandingPanel.h"
#include "data/TControlsOff.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "documents/TDocuments.h"
#include "db/TPrompts.h"
#include "ui/TPageFilters.h"
#include "ui/TTimeFilterBox.h"
#include "ui/TfraCFilter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TCalendarPage::TCalendarPage(const TPageInputs& inputs, QWidget* parent) : TPageBase(inputs, parent)
{
    setObjectName(QStringLiteral("tsCalendar"));

    lCalConferences = new QLabel(tr("&Conferences"), this);
    lCalConferences->setObjectName(QStringLiteral("lCalConferences"));
    jdbgCalendar = new TDBGrid(QStringLiteral("jdbgCalendar"), this);
    jdbgCalendar->SetDataSet(m_dm.CalendarConfs, {{QStringLiteral("begin_date"), tr("Begin date")},
                                                  {QStringLiteral("conf_name"), tr("Title")}});
    jdbgCalendar->SetSortable(true);
    jdbgCalendar->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    jdbgCalendar->SetColumnsResizable(false);
    lCalConferences->setBuddy(jdbgCalendar);

    bGenerateCalendar = new QPushButton(tr("Generate calendar"), this);
    bGenerateCalendar->setObjectName(QStringLiteral("bGenerateCalendar"));
    bGenerateCalendar->setFixedSize(TfraCFilter::PanelWidth, 33);
    QFont font = bGenerateCalendar->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    bGenerateCalendar->setFont(font);
    connect(bGenerateCalendar, &QPushButton::clicked, this,
            &TCalendarPage::bGenerateCalendarClick);

    fraCalFilter = new TfraCFilter(QStringLiteral("fraCalFilter"), this);
    m_calTime = new TTimeFilterBox(QStringLiteral("lCalTime"), QStringLiteral("sbCalTime"), this);
    Panel7 = new TBrandingPanel(QStringLiteral("Panel7"), this);

    auto* list = new QVBoxLayout;
    list->addWidget(lCalConferences);
    list->addWidget(jdbgCalendar, 1);
    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    side->addWidget(bGenerateCalendar);
    side->addSpacing(4);
    side->addWidget(fraCalFilter);
    side->addWidget(m_calTime);
    side->addStretch(1);
    side->addWidget(Panel7);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(list, 1);
    layout->addLayout(side);

    connect(fraCalFilter, &TfraCFilter::applyClicked, this,
            &TCalendarPage::fraCalFilterbApplyClick);
    connect(fraCalFilter, &TfraCFilter::clearClicked, this,
            &TCalendarPage::fraCalFilterbClearClick);
    connect(m_calTime, &TTimeFilterBox::clicked, this, &TPageBase::timeFilterRequested);
}

void TCalendarPage::LinkDetailsTo(TDataSet* master)
{
    for (TDataSet* detail : {m_dm.ConfSpeakers, m_dm.ConfExtras, m_dm.ConfCredits})
        detail->SetMaster(master, QStringLiteral("conf_id"));
}

void TCalendarPage::bGenerateCalendarClick()
{
    // The details keep quiet while they follow the calendar list, so the Conferences page,
    // which shows them, hears of them once, when they follow its own list again.
    TControlsOff quietDetails{m_dm.ConfSpeakers, m_dm.ConfExtras, m_dm.ConfCredits};
    jdbgCalendar->SuspendRedraw();
    auto restore = [this] {
        jdbgCalendar->ResumeRedraw();
        LinkDetailsTo(m_dm.Conferences);
    };
    try {
        // Linking reads the details of the calendar's current row at once.
        LinkDetailsTo(m_dm.CalendarConfs);
        if (m_documents.GenerateCalendar())
            m_prompts.Message(TPrompts::Kind::Plain, TPrompts::ApplicationTitle(),
                              tr("Calendar generated. Check for the \"calendar.rtf\" file in "
                                 "the current folder."));
    } catch (...) {
        try {
            restore();
        } catch (...) {
        }
        throw;
    }
    restore();
    quietDetails.Restore();
}

void TCalendarPage::fraCalFilterbApplyClick()
{
    fraCalFilter->GetFilter(m_filters.Cal);
    ApplyFilters();
}

void TCalendarPage::ApplyFilters()
{
    m_dm.ApplyConferenceFilter(m_dm.CalendarConfs, m_filters.Cal, m_filters.Time);
}

void TCalendarPage::fraCalFilterbClearClick()
{
    fraCalFilter->bClearClick();
    fraCalFilterbApplyClick();
}
