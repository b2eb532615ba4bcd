#pragma once

#include <QGroupBox>
#include <QList>
#include <QVariant>

class QButtonGroup;
class TDataSet;
class TFieldLink;

// A titled group of radio buttons bound to a field: item i stands for values[i]; a value with no
// item leaves no button checked.
class TDBRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    TDBRadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                  const QVariantList& values, QWidget* parent = nullptr, int columns = 1);

    void Bind(TDataSet* dataSet, const QString& fieldName);
    TFieldLink* Link() const { return m_link; }
    // Index of the checked item, -1 when none.
    int ItemIndex() const;
    void SetItemIndex(int index);

private:
    void Refresh();

    TFieldLink* m_link;
    QButtonGroup* m_buttons;
    QVariantList m_values;
    bool m_refreshing = false;
};
