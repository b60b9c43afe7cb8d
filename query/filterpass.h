#pragma once

#include "backgroundwork.h"
#include "compiledfilter.h"

#include <functional>
#include <memory>
#include <vector>

class LogFile;

// Judges every entry of a file by a compiled filter on worker threads: the
// entries are taken in chunks, and each thread judges with a FilterJudge of
// its own and reads the file through a ReadAccess. The result is one flag
// per entry.
class FilterPass final
{
public:
    static constexpr int chunkSize = 16384;
    using Done = std::function<void(std::vector<char> &&kept)>;

    // `done` runs on the thread of `work`'s owner once every entry has been
    // judged; not when the returned token was cancelled. `marks` are the
    // lines the filter's `bookmarked` is true for.
    static CancelToken start(std::shared_ptr<LogFile> file, std::shared_ptr<const CompiledFilter> filter,
                             int threads, BackgroundWork &work, Done done,
                             std::shared_ptr<const LineMarks> marks = {});

    // The threads a pass uses when not told: one per core.
    static int defaultThreadCount();
};
