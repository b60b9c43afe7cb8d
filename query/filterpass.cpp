#include "filterpass.h"

#include "localpath.h"
#include "logfile.h"

#include <QThread>

int FilterPass::defaultThreadCount()
{
    return std::max(1, QThread::idealThreadCount());
}

CancelToken FilterPass::start(std::shared_ptr<LogFile> file, std::shared_ptr<const CompiledFilter> filter,
                              int threads, BackgroundWork &work, Done done,
                              std::shared_ptr<const LineMarks> marks)
{
    struct Pass
    {
        std::shared_ptr<LogFile> file;
        std::shared_ptr<const CompiledFilter> filter;
        std::shared_ptr<const LineMarks> marks;
        int entryCount = 0;
        std::vector<char> kept;
        std::atomic<int> nextChunk{0};
    };
    auto pass = std::make_shared<Pass>();
    pass->entryCount = file->entries().size();
    pass->kept.assign(size_t(pass->entryCount), 0);
    pass->file = std::move(file);
    pass->filter = std::move(filter);
    pass->marks = std::move(marks);
    const int chunks = (pass->entryCount + chunkSize - 1) / chunkSize;
    const int workers = std::max(1, std::min(threads > 0 ? threads : defaultThreadCount(), chunks));
    return work.runParallel(
        workers,
        [pass, chunks](const CancelToken &token) {
            FilterJudge judge(pass->filter, pass->file->sourceNames(), pass->marks);
            const LogFile::ReadAccess reading(*pass->file);
            for (;;) {
                const int chunk = pass->nextChunk.fetch_add(1);
                if (chunk >= chunks || token.isCancelled())
                    break;
                const int end = std::min(pass->entryCount, (chunk + 1) * chunkSize);
                for (int number = chunk * chunkSize; number < end; ++number)
                    pass->kept[size_t(number)] = judge.keeps(reading.entry(number), reading.lineOf(number)) ? 1 : 0;
            }
        },
        [pass](const CancelToken &) { return std::move(pass->kept); },
        [done = std::move(done)](std::vector<char> &&kept) { done(std::move(kept)); });
}
