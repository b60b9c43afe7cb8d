#pragma once

#include "expr.h"
#include "logfileexprcontext.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class Handoff;
class LogFile;

// A filter expression parsed once, with a context of its own, that says
// which entries of a file it keeps; a text that does not parse keeps none.
class FilterJudge final
{
public:
    FilterJudge(std::shared_ptr<LogFile> file, const QString &expression);
    Q_DISABLE_COPY_MOVE(FilterJudge)

    bool keeps(int entry);

private:
    mirt::expr::Expr filter;
    LogFileExprContext context;
    bool parsed = false;
};

// Evaluates a filter expression for every entry of a file on worker threads:
// the entries are taken in chunks, and each thread parses the expression
// for itself and has a context of its own, so that the threads share
// nothing they write. The result is one flag per entry.
class FilterPass final : public std::enable_shared_from_this<FilterPass>
{
public:
    static constexpr int chunkSize = 16384;

    // `done` runs on the receiver of `handoff` when every entry has been
    // evaluated; not when the pass was cancelled.
    static std::shared_ptr<FilterPass> start(std::shared_ptr<LogFile> file, const QString &expression, int threads,
                                             std::shared_ptr<Handoff> handoff,
                                             std::function<void(const std::vector<char> &shown)> done);
    Q_DISABLE_COPY_MOVE(FilterPass)

    void cancel() { cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return cancelled.load(std::memory_order_relaxed); }

    // The threads a pass uses when not told: one per core.
    static int defaultThreadCount();

private:
    FilterPass() = default;
    void work();

    std::shared_ptr<LogFile> file;
    QString expression;
    int entryCount = 0;
    std::vector<char> shown;
    std::atomic<int> nextChunk{0};
    std::atomic<int> runningWorkers{0};
    std::atomic<bool> cancelled{false};
    std::shared_ptr<Handoff> handoff;
    std::function<void(const std::vector<char> &)> done;
};
