#include "db/TTransaction.h"

#include "db/TConnection.h"

TTransaction::TTransaction(TConnection& conn) : m_conn(conn)
{
    m_conn.BeginTransaction();
}

TTransaction::~TTransaction()
{
    if (m_done)
        return;
    for (const TStep& step : m_before)
        Attempt(step);
    Attempt([this] { m_conn.Rollback(); });
    for (const TStep& step : m_after)
        Attempt(step);
}

void TTransaction::Commit()
{
    m_conn.Commit();
    m_done = true;
}

void TTransaction::Attempt(const TStep& step) noexcept
{
    // Clean-up on the way out of a failed transaction: the error that ended it is reported.
    try {
        step();
    } catch (...) {
    }
}
