#include "slotpool.h"

#include <array>
#include <atomic>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define MIRT_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define MIRT_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define MIRT_POISON(address, size) ((void)(address), (void)(size))
#define MIRT_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace {

constexpr int maxPools = 4;

// The pools made so far, never freed: threads give their slots back to
// them when they end, whenever that is.
std::array<std::atomic<SlotPool *>, maxPools> pools{};
std::mutex poolsMutex;

void *&linkOf(void *slot)
{
    return *static_cast<void **>(slot);
}

} // namespace

// The free slots a thread keeps of each pool: the batch it takes from and
// gives to, and one full batch in reserve, so that a thread that frees and
// makes objects in turn at a batch's edge does not trade batches each time.
struct SlotCaches
{
    struct Cache
    {
        SlotPool::Chain current;
        SlotPool::Chain spare;
    };
    std::array<Cache, maxPools> of;

    ~SlotCaches()
    {
        for (int index = 0; index < maxPools; ++index) {
            SlotPool *pool = pools[size_t(index)].load(std::memory_order_acquire);
            if (!pool)
                continue;
            Cache &cache = of[size_t(index)];
            for (SlotPool::Chain *chain : {&cache.current, &cache.spare}) {
                if (chain->count > 0)
                    pool->giveBatch(std::exchange(*chain, SlotPool::Chain()));
            }
        }
    }
};

namespace {

thread_local SlotCaches caches;

} // namespace

SlotPool *SlotPool::forSize(size_t size)
{
    if (size < sizeof(void *) || size % alignof(void *) != 0)
        return nullptr;
    for (const auto &made : pools) {
        SlotPool *pool = made.load(std::memory_order_acquire);
        if (pool && pool->m_slotSize == size)
            return pool;
    }
    const std::lock_guard<std::mutex> lock(poolsMutex);
    for (size_t index = 0; index < pools.size(); ++index) {
        SlotPool *pool = pools[index].load(std::memory_order_acquire);
        if (pool && pool->m_slotSize == size)
            return pool;
        if (!pool) {
            pool = new SlotPool(size, int(index));
            pools[index].store(pool, std::memory_order_release);
            return pool;
        }
    }
    return nullptr;
}

SlotPool::SlotPool(size_t slotSize, int index)
    : m_slotSize(slotSize)
    , m_index(index)
{
}

void *SlotPool::allocate()
{
    SlotCaches::Cache &cache = caches.of[size_t(m_index)];
    if (cache.current.count == 0) {
        if (cache.spare.count > 0)
            cache.current = std::exchange(cache.spare, Chain());
        else
            cache.current = takeBatch();
    }
    void *slot = cache.current.head;
    MIRT_UNPOISON(slot, m_slotSize);
    cache.current.head = linkOf(slot);
    --cache.current.count;
    return slot;
}

void SlotPool::deallocate(void *slot)
{
    if (!slot)
        return;
    SlotCaches::Cache &cache = caches.of[size_t(m_index)];
    if (cache.current.count >= batchSlots) {
        if (cache.spare.count > 0)
            giveBatch(cache.spare);
        cache.spare = std::exchange(cache.current, Chain());
    }
    linkOf(slot) = cache.current.head;
    cache.current.head = slot;
    ++cache.current.count;
    // All but the link, which the pool reads, is out of bounds until the
    // slot is handed out again.
    MIRT_POISON(static_cast<char *>(slot) + sizeof(void *), m_slotSize - sizeof(void *));
}

SlotPool::Chain SlotPool::takeBatch()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_free.empty()) {
        const Chain chain = m_free.back();
        m_free.pop_back();
        return chain;
    }
    const size_t batchBytes = m_slotSize * batchSlots;
    if (size_t(m_unusedEnd - m_unused) < batchBytes) {
        char *block = static_cast<char *>(::operator new(m_slotSize * blockSlots));
        try {
            m_blocks.push_back(block);
        } catch (...) {
            ::operator delete(block);
            throw;
        }
        m_unused = block;
        m_unusedEnd = block + m_slotSize * blockSlots;
    }
    Chain chain;
    for (int i = batchSlots - 1; i >= 0; --i) {
        char *slot = m_unused + m_slotSize * size_t(i);
        linkOf(slot) = chain.head;
        MIRT_POISON(slot + sizeof(void *), m_slotSize - sizeof(void *));
        chain.head = slot;
    }
    chain.count = batchSlots;
    m_unused += batchBytes;
    return chain;
}

void SlotPool::giveBatch(Chain chain)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_free.push_back(chain);
}

qint64 SlotPool::slotsMade() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return qint64(m_blocks.size()) * blockSlots - qint64((m_unusedEnd - m_unused) / qint64(m_slotSize));
}
