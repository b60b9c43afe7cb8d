#include "messagestore.h"

MessageStore::~MessageStore() = default;

char *MessageStore::allocate(size_t bytes)
{
    bytes = (bytes + 1) & ~size_t(1);
    if (size_t(m_end - m_free) < bytes) {
        // A message longer than a block gets a block of its own, and the
        // block being filled stays the one filled.
        if (bytes > blockBytes / 4) {
            m_blocks.emplace_back(new char[bytes]);
            m_last = nullptr;
            return m_blocks.back().get();
        }
        m_blocks.emplace_back(new char[blockBytes]);
        m_free = m_blocks.back().get();
        m_end = m_free + blockBytes;
    }
    char *block = m_free;
    m_free += bytes;
    m_last = block;
    return block;
}

bool MessageStore::extend(const char *block, size_t oldBytes, size_t newBytes)
{
    oldBytes = (oldBytes + 1) & ~size_t(1);
    newBytes = (newBytes + 1) & ~size_t(1);
    if (!block || block != m_last || m_last + oldBytes != m_free || size_t(m_end - m_last) < newBytes)
        return false;
    m_free = m_last + newBytes;
    return true;
}
