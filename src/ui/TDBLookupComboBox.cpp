#include "ui/TDBLookupComboBox.h"

#include "db/TDataSet.h"
#include "ui/TFieldLink.h"

TDBLookupComboBox::TDBLookupComboBox(const QString& objectName, QWidget* parent)
    : QComboBox(parent), m_link(new TFieldLink(this, [this] { Refresh(); }))
{
    setObjectName(objectName);
    setEditable(false);
    connect(this, &QComboBox::activated, this, &TDBLookupComboBox::OnActivated);
}

void TDBLookupComboBox::Bind(TDataSet* dataSet, const QString& fieldName)
{
    m_link->Bind(dataSet, fieldName);
}

void TDBLookupComboBox::SetListSource(TDataSet* listDataSet, const QString& keyField,
                                      const QString& displayField)
{
    if (m_list)
        disconnect(m_list, nullptr, this, nullptr);
    m_list = listDataSet;
    m_keyField = keyField;
    m_displayField = displayField;
    connect(m_list, &TDataSet::RowsReset, this, &TDBLookupComboBox::RebuildItems);
    connect(m_list, &TDataSet::RowChanged, this, &TDBLookupComboBox::RebuildItems);
    connect(m_list, &TDataSet::RowInserted, this, &TDBLookupComboBox::RebuildItems);
    connect(m_list, &TDataSet::RowRemoved, this, &TDBLookupComboBox::RebuildItems);
    RebuildItems();
}

void TDBLookupComboBox::RebuildItems()
{
    m_refreshing = true;
    clear();
    addItem(NoneText(), QVariant());
    if (m_list && m_list->Active()) {
        TField* key = m_list->FindField(m_keyField);
        TField* display = m_list->FindField(m_displayField);
        if (key && display)
            for (int row = 0; row < m_list->RecordCount(); ++row)
                addItem(m_list->RowDisplayText(row, display->Index()), m_list->RowValue(row, key->Index()));
    }
    m_refreshing = false;
    Refresh();
}

void TDBLookupComboBox::Refresh()
{
    m_refreshing = true;
    const QVariant value = m_link->Value();
    int index = 0;
    if (!value.isNull()) {
        index = findData(value);
        if (index < 0)
            index = 0;
    }
    setCurrentIndex(index);
    setEnabled(m_link->CanModify() || !m_link->DataSet());
    m_refreshing = false;
}

void TDBLookupComboBox::OnActivated(int index)
{
    if (m_refreshing)
        return;
    m_link->Write(itemData(index));
}
