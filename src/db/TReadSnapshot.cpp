#include "db/TReadSnapshot.h"

#include "db/TConnection.h"
#include "db/TError.h"

TReadSnapshot::TReadSnapshot(TConnection& conn) : m_conn(conn)
{
    if (m_conn.InTransaction())
        return;
    try {
        m_conn.Execute(QStringLiteral("BEGIN"));
        m_open = true;
    } catch (const EDatabaseError&) {
    }
}

TReadSnapshot::~TReadSnapshot()
{
    if (!m_open)
        return;
    try {
        m_conn.Execute(QStringLiteral("COMMIT"));
    } catch (...) {
    }
}
