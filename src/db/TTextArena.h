#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

// Texts kept side by side in large blocks, each found again by the handle Append gave. A full
// block is left as it is and a new one begun, so no text moves once it is stored.
class TTextArena
{
public:
    quint64 Append(const char* text, size_t length)
    {
        if (m_blocks.empty() || m_used + length > m_capacity) {
            m_capacity = std::max(kBlockSize, length);
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_capacity));
            m_used = 0;
        }
        const quint64 handle = (quint64(m_blocks.size() - 1) << 32) | quint64(m_used);
        if (length)
            std::memcpy(m_blocks.back().get() + m_used, text, length);
        m_used += length;
        return handle;
    }

    const char* At(quint64 handle) const
    {
        return m_blocks[size_t(handle >> 32)].get() + size_t(handle & 0xffffffffu);
    }

    void Clear()
    {
        m_blocks.clear();
        m_used = m_capacity = 0;
    }

private:
    static constexpr size_t kBlockSize = size_t(1) << 20;

    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_used = 0;
    size_t m_capacity = 0;
};
