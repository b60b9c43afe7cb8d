#include "logfileentry.h"

#include "messagestore.h"
#include "robotaction.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

bool fitsLatin1(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return false;
    }
    return true;
}

} // namespace

LogFileEntry::LogFileEntry(double time, EntryType type, const QString &subsystem)
    : m_time(time)
    , m_subsystem(subsystem)
    , m_type(quint8(type))
    , m_wide(false)
    , m_owned(false)
{
}

LogFileEntry::~LogFileEntry()
{
    if (m_owned)
        std::free(m_text);
}

LogFileEntry::LogFileEntry(LogFileEntry &&other) noexcept
    : m_time(other.m_time)
    , m_subsystem(std::move(other.m_subsystem))
    , m_action(std::exchange(other.m_action, nullptr))
    , m_text(std::exchange(other.m_text, nullptr))
    , m_length(std::exchange(other.m_length, 0))
    , m_type(other.m_type)
    , m_activity(std::exchange(other.m_activity, quint8(NoActivity)))
    , m_source(other.m_source)
    , m_wide(other.m_wide)
    , m_owned(other.m_owned)
{
    other.m_wide = false;
    other.m_owned = false;
}

LogFileEntry &LogFileEntry::operator=(LogFileEntry &&other) noexcept
{
    if (this == &other)
        return *this;
    if (m_owned)
        std::free(m_text);
    m_time = other.m_time;
    m_subsystem = std::move(other.m_subsystem);
    m_action = std::exchange(other.m_action, nullptr);
    m_text = std::exchange(other.m_text, nullptr);
    m_length = std::exchange(other.m_length, 0);
    m_type = other.m_type;
    m_activity = std::exchange(other.m_activity, quint8(NoActivity));
    m_source = other.m_source;
    m_wide = other.m_wide;
    m_owned = other.m_owned;
    other.m_wide = false;
    other.m_owned = false;
    return *this;
}

QString LogFileEntry::message() const
{
    if (m_wide)
        return QString(reinterpret_cast<const QChar *>(m_text), int(m_length));
    return QString::fromLatin1(m_text ? m_text : "", int(m_length));
}

void LogFileEntry::appendMessage(QStringView text, MessageStore *store)
{
    const quint32 keep = m_length;
    const bool wide = m_wide || !fitsLatin1(text);
    char *begin = resize(keep, keep + quint32(text.size()), wide, store);
    if (wide) {
        std::memcpy(begin + 2 * size_t(keep), text.data(), 2 * size_t(text.size()));
    } else {
        auto *chars = reinterpret_cast<uchar *>(begin) + keep;
        for (const QChar c : text)
            *chars++ = uchar(c.unicode());
    }
}

char *LogFileEntry::resize(quint32 keep, quint32 length, bool wide, MessageStore *store)
{
    const size_t oldBytes = size_t(m_length) << (m_wide ? 1 : 0);
    const size_t newBytes = size_t(length) << (wide ? 1 : 0);
    const bool widen = wide && !m_wide;
    if (!widen && m_owned) {
        char *grown = static_cast<char *>(std::realloc(m_text, std::max<size_t>(newBytes, 1)));
        if (!grown)
            throw std::bad_alloc();
        m_text = grown;
    } else if (widen || !store || !store->extend(m_text, oldBytes, newBytes)) {
        // Copied to a new place: the old one is the store's to keep.
        char *moved = store ? store->allocate(newBytes) : static_cast<char *>(std::malloc(std::max<size_t>(newBytes, 1)));
        // An empty store hands out no place for no bytes.
        if (!moved && newBytes > 0)
            throw std::bad_alloc();
        if (widen) {
            auto *units = reinterpret_cast<ushort *>(moved);
            for (quint32 i = 0; i < keep; ++i)
                units[i] = uchar(m_text[i]);
        } else if (oldBytes > 0) {
            std::memcpy(moved, m_text, oldBytes);
        }
        if (m_owned)
            std::free(m_text);
        m_text = moved;
        m_owned = !store;
    }
    m_length = length;
    m_wide = wide;
    return m_text;
}

void LogFileEntry::setAction(const RobotAction *action, ActionActivity activity)
{
    m_action = action;
    m_activity = quint8(activity);
}
