#include "ui/TfraCFilter.h"

#include "data/TConfFilter.h"
#include "data/TIdList.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

const QString AndCaption = QStringLiteral("and");
const QString OrCaption = QStringLiteral("or");

QLineEdit* NewEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    // Its width comes from the panel's split, not from its own preferred size.
    edit->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return edit;
}

} // namespace

TfraCFilter::TfraCFilter(const QString& objectName, QWidget* parent)
    : QFrame(parent), m_credits(std::make_shared<TIdList>())
{
    setObjectName(objectName);
    setFixedSize(PanelWidth, PanelHeight);

    gbFilter = new QGroupBox(tr("Filter"), this);
    gbFilter->setObjectName(QStringLiteral("gbFilter"));
    gbFilter->setToolTip(tr("Credits filtering criteria "));

    eFName = NewEdit("eFName", gbFilter);
    eFSerie = NewEdit("eFSerie", gbFilter);
    eFSpeaker = NewEdit("eFSpeaker", gbFilter);
    eFExtra = NewEdit("eFExtra", gbFilter);

    jclbFCredits = new QListWidget(gbFilter);
    jclbFCredits->setObjectName(QStringLiteral("jclbFCredits"));
    jclbFCredits->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    jclbFCredits->setUniformItemSizes(true);
    jclbFCredits->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    jclbFCredits->setTextElideMode(Qt::ElideRight);
    jclbFCredits->setAutoFillBackground(true);

    // A flat button coloured by its mode: a click, or Space while it has the focus, toggles it,
    // and screen readers announce it as a button.
    stCreditsAndOr = new QPushButton(OrCaption, gbFilter);
    stCreditsAndOr->setObjectName(QStringLiteral("stCreditsAndOr"));
    stCreditsAndOr->setFlat(true);
    stCreditsAndOr->setAutoFillBackground(true);
    stCreditsAndOr->setToolTip(tr("Click-it to change the filtering criteria for credits"));
    stCreditsAndOr->setAccessibleName(tr("Credits combined with"));
    stCreditsAndOr->setCursor(Qt::PointingHandCursor);
    stCreditsAndOr->setFocusPolicy(Qt::StrongFocus);
    stCreditsAndOr->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(stCreditsAndOr, &QPushButton::clicked, this, [this] {
        if (isEnabled())
            stCreditsAndOrClick();
    });

    bClear = new QPushButton(tr("Clear"), gbFilter);
    bClear->setObjectName(QStringLiteral("bClear"));
    bApply = new QPushButton(tr("Apply"), gbFilter);
    bApply->setObjectName(QStringLiteral("bApply"));
    QFont bold = bApply->font();
    bold.setBold(true);
    bApply->setFont(bold);

    auto* grid = new QGridLayout(gbFilter);
    grid->setContentsMargins(5, 2, 5, 5);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    const std::pair<QString, QLineEdit*> rows[] = {
        {tr("Title"), eFName},
        {tr("Series"), eFSerie},
        {tr("Speaker"), eFSpeaker},
        {tr("Additional"), eFExtra},
    };
    int row = 0;
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(caption, gbFilter);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    grid->addWidget(jclbFCredits, 0, 2, 4, 1);
    // The buttons share the width of the labels and edits, leaving the rest to the credits.
    bClear->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    bApply->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(bClear);
    buttons->addWidget(bApply);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->addWidget(stCreditsAndOr, 4, 2);
    // The edits and the credit list share the room beside the labels evenly.
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(gbFilter);

    setTabOrder(eFName, eFSerie);
    setTabOrder(eFSerie, eFSpeaker);
    setTabOrder(eFSpeaker, eFExtra);
    setTabOrder(eFExtra, jclbFCredits);
    setTabOrder(jclbFCredits, stCreditsAndOr);
    setTabOrder(stCreditsAndOr, bClear);
    setTabOrder(bClear, bApply);

    SetOrMode();
    connect(bApply, &QPushButton::clicked, this, &TfraCFilter::applyClicked);
    connect(bClear, &QPushButton::clicked, this, &TfraCFilter::clearClicked);
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
    for (const TIdItem& line : *m_credits) {
        auto* item = new QListWidgetItem(line.Text, jclbFCredits);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    if (mode == OrCaption)
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

void TfraCFilter::ShowMode(const QString& caption, const QColor& color)
{
    stCreditsAndOr->setText(caption);
    QPalette label = stCreditsAndOr->palette();
    label.setColor(QPalette::Window, color);
    label.setColor(QPalette::Button, color);
    stCreditsAndOr->setPalette(label);
    QPalette list = jclbFCredits->palette();
    list.setColor(QPalette::Base, color);
    list.setColor(QPalette::Window, color);
    jclbFCredits->setPalette(list);
}

void TfraCFilter::SetAndMode()
{
    ShowMode(AndCaption, AndColor());
}

void TfraCFilter::SetOrMode()
{
    ShowMode(OrCaption, OrColor());
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
    if (stCreditsAndOr->text() == OrCaption)
        SetAndMode();
    else
        SetOrMode();
}

void TfraCFilter::SetApplyMaroon(bool maroon)
{
    QPalette palette = bApply->palette();
    palette.setColor(QPalette::ButtonText,
                     maroon ? QColor(128, 0, 0) : this->palette().color(QPalette::ButtonText));
    bApply->setPalette(palette);
}

QString TfraCFilter::Mode() const
{
    return stCreditsAndOr->text();
}
