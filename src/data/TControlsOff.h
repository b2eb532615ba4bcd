#pragma once

#include "db/TDataSet.h"

#include <exception>
#include <initializer_list>
#include <vector>

// Stops the control notifications of some data sets for a while. Restore() switches them on
// again in the same order and lets errors of the listeners through; when it was not called (an
// exception is passing) the destructor switches them on and keeps the first error going.
class TControlsOff
{
public:
    explicit TControlsOff(std::initializer_list<TDataSet*> dataSets) : m_dataSets(dataSets)
    {
        for (TDataSet* ds : m_dataSets)
            ds->DisableControls();
    }
    ~TControlsOff()
    {
        if (m_restored)
            return;
        for (TDataSet* ds : m_dataSets) {
            try {
                ds->EnableControls();
            } catch (...) {
            }
        }
    }
    void Restore()
    {
        m_restored = true;
        std::exception_ptr first;
        for (TDataSet* ds : m_dataSets) {
            try {
                ds->EnableControls();
            } catch (...) {
                if (!first)
                    first = std::current_exception();
            }
        }
        if (first)
            std::rethrow_exception(first);
    }
    TControlsOff(const TControlsOff&) = delete;
    TControlsOff& operator=(const TControlsOff&) = delete;

private:
    std::vector<TDataSet*> m_dataSets;
    bool m_restored = false;
};
