#pragma once

#include <functional>
#include <vector>

class TConnection;

// One write transaction of a connection (a savepoint when one is already open). Commit()
// stores it; leaving the scope without Commit(), also when an exception passes, rolls it back.
// Steps that put the program's own state back (a list, an edit buffer) are given with
// UndoBeforeRollback and UndoAfterRollback and run only on the way out without Commit(), each
// attempted in the order given: one that fails does not stop the others, and the error that
// ended the transaction is the one the caller sees.
class TTransaction
{
public:
    explicit TTransaction(TConnection& conn);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

    // Throws the engine's error when the commit fails; the destructor then rolls back.
    void Commit();

    using TStep = std::function<void()>;
    // Runs before the rollback, e.g. to take a row that was added in memory out again.
    void UndoBeforeRollback(TStep step) { m_before.push_back(std::move(step)); }
    // Runs after the rollback, e.g. to read a list again as the database now holds it.
    void UndoAfterRollback(TStep step) { m_after.push_back(std::move(step)); }

private:
    static void Attempt(const TStep& step) noexcept;

    TConnection& m_conn;
    bool m_done = false;
    std::vector<TStep> m_before;
    std::vector<TStep> m_after;
};
