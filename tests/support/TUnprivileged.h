#pragma once

#include <QString>

// Runs a block of a test as an ordinary user. Root may write any file, so a test that checks
// what a read-only file does hands its folder to the user "nobody" (GiveAway) and acts as that
// user while this object lives. Without root, it changes nothing.
class TUnprivileged
{
public:
    TUnprivileged();
    ~TUnprivileged();
    TUnprivileged(const TUnprivileged&) = delete;
    TUnprivileged& operator=(const TUnprivileged&) = delete;

    // Empty when the process could become an ordinary user (or is one); else the reason.
    const QString& Failure() const { return m_failure; }

    // Gives dir and everything directly in it to "nobody" when running as root. Returns the
    // reason when that failed, else an empty text.
    static QString GiveAway(const QString& dir);

private:
    bool m_switched = false;
    QString m_failure;
};
