#pragma once

#include <QString>

#include <functional>

// The message of the error of kind E that work throws; empty when it throws none. Any other
// error goes on to the test, which then fails with it.
template <class E> QString MessageOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const E& error) {
        return error.Message();
    }
    return {};
}
