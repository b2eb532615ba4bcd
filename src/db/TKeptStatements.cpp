#include "db/TKeptStatements.h"

#include <sqlite3.h>

#include <QByteArray>

namespace
{

// The first word of a compiled statement, in lower case.
QByteArray Verb(sqlite3_stmt* stmt)
{
    const char* text = sqlite3_sql(stmt);
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n' || *text == '(')
        ++text;
    const char* end = text;
    while ((*end >= 'a' && *end <= 'z') || (*end >= 'A' && *end <= 'Z'))
        ++end;
    return QByteArray(text, int(end - text)).toLower();
}

// Statements whose text is better compiled afresh each time: those that change the schema
// (which then finalize every kept statement) and pragmas.
bool ChangesSchema(const QByteArray& verb)
{
    return verb == "create" || verb == "drop" || verb == "alter" || verb == "vacuum" ||
           verb == "attach" || verb == "detach" || verb == "reindex" || verb == "analyze";
}

bool MayKeep(const QByteArray& verb)
{
    return !verb.isEmpty() && verb != "pragma" && !ChangesSchema(verb);
}

// Whether nothing but blanks and semicolons follows the first statement of a text.
bool BlanksOnly(const char* from, const char* end)
{
    for (; from < end; ++from)
        if (*from != ' ' && *from != '\t' && *from != '\r' && *from != '\n' && *from != ';')
            return false;
    return true;
}

} // namespace

bool TKeptStatements::Take(const QString& sql, TStatement& s)
{
    const auto it = m_kept.find(sql);
    if (it == m_kept.end() || it->inUse)
        return false;
    it->inUse = true;
    it->lastUse = ++m_useClock;
    s.stmt = it->stmt;
    s.key = sql;
    return true;
}

void TKeptStatements::Keep(const QString& sql, TStatement& s)
{
    if (!MayKeep(Verb(s.stmt)) || m_kept.contains(sql))
        return;
    if (m_kept.size() >= kKeptStatements) {
        auto oldest = m_kept.end();
        for (auto it = m_kept.begin(); it != m_kept.end(); ++it)
            if (!it->inUse && (oldest == m_kept.end() || it->lastUse < oldest->lastUse))
                oldest = it;
        if (oldest == m_kept.end())
            return;
        sqlite3_finalize(oldest->stmt);
        m_kept.erase(oldest);
    }
    m_kept.insert(sql, TKept{s.stmt, ++m_useClock, true});
    s.key = sql;
}

void TKeptStatements::GiveBack(TStatement& s)
{
    if (!s.stmt)
        return;
    const auto it = s.key.isEmpty() ? m_kept.end() : m_kept.find(s.key);
    if (it != m_kept.end() && it->stmt == s.stmt) {
        if (s.ran) {
            sqlite3_reset(s.stmt);
            sqlite3_clear_bindings(s.stmt);
            it->inUse = false;
            s.stmt = nullptr;
            return;
        }
        m_kept.erase(it);
    }
    sqlite3_finalize(s.stmt);
    s.stmt = nullptr;
}

void TKeptStatements::Drop()
{
    // One in use is finalized when its run gives it back and finds it gone.
    for (const TKept& kept : std::as_const(m_kept))
        if (!kept.inUse)
            sqlite3_finalize(kept.stmt);
    m_kept.clear();
}


bool TKeptStatements::ChangesSchema(sqlite3_stmt* stmt)
{
    return ::ChangesSchema(Verb(stmt));
}

bool TKeptStatements::OnlyBlanks(const char* from, const char* end)
{
    return BlanksOnly(from, end);
}
