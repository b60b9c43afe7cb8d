#pragma once

#include "logtypes.h"

#include <cstddef>
#include <vector>

class LogFile;

// Which entry rows of a viewer show: the rows a filter keeps, and around
// each of them `contextRows` rows before and after, which show as its
// context. Knows nothing of the view; the viewer brings the view in line.
class RowVisibility final
{
public:
    static constexpr int maxContextRows = 50;

    // Rows added at the end (a file read or followed): shown, as kept rows,
    // until a filter says otherwise.
    void addRows(int count);
    int rowCount() const { return int(hidden.size()); }

    // Whether a filter result is in place. Without one, every row shows.
    bool hasFilterResult() const { return !kept.empty(); }
    // Takes the filter's verdict per row (1: kept); rows past its end are
    // kept. Returns how many rows show.
    int setKept(std::vector<char> &&verdicts);
    // The verdict for rows added after the filter ran, from `first` on.
    void setKeptFrom(int first, const std::vector<char> &verdicts);
    const std::vector<char> &keptRows() const { return kept; }

    void setContextRows(int rows);
    int contextRows() const { return context; }

    bool isHidden(int row) const { return row >= 0 && std::size_t(row) < hidden.size() && hidden[std::size_t(row)]; }
    bool isShown(int row) const { return row >= 0 && std::size_t(row) < hidden.size() && !hidden[std::size_t(row)]; }
    // Shown only as context of the rows a filter keeps.
    bool isContextRow(int row) const;
    const std::vector<bool> &hiddenRows() const { return hidden; }
    int shownCount() const { return shown; }

    // Works out which rows show from the verdicts and the context.
    void update();
    // The same for rows from `first` to the end after rows were added: the
    // rows before `first` that show now, as context of new ones, are
    // returned. The new rows' own visibility is counted too.
    std::vector<int> updateFrom(int first);

    // A row's verdict changed (its record was continued): works out again
    // which rows show around it, and returns those whose visibility changed.
    std::vector<int> rejudge(int row, bool keep);

    // The shown row nearest to `row` (earlier first at equal distance); -1
    // when none shows.
    int nearestShown(int row) const;
    // The next (or previous) shown row after `from` whose record has `type`;
    // from the first (or last) row when `from` is -1; -1 for none.
    int nextOfType(const LogFile &file, int from, EntryType type, bool forward) const;
    // The first shown row whose record is at or after `time`; -1 for none.
    int firstAtOrAfter(const LogFile &file, double time) const;

private:
    void markContext(int from, int to);

    std::vector<char> kept;
    std::vector<bool> hidden;
    int context = 0;
    int shown = 0;
};
