#include "entrylist.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

LogFileEntry *newBlock()
{
    // Raw memory: an entry is made in its place only when it comes.
    return static_cast<LogFileEntry *>(::operator new(sizeof(LogFileEntry) * size_t(EntryList::blockSize)));
}

void deleteBlock(LogFileEntry *block)
{
    ::operator delete(block);
}

} // namespace

EntryList EntryList::head(int count) const
{
    EntryList list;
    list.m_count = std::clamp(count, 0, m_count);
    const size_t blocks = (size_t(list.m_count) + blockSize - 1) >> blockBits;
    list.m_blocks.assign(m_blocks.begin(), m_blocks.begin() + std::ptrdiff_t(blocks));
    return list;
}

EntryStore::~EntryStore()
{
    clear();
}

void EntryStore::clear()
{
    for (int number = 0; number < m_list.m_count; ++number)
        at(number).~LogFileEntry();
    for (LogFileEntry *block : m_list.m_blocks)
        deleteBlock(block);
    std::vector<LogFileEntry *>().swap(m_list.m_blocks);
    m_list.m_count = 0;
}

LogFileEntry &EntryStore::append(LogFileEntry &&entry)
{
    const int number = m_list.m_count;
    const size_t block = size_t(number) >> EntryList::blockBits;
    if (block == m_list.m_blocks.size()) {
        // Made before the list grows, so that neither is left behind when
        // the memory runs out.
        LogFileEntry *made = newBlock();
        try {
            m_list.m_blocks.push_back(made);
        } catch (...) {
            deleteBlock(made);
            throw;
        }
    }
    LogFileEntry *place = m_list.m_blocks[block] + (number & (EntryList::blockSize - 1));
    new (place) LogFileEntry(std::move(entry));
    ++m_list.m_count;
    return *place;
}

void EntryStore::reserve(int count)
{
    if (count > 0)
        m_list.m_blocks.reserve((size_t(count) + EntryList::blockSize - 1) >> EntryList::blockBits);
}
