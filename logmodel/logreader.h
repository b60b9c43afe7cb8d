#pragma once

#include "linefeedscan.h"
#include "logfileentry.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LogFile;
class QIODevice;
class QTextCodec;
class QTextDecoder;

// Reads the lines of a log into a LogFile: one entry per record line,
// continuation lines joined to the record before them, and a reader message
// for each line it cannot use. It reads any QIODevice in large blocks, and
// can be given the data in several calls (a log that grows).
//
// Lines, and messages joined from continuation lines, are cut at
// maxLineLength characters: the toolkit's strings end near 2^30 characters,
// and a run of NUL bytes that a crashed writer leaves is one "line".
class LogReader final
{
public:
    static constexpr int defaultMaxLineLength = 64 * 1024 * 1024;
    static constexpr qint64 blockSize = 4 * 1024 * 1024;

    explicit LogReader(LogFile &file, int maxLineLength = defaultMaxLineLength);
    ~LogReader();
    Q_DISABLE_COPY_MOVE(LogReader)

    // Reads from the device until a read returns nothing (the end, whatever
    // size the device claimed), `limit` bytes have been read (negative: no
    // limit), or a read fails. A failure keeps what was read, adds the
    // message "read error after line N: <reason>" (for damaged compressed
    // data, LogInput's "NAME: compressed data is damaged after line N"),
    // kept however many came before, and returns false.
    // Stops early, also returning false, once `cancelled` is set. `progress`
    // (when given) follows the bytes whose lines have been handled, a few
    // tens of kilobytes at a time.
    bool read(QIODevice &device, qint64 limit = -1, const std::atomic<bool> *cancelled = nullptr,
              std::atomic<qint64> *progress = nullptr);
    // Takes bytes that were read by other means.
    void addData(const char *data, qint64 size);

    // Each finished entry and the number of its line, once no continuation
    // line can change it any more (when the next record begins, or at
    // finish()).
    using EntrySink = std::function<void(LogFileEntry &&entry, EntryLines lines)>;
    // Hands entries to `sink` instead of adding them to the file, so that
    // another thread can link them while reading goes on. Reader messages
    // still go to the file.
    void setEntrySink(EntrySink sink);
    // Handles a last line that ended without a line feed.
    void finish();
    // Whether a last line without its line feed can be left unread instead:
    // where the reader still holds its bytes (UTF-8 text, a line of less
    // than a few megabytes). bytesToLineEnd() says where it begins.
    bool canLeavePartialLine() const { return m_splitBytes && !m_longLine && m_head.isEmpty(); }
    qint64 bytesToLineEnd() const { return bytesRead() - m_carry.size(); }

    // For a log that grows: hands the entry held back for continuation
    // lines to the sink now. Later continuation lines still join it, as
    // the file's last entry: the sink's owner adds it to the file before
    // more data comes.
    void flushHeld();
    bool holdsEntry() const { return m_held.has_value(); }
    // The number the next line gets.
    qint64 lineNumber() const { return m_lineNumber; }
    // Continues a log read before, by another reader, up to a line end:
    // its encoding is judged by `fileStart`, the first bytes of the file,
    // continuation lines join the file's last entry (if any), and the next
    // line is line `lineNumber`.
    // `fileLine` is that line's number in the file, empty lines counted.
    void resume(const QByteArray &fileStart, qint64 lineNumber, qint64 fileLine);
    // The line of the file the next line is, empty lines counted.
    qint64 fileLine() const { return m_lineNumber + m_emptyLines; }
    // The byte of the file the data given next begins at, for a reader that
    // resumes a log read before (0 otherwise): the records' places in the
    // file (EntryLines::textBegin) count from there.
    void setByteOffset(qint64 offset);

    // Bytes taken so far; safe to read from another thread while reading.
    qint64 bytesRead() const { return m_bytesRead.load(std::memory_order_relaxed); }
    // The last bytes given (at most tailBytes), by which a follower knows
    // the file is still the one read.
    static constexpr int tailBytes = 64;
    const QByteArray &tail() const { return m_tail; }
    // How many entries the file will likely give, judged by the lines of its
    // first block; 0 until read() has read one. Safe to read from another
    // thread while reading.
    qint64 expectedEntries() const { return m_expectedEntries.load(std::memory_order_relaxed); }

private:
    class Subsystems;

    void reserveFor(const char *sample, qint64 size, qint64 total);
    void start();
    void addLines(const char *data, qint64 size);
    // Keeps the bytes of an incomplete line until its line feed comes.
    void carry(const char *data, qint64 size);
    void addToLongLine(const char *data, qint64 size);
    void decodeLines(const char *data, int size);
    void takeLines(const QString &text);
    void appendPending(QStringView text);
    void completeLine();
    // The bytes of the line that completes now: from where the last one
    // ended to just after its line feed (or to the end of the data).
    void takeLineBytes();
    void handleLine(QStringView line);
    void handleRecord(QStringView line);
    void handleContinuation(QStringView line);
    // The entry continuation lines join; none before the first record.
    LogFileEntry *previous() const;
    void handOn();
    void report(const QString &message) const;

    LogFile &m_file;
    const int m_maxLineLength;
    QTextCodec *m_codec = nullptr;
    // UTF-8 data is split into lines as bytes and each run of whole lines is
    // decoded at once; other encodings go through a decoder that keeps its
    // state from block to block.
    bool m_splitBytes = false;
    bool m_atStart = true;
    std::unique_ptr<QTextDecoder> m_decoder;
    // The first bytes, until there are enough to recognise a byte order mark.
    QByteArray m_head;
    // Bytes of a line whose line feed has not come yet.
    QByteArray m_carry;
    // A line too long to wait for as bytes, decoded as it comes (or, for
    // other encodings, every incomplete line).
    QString m_pending;
    bool m_longLine = false;
    bool m_pendingCut = false;
    qint64 m_lineNumber = 1;
    // Empty lines passed so far: the line of the file is m_lineNumber plus
    // these.
    qint64 m_emptyLines = 0;
    std::atomic<qint64> m_bytesRead{0};
    QByteArray m_tail;
    std::atomic<qint64> m_expectedEntries{0};
    std::atomic<qint64> *m_progress = nullptr;
    // The entry continuation lines join: one in the file, the one held
    // back, or (m_previousIsLast) the file's last.
    LogFileEntry *m_previous = nullptr;
    bool m_previousIsLast = false;
    EntrySink m_sink;
    std::optional<LogFileEntry> m_held;
    EntryLines m_heldLine;
    std::unique_ptr<Subsystems> m_subsystems;
    // Where the lines lie in the bytes: every line feed of the data given
    // is found as it comes, in the file's own encoding, and each line that
    // completes takes the first one left.
    LineFeedScan m_feeds;
    qint64 m_lineBegin = 0;
    qint64 m_lineEnd = 0;
};
