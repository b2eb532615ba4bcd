#include "TfraCFilter.h"

#include "TConfFilter.h"
#include "TIdList.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

// Skeleton: the frame's owner completes layout and behaviour.
TfraCFilter::TfraCFilter(const QString& objectName, QWidget* parent)
    : QFrame(parent), m_credits(std::make_shared<TIdList>())
{
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    gbFilter = new QGroupBox(tr("Filter"), this);
    gbFilter->setObjectName(QStringLiteral("gbFilter"));
    layout->addWidget(gbFilter);
    auto* inner = new QVBoxLayout(gbFilter);
    eFName = new QLineEdit(gbFilter);
    eFName->setObjectName(QStringLiteral("eFName"));
    eFSerie = new QLineEdit(gbFilter);
    eFSerie->setObjectName(QStringLiteral("eFSerie"));
    eFSpeaker = new QLineEdit(gbFilter);
    eFSpeaker->setObjectName(QStringLiteral("eFSpeaker"));
    eFExtra = new QLineEdit(gbFilter);
    eFExtra->setObjectName(QStringLiteral("eFExtra"));
    jclbFCredits = new QListWidget(gbFilter);
    jclbFCredits->setObjectName(QStringLiteral("jclbFCredits"));
    stCreditsAndOr = new QLabel(QStringLiteral("or"), gbFilter);
    stCreditsAndOr->setObjectName(QStringLiteral("stCreditsAndOr"));
    bClear = new QPushButton(tr("Clear"), gbFilter);
    bClear->setObjectName(QStringLiteral("bClear"));
    bApply = new QPushButton(tr("Apply"), gbFilter);
    bApply->setObjectName(QStringLiteral("bApply"));
    for (QWidget* w : std::initializer_list<QWidget*>{eFName, eFSerie, eFSpeaker, eFExtra, jclbFCredits,
                                                      stCreditsAndOr, bClear, bApply})
        inner->addWidget(w);
    connect(bApply, &QPushButton::clicked, this, &TfraCFilter::ApplyClicked);
    connect(bClear, &QPushButton::clicked, this, &TfraCFilter::ClearClicked);
}

void TfraCFilter::SetCaption(const QString& caption)
{
    gbFilter->setTitle(caption);
}

void TfraCFilter::SetCredits(const TIdList& lines, const QString& mode)
{
    *m_credits = lines;
    m_credits->SetAllChecked(false);
    jclbFCredits->clear();
    for (const TIdItem& item : *m_credits) {
        auto* w = new QListWidgetItem(item.Text, jclbFCredits);
        w->setFlags(w->flags() | Qt::ItemIsUserCheckable);
        w->setCheckState(Qt::Unchecked);
    }
    if (mode == QLatin1String("or"))
        SetOrMode();
    else
        SetAndMode();
}

void TfraCFilter::GetFilter(TConfFilter& filter) const
{
    filter.Name = eFName->text();
    filter.Serie = eFSerie->text();
    filter.Speaker = eFSpeaker->text();
    filter.Extra = eFExtra->text();
    filter.Credits.Clear();
    for (int i = 0; i < jclbFCredits->count() && i < m_credits->Count(); ++i)
        if (jclbFCredits->item(i)->checkState() == Qt::Checked)
            filter.Credits.Add(m_credits->Item(i).Text, m_credits->Item(i).Object, true);
    filter.CreditsAndOr = stCreditsAndOr->text();
}

void TfraCFilter::SetAndMode()
{
    stCreditsAndOr->setText(QStringLiteral("and"));
}

void TfraCFilter::SetOrMode()
{
    stCreditsAndOr->setText(QStringLiteral("or"));
}

void TfraCFilter::bClearClick()
{
    eFName->clear();
    eFSerie->clear();
    eFSpeaker->clear();
    eFExtra->clear();
    for (int i = 0; i < jclbFCredits->count(); ++i)
        jclbFCredits->item(i)->setCheckState(Qt::Unchecked);
}

void TfraCFilter::stCreditsAndOrClick()
{
    if (stCreditsAndOr->text() == QLatin1String("or"))
        SetAndMode();
    else
        SetOrMode();
}

QString TfraCFilter::Mode() const
{
    return stCreditsAndOr->text();
}
