#pragma once

#include <atomic>
#include <vector>

// Lines up two sequences of keys as a longest common subsequence would:
// equal keys side by side, the others alone, in order. Exact for short
// sequences; long ones are first cut at their common start and end and at
// keys that occur once in each (whose longest increasing chain is kept),
// and stretches still too long are cut in proportion along the diagonal.
// The work stays near linear in the lengths, the memory linear.
namespace RunAlignment {

struct Pair
{
    int a = -1; // index into the first sequence; -1 for a key only in the second
    int b = -1;
};

// The pairs in order; nothing when `cancelled` is set before it is done.
std::vector<Pair> align(const std::vector<int> &a, const std::vector<int> &b,
                        const std::atomic<bool> *cancelled = nullptr);

// Stretches of at most this many cells (lengths multiplied) are aligned
// exactly.
constexpr long long exactCells = 1 << 20;

} // namespace RunAlignment
