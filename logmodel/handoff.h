#pragma once

#include <QObject>

#include <functional>
#include <mutex>

// Lets work running on other threads hand its results to an object on the
// GUI thread: each function posted runs later on the receiver's thread, and
// once the receiver has closed the handoff (in its destructor, say) nothing
// more is posted, so no result ever reaches an object that is gone.
class Handoff final
{
public:
    explicit Handoff(QObject *receiver)
        : receiver(receiver)
    {
    }
    Q_DISABLE_COPY_MOVE(Handoff)

    void close()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        receiver = nullptr;
    }

    // Whether the function was posted; it is dropped when the handoff is
    // closed before it runs.
    bool post(std::function<void()> function)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!receiver)
            return false;
        // Posted while the lock is held, so the receiver cannot be destroyed
        // in between; its pending calls are dropped with it.
        QMetaObject::invokeMethod(receiver, std::move(function), Qt::QueuedConnection);
        return true;
    }

private:
    std::mutex mutex;
    QObject *receiver;
};
