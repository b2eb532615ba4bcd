#pragma once

#include <QComboBox>

class TDataSet;
class TFieldLink;

// A drop-down list bound to a key field: it lists the display field of every row of a list data
// set (plus "<none>" for no value) and writes the chosen row's key into the bound field.
class TDBLookupComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TDBLookupComboBox(const QString& objectName, QWidget* parent = nullptr);

    void Bind(TDataSet* dataSet, const QString& fieldName);
    void SetListSource(TDataSet* listDataSet, const QString& keyField, const QString& displayField);
    TFieldLink* Link() const { return m_link; }

    static QString NoneText() { return QStringLiteral("<none>"); }

private:
    void RebuildItems();
    void Refresh();
    void OnActivated(int index);

    TFieldLink* m_link;
    TDataSet* m_list = nullptr;
    QString m_keyField;
    QString m_displayField;
    bool m_refreshing = false;
};
