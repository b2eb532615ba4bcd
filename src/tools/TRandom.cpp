#include "tools/TRandom.h"

#include <algorithm>

int TRandom::Between(int low, int high)
{
    if (high <= low)
        return low;
    const quint64 span = static_cast<quint64>(static_cast<qint64>(high) - low) + 1;
    return static_cast<int>(low + static_cast<qint64>(Next() % span));
}

QList<int> TRandom::DistinctBetween(int count, int low, int high)
{
    QList<int> values;
    const qint64 range = static_cast<qint64>(high) - low + 1;
    if (count <= 0 || range <= 0)
        return values;
    if (count * 4 < range) {
        // A few out of many: drawing again on a repeat is cheaper than listing the range.
        while (values.size() < count) {
            const int v = Between(low, high);
            if (!values.contains(v))
                values << v;
        }
        return values;
    }
    for (int v = low; v <= high; ++v)
        values << v;
    const int taken = static_cast<int>(std::min<qint64>(count, range));
    // A partial shuffle: the first `taken` places end up holding a random selection.
    for (int i = 0; i < taken; ++i)
        values.swapItemsAt(i, Between(i, static_cast<int>(values.size()) - 1));
    values.resize(taken);
    return values;
}
