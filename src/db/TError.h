#pragma once

#include <QString>
#include <stdexcept>

// The one exception family of the program. Every error carries a message a user can read; the
// program-wide handler shows it. ClassName() names the kind for the start-up report.
class TError : public std::runtime_error
{
public:
    explicit TError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& Message() const noexcept { return m_message; }
    virtual const char* ClassName() const noexcept { return "TError"; }

private:
    QString m_message;
};

// Raised by the database layer: connection, SQL execution, data-set operations.
class EDatabaseError : public TError
{
public:
    using TError::TError;
    const char* ClassName() const noexcept override { return "EDatabaseError"; }
};

// The database file is held by another program; trying again later may succeed.
class EDatabaseLocked : public EDatabaseError
{
public:
    using EDatabaseError::EDatabaseError;
    const char* ClassName() const noexcept override { return "EDatabaseLocked"; }
};

// A field read or written with a value it cannot hold, or a field that does not exist.
class EFieldError : public EDatabaseError
{
public:
    using EDatabaseError::EDatabaseError;
    const char* ClassName() const noexcept override { return "EFieldError"; }
};

// Raised by a data operation that refuses the user's input (not the database's own error).
class EOperationError : public TError
{
public:
    using TError::TError;
    const char* ClassName() const noexcept override { return "EOperationError"; }
};
