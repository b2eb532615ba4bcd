#include "ui/TSignInPage.h"

#include "ui/TBrandingPanel.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TPageFilters.h"
#include "ui/TTimeFilterBox.h"
#include "ui/TfraCFilter.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TSignInPage::TSignInPage(const TPageInputs& inputs, QWidget* parent) : TPageBase(inputs, parent)
{
    setObjectName(QStringLiteral("tsSignIn"));

    lSignInConfs = new QLabel(tr("Conferences"), this);
    lSignInConfs->setObjectName(QStringLiteral("lSignInConfs"));
    QFont captionFont = lSignInConfs->font();
    captionFont.setBold(true);
    lSignInConfs->setFont(captionFont);

    jdbgSignInConfs = new TDBGrid(QStringLiteral("jdbgSignInConfs"), this);
    jdbgSignInConfs->SetDataSet(m_dm.SignInConfs, {{QStringLiteral("begin_date"), tr("Begin date")},
                                                   {QStringLiteral("conf_name"), tr("Title")}});
    jdbgSignInConfs->SetSortable(true);
    jdbgSignInConfs->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    jdbgSignInConfs->SetColumnsResizable(false);
    QFont titleFont = jdbgSignInConfs->horizontalHeader()->font();
    titleFont.setBold(true);
    jdbgSignInConfs->horizontalHeader()->setFont(titleFont);
    lSignInConfs->setBuddy(jdbgSignInConfs);

    bSignIn = new QPushButton(tr("&Live sign-in"), this);
    bSignIn->setObjectName(QStringLiteral("bSignIn"));
    QFont signInFont = bSignIn->font();
    signInFont.setBold(true);
    signInFont.setPointSize(signInFont.pointSize() + 6);
    bSignIn->setFont(signInFont);
    bSignIn->setMinimumHeight(56);
    bSignIn->setAutoDefault(false);

    fraSignInFilter = new TfraCFilter(QStringLiteral("fraSignInFilter"), this);
    signInTime =
        new TTimeFilterBox(QStringLiteral("lSignInTime"), QStringLiteral("sbSignInTime"), this);
    Panel9 = new TBrandingPanel(QStringLiteral("Panel9"), this);

    auto* list = new QVBoxLayout;
    list->addWidget(lSignInConfs);
    list->addWidget(jdbgSignInConfs, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(bSignIn);
    side->addSpacing(6);
    side->addWidget(fraSignInFilter);
    side->addWidget(signInTime);
    side->addStretch(1);
    side->addWidget(Panel9);

    auto* sideColumn = new QWidget(this);
    sideColumn->setObjectName(QStringLiteral("pSignInSide"));
    sideColumn->setFixedWidth(TTimeFilterBox::BoxWidth);
    side->setContentsMargins(0, 0, 0, 0);
    sideColumn->setLayout(side);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(list, 1);
    layout->addWidget(sideColumn);

    connect(bSignIn, &QPushButton::clicked, this, &TSignInPage::bSignInClick);
    connect(fraSignInFilter, &TfraCFilter::applyClicked, this,
            &TSignInPage::fraSignInFilterbApplyClick);
    connect(fraSignInFilter, &TfraCFilter::clearClicked, this,
            &TSignInPage::fraSignInFilterbClearClick);
    connect(signInTime, &TTimeFilterBox::clicked, this, &TPageBase::timeFilterRequested);
}

void TSignInPage::bSignInClick()
{
    if (m_dm.SignInConfs->IsEmpty())
        return;
    Q_EMIT signInRequested();
}

void TSignInPage::fraSignInFilterbApplyClick()
{
    fraSignInFilter->GetFilter(m_filters.SignIn);
    ApplyFilters();
}

void TSignInPage::ApplyFilters()
{
    m_dm.ApplyConferenceFilter(m_dm.SignInConfs, m_filters.SignIn, m_filters.Time);
}

void TSignInPage::fraSignInFilterbClearClick()
{
    fraSignInFilter->bClearClick();
    fraSignInFilterbApplyClick();
}
