#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

#include <cstddef>

// What the benchmarks, the stress run and the log generator share.

// SplitMix64: tiny, fast, and the same numbers on every platform and library,
// so that generated inputs are the same bytes on every run.
class Random final
{
public:
    explicit Random(quint64 start)
        : state(start)
    {
    }

    quint64 next()
    {
        state += 0x9E3779B97F4A7C15ULL;
        quint64 z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform enough in [0, n) for n far below 2^32.
    int below(int n) { return n <= 1 ? 0 : int(next() % quint64(n)); }
    bool percent(int p) { return below(100) < p; }

    template<typename T, std::size_t N>
    const T &pick(const T (&table)[N])
    {
        return table[below(int(N))];
    }

private:
    quint64 state;
};

// A field of /proc/self/status (VmRSS, VmHWM) in megabytes; -1 when unavailable.
long statusMegabytes(const char *field);
// The same in kilobytes, as the system counts it.
long statusKilobytes(const char *field);

// Seconds since the timer was last started, restarting it.
double lapSeconds(QElapsedTimer &timer);
