#include "filterpass.h"

#include "expr.h"
#include "exprvalue.h"
#include "handoff.h"
#include "logfile.h"
#include "logfileexprcontext.h"

#include <QThread>
#include <QThreadPool>

FilterJudge::FilterJudge(std::shared_ptr<LogFile> file, const QString &expression)
{
    QString error;
    parsed = filter.parse(context, expression, error);
    context.setLogFile(std::move(file));
}

bool FilterJudge::keeps(int entry)
{
    context.setEntry(entry);
    return parsed && mirt::expr::isTrue(filter.evaluate(context));
}

int FilterPass::defaultThreadCount()
{
    return std::max(1, QThread::idealThreadCount());
}

std::shared_ptr<FilterPass> FilterPass::start(std::shared_ptr<LogFile> file, const QString &expression, int threads,
                                              std::shared_ptr<Handoff> handoff,
                                              std::function<void(const std::vector<char> &)> done)
{
    std::shared_ptr<FilterPass> pass(new FilterPass);
    pass->entryCount = file ? file->entries().size() : 0;
    pass->file = std::move(file);
    pass->expression = expression;
    pass->shown.assign(size_t(pass->entryCount), 0);
    pass->handoff = std::move(handoff);
    pass->done = std::move(done);
    const int chunks = (pass->entryCount + chunkSize - 1) / chunkSize;
    const int workers = std::max(1, std::min(threads > 0 ? threads : defaultThreadCount(), chunks));
    pass->runningWorkers.store(workers);
    for (int i = 0; i < workers; ++i)
        QThreadPool::globalInstance()->start([pass] { pass->work(); });
    return pass;
}

void FilterPass::work()
{
    FilterJudge judge(file, expression);
    std::shared_lock<std::shared_mutex> reading(file->accessLock());
    const int chunks = (entryCount + chunkSize - 1) / chunkSize;
    for (;;) {
        const int chunk = nextChunk.fetch_add(1);
        if (chunk >= chunks || isCancelled())
            break;
        const int end = std::min(entryCount, (chunk + 1) * chunkSize);
        for (int number = chunk * chunkSize; number < end; ++number)
            shown[size_t(number)] = judge.keeps(number) ? 1 : 0;
    }
    reading.unlock();
    if (runningWorkers.fetch_sub(1) != 1)
        return;
    // The last thread to finish hands the result over.
    if (isCancelled())
        return;
    auto self = shared_from_this();
    handoff->post([self] {
        if (!self->isCancelled())
            self->done(self->shown);
    });
}
