// Linked into every target of the ThreadSanitizer build (MIRT_TSAN), and
// only there.
//
// Qt from the distribution is not built with TSan, so the locks inside
// QThreadPool's queue and the posted-event queue are invisible to it: work
// handed to a pool thread, and a result handed back to the GUI thread, look
// to TSan like two threads touching the same memory with nothing in between.
// Suppressions cannot tell those reports from real ones, because both sides
// are our own code. Instead, the two calls through which this project hands
// work from one thread to another are wrapped here:
//
//   QThreadPool::start(std::function<void()>, int)
//   QMetaObject::invokeMethodImpl(...)  (what QMetaObject::invokeMethod with a
//                                        function calls, as Handoff::post does)
//
// The calling thread releases a token just before Qt takes the work, and the
// thread that runs it acquires the same token just before running it: the
// ordering Qt's own locks give, now visible to TSan. Nothing else changes;
// the work runs where and when Qt runs it. Our definitions come before
// libQt5Core in the search order, and pass on to Qt's own.
//
// This file itself is built without instrumentation, like Qt, so that its
// wrappers can be read before the token is acquired.

#include <QObject>
#include <QThreadPool>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);

namespace {

template <typename Function>
Function qtDefinition(const char *symbol)
{
    void *found = dlsym(RTLD_NEXT, symbol);
    if (!found) {
        std::fprintf(stderr, "tsan-qt-handoffs: %s not found after this library\n", symbol);
        std::abort();
    }
    return reinterpret_cast<Function>(found);
}

// A posted slot object that acquires what the posting thread released, then
// runs the slot object it wraps. It owns the wrapped one.
class AcquiringSlot final : public QtPrivate::QSlotObjectBase
{
public:
    explicit AcquiringSlot(QtPrivate::QSlotObjectBase *wrapped)
        : QSlotObjectBase(&impl)
        , wrapped(wrapped)
    {
    }

private:
    static void impl(int which, QSlotObjectBase *base, QObject *receiver, void **args, bool *ret)
    {
        auto *self = static_cast<AcquiringSlot *>(base);
        switch (which) {
        case Destroy:
            // The last reference can be dropped on either thread.
            __tsan_acquire(self);
            self->wrapped->destroyIfLastRef();
            delete self;
            break;
        case Call:
            __tsan_acquire(self);
            self->wrapped->call(receiver, args);
            __tsan_release(self);
            break;
        case Compare:
            *ret = self->wrapped->compare(args);
            break;
        }
    }

    QtPrivate::QSlotObjectBase *wrapped;
};

} // namespace

void QThreadPool::start(std::function<void()> functionToRun, int priority)
{
    using Start = void (*)(QThreadPool *, std::function<void()>, int);
    static const Start qtStart = qtDefinition<Start>("_ZN11QThreadPool5startESt8functionIFvvEEi");
    // Qt queues and takes the work under one lock per pool, so the pool
    // itself stands for that lock. The work moves into the wrapper, which the
    // pool thread runs and destroys; this thread keeps no reference to it.
    QThreadPool *pool = this;
    std::function<void()> acquiring = [pool, work = std::move(functionToRun)] {
        __tsan_acquire(pool);
        work();
    };
    __tsan_release(pool);
    qtStart(this, std::move(acquiring), priority);
}

bool QMetaObject::invokeMethodImpl(QObject *object, QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                   void *ret)
{
    using Invoke = bool (*)(QObject *, QtPrivate::QSlotObjectBase *, Qt::ConnectionType, void *);
    static const Invoke qtInvoke = qtDefinition<Invoke>(
        "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    auto *acquiring = new AcquiringSlot(slot);
    __tsan_release(acquiring);
    return qtInvoke(object, acquiring, type, ret);
}
