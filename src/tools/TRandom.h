#pragma once

#include <QList>

#include <random>

// A seeded generator whose sequence is the same on every platform and standard library, so a
// builder run twice with one seed writes the same rows. (The standard distributions are not
// specified bit for bit, the Mersenne Twister's raw output is.)
class TRandom
{
public:
    explicit TRandom(quint32 seed) : m_engine(seed) {}

    quint32 Next() { return static_cast<quint32>(m_engine()); }
    // A value in [0, 1).
    double Uniform() { return Next() / 4294967296.0; }
    // An integer between low and high, both included; low when high < low.
    int Between(int low, int high);
    bool Chance(double probability) { return Uniform() < probability; }
    // count different integers between low and high (both included), in random order; fewer
    // when the range is smaller than count.
    QList<int> DistinctBetween(int count, int low, int high);

    template <typename T> const T& Pick(const QList<T>& items)
    {
        return items.at(Between(0, static_cast<int>(items.size()) - 1));
    }

private:
    std::mt19937 m_engine;
};
