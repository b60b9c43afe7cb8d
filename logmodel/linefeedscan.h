#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <deque>

// Finds the line feeds of a log's bytes as its encoding writes them (one
// byte, or a unit of two or four for UTF-16 and UTF-32), so that the reader
// knows where each line it decodes lies in the file.
class LineFeedScan final
{
public:
    // The line feed of the encoding whose byte order mark begins `head` (the
    // first bytes of a file; a plain "\n" without one), and in `markSize`
    // the size of that mark.
    static QByteArray lineFeedOf(const QByteArray &head, int *markSize = nullptr);

    LineFeedScan() = default;
    Q_DISABLE_COPY_MOVE(LineFeedScan)

    // Starts over: the data given next begins at byte `offset`, and its
    // line feeds are `lineFeed`.
    void start(const QByteArray &lineFeed, qint64 offset);
    // Takes the next bytes of the data.
    void scan(const char *data, qint64 size);
    // The byte just after the first line feed not taken yet, which it
    // takes; the end of the data given when none is left (a last line
    // without a line feed).
    qint64 take();
    const QByteArray &lineFeed() const { return m_lineFeed; }
    // Bytes given so far, counted from the start of the file.
    qint64 end() const { return m_scanned; }

private:
    std::deque<qint64> m_ends;
    QByteArray m_lineFeed = QByteArrayLiteral("\n");
    // The bytes of a unit begun at the end of the last data.
    char m_unit[4] = {};
    int m_unitFill = 0;
    qint64 m_scanned = 0;
};
