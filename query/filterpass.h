#pragma once

#include "backgroundwork.h"
#include "compiledfilter.h"
#include "logfile.h"

#include <functional>
#include <memory>
#include <vector>

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

    // Works out one value per entry of `file` on `threads` worker threads
    // (0 for one per core): the entries are taken in chunks, and each thread
    // reads through a ReadAccess and asks a judge of its own, made by
    // `makeJudge()` (a pointer to it), as `(*judge)(entry, line)`. Entries start as `initial`;
    // none is judged when `skip` is set. `done` gets the values on the
    // thread of `work`'s owner; not when the returned token was cancelled.
    template <typename Value, typename MakeJudge>
    static CancelToken judgeEntries(std::shared_ptr<LogFile> file, int threads, BackgroundWork &work, Value initial,
                                    bool skip, MakeJudge makeJudge, std::function<void(std::vector<Value> &&)> done)
    {
        struct Pass
        {
            Pass(std::shared_ptr<LogFile> file, MakeJudge makeJudge)
                : file(std::move(file))
                , makeJudge(std::move(makeJudge))
            {
            }
            std::shared_ptr<LogFile> file;
            MakeJudge makeJudge;
            int entryCount = 0;
            std::vector<Value> values;
            std::atomic<int> nextChunk{0};
        };
        auto pass = std::make_shared<Pass>(std::move(file), std::move(makeJudge));
        pass->entryCount = pass->file->entries().size();
        pass->values.assign(size_t(pass->entryCount), initial);
        const int chunks = skip ? 0 : (pass->entryCount + chunkSize - 1) / chunkSize;
        const int workers = std::max(1, std::min(threads > 0 ? threads : defaultThreadCount(), chunks));
        return work.runParallel(
            workers,
            [pass, chunks](const CancelToken &token) {
                if (chunks == 0)
                    return;
                auto judge = pass->makeJudge();
                const LogFile::ReadAccess reading(*pass->file);
                for (;;) {
                    const int chunk = pass->nextChunk.fetch_add(1);
                    if (chunk >= chunks || token.isCancelled())
                        break;
                    const int end = std::min(pass->entryCount, (chunk + 1) * chunkSize);
                    for (int number = chunk * chunkSize; number < end; ++number)
                        pass->values[size_t(number)] = (*judge)(reading.entry(number), reading.lineOf(number));
                }
            },
            [pass](const CancelToken &) { return std::move(pass->values); },
            [done = std::move(done)](std::vector<Value> &&values) { done(std::move(values)); });
    }
};
