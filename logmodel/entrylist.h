#pragma once

#include "logfileentry.h"

#include <QtGlobal>

#include <cstddef>
#include <iterator>
#include <vector>

// The entries of a log file in entry order, to read: entry n is at(n).
//
// The entries lie side by side in blocks of blockSize, which never move once
// made: an entry keeps its address while the file grows, and a copy of the
// list (a pointer per block) goes on showing the entries there were when it
// was made, for as long as the file lives. Only the file's EntryStore adds
// entries.
class EntryList
{
public:
    static constexpr int blockBits = 10;
    static constexpr int blockSize = 1 << blockBits;

    int size() const { return m_count; }
    int count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    bool empty() const { return m_count == 0; }

    const LogFileEntry *at(int number) const
    {
        Q_ASSERT_X(number >= 0 && number < m_count, "EntryList::at", "entry number out of range");
        return m_blocks[size_t(number) >> blockBits] + (number & (blockSize - 1));
    }
    const LogFileEntry *operator[](int number) const { return at(number); }
    const LogFileEntry *first() const { return at(0); }
    const LogFileEntry *last() const { return at(m_count - 1); }
    const LogFileEntry *front() const { return first(); }
    const LogFileEntry *back() const { return last(); }

    // The first `count` entries (at most all of them).
    EntryList head(int count) const;

    // Goes through the entries in order, giving a pointer to each.
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = const LogFileEntry *;
        using difference_type = std::ptrdiff_t;
        using pointer = const LogFileEntry *const *;
        using reference = const LogFileEntry *;

        const LogFileEntry *operator*() const { return m_list->at(m_number); }
        const_iterator &operator++()
        {
            ++m_number;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++m_number;
            return before;
        }
        bool operator==(const const_iterator &other) const { return m_number == other.m_number; }
        bool operator!=(const const_iterator &other) const { return m_number != other.m_number; }

    private:
        friend class EntryList;
        const_iterator(const EntryList *list, int number)
            : m_list(list)
            , m_number(number)
        {
        }

        const EntryList *m_list;
        int m_number;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, m_count); }

private:
    friend class EntryStore;

    std::vector<LogFileEntry *> m_blocks;
    int m_count = 0;
};

// Owns a file's entries and adds them. The blocks are made as the entries
// come and freed with the store; only the list of blocks grows (moves),
// which is why whoever reads list() on another thread must keep the store
// from growing meanwhile (LogFile's lock).
class EntryStore final
{
public:
    EntryStore() = default;
    ~EntryStore();
    Q_DISABLE_COPY_MOVE(EntryStore)

    const EntryList &list() const { return m_list; }
    int size() const { return m_list.m_count; }
    bool isEmpty() const { return m_list.m_count == 0; }

    // Moves `entry` in after the last; returns where it lives from now on.
    LogFileEntry &append(LogFileEntry &&entry);
    LogFileEntry &at(int number) { return *const_cast<LogFileEntry *>(m_list.at(number)); }
    LogFileEntry &last() { return at(m_list.m_count - 1); }
    // Room in the list of blocks for `count` entries in all: the blocks
    // themselves are made only when entries come.
    void reserve(int count);
    // Destroys every entry and frees the blocks: for a file whose entries
    // were moved into another.
    void clear();

private:
    EntryList m_list;
};
