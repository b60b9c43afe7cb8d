#include "runalignment.h"

#include <algorithm>
#include <unordered_map>

namespace {

using RunAlignment::Pair;

constexpr int maxAnchorDepth = 32;

struct Aligner
{
    const std::vector<int> &a;
    const std::vector<int> &b;
    const std::atomic<bool> *cancelled;
    std::vector<Pair> out;

    bool stopped() const { return cancelled && cancelled->load(std::memory_order_relaxed); }

    void alone(int aBegin, int aEnd, int bBegin, int bEnd)
    {
        for (int i = aBegin; i < aEnd; ++i)
            out.push_back({i, -1});
        for (int j = bBegin; j < bEnd; ++j)
            out.push_back({-1, j});
    }

    // The classic table, for a stretch of at most exactCells cells.
    void exact(int aBegin, int aEnd, int bBegin, int bEnd)
    {
        const int n = aEnd - aBegin;
        const int m = bEnd - bBegin;
        const size_t width = size_t(m) + 1;
        // Lengths of the common subsequences of the suffixes.
        std::vector<int> length((size_t(n) + 1) * width, 0);
        for (int i = n - 1; i >= 0; --i) {
            for (int j = m - 1; j >= 0; --j) {
                int &cell = length[size_t(i) * width + size_t(j)];
                if (a[size_t(aBegin + i)] == b[size_t(bBegin + j)])
                    cell = length[size_t(i + 1) * width + size_t(j + 1)] + 1;
                else
                    cell = std::max(length[size_t(i + 1) * width + size_t(j)], length[size_t(i) * width + size_t(j + 1)]);
            }
        }
        int i = 0;
        int j = 0;
        while (i < n && j < m) {
            if (a[size_t(aBegin + i)] == b[size_t(bBegin + j)]) {
                out.push_back({aBegin + i++, bBegin + j++});
            } else if (length[size_t(i + 1) * width + size_t(j)] >= length[size_t(i) * width + size_t(j + 1)]) {
                out.push_back({aBegin + i++, -1});
            } else {
                out.push_back({-1, bBegin + j++});
            }
        }
        alone(aBegin + i, aEnd, bBegin + j, bEnd);
    }

    // Keys once in each side of the stretch, as pairs of positions, along
    // the longest chain increasing on both sides.
    std::vector<Pair> anchors(int aBegin, int aEnd, int bBegin, int bEnd) const
    {
        std::unordered_map<int, std::pair<int, int>> seen; // key -> (count in a, position in a)
        std::unordered_map<int, std::pair<int, int>> seenB;
        for (int i = aBegin; i < aEnd; ++i) {
            auto &entry = seen[a[size_t(i)]];
            entry = {entry.first + 1, i};
        }
        for (int j = bBegin; j < bEnd; ++j) {
            auto &entry = seenB[b[size_t(j)]];
            entry = {entry.first + 1, j};
        }
        std::vector<Pair> candidates;
        for (int i = aBegin; i < aEnd; ++i) {
            const auto &inA = seen[a[size_t(i)]];
            const auto found = seenB.find(a[size_t(i)]);
            if (inA.first == 1 && found != seenB.end() && found->second.first == 1)
                candidates.push_back({i, found->second.second});
        }
        // Longest increasing chain of b positions (patience sorting).
        std::vector<int> tails;                        // candidate index ending a chain of each length
        std::vector<int> before(candidates.size(), -1); // the previous candidate in its chain
        for (size_t k = 0; k < candidates.size(); ++k) {
            const auto place = std::lower_bound(tails.begin(), tails.end(), candidates[k].b,
                                                [&](int c, int value) { return candidates[size_t(c)].b < value; });
            if (place != tails.begin())
                before[k] = *(place - 1);
            if (place == tails.end())
                tails.push_back(int(k));
            else
                *place = int(k);
        }
        std::vector<Pair> chain;
        for (int k = tails.empty() ? -1 : tails.back(); k >= 0; k = before[size_t(k)])
            chain.push_back(candidates[size_t(k)]);
        std::reverse(chain.begin(), chain.end());
        return chain;
    }

    void stretch(int aBegin, int aEnd, int bBegin, int bEnd, int depth)
    {
        if (stopped())
            return;
        // The common start and end.
        while (aBegin < aEnd && bBegin < bEnd && a[size_t(aBegin)] == b[size_t(bBegin)])
            out.push_back({aBegin++, bBegin++});
        int common = 0;
        while (aBegin < aEnd - common && bBegin < bEnd - common
               && a[size_t(aEnd - common - 1)] == b[size_t(bEnd - common - 1)])
            ++common;
        aEnd -= common;
        bEnd -= common;
        middle(aBegin, aEnd, bBegin, bEnd, depth);
        for (int k = 0; k < common; ++k)
            out.push_back({aEnd + k, bEnd + k});
    }

    void middle(int aBegin, int aEnd, int bBegin, int bEnd, int depth)
    {
        const long long n = aEnd - aBegin;
        const long long m = bEnd - bBegin;
        if (n == 0 || m == 0) {
            alone(aBegin, aEnd, bBegin, bEnd);
            return;
        }
        if (n * m <= RunAlignment::exactCells) {
            exact(aBegin, aEnd, bBegin, bEnd);
            return;
        }
        // Anchors within anchors only so deep: each level looks at every key
        // of its stretch again, and the stack must stay small.
        const std::vector<Pair> chain = depth < maxAnchorDepth ? anchors(aBegin, aEnd, bBegin, bEnd)
                                                               : std::vector<Pair>();
        if (!chain.empty()) {
            int i = aBegin;
            int j = bBegin;
            for (const Pair &anchor : chain) {
                stretch(i, anchor.a, j, anchor.b, depth + 1);
                out.push_back(anchor);
                i = anchor.a + 1;
                j = anchor.b + 1;
            }
            stretch(i, aEnd, j, bEnd, depth + 1);
            return;
        }
        // No anchor: halves in proportion, each aligned on its own.
        const int aHalf = aBegin + int(n / 2);
        const int bHalf = bBegin + int(m / 2);
        stretch(aBegin, aHalf, bBegin, bHalf, depth);
        stretch(aHalf, aEnd, bHalf, bEnd, depth);
    }
};

} // namespace

std::vector<Pair> RunAlignment::align(const std::vector<int> &a, const std::vector<int> &b,
                                      const std::atomic<bool> *cancelled)
{
    Aligner aligner{a, b, cancelled, {}};
    aligner.out.reserve(std::max(a.size(), b.size()));
    aligner.stretch(0, int(a.size()), 0, int(b.size()), 0);
    if (aligner.stopped())
        return {};
    return std::move(aligner.out);
}
