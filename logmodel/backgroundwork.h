#pragma once

#include "handoff.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

// Tells work on other threads to stop. Copies share one flag, so the
// object that started the work keeps a copy and the work looks at its own.
class CancelToken final
{
public:
    CancelToken();

    void cancel() const;
    // Acquire, as cancel() releases: what the canceller did before it is
    // seen by work that stops because of it, so that work may free what the
    // canceller read.
    bool isCancelled() const { return state->cancelled.load(std::memory_order_acquire); }
    // Stops the work and has it leave what it built to the system instead
    // of freeing it: a program that quits need not wait for millions of
    // frees.
    void abandon() const;
    bool isAbandoned() const { return state->abandoned.load(std::memory_order_acquire); }
    // The flag itself, for loops that look at it often.
    const std::atomic<bool> *flag() const { return &state->cancelled; }

    // Whether the work has ended (handed its result over or given up).
    bool isFinished() const { return state->finished.load(std::memory_order_acquire); }
    void setFinished() const { state->finished.store(true, std::memory_order_release); }

private:
    struct State
    {
        std::atomic<bool> cancelled{false};
        std::atomic<bool> abandoned{false};
        std::atomic<bool> finished{false};
    };
    std::shared_ptr<State> state;
};

// Lets go of `object` without freeing it, for a program that quits: the
// system takes the memory back with the process at once. Builds that look
// for leaks free it as usual.
template <typename T>
void leaveToSystem(std::shared_ptr<T> &object)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    object.reset();
#else
    new std::shared_ptr<T>(std::move(object));
#endif
}

// Starts work on the thread pool for an object of the GUI thread and hands
// its result back to that object's thread. The object owns one
// BackgroundWork as a child: once it is destroyed no result reaches the
// object any more, and the work it started is cancelled.
class BackgroundWork final : public QObject
{
public:
    explicit BackgroundWork(QObject *owner);
    ~BackgroundWork() override;
    Q_DISABLE_COPY_MOVE(BackgroundWork)

    // Runs `work(token)` on a pool thread; unless the token is cancelled
    // meanwhile, `done(result)` runs later on this object's thread.
    template <typename Work, typename Done>
    CancelToken run(Work work, Done done)
    {
        return runWith(track(), std::move(work), std::move(done));
    }
    // The same, with a token from track(), for work that must know its
    // token before it starts.
    template <typename Work, typename Done>
    CancelToken runWith(const CancelToken &token, Work work, Done done)
    {
        std::shared_ptr<Handoff> receiver = gate;
        QThreadPool::globalInstance()->start([token, receiver, work = std::move(work), done = std::move(done)]() mutable {
            auto result = std::make_shared<decltype(work(token))>(work(token));
            deliver(token, receiver, [result, done = std::move(done)]() mutable { done(std::move(*result)); });
        });
        return token;
    }

    // Runs `work(token)` on `workers` threads of `pool` at once; the last
    // one to finish calls `finish(token)` and hands its result to `done`.
    template <typename Work, typename Finish, typename Done>
    CancelToken runParallel(int workers, Work work, Finish finish, Done done,
                            QThreadPool *pool = QThreadPool::globalInstance())
    {
        CancelToken token = track();
        struct Shared
        {
            Shared(Work work, Finish finish, Done done, int workers)
                : work(std::move(work))
                , finish(std::move(finish))
                , done(std::move(done))
                , running(workers)
            {
            }
            Work work;
            Finish finish;
            Done done;
            std::atomic<int> running;
        };
        auto shared = std::make_shared<Shared>(std::move(work), std::move(finish), std::move(done), std::max(workers, 1));
        std::shared_ptr<Handoff> receiver = gate;
        for (int i = 0; i < std::max(workers, 1); ++i) {
            pool->start([token, receiver, shared] {
                shared->work(token);
                if (shared->running.fetch_sub(1) != 1)
                    return;
                if (token.isCancelled()) {
                    token.setFinished();
                    return;
                }
                auto result = std::make_shared<decltype(shared->finish(token))>(shared->finish(token));
                deliver(token, receiver, [result, shared]() mutable { shared->done(std::move(*result)); });
            });
        }
        return token;
    }

    // Runs `work()` on a pool thread, with nothing to hand back: freeing
    // what the GUI thread let go of, say.
    template <typename Work>
    static void detach(Work work)
    {
        QThreadPool::globalInstance()->start(std::move(work));
    }

    // For work that hands over more than one result (the rows of a load).
    const std::shared_ptr<Handoff> &handoff() const { return gate; }
    // A token that cancelAll() and abandonAll() reach, for work started by
    // other means.
    CancelToken track();

    // Cancels, or abandons, everything still running that was started here.
    void cancelAll();
    void abandonAll();

private:
    // Posts `function` unless the work was cancelled; it runs only if the
    // work is still not cancelled then.
    template <typename Function>
    static void deliver(const CancelToken &token, const std::shared_ptr<Handoff> &receiver, Function function)
    {
        if (token.isCancelled()) {
            token.setFinished();
            return;
        }
        const bool posted = receiver->post([token, function = std::move(function)]() mutable {
            token.setFinished();
            if (!token.isCancelled())
                function();
        });
        if (!posted)
            token.setFinished();
    }

    std::shared_ptr<Handoff> gate;
    std::vector<CancelToken> started;
};
