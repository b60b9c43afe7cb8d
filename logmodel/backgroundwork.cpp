#include "backgroundwork.h"

#include <algorithm>

CancelToken::CancelToken()
    : state(std::make_shared<State>())
{
}

void CancelToken::cancel() const
{
    state->cancelled.store(true, std::memory_order_release);
}

void CancelToken::abandon() const
{
    state->abandoned.store(true, std::memory_order_release);
    cancel();
}

BackgroundWork::BackgroundWork(QObject *owner)
    : QObject(owner)
    , gate(std::make_shared<Handoff>(this))
{
}

BackgroundWork::~BackgroundWork()
{
    gate->close();
    cancelAll();
}

CancelToken BackgroundWork::track()
{
    // Work that ended is forgotten as new work starts.
    started.erase(std::remove_if(started.begin(), started.end(),
                                 [](const CancelToken &token) { return token.isFinished(); }),
                  started.end());
    started.emplace_back();
    return started.back();
}

void BackgroundWork::cancelAll()
{
    for (const CancelToken &token : started)
        token.cancel();
    started.clear();
}

void BackgroundWork::abandonAll()
{
    for (const CancelToken &token : started)
        token.abandon();
    started.clear();
}
