#pragma once

#include "db/TConnection.h"

#include <QString>
#include <QStringList>

// Writes the rows of one table as multi-row inserts of at most batch rows each:
// "<head>(…),(…),…<tail>". Flush() writes what is still gathered.
class TBatchedInsert
{
public:
    TBatchedInsert(TConnection& target, QString head, int batch, QString tail = QString())
        : m_target(target), m_head(std::move(head)), m_tail(std::move(tail)), m_batch(batch)
    {
    }

    // One row of SQL literals, "(1,'a',NULL)".
    void Add(const QString& row)
    {
        m_values << row;
        if (m_values.size() == m_batch)
            Flush();
    }

    void Flush()
    {
        if (m_values.isEmpty())
            return;
        m_target.Execute(m_head + m_values.join(u',') + m_tail);
        m_values.clear();
    }

private:
    TConnection& m_target;
    const QString m_head;
    const QString m_tail;
    const int m_batch;
    QStringList m_values;
};
