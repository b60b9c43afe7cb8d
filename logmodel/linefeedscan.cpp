#include "linefeedscan.h"

#include <cstring>

QByteArray LineFeedScan::lineFeedOf(const QByteArray &head, int *markSize)
{
    int mark = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QByteArray lineFeed("\n");
    if (head.startsWith(QByteArray("\xFF\xFE\x00\x00", 4)) || head.startsWith(QByteArray("\x00\x00\xFE\xFF", 4))) {
        lineFeed = head.at(0) ? QByteArray("\n\0\0\0", 4) : QByteArray("\0\0\0\n", 4);
        mark = 4;
    } else if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        lineFeed = head.at(0) == '\xFF' ? QByteArray("\n\0", 2) : QByteArray("\0\n", 2);
        mark = 2;
    }
    if (markSize)
        *markSize = mark;
    return lineFeed;
}

void LineFeedScan::start(const QByteArray &lineFeed, qint64 offset)
{
    m_lineFeed = lineFeed.isEmpty() || lineFeed.size() > 4 ? QByteArrayLiteral("\n") : lineFeed;
    m_ends.clear();
    m_unitFill = 0;
    m_scanned = offset;
}

void LineFeedScan::scan(const char *data, qint64 size)
{
    if (size <= 0)
        return;
    const int width = m_lineFeed.size();
    if (width == 1) {
        const char *end = data + size;
        for (const char *at = data; at < end;) {
            const char *feed = static_cast<const char *>(std::memchr(at, '\n', size_t(end - at)));
            if (!feed)
                break;
            m_ends.push_back(m_scanned + (feed - data) + 1);
            at = feed + 1;
        }
        m_scanned += size;
        return;
    }
    // Units of two or four bytes, counted from where the data began (the
    // start of the file, or a line end of it).
    const char *feed = m_lineFeed.constData();
    for (qint64 at = 0; at < size; ++at) {
        m_unit[m_unitFill++] = data[at];
        if (m_unitFill < width)
            continue;
        m_unitFill = 0;
        if (std::memcmp(m_unit, feed, size_t(width)) == 0)
            m_ends.push_back(m_scanned + at + 1);
    }
    m_scanned += size;
}

qint64 LineFeedScan::take()
{
    if (m_ends.empty())
        return m_scanned;
    const qint64 end = m_ends.front();
    m_ends.pop_front();
    return end;
}
