#pragma once

#include <QtGlobal>

#include <algorithm>
#include <vector>

// Records a user marked, by the file they come from (their source) and the
// line of that file their record line is on: what the filter variable
// `bookmarked` asks. Lines, unlike entry numbers, stay put when a file is
// read again or grows. Made whole and then only read, so threads share one.
class LineMarks final
{
public:
    LineMarks() = default;
    // `lines` as (source, line) pairs, in any order, repeats allowed.
    explicit LineMarks(const std::vector<std::pair<int, qint64>> &lines)
    {
        keys.reserve(lines.size());
        for (const auto &[source, line] : lines)
            keys.push_back(key(source, line));
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    }

    bool contains(int source, qint64 line) const
    {
        return !keys.empty() && std::binary_search(keys.begin(), keys.end(), key(source, line));
    }
    bool isEmpty() const { return keys.empty(); }
    int size() const { return int(keys.size()); }

private:
    // A line fits 48 bits, a source 8 (LogFile::maxSources).
    static quint64 key(int source, qint64 line)
    {
        return (quint64(quint8(source)) << 48) | (quint64(line) & ((quint64(1) << 48) - 1));
    }

    std::vector<quint64> keys;
};
