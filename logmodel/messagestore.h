#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

// The bytes of a file's messages, kept together in large blocks instead of
// one heap block per message: a record's message costs its characters and
// nothing more. Only the thread that appends to the file (the reader's,
// while a file loads) allocates; the bytes given out stay where they are
// until the store is destroyed, so any thread may read them meanwhile.
class MessageStore final
{
public:
    MessageStore() = default;
    ~MessageStore();
    Q_DISABLE_COPY_MOVE(MessageStore)

    // Room for `bytes` bytes, aligned for UTF-16 code units.
    char *allocate(size_t bytes);
    // Lets the last allocation, of `oldBytes` bytes at `block`, grow to
    // `newBytes` in place; false when it is not the last one or its block
    // has no room.
    bool extend(const char *block, size_t oldBytes, size_t newBytes);

private:
    static constexpr size_t blockBytes = 64 * 1024;

    std::vector<std::unique_ptr<char[]>> m_blocks;
    char *m_free = nullptr;
    char *m_end = nullptr;
    char *m_last = nullptr;
};
