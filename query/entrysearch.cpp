#include "entrysearch.h"

#include "filterpass.h"
#include "logfile.h"
#include "rowmatcher.h"

CancelToken EntrySearch::start(std::shared_ptr<LogFile> file, std::shared_ptr<const RowMatcher> matcher,
                               std::vector<bool> hidden, BackgroundWork &work, Done done)
{
    struct Search
    {
        std::shared_ptr<LogFile> file;
        std::shared_ptr<const RowMatcher> matcher;
        std::vector<bool> hidden;
        int count = 0;
        std::vector<std::vector<int>> found;
        std::atomic<int> nextChunk{0};
    };
    auto search = std::make_shared<Search>();
    search->count = file->entries().size();
    search->file = std::move(file);
    search->matcher = std::move(matcher);
    search->hidden = std::move(hidden);
    const int chunks = (search->count + chunkSize - 1) / chunkSize;
    search->found.resize(size_t(chunks));
    const int workers = std::max(1, std::min(FilterPass::defaultThreadCount(), chunks));
    return work.runParallel(
        workers,
        [search, chunks](const CancelToken &token) {
            const LogFile::ReadAccess reading(*search->file);
            for (int at = search->nextChunk.fetch_add(1); at < chunks && !token.isCancelled();
                 at = search->nextChunk.fetch_add(1)) {
                std::vector<int> &found = search->found[size_t(at)];
                for (int row = at * chunkSize; row < std::min(search->count, (at + 1) * chunkSize); ++row) {
                    if (!(size_t(row) < search->hidden.size() && search->hidden[size_t(row)])
                        && search->matcher->matches(reading.entry(row)))
                        found.push_back(row);
                }
            }
        },
        [search](const CancelToken &) {
            std::vector<int> all;
            for (const auto &found : search->found)
                all.insert(all.end(), found.begin(), found.end());
            return all;
        },
        [done = std::move(done)](std::vector<int> &&matches) { done(std::move(matches)); });
}
