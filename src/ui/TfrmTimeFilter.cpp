#include "ui/TfrmTimeFilter.h"

#include "db/TPrompts.h"
#include "data/TTimeFilter.h"

#include <QButtonGroup>
#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace
{

// The locale's short date, always with a four-digit year so that no century is guessed.
QString FourDigitYearFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QDateEdit* NewDatePicker(const char* name, QWidget* parent)
{
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setObjectName(QLatin1String(name));
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(FourDigitYearFormat(picker->locale()));
    return picker;
}

} // namespace

TfrmTimeFilter::TfrmTimeFilter(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTimeFilter"));
    setWindowTitle(tr("Set the time filter"));
    // A fixed dialog border with the close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(199, 396);

    rgPeriodType = new QGroupBox(tr("Period type"), this);
    rgPeriodType->setObjectName(QStringLiteral("rgPeriodType"));
    m_periodItems = new QButtonGroup(this);
    auto* items = new QVBoxLayout(rgPeriodType);
    items->setSpacing(2);
    const QString captions[] = {tr("&Years"), tr("&Date between"), tr("&None")};
    for (int i = 0; i < 3; ++i) {
        auto* item = new QRadioButton(captions[i], rgPeriodType);
        m_periodItems->addButton(item, i);
        items->addWidget(item);
    }

    lYear = new QLabel(tr("Years"), this);
    lYear->setObjectName(QStringLiteral("lYear"));
    jclbYears = new QListWidget(this);
    jclbYears->setObjectName(QStringLiteral("jclbYears"));
    lYear->setBuddy(jclbYears);
    lBegin = new QLabel(tr("&Begin date"), this);
    lBegin->setObjectName(QStringLiteral("lBegin"));
    dtpBegin = NewDatePicker("dtpBegin", this);
    lBegin->setBuddy(dtpBegin);
    lEnd = new QLabel(tr("&End date"), this);
    lEnd->setObjectName(QStringLiteral("lEnd"));
    dtpEnd = NewDatePicker("dtpEnd", this);
    lEnd->setBuddy(dtpEnd);
    bOk = new QPushButton(tr("Ok"), this);
    bOk->setObjectName(QStringLiteral("bOk"));
    bOk->setDefault(true);

    // The years stand beside their label; the dates take the same place when they are shown.
    auto* years = new QHBoxLayout;
    years->addWidget(lYear, 0, Qt::AlignTop);
    years->addWidget(jclbYears, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(rgPeriodType);
    layout->addLayout(years);
    layout->addWidget(lBegin);
    layout->addWidget(dtpBegin);
    layout->addWidget(lEnd);
    layout->addWidget(dtpEnd);
    layout->addStretch();
    layout->addWidget(bOk, 0, Qt::AlignHCenter);

    connect(m_periodItems, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            rgPeriodTypeClick();
    });
    connect(bOk, &QPushButton::clicked, this, &TfrmTimeFilter::bOkClick);
    FormCreate();
}

TfrmTimeFilter::~TfrmTimeFilter()
{
    FormDestroy();
}

void TfrmTimeFilter::FormCreate()
{
    const int currentYear = QDate::currentDate().year();
    for (int year = currentYear; year > currentYear - YearCount; --year) {
        auto* item = new QListWidgetItem(QString::number(year), jclbYears);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    SelectPeriodType(periodYears);
    ShowYears();
}

void TfrmTimeFilter::FormDestroy() {}

void TfrmTimeFilter::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfrmTimeFilter::FormShow()
{
    switch (PeriodType()) {
    case periodYears:
        jclbYears->setFocus();
        break;
    case periodDateRange:
        dtpBegin->setFocus();
        break;
    default:
        break;
    }
}

int TfrmTimeFilter::PeriodType() const
{
    return m_periodItems->checkedId();
}

void TfrmTimeFilter::SelectPeriodType(int type)
{
    const QSignalBlocker blocker(m_periodItems);
    if (QAbstractButton* item = m_periodItems->button(type))
        item->setChecked(true);
}

void TfrmTimeFilter::rgPeriodTypeClick()
{
    switch (PeriodType()) {
    case periodYears:
        ShowYears();
        break;
    case periodDateRange:
        ShowDateRange();
        break;
    case periodNone:
        ShowNone();
        break;
    default:
        break;
    }
}

void TfrmTimeFilter::ShowYears()
{
    lBegin->hide();
    dtpBegin->hide();
    lEnd->hide();
    dtpEnd->hide();
    lYear->show();
    jclbYears->show();
}

void TfrmTimeFilter::ShowDateRange()
{
    lYear->hide();
    jclbYears->hide();
    lBegin->show();
    dtpBegin->show();
    lEnd->show();
    dtpEnd->show();
}

void TfrmTimeFilter::ShowNone()
{
    for (QWidget* control : {static_cast<QWidget*>(lYear), static_cast<QWidget*>(jclbYears),
                             static_cast<QWidget*>(lBegin), static_cast<QWidget*>(dtpBegin),
                             static_cast<QWidget*>(lEnd), static_cast<QWidget*>(dtpEnd)})
        control->hide();
}

void TfrmTimeFilter::SetFilter(const TTimeFilter& filter)
{
    switch (filter.Kind) {
    case tkDateRange:
        SelectPeriodType(periodDateRange);
        dtpBegin->setDate(filter.BeginDate);
        dtpEnd->setDate(filter.EndDate);
        ShowDateRange();
        break;
    case tkYears:
        SelectPeriodType(periodYears);
        for (int i = 0; i < jclbYears->count(); ++i) {
            QListWidgetItem* item = jclbYears->item(i);
            item->setCheckState(filter.Years.contains(item->text()) ? Qt::Checked
                                                                    : Qt::Unchecked);
        }
        ShowYears();
        break;
    case tkNone:
        SelectPeriodType(periodNone);
        ShowNone();
        break;
    }
}

void TfrmTimeFilter::GetFilter(TTimeFilter& filter) const
{
    switch (PeriodType()) {
    case periodYears:
        filter.Kind = tkYears;
        filter.Years.clear();
        for (int i = 0; i < jclbYears->count(); ++i)
            if (jclbYears->item(i)->checkState() == Qt::Checked)
                filter.Years << jclbYears->item(i)->text();
        break;
    case periodDateRange:
        filter.Kind = tkDateRange;
        filter.BeginDate = dtpBegin->date();
        filter.EndDate = dtpEnd->date();
        break;
    case periodNone:
        filter.Kind = tkNone;
        break;
    default:
        break;
    }
}

void TfrmTimeFilter::bOkClick()
{
    if (PeriodType() == periodYears) {
        bool anyChecked = false;
        for (int i = 0; i < jclbYears->count() && !anyChecked; ++i)
            anyChecked = jclbYears->item(i)->checkState() == Qt::Checked;
        // No year would list no conference at all.
        if (!anyChecked) {
            TPrompts::ShowWarning(tr("Please check at least one year."));
            jclbYears->setFocus();
            return;
        }
    }
    if (PeriodType() == periodDateRange && dtpEnd->date() < dtpBegin->date()) {
        TPrompts::ShowWarning(tr("The end date must not be before the begin date."));
        dtpEnd->setFocus();
        return;
    }
    accept();
}
