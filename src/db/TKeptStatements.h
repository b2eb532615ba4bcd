#pragma once

#include <QHash>
#include <QString>

struct sqlite3_stmt;

// Statements of a file connection kept prepared for the next run of the same text, so a text
// repeated with other values is compiled once. A kept statement is reset and its values
// cleared when it comes back; one that failed is finalized. Texts of several statements and
// those that change the schema are never kept, and the latter drop every kept one.
class TKeptStatements
{
public:
    // One statement while it runs: kept (key names it) or the caller's alone. It goes back
    // when it ran to its end, and is finalized otherwise.
    class TStatement
    {
    public:
        explicit TStatement(TKeptStatements& kept) : m_kept(kept) {}
        ~TStatement() { m_kept.GiveBack(*this); }
        TStatement(const TStatement&) = delete;
        TStatement& operator=(const TStatement&) = delete;

        sqlite3_stmt* stmt = nullptr;
        QString key;
        bool ran = false;

    private:
        TKeptStatements& m_kept;
    };

    TKeptStatements() = default;
    ~TKeptStatements() { Drop(); }
    TKeptStatements(const TKeptStatements&) = delete;
    TKeptStatements& operator=(const TKeptStatements&) = delete;

    // Hands out the kept statement of the text (by the text as the program wrote it, before
    // translation), unless there is none or it is running already.
    bool Take(const QString& sql, TStatement& s);
    // Keeps a statement just prepared for the text, when it may be kept.
    void Keep(const QString& sql, TStatement& s);
    // Finalizes every kept statement (one in use when its run gives it back).
    void Drop();

    // Whether the statement changes the schema (then every kept one must go).
    static bool ChangesSchema(sqlite3_stmt* stmt);
    // Whether nothing but blanks and semicolons lie between from and end.
    static bool OnlyBlanks(const char* from, const char* end);

private:
    void GiveBack(TStatement& s);

    struct TKept
    {
        sqlite3_stmt* stmt = nullptr;
        quint64 lastUse = 0;
        bool inUse = false; // a run of the same text from within this one prepares its own
    };
    static constexpr int kKeptStatements = 64;
    QHash<QString, TKept> m_kept;
    quint64 m_useClock = 0;
};
