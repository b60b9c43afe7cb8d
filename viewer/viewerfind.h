#pragma once

#include "backgroundwork.h"

#include <functional>
#include <memory>
#include <vector>

class LogFile;
class RowMatcher;
class RowVisibility;

// The search of one viewer: what is searched for, the shown entry rows that
// hold it (counted on worker threads, EntrySearch), and the way from match
// to match.
class ViewerFind final
{
public:
    // What to look for; none ends the search.
    void setMatcher(std::shared_ptr<const RowMatcher> matcher);
    const std::shared_ptr<const RowMatcher> &matcher() const { return current; }
    bool isActive() const { return bool(current); }
    // False while the text is an expression that does not compile.
    bool isValid() const;

    // Counts the matches among the rows `visibility` shows now, anew;
    // `counted` follows on the thread of `work`'s owner.
    void start(const std::shared_ptr<LogFile> &file, const RowVisibility &visibility, BackgroundWork &work,
               std::function<void()> counted);
    void cancel();
    bool isCounting() const { return counting; }

    // Rows that came to show since the count: `context` (earlier rows, now
    // context of new ones) and the new rows from `first` to before `end`.
    // They are looked at on a worker thread too; `counted` follows.
    void addRows(const std::shared_ptr<LogFile> &file, const RowVisibility &visibility, const std::vector<int> &context,
                 int first, int end, BackgroundWork &work, std::function<void()> counted);
    // Entry `row` changed: it is looked at again, off this thread.
    void recheck(const std::shared_ptr<LogFile> &file, const RowVisibility &visibility, int row, BackgroundWork &work,
                 std::function<void()> counted);
    // Whether entry `row` is among the matches counted.
    bool matches(int row) const { return indexOf(row) >= 0; }

    int count() const { return int(found.size()); }
    // The match `entry` is, from 0; -1 when it is none.
    int indexOf(int entry) const;
    // The next (or previous) match from `entry`, round the ends; -1 when
    // there is none.
    int next(int entry, bool forward) const;

private:
    std::shared_ptr<const RowMatcher> current;
    std::vector<int> found;
    CancelToken token;
    bool counting = false;
    // Searches of rows added since the count, merged as they finish.
    std::vector<CancelToken> additions;
};
