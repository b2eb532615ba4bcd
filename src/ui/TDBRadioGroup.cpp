#include "ui/TDBRadioGroup.h"

#include "ui/TFieldLink.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TDBRadioGroup::TDBRadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                             const QVariantList& values, QWidget* parent, int columns)
    : QGroupBox(caption, parent), m_link(new TFieldLink(this, [this] { Refresh(); })),
      m_buttons(new QButtonGroup(this)), m_values(values)
{
    setObjectName(objectName);
    // Exclusive, so Tab and the arrow keys move between the items as in any radio group;
    // exclusivity is lifted only for the moment "no item" is shown.
    m_buttons->setExclusive(true);
    auto* layout = new QGridLayout(this);
    const int perColumn = (int(items.size()) + columns - 1) / qMax(1, columns);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        button->setObjectName(objectName + QStringLiteral("_%1").arg(i));
        m_buttons->addButton(button, i);
        layout->addWidget(button, i % qMax(1, perColumn), i / qMax(1, perColumn));
    }
    connect(m_buttons, &QButtonGroup::idClicked, this, [this](int id) {
        if (m_refreshing)
            return;
        SetItemIndex(id);
        if (m_link->DataSet())
            m_link->Write(m_values.value(id));
    });
}

void TDBRadioGroup::Bind(TDataSet* dataSet, const QString& fieldName)
{
    m_link->Bind(dataSet, fieldName);
}

int TDBRadioGroup::ItemIndex() const
{
    for (QAbstractButton* b : m_buttons->buttons())
        if (b->isChecked())
            return m_buttons->id(b);
    return -1;
}

void TDBRadioGroup::SetItemIndex(int index)
{
    m_refreshing = true;
    if (index < 0) {
        m_buttons->setExclusive(false);
        for (QAbstractButton* b : m_buttons->buttons())
            b->setChecked(false);
        m_buttons->setExclusive(true);
    } else if (QAbstractButton* b = m_buttons->button(index)) {
        b->setChecked(true);
    }
    m_refreshing = false;
}

void TDBRadioGroup::Refresh()
{
    const QVariant value = m_link->Value();
    int index = -1;
    for (int i = 0; i < m_values.size(); ++i)
        if (!value.isNull() && m_values.at(i).toInt() == value.toInt())
            index = i;
    SetItemIndex(index);
    for (QAbstractButton* b : m_buttons->buttons())
        b->setEnabled(m_link->CanModify());
}
