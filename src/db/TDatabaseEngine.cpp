#include "db/TDatabaseEngine.h"

#include "db/TConnection.h"

void TDatabaseEngine::RollbackToSavepoint(int depth)
{
    m_conn.Execute(QStringLiteral("ROLLBACK TO quorvel_%1").arg(depth));
    m_conn.Execute(QStringLiteral("RELEASE quorvel_%1").arg(depth));
}

void TDatabaseEngine::ForgetTransactions()
{
    m_conn.m_transactionDepth = 0;
}
