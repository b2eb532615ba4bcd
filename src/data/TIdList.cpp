#include "data/TIdList.h"

void TIdList::SetAllChecked(bool checked)
{
    for (TIdItem& item : m_items)
        item.Checked = checked;
}

int TIdList::Add(const QString& text, int id, bool checked)
{
    return Add(text, std::make_shared<const TIdObj>(id), checked);
}

int TIdList::Add(const QString& text, std::shared_ptr<const TIdObj> object, bool checked)
{
    m_items.append(TIdItem{text, std::move(object), checked});
    return int(m_items.size()) - 1;
}

int TIdList::Add(const TIdItem& item)
{
    m_items.append(item);
    return int(m_items.size()) - 1;
}

int TIdList::IndexOf(const QString& text, Qt::CaseSensitivity cs) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items.at(i).Text.compare(text, cs) == 0)
            return i;
    return -1;
}

TIdList TIdList::CheckedItems() const
{
    TIdList checked;
    for (const TIdItem& item : m_items)
        if (item.Checked)
            checked.Add(item);
    return checked;
}

QStringList TIdList::Texts() const
{
    QStringList texts;
    texts.reserve(m_items.size());
    for (const TIdItem& item : m_items)
        texts << item.Text;
    return texts;
}

QList<int> TIdList::Ids() const
{
    QList<int> ids;
    ids.reserve(m_items.size());
    for (const TIdItem& item : m_items)
        ids << item.Id();
    return ids;
}
