#pragma once

#include "backgroundwork.h"

#include <functional>
#include <memory>
#include <vector>

class LogFile;
class QThreadPool;
class RowMatcher;

// Counts, on worker threads, the entries of a file whose row holds a text
// (RowMatcher), among the entries not hidden. The hidden rows are taken as
// they are when it starts; each thread looks at chunks of entries and keeps
// the matches of its chunks, read through a ReadAccess.
//
// Searches run on a pool of their own, so that a search that takes long
// never holds up the loads and filters of other tabs: a plain text on every
// core, a regular expression on one thread fewer than the cores (at least
// one). They look at their token before every row.
class EntrySearch final
{
public:
    static constexpr int chunkSize = 4096;
    using Done = std::function<void(std::vector<int> &&matches)>;

    // `done` gets the matching entries in increasing order, on the thread of
    // `work`'s owner; not when the returned token was cancelled.
    static CancelToken start(std::shared_ptr<LogFile> file, std::shared_ptr<const RowMatcher> matcher,
                             std::vector<bool> hidden, BackgroundWork &work, Done done);
    // The same over the entries `rows` only (increasing), all of them shown.
    static CancelToken startOver(std::shared_ptr<LogFile> file, std::shared_ptr<const RowMatcher> matcher,
                                 std::vector<int> rows, BackgroundWork &work, Done done);

    static QThreadPool *pool();
};
