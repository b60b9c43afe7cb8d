#include "entrysearch.h"

#include "logfile.h"
#include "rowmatcher.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QThreadPool>

QThreadPool *EntrySearch::pool()
{
    // Owned by the application, whose end waits for it as it waits for the
    // global pool: a cancelled search ends within a row.
    static QPointer<QThreadPool> searches;
    if (!searches) {
        searches = new QThreadPool(QCoreApplication::instance());
        searches->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    }
    return searches;
}

namespace {

// The rows to look at: all rows but the hidden ones, or a list of rows.
struct Search
{
    std::shared_ptr<LogFile> file;
    std::shared_ptr<const RowMatcher> matcher;
    std::vector<bool> hidden;
    std::vector<int> rows;
    bool listed = false;
    int count = 0;
    std::vector<std::vector<int>> found;
    std::atomic<int> nextChunk{0};

    int row(int index) const { return listed ? rows[size_t(index)] : index; }
    bool looked(int row) const { return listed || !(size_t(row) < hidden.size() && hidden[size_t(row)]); }
};

CancelToken run(const std::shared_ptr<Search> &search, BackgroundWork &work, EntrySearch::Done done)
{
    const int chunks = (search->count + EntrySearch::chunkSize - 1) / EntrySearch::chunkSize;
    search->found.resize(size_t(chunks));
    // A plain text costs little per row and is counted on every core; a
    // regular expression may take long on each, and leaves one core to the
    // loads and filters of other tabs.
    const int cores = EntrySearch::pool()->maxThreadCount();
    const int threads = search->matcher->isRegularExpression() ? cores - 1 : cores;
    const int workers = std::max(1, std::min(threads, chunks));
    return work.runParallel(
        workers,
        [search, chunks](const CancelToken &token) {
            const LogFile::ReadAccess reading(*search->file);
            RowMatcher::Memo memo;
            for (int at = search->nextChunk.fetch_add(1); at < chunks; at = search->nextChunk.fetch_add(1)) {
                std::vector<int> &found = search->found[size_t(at)];
                const int end = std::min(search->count, (at + 1) * EntrySearch::chunkSize);
                for (int index = at * EntrySearch::chunkSize; index < end; ++index) {
                    // A new search, a closed bar or tab stops this one at
                    // once, whatever a row costs.
                    if (token.isCancelled())
                        return;
                    const int row = search->row(index);
                    if (search->looked(row) && row < reading.count()
                        && (search->matcher->matches(reading.entry(row), memo)
                            || (search->matcher->hasExtraCells()
                                && search->matcher->matchesExtraCells(reading.lineOf(row), reading.entry(row).time()))))
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
        [done = std::move(done)](std::vector<int> &&matches) { done(std::move(matches)); }, EntrySearch::pool());
}

} // namespace

CancelToken EntrySearch::start(std::shared_ptr<LogFile> file, std::shared_ptr<const RowMatcher> matcher,
                               std::vector<bool> hidden, BackgroundWork &work, Done done)
{
    auto search = std::make_shared<Search>();
    search->count = file->entries().size();
    search->file = std::move(file);
    search->matcher = std::move(matcher);
    search->hidden = std::move(hidden);
    return run(search, work, std::move(done));
}

CancelToken EntrySearch::startOver(std::shared_ptr<LogFile> file, std::shared_ptr<const RowMatcher> matcher,
                                   std::vector<int> rows, BackgroundWork &work, Done done)
{
    auto search = std::make_shared<Search>();
    search->count = int(rows.size());
    search->rows = std::move(rows);
    search->listed = true;
    search->file = std::move(file);
    search->matcher = std::move(matcher);
    return run(search, work, std::move(done));
}
