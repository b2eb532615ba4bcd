#include "TTranscriptsPage.h"

#include "TBrandingPanel.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TPageFilters.h"
#include "TTimeFilterBox.h"
#include "TfraCFilter.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

// The large bold buttons that start the document runs.
QPushButton* RunButton(const QString& caption, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(TfraCFilter::PanelWidth, 33);
    QFont font = button->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    button->setFont(font);
    // The runs are not available in this version of the page.
    button->setEnabled(false);
    return button;
}

} // namespace

TTranscriptsPage::TTranscriptsPage(const TPageInputs& inputs, QWidget* parent)
    : TPageBase(inputs, parent)
{
    setObjectName(QStringLiteral("tsTranscripts"));

    lTransParticipants = new QLabel(tr("&Participants"), this);
    lTransParticipants->setObjectName(QStringLiteral("lTransParticipants"));
    jdbgTranscripts = new TDBGrid(QStringLiteral("jdbgTranscripts"), this);
    jdbgTranscripts->SetDataSet(m_dm.Transcripts, {{QStringLiteral("last_name"), tr("Last name")},
                                                   {QStringLiteral("first_name"), tr("First name")},
                                                   {QStringLiteral("units"), tr("Units")}});
    jdbgTranscripts->SetSortable(true);
    jdbgTranscripts->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    jdbgTranscripts->SetColumnsResizable(true);
    jdbgTranscripts->SetMultiSelect(true);
    jdbgTranscripts->SetRowIndicator(false);
    lTransParticipants->setBuddy(jdbgTranscripts);

    bGenerateTranscripts = RunButton(tr("Generate transcripts"), "bGenerateTranscripts", this);
    bPreviewTranscripts = RunButton(tr("Preview transcripts"), "bPreviewTranscripts", this);
    bExpTranscripts = RunButton(tr("Export to Excel file"), "bExpTranscripts", this);

    fraTransFilter = new TfraCFilter(QStringLiteral("fraTransFilter"), this);
    fraTransFilter->SetCaption(tr("Conference filter"));
    m_transTime =
        new TTimeFilterBox(QStringLiteral("lTransTime"), QStringLiteral("sbTransTime"), this);
    Panel6 = new TBrandingPanel(QStringLiteral("Panel6"), this);

    auto* list = new QVBoxLayout;
    list->addWidget(lTransParticipants);
    list->addWidget(jdbgTranscripts, 1);
    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    side->addWidget(bGenerateTranscripts);
    side->addWidget(bPreviewTranscripts);
    side->addWidget(bExpTranscripts);
    side->addSpacing(4);
    side->addWidget(fraTransFilter);
    side->addWidget(m_transTime);
    side->addStretch(1);
    side->addWidget(Panel6);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(list, 1);
    layout->addLayout(side);

    connect(fraTransFilter, &TfraCFilter::ApplyClicked, this,
            &TTranscriptsPage::fraTransFilterbApplyClick);
    connect(fraTransFilter, &TfraCFilter::ClearClicked, this,
            &TTranscriptsPage::fraTransFilterbClearClick);
    connect(m_transTime, &TTimeFilterBox::Clicked, this, &TPageBase::timeFilterRequested);
}

void TTranscriptsPage::ClearTranscriptSelection()
{
    if (QItemSelectionModel* selection = jdbgTranscripts->selectionModel())
        selection->clearSelection();
}

void TTranscriptsPage::fraTransFilterbApplyClick()
{
    ClearTranscriptSelection();
    fraTransFilter->GetFilter(m_filters.Trans);
    ApplyFilters();
}

void TTranscriptsPage::fraTransFilterbClearClick()
{
    ClearTranscriptSelection();
    fraTransFilter->bClearClick();
    fraTransFilter->GetFilter(m_filters.Trans);
    ApplyFilters();
}

void TTranscriptsPage::ApplyFilters()
{
    m_dm.ApplyTranscriptFilter(m_filters.Trans, m_filters.Time);
}
