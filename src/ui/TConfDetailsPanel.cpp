#include "ui/TConfDetailsPanel.h"

#include "ui/TDBEdit.h"

#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace
{

const char* const TagProperty = "tag";

// The short date format of the regional settings, always with a four-digit year.
QString DateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QDateEdit* MakeDatePicker(const QString& objectName, QWidget* parent)
{
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(objectName);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(DateFormat());
    // A conference without a date shows an empty picker: the lowest date stands for none.
    picker->setSpecialValueText(QStringLiteral(" "));
    return picker;
}

QTimeEdit* MakeTimePicker(const QString& objectName, QWidget* parent)
{
    auto* picker = new QTimeEdit(parent);
    picker->setObjectName(objectName);
    picker->setDisplayFormat(QStringLiteral("HH:mm"));
    return picker;
}

QListWidget* MakeList(const QString& objectName, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(objectName);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMinimumHeight(60);
    return list;
}

} // namespace

TConfDetailsPanel::TConfDetailsPanel(TDataSet* conferences, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pConfInfo"));

    dbeConfName = new TDBEdit(QStringLiteral("dbeConfName"), this);
    dbeConfName->Bind(conferences, QStringLiteral("conf_name"));
    dtpBeginDate = MakeDatePicker(QStringLiteral("dtpBeginDate"), this);
    dtpBeginTime = MakeTimePicker(QStringLiteral("dtpBeginTime"), this);
    dtpEndDate = MakeDatePicker(QStringLiteral("dtpEndDate"), this);
    dtpEndTime = MakeTimePicker(QStringLiteral("dtpEndTime"), this);
    dtpBeginTime->setAccessibleName(tr("Begin time"));
    dtpEndTime->setAccessibleName(tr("End time"));
    jseUnits = new QDoubleSpinBox(this);
    jseUnits->setObjectName(QStringLiteral("jseUnits"));
    jseUnits->setDecimals(2);
    jseUnits->setSingleStep(0.25);
    jseUnits->setRange(0, 100);
    jseUnits->setProperty(TagProperty, TagKeepsLook);
    dbeSerie = new TDBEdit(QStringLiteral("dbeSerie"), this);
    dbeSerie->Bind(conferences, QStringLiteral("series"));

    lbExtras = MakeList(QStringLiteral("lbExtras"), this);
    bExtraAdd = MakeListButton(tr("A&dd"), QStringLiteral("bExtraAdd"));
    bExtraDel = MakeListButton(tr("Remo&ve"), QStringLiteral("bExtraDel"));
    lbSpeakers = MakeList(QStringLiteral("lbSpeakers"), this);
    bSpeakAdd = MakeListButton(tr("&Add"), QStringLiteral("bSpeakAdd"));
    bSpeakDel = MakeListButton(tr("Re&move"), QStringLiteral("bSpeakDel"));
    jclbCredits = MakeList(QStringLiteral("jclbCredits"), this);
    jclbCredits->setSelectionMode(QAbstractItemView::NoSelection);
    jclbCredits->setProperty(TagProperty, TagKeepsLook);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(4);
    fields->addWidget(MakeLabel(tr("&Title"), QStringLiteral("lConfName"), dbeConfName), 0, 0);
    fields->addWidget(dbeConfName, 0, 1, 1, 4);
    fields->addWidget(MakeLabel(tr("&Begin date"), QStringLiteral("lBeginDate"), dtpBeginDate), 1,
                      0);
    fields->addWidget(dtpBeginDate, 1, 1);
    fields->addWidget(dtpBeginTime, 1, 2);
    fields->addWidget(MakeLabel(tr("&Units"), QStringLiteral("lUnits"), jseUnits), 1, 3);
    fields->addWidget(jseUnits, 1, 4, Qt::AlignLeft);
    fields->addWidget(MakeLabel(tr("End date"), QStringLiteral("lEndDate"), dtpEndDate), 2, 0);
    fields->addWidget(dtpEndDate, 2, 1);
    fields->addWidget(dtpEndTime, 2, 2);
    fields->addWidget(MakeLabel(tr("Ser&ies"), QStringLiteral("lSerie"), dbeSerie), 2, 3);
    fields->addWidget(dbeSerie, 2, 4);
    fields->setColumnStretch(4, 1);

    // Each list under its caption, with its Add and Remove buttons beside it.
    auto listColumn = [](QLabel* caption, QListWidget* list, QPushButton* add,
                         QPushButton* remove) {
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(list, 1);
        if (add && remove) {
            auto* buttons = new QVBoxLayout;
            buttons->setSpacing(4);
            buttons->addWidget(add);
            buttons->addWidget(remove);
            buttons->addStretch(1);
            row->addLayout(buttons);
        }
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        column->addWidget(caption);
        column->addLayout(row, 1);
        return column;
    };
    auto* lists = new QHBoxLayout;
    lists->setSpacing(8);
    lists->addLayout(
        listColumn(MakeLabel(tr("Additional in&fo"), QStringLiteral("lExtras"), lbExtras), lbExtras,
                   bExtraAdd, bExtraDel),
        3);
    lists->addLayout(listColumn(MakeLabel(tr("S&peakers"), QStringLiteral("lSpeakers"), lbSpeakers),
                                lbSpeakers, bSpeakAdd, bSpeakDel),
                     3);
    lists->addLayout(listColumn(MakeLabel(tr("Credits"), QStringLiteral("lCredits"), jclbCredits),
                                jclbCredits, nullptr, nullptr),
                     2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addLayout(fields);
    layout->addLayout(lists, 1);

    setTabOrder(dbeConfName, dtpBeginDate);
    setTabOrder(dtpBeginDate, dtpBeginTime);
    setTabOrder(dtpBeginTime, dtpEndDate);
    setTabOrder(dtpEndDate, dtpEndTime);
    setTabOrder(dtpEndTime, jseUnits);
    setTabOrder(jseUnits, dbeSerie);
    setTabOrder(dbeSerie, lbExtras);
    setTabOrder(lbExtras, bExtraAdd);
    setTabOrder(bExtraAdd, bExtraDel);
    setTabOrder(bExtraDel, lbSpeakers);
    setTabOrder(lbSpeakers, bSpeakAdd);
    setTabOrder(bSpeakAdd, bSpeakDel);
    setTabOrder(bSpeakDel, jclbCredits);

    // Every control without tag 1 follows the editor's state.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->property(TagProperty).isValid())
            child->setProperty(TagProperty, TagSwitched);
    SetEditState(false);
}

QLabel* TConfDetailsPanel::MakeLabel(const QString& caption, const QString& objectName,
                                     QWidget* buddy)
{
    auto* label = new QLabel(caption, this);
    label->setObjectName(objectName);
    label->setBuddy(buddy);
    return label;
}

QPushButton* TConfDetailsPanel::MakeListButton(const QString& caption, const QString& objectName)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    // Narrow buttons beside a list, both as wide as the wider caption.
    const int width = button->fontMetrics().horizontalAdvance(QStringLiteral("Remove")) + 16;
    button->setFixedWidth(width);
    return button;
}

void TConfDetailsPanel::SetEditState(bool editing)
{
    m_editing = editing;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->property(TagProperty).toInt() == TagSwitched)
            child->setEnabled(editing);
    }
    // The tag 1 controls keep showing their values normally, but take input only while the
    // conference is edited; in browse state the keyboard passes them by.
    jseUnits->setReadOnly(!editing);
    jseUnits->setFocusPolicy(editing ? Qt::StrongFocus : Qt::NoFocus);
    jclbCredits->setFocusPolicy(editing ? Qt::StrongFocus : Qt::NoFocus);
    for (int i = 0; i < jclbCredits->count(); ++i) {
        QListWidgetItem* item = jclbCredits->item(i);
        item->setFlags(editing ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::ItemIsEnabled);
    }
}

void TConfDetailsPanel::SetCreditLines(const TIdList& lines)
{
    QList<int> checkedIds;
    for (const TIdItem& line : Details().Credits)
        if (line.Checked)
            checkedIds << line.Id();
    m_credits = lines;
    for (int i = 0; i < m_credits.Count(); ++i)
        m_credits.SetChecked(i, checkedIds.contains(m_credits.Id(i)));
    ShowCredits();
}

void TConfDetailsPanel::ShowCredits()
{
    jclbCredits->clear();
    const Qt::ItemFlags flags =
        m_editing ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::ItemIsEnabled;
    for (const TIdItem& line : m_credits) {
        auto* item = new QListWidgetItem(line.Text, jclbCredits);
        item->setFlags(flags);
        item->setCheckState(line.Checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TConfDetailsPanel::ShowLines(QListWidget* list, const TIdList& lines)
{
    list->clear();
    list->addItems(lines.Texts());
    list->setCurrentRow(-1);
}

void TConfDetailsPanel::SetSpeakers(const TIdList& speakers)
{
    m_speakers = speakers;
    ShowLines(lbSpeakers, m_speakers);
}

void TConfDetailsPanel::SetExtras(const TIdList& extras)
{
    m_extras = extras;
    ShowLines(lbExtras, m_extras);
}

int TConfDetailsPanel::SelectedSpeaker() const
{
    const QListWidgetItem* item = lbSpeakers->currentItem();
    return item && item->isSelected() ? lbSpeakers->row(item) : -1;
}

int TConfDetailsPanel::SelectedExtra() const
{
    const QListWidgetItem* item = lbExtras->currentItem();
    return item && item->isSelected() ? lbExtras->row(item) : -1;
}

void TConfDetailsPanel::RemoveSpeaker(int index)
{
    if (index < 0 || index >= m_speakers.Count())
        return;
    m_speakers.Delete(index);
    delete lbSpeakers->takeItem(index);
}

void TConfDetailsPanel::RemoveExtra(int index)
{
    if (index < 0 || index >= m_extras.Count())
        return;
    m_extras.Delete(index);
    delete lbExtras->takeItem(index);
}

void TConfDetailsPanel::SetDate(QDateEdit* picker, const QDate& date)
{
    picker->setDate(date.isValid() ? date : picker->minimumDate());
}

QDate TConfDetailsPanel::PickedDate(const QDateEdit* picker) const
{
    // The empty picker stores no date.
    return picker->date() == picker->minimumDate() ? QDate() : picker->date();
}

void TConfDetailsPanel::ShowDetails(const TConferenceDetails& details)
{
    if (details.Credits.Count() == m_credits.Count()) {
        for (int i = 0; i < m_credits.Count(); ++i)
            m_credits.SetChecked(i, details.Credits.Checked(i));
    }
    ShowCredits();
    SetSpeakers(details.Speakers);
    SetExtras(details.Extras);
    jseUnits->setValue(details.Units);
    SetDate(dtpBeginDate, details.BeginDate);
    dtpBeginTime->setTime(details.BeginTime.isValid() ? details.BeginTime : QTime(0, 0));
    SetDate(dtpEndDate, details.EndDate);
    dtpEndTime->setTime(details.EndTime.isValid() ? details.EndTime : QTime(0, 0));
}

TConferenceDetails TConfDetailsPanel::Details() const
{
    TConferenceDetails details;
    details.BeginDate = PickedDate(dtpBeginDate);
    details.BeginTime = dtpBeginTime->time();
    details.EndDate = PickedDate(dtpEndDate);
    details.EndTime = dtpEndTime->time();
    details.Units = jseUnits->value();
    details.Speakers = m_speakers;
    details.Extras = m_extras;
    details.Credits = m_credits;
    for (int i = 0; i < details.Credits.Count() && i < jclbCredits->count(); ++i)
        details.Credits.SetChecked(i, jclbCredits->item(i)->checkState() == Qt::Checked);
    return details;
}

void TConfDetailsPanel::ShowNewConference()
{
    TConferenceDetails details;
    details.Credits = m_credits;
    details.Credits.SetAllChecked(false);
    details.Units = 0;
    details.BeginDate = details.EndDate = QDate::currentDate();
    details.BeginTime = QTime(9, 0);
    details.EndTime = QTime(18, 0);
    ShowDetails(details);
}
