#pragma once

#include <QtGlobal>

#include <cstddef>
#include <mutex>
#include <vector>

// Memory for objects of one size that are made and freed by the million, on
// any thread (a viewer's rows: built on a worker, freed on another when a
// tab closes; a file's actions): slots cut from large blocks, without the C
// library's header and rounding per object.
//
// Each thread keeps a few free slots of its own and trades them with the
// pool a batch at a time, so that the pool's lock is taken once per batch.
// A freed slot is used again by the next object made; the blocks stay with
// the pool, which lives as long as the program (a thread that ends gives
// its slots back to it).
class SlotPool final
{
public:
    // Slots per batch that a thread takes from or gives to the pool.
    static constexpr int batchSlots = 256;
    // Slots per block.
    static constexpr int blockSlots = 16 * batchSlots;

    // The pool for slots of `size` bytes, made on first use; null for sizes
    // no pool is for (the slot must hold a pointer, and there are a few
    // pools at most).
    static SlotPool *forSize(size_t size);

    void *allocate();
    void deallocate(void *slot);

    size_t slotSize() const { return m_slotSize; }
    // Slots cut from blocks so far, in use or free.
    qint64 slotsMade() const;

private:
    explicit SlotPool(size_t slotSize, int index);
    Q_DISABLE_COPY_MOVE(SlotPool)

    friend struct SlotCaches;
    // Free slots linked through their first bytes.
    struct Chain
    {
        void *head = nullptr;
        int count = 0;
    };
    // A batch for a thread: free slots if there are, else new ones.
    Chain takeBatch();
    void giveBatch(Chain chain);

    const size_t m_slotSize;
    const int m_index;
    mutable std::mutex m_mutex;
    std::vector<Chain> m_free;
    std::vector<char *> m_blocks;
    char *m_unused = nullptr;
    char *m_unusedEnd = nullptr;
};

// An allocator that takes single objects from the SlotPool of their size
// (std::allocate_shared makes an object and its count in one of them).
template <typename T>
class SlotAllocator final
{
public:
    using value_type = T;

    SlotAllocator() = default;
    template <typename U>
    SlotAllocator(const SlotAllocator<U> &)
    {
    }

    T *allocate(std::size_t count)
    {
        if (SlotPool *pool = poolFor(count))
            return static_cast<T *>(pool->allocate());
        return static_cast<T *>(::operator new(count * sizeof(T)));
    }
    void deallocate(T *object, std::size_t count)
    {
        if (SlotPool *pool = poolFor(count))
            pool->deallocate(object);
        else
            ::operator delete(object);
    }

    template <typename U>
    bool operator==(const SlotAllocator<U> &) const
    {
        return true;
    }
    template <typename U>
    bool operator!=(const SlotAllocator<U> &) const
    {
        return false;
    }

private:
    static SlotPool *poolFor(std::size_t count)
    {
        // Slots are aligned for pointers only.
        return count == 1 && alignof(T) <= alignof(void *) ? SlotPool::forSize(sizeof(T)) : nullptr;
    }
};
