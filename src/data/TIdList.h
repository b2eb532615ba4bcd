#pragma once

#include "data/TIdObj.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// One line of a TIdList: the display text, the key object it carries and its check mark.
struct TIdItem {
    QString Text;
    std::shared_ptr<const TIdObj> Object;
    bool Checked = false;

    // The key the line carries; 0 for a line without an object.
    int Id() const { return Object ? Object->Id : 0; }
};

// A string list whose lines carry TIdObj keys: the data layer's form of a list box or check
// list. The user interface mirrors it into its widgets. Copying a list or a line shares the key
// objects, so no line ever outlives the key it carries.
class TIdList
{
public:
    int Count() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.isEmpty(); }
    void Clear() { m_items.clear(); }

    const TIdItem& Item(int index) const { return m_items.at(index); }
    TIdItem& Item(int index) { return m_items[index]; }
    const TIdItem& operator[](int index) const { return m_items.at(index); }
    QString Text(int index) const { return m_items.at(index).Text; }
    int Id(int index) const { return m_items.at(index).Id(); }
    bool Checked(int index) const { return m_items.at(index).Checked; }
    void SetChecked(int index, bool checked) { m_items[index].Checked = checked; }
    void SetAllChecked(bool checked);

    // Adds a line with a new key object; returns its index.
    int Add(const QString& text, int id, bool checked = false);
    // Adds a line that shares the given key object (a copy of another list's line).
    int Add(const QString& text, std::shared_ptr<const TIdObj> object, bool checked = false);
    int Add(const TIdItem& item);
    void Delete(int index) { m_items.removeAt(index); }

    // Index of the first line with that text, -1 when there is none.
    int IndexOf(const QString& text, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    // The checked lines in list order, sharing their key objects, all marked checked.
    TIdList CheckedItems() const;
    QStringList Texts() const;
    QList<int> Ids() const;

    QList<TIdItem>::const_iterator begin() const { return m_items.cbegin(); }
    QList<TIdItem>::const_iterator end() const { return m_items.cend(); }

private:
    QList<TIdItem> m_items;
};
