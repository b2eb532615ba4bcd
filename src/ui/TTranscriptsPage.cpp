#include "ui/TTranscriptsPage.h"

#include "ui/TfrmVerifyTranscript.h"

#include "ui/TBrandingPanel.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "documents/TDocuments.h"
#include "db/TPrompts.h"
#include "ui/TPageFilters.h"
#include "ui/TTimeFilterBox.h"
#include "ui/TfraCFilter.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

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
    return button;
}

QMenu* RunMenu(const char* name, QAction*& all, const char* allName, QAction*& selected,
               const char* selectedName, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QLatin1String(name));
    all = menu->addAction(QMenu::tr("All"));
    all->setObjectName(QLatin1String(allName));
    selected = menu->addAction(QMenu::tr("Only selected"));
    selected->setObjectName(QLatin1String(selectedName));
    return menu;
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
    bDeliveryReport = RunButton(tr("Delivery report…"), "bDeliveryReport", this);
    bDeliveryReport->setToolTip(tr("What the latest e-mail run sent, and \"Send again\" for the "
                                   "rest"));
    bVerifyTranscript = new QPushButton(tr("Verify a transcript..."), this);
    bVerifyTranscript->setObjectName(QStringLiteral("bVerifyTranscript"));
    bVerifyTranscript->setFixedWidth(TfraCFilter::PanelWidth);

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
    side->addWidget(bDeliveryReport);
    side->addWidget(bVerifyTranscript);
    side->addSpacing(4);
    side->addWidget(fraTransFilter);
    side->addWidget(m_transTime);
    side->addStretch(1);
    side->addWidget(Panel6);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(list, 1);
    layout->addLayout(side);

    connect(fraTransFilter, &TfraCFilter::applyClicked, this,
            &TTranscriptsPage::fraTransFilterbApplyClick);
    connect(fraTransFilter, &TfraCFilter::clearClicked, this,
            &TTranscriptsPage::fraTransFilterbClearClick);
    connect(m_transTime, &TTimeFilterBox::clicked, this, &TPageBase::timeFilterRequested);

    pmGenerateTranscripts = RunMenu("pmGenerateTranscripts", miGenerateAll, "miGenerateAll",
                                    miGenerateSelected, "miGenerateSelected", this);
    pmPreviewTranscripts = RunMenu("pmPreviewTranscripts", miPreviewAll, "miPreviewAll",
                                   miPreviewSelected, "miPreviewSelected", this);
    connect(bGenerateTranscripts, &QPushButton::clicked, this,
            &TTranscriptsPage::bGenerateTranscriptsClick);
    connect(bPreviewTranscripts, &QPushButton::clicked, this,
            &TTranscriptsPage::bPreviewTranscriptsClick);
    connect(bExpTranscripts, &QPushButton::clicked, this, &TTranscriptsPage::bExpTranscriptsClick);
    connect(bDeliveryReport, &QPushButton::clicked, this,
            &TTranscriptsPage::bDeliveryReportClick);
    connect(bVerifyTranscript, &QPushButton::clicked, this,
            &TTranscriptsPage::bVerifyTranscriptClick);
    connect(miGenerateAll, &QAction::triggered, this, &TTranscriptsPage::miGenerateAllClick);
    connect(miGenerateSelected, &QAction::triggered, this,
            &TTranscriptsPage::miGenerateSelectedClick);
    connect(miPreviewAll, &QAction::triggered, this, &TTranscriptsPage::miPreviewAllClick);
    connect(miPreviewSelected, &QAction::triggered, this,
            &TTranscriptsPage::miPreviewSelectedClick);
}

void TTranscriptsPage::bGenerateTranscriptsClick()
{
    pmGenerateTranscripts->popup(QCursor::pos());
}

void TTranscriptsPage::bPreviewTranscriptsClick()
{
    pmPreviewTranscripts->popup(QCursor::pos());
}

bool TTranscriptsPage::ConfirmGenerate(const QStringList& ids, bool nothingSelected)
{
    const TDocuments::TRunCounts counts =
        m_documents.CountTranscriptRun(m_filters.Trans, m_filters.Time, ids);
    QString text;
    if (nothingSelected)
        text = tr("No participant is selected, so this covers everyone.") + QStringLiteral("\n\n");
    text += tr("This prints %1 transcripts (%2 by post, %3 by fax) and e-mails %4.")
                .arg(counts.post + counts.fax)
                .arg(counts.post)
                .arg(counts.fax)
                .arg(counts.email);
    if (counts.noAddress > 0)
        text += u' ' + tr("%1 have no e-mail address.").arg(counts.noAddress);
    return m_prompts.Ask(TPrompts::Kind::Confirmation, TPrompts::ApplicationTitle(), text,
                         {TPrompts::Answer::Start, TPrompts::Answer::Cancel},
                         TPrompts::Answer::Start,
                         TPrompts::Answer::Cancel) == TPrompts::Answer::Start;
}

void TTranscriptsPage::miGenerateAllClick()
{
    if (!ConfirmGenerate({}, false))
        return;
    m_documents.GenerateTranscripts(m_filters.Trans, m_filters.Time);
    m_prompts.Message(TPrompts::Kind::Plain, TPrompts::ApplicationTitle(), tr("Finished"));
}

void TTranscriptsPage::miGenerateSelectedClick()
{
    const QStringList ids = GetSelectedParticipantIds({});
    if (!ConfirmGenerate(ids, ids.isEmpty()))
        return;
    m_documents.GenerateTranscripts(m_filters.Trans, m_filters.Time, ids);
    m_prompts.Message(TPrompts::Kind::Plain, TPrompts::ApplicationTitle(), tr("Finished"));
}

void TTranscriptsPage::miPreviewAllClick()
{
    m_documents.PreviewTranscripts(m_filters.Trans, m_filters.Time);
}

void TTranscriptsPage::miPreviewSelectedClick()
{
    const QStringList ids = GetSelectedParticipantIds({});
    m_documents.PreviewTranscripts(m_filters.Trans, m_filters.Time, ids);
}

void TTranscriptsPage::bExpTranscriptsClick()
{
    m_documents.ExportTranscripts(m_filters.Time);
}

void TTranscriptsPage::bDeliveryReportClick()
{
    m_documents.ShowDeliveryReport(m_filters.Trans, m_filters.Time);
}

void TTranscriptsPage::bVerifyTranscriptClick()
{
    TfrmVerifyTranscript dialog(m_dm.WorkingDirectory(), m_prompts, window());
    dialog.exec();
}

QStringList TTranscriptsPage::GetSelectedParticipantIds(QStringList list) const
{
    TDataSet* transcripts = m_dm.Transcripts;
    QItemSelectionModel* selection = jdbgTranscripts->selectionModel();
    if (!selection || !transcripts->Active())
        return list;
    QList<int> rows;
    for (const QModelIndex& index : selection->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    // Read by row, so the current row (and the grid showing it) never moves.
    const int userId = transcripts->FieldByName(QStringLiteral("user_id")).Index();
    for (int row : rows)
        list << QString::number(transcripts->RowValue(row, userId).toLongLong());
    return list;
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
