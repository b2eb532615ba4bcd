#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Rows of a fixed number of cells, kept in blocks of whole rows. Growing adds a block and never
// moves what is stored, so reading a large query copies no row twice, and a row's cells are
// always side by side.
template <class T>
class TRowStore
{
public:
    // Forgets every row; the rows to come have width cells each.
    void Reset(size_t width)
    {
        m_blocks.clear();
        m_width = width;
        m_rows = 0;
    }

    size_t Rows() const { return m_rows; }
    size_t Width() const { return m_width; }

    T* Row(size_t row) { return m_blocks[row >> kShift].get() + (row & kMask) * m_width; }
    const T* Row(size_t row) const
    {
        return m_blocks[row >> kShift].get() + (row & kMask) * m_width;
    }

    // A new row of default cells at the end.
    T* AppendRow()
    {
        if ((m_rows & kMask) == 0)
            m_blocks.push_back(std::make_unique<T[]>(kRowsPerBlock * m_width));
        return Row(m_rows++);
    }

private:
    static constexpr size_t kShift = 12;
    static constexpr size_t kRowsPerBlock = size_t(1) << kShift;
    static constexpr size_t kMask = kRowsPerBlock - 1;

    std::vector<std::unique_ptr<T[]>> m_blocks;
    size_t m_width = 0;
    size_t m_rows = 0;
};
