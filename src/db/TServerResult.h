#pragma once

#include <libpq-fe.h>

// One result of the server, freed with the object. Values are the server's texts.
class TServerResult
{
public:
    explicit TServerResult(PGresult* result) : m_result(result) {}
    ~TServerResult() { PQclear(m_result); }
    TServerResult(const TServerResult&) = delete;
    TServerResult& operator=(const TServerResult&) = delete;

    PGresult* Get() const { return m_result; }
    bool Ok() const
    {
        const ExecStatusType s = PQresultStatus(m_result);
        return m_result && (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK);
    }
    int Rows() const { return PQntuples(m_result); }
    int Columns() const { return PQnfields(m_result); }
    const char* Name(int column) const { return PQfname(m_result, column); }
    Oid Type(int column) const { return PQftype(m_result, column); }
    bool IsNull(int row, int column) const { return PQgetisnull(m_result, row, column) != 0; }
    const char* Text(int row, int column) const { return PQgetvalue(m_result, row, column); }
    int Length(int row, int column) const { return PQgetlength(m_result, row, column); }

    // Type numbers of the server's built-in types that the program reads.
    enum : Oid {
        kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700,
        kFloat8 = 701, kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184, kNumeric = 1700
    };

private:
    PGresult* m_result;
};
