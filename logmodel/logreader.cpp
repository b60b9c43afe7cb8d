#include "logreader.h"

#include "logfile.h"
#include "loginput.h"
#include "logscanner.h"

#include <QHash>
#include <QIODevice>
#include <QTextCodec>

#include <algorithm>
#include <cmath>

namespace {

// A line whose bytes pass this without a line feed is decoded as it comes,
// so that no line costs more than maxLineLength characters of memory.
constexpr int longLineBytes = 4 * 1024 * 1024;
// Whole lines decoded at a time, in bytes (a longer line goes on its own).
constexpr int decodePiece = 32 * 1024;

// At most `length` characters of `text`, never ending inside a surrogate pair.
QStringView leftOf(QStringView text, int length)
{
    if (length >= text.size())
        return text;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(std::max(length, 0));
}

// "line N <what> - '<line>'", built only as far as it is kept.
QString quotedLineMessage(qint64 lineNumber, const char *what, QStringView line)
{
    QString text = QStringLiteral("line ") + QString::number(lineNumber) + QLatin1Char(' ') + QLatin1String(what)
        + QStringLiteral(" - '");
    text.append(leftOf(line, LogFile::maxMessageLength + 1));
    text.append(QLatin1Char('\''));
    return LogFile::cutMessage(text);
}

// "line N: time '<time>' is out of range", the time quoted up to its 40th
// character and "…" after it when it goes on.
QString timeRangeMessage(qint64 lineNumber, QStringView time)
{
    constexpr int quoted = 40;
    QString text = QStringLiteral("line ") + QString::number(lineNumber) + QStringLiteral(": time '");
    text.append(time.left(quoted));
    if (time.size() > quoted)
        text.append(QChar(0x2026));
    text.append(QStringLiteral("' is out of range"));
    return text;
}

} // namespace

// One shared string per subsystem name: names repeat on almost every line.
class LogReader::Subsystems final
{
public:
    const QString &intern(QStringView name)
    {
        if (name == QStringView(last))
            return last;
        const auto found = names.constFind(name);
        if (found != names.constEnd()) {
            last = found.value();
            return last;
        }
        const QString copy = name.toString();
        // Keyed by a view of the stored copy, which lives as long as the map.
        names.insert(QStringView(copies.emplace_back(copy)), copy);
        last = copy;
        return last;
    }

private:
    std::vector<QString> copies;
    QHash<QStringView, QString> names;
    QString last;
};

LogReader::LogReader(LogFile &file, int maxLineLength)
    : m_file(file)
    , m_maxLineLength(std::max(maxLineLength, 1))
    , m_subsystems(std::make_unique<Subsystems>())
{
}

LogReader::~LogReader() = default;

bool LogReader::read(QIODevice &device, qint64 limit, const std::atomic<bool> *cancelled,
                     std::atomic<qint64> *progress)
{
    m_progress = progress;
    // Not kept past this call.
    const struct Forget
    {
        std::atomic<qint64> *&progress;
        ~Forget() { progress = nullptr; }
    } forget{m_progress};
    // Not zero-filled: every block is read into before it is looked at.
    const std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(blockSize)]);
    qint64 done = 0;
    for (;;) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return false;
        qint64 wanted = blockSize;
        if (limit >= 0)
            wanted = std::min(wanted, limit - done);
        if (wanted <= 0)
            return true;
        const qint64 got = device.read(buffer.get(), wanted);
        if (got < 0) {
            // The lines read so far stay; the line being read is incomplete.
            m_carry.clear();
            m_pending.clear();
            m_longLine = false;
            m_pendingCut = false;
            QString message = LogInput::damageMessage(device, m_lineNumber - 1);
            if (message.isEmpty())
                message = QStringLiteral("read error after line ") + QString::number(m_lineNumber - 1)
                    + QStringLiteral(": ") + device.errorString();
            m_file.addProblem(0, LogFile::cutMessage(message), true);
            return false;
        }
        if (got == 0)
            return true;
        if (done == 0) {
            // Compressed data does not say what it expands to: its first
            // block tells.
            const qint64 total = limit >= 0 ? limit : LogInput::expectedTextSize(device);
            if (total > got)
                reserveFor(buffer.get(), got, total);
        }
        done += got;
        addData(buffer.get(), got);
        if (progress)
            progress->store(bytesRead(), std::memory_order_relaxed);
    }
}

void LogReader::reserveFor(const char *sample, qint64 size, qint64 total)
{
    // Room for the entries the whole file will likely hold, judged by the
    // lines of its first block, saves growing the lists step by step.
    const qint64 lines = std::count(sample, sample + size, '\n');
    if (lines < 16)
        return;
    const qint64 expected = std::min<qint64>(total / size * lines + lines, 200000000);
    m_expectedEntries.store(expected, std::memory_order_relaxed);
    // Entries handed to a sink are added to the file elsewhere.
    if (m_sink)
        return;
    m_file.reserveEntries(int(expected));
    m_file.m_unlinkedLineNumbers.reserve(size_t(expected));
}

void LogReader::addData(const char *data, qint64 size)
{
    if (size <= 0)
        return;
    m_bytesRead.fetch_add(size, std::memory_order_relaxed);
    if (size >= tailBytes) {
        m_tail = QByteArray(data + size - tailBytes, tailBytes);
    } else {
        m_tail.append(data, int(size));
        m_tail = m_tail.right(tailBytes);
    }
    if (!m_codec) {
        // A byte order mark is recognised in the first four bytes.
        m_head.append(data, int(size));
        if (m_head.size() < 4)
            return;
        start();
        return;
    }
    addLines(data, size);
}

void LogReader::start()
{
    m_codec = QTextCodec::codecForUtfText(m_head, QTextCodec::codecForLocale());
    m_splitBytes = m_codec->mibEnum() == 106;
    if (!m_splitBytes)
        m_decoder = std::make_unique<QTextDecoder>(m_codec);
    // The first line begins after the byte order mark.
    int mark = 0;
    m_feeds.start(LineFeedScan::lineFeedOf(m_head, &mark), m_feeds.end());
    m_lineEnd += mark;
    const QByteArray head = std::move(m_head);
    m_head.clear();
    addLines(head.constData(), head.size());
}

void LogReader::finish()
{
    if (!m_codec && !m_head.isEmpty())
        start();
    if (m_splitBytes && !m_carry.isEmpty() && !m_longLine) {
        // What a decoder keeps of a sequence cut short at the end is dropped.
        QTextCodec::ConverterState state(m_atStart ? QTextCodec::DefaultConversion : QTextCodec::IgnoreHeader);
        m_atStart = false;
        appendPending(m_codec->toUnicode(m_carry.constData(), m_carry.size(), &state));
        m_carry.clear();
    }
    // A last line without its line feed; a carriage return before the end of
    // the data is dropped as it would be before a line feed.
    if (!m_pending.isEmpty())
        completeLine();
    m_longLine = false;
    if (m_splitBytes)
        m_decoder.reset();
    handOn();
}

void LogReader::flushHeld()
{
    handOn();
}

void LogReader::handOn()
{
    if (!m_held)
        return;
    m_sink(std::move(*m_held), m_heldLine);
    m_held.reset();
    // Where the sink's owner puts it: at the end of the file.
    m_previous = nullptr;
    m_previousIsLast = true;
}

LogFileEntry *LogReader::previous() const
{
    if (m_previous || !m_previousIsLast || m_file.m_entries.isEmpty())
        return m_previous;
    return &m_file.m_entries.last();
}

void LogReader::resume(const QByteArray &fileStart, qint64 lineNumber, qint64 fileLine)
{
    m_head.clear();
    m_codec = QTextCodec::codecForUtfText(fileStart, QTextCodec::codecForLocale());
    m_splitBytes = m_codec->mibEnum() == 106;
    // The byte order mark, if any, was at the start of the file.
    m_atStart = false;
    if (!m_splitBytes)
        m_decoder = std::make_unique<QTextDecoder>(m_codec, QTextCodec::IgnoreHeader);
    m_previous = nullptr;
    m_previousIsLast = true;
    m_lineNumber = std::max<qint64>(lineNumber, 1);
    m_emptyLines = std::max<qint64>(fileLine - m_lineNumber, 0);
    m_feeds.start(LineFeedScan::lineFeedOf(fileStart), m_feeds.end());
}

void LogReader::setByteOffset(qint64 offset)
{
    m_feeds.start(m_feeds.lineFeed(), offset);
    m_lineBegin = m_lineEnd = offset;
}

void LogReader::takeLineBytes()
{
    m_lineBegin = m_lineEnd;
    m_lineEnd = std::max(m_feeds.take(), m_lineBegin);
}

void LogReader::setEntrySink(EntrySink sink)
{
    m_sink = std::move(sink);
}

void LogReader::addLines(const char *data, qint64 size)
{
    m_feeds.scan(data, size);
    if (!m_splitBytes) {
        // Blocks are never larger than an int can count.
        for (qint64 done = 0; done < size;) {
            const int piece = int(std::min<qint64>(size - done, blockSize));
            takeLines(m_decoder->toUnicode(data + done, piece));
            done += piece;
        }
        return;
    }
    const char *end = data + size;
    if (m_longLine || !m_carry.isEmpty()) {
        // First the rest of the line begun before.
        const char *feed = static_cast<const char *>(memchr(data, '\n', size_t(size)));
        const char *lineEnd = feed ? feed : end;
        if (m_longLine) {
            addToLongLine(data, lineEnd - data);
            if (!feed)
                return; // the line goes on in the next block
        } else if (!feed) {
            carry(data, end - data);
            return;
        } else {
            m_carry.append(data, int(lineEnd - data));
        }
        if (m_longLine) {
            m_longLine = false;
            m_decoder.reset();
            completeLine();
        } else {
            m_carry.append('\n');
            decodeLines(m_carry.constData(), m_carry.size());
            m_carry.clear();
        }
        data = feed + 1;
    }
    if (data >= end)
        return;
    // Whole lines are decoded together; the rest waits for its line feed.
    const char *lastFeed = static_cast<const char *>(memrchr(data, '\n', size_t(end - data)));
    if (lastFeed) {
        for (const char *piece = data; piece <= lastFeed;) {
            // Decoded in small pieces of whole lines: the text of a piece
            // is allocated and freed again and again in the same place,
            // where one text per block would leave big holes among the
            // entries that other threads allocate meanwhile.
            const char *pieceEnd = lastFeed;
            if (pieceEnd - piece >= decodePiece) {
                pieceEnd = static_cast<const char *>(memrchr(piece, '\n', size_t(decodePiece)));
                if (!pieceEnd) {
                    pieceEnd = static_cast<const char *>(memchr(piece + decodePiece, '\n', size_t(lastFeed - piece - decodePiece + 1)));
                    if (!pieceEnd)
                        pieceEnd = lastFeed;
                }
            }
            decodeLines(piece, int(pieceEnd - piece + 1));
            // All bytes read, but for those after this piece.
            if (m_progress)
                m_progress->store(bytesRead() - (end - pieceEnd - 1), std::memory_order_relaxed);
            piece = pieceEnd + 1;
        }
        data = lastFeed + 1;
    }
    if (data < end)
        carry(data, end - data);
}

void LogReader::carry(const char *data, qint64 size)
{
    if (m_carry.size() + size <= longLineBytes) {
        m_carry.append(data, int(size));
        return;
    }
    // Too long to keep as bytes: decoded from here on, as far as it is kept.
    m_longLine = true;
    m_decoder = std::make_unique<QTextDecoder>(m_codec, m_atStart ? QTextCodec::DefaultConversion
                                                                  : QTextCodec::IgnoreHeader);
    m_atStart = false;
    const QByteArray carried = std::move(m_carry);
    m_carry.clear();
    addToLongLine(carried.constData(), carried.size());
    addToLongLine(data, size);
}

void LogReader::addToLongLine(const char *data, qint64 size)
{
    // Once the line is cut, the rest of it is only skipped.
    if (m_pendingCut || size <= 0)
        return;
    for (qint64 done = 0; done < size && !m_pendingCut;) {
        const int piece = int(std::min<qint64>(size - done, blockSize));
        appendPending(m_decoder->toUnicode(data + done, piece));
        done += piece;
    }
}

void LogReader::decodeLines(const char *data, int size)
{
    // Every piece ends with a line feed, so no character is split between
    // pieces and each decodes on its own.
    QTextCodec::ConverterState state(m_atStart ? QTextCodec::DefaultConversion : QTextCodec::IgnoreHeader);
    m_atStart = false;
    const QString text = m_codec->toUnicode(data, size, &state);
    const QChar *chars = text.constData();
    const int length = text.size();
    int start = 0;
    while (start < length) {
        int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = length;
        // Lines end at a line feed, after an optional carriage return.
        int lineEnd = end;
        if (lineEnd > start && chars[lineEnd - 1] == QLatin1Char('\r'))
            --lineEnd;
        takeLineBytes();
        // Empty lines are neither read nor counted.
        if (lineEnd > start) {
            QStringView line(chars + start, lineEnd - start);
            if (line.size() > m_maxLineLength) {
                m_pendingCut = true;
                line = leftOf(line, m_maxLineLength);
            }
            handleLine(line);
            m_pendingCut = false;
        } else {
            ++m_emptyLines;
        }
        start = end + 1;
    }
}

void LogReader::takeLines(const QString &text)
{
    const QStringView view(text);
    int start = 0;
    for (;;) {
        const int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) {
            appendPending(view.mid(start));
            return;
        }
        appendPending(view.mid(start, end - start));
        completeLine();
        start = end + 1;
    }
}

void LogReader::appendPending(QStringView text)
{
    if (text.isEmpty())
        return;
    const int room = m_maxLineLength - m_pending.size();
    if (text.size() <= room) {
        m_pending.append(text);
        return;
    }
    if (!m_pendingCut)
        m_pending.append(leftOf(text, room));
    m_pendingCut = true;
}

void LogReader::completeLine()
{
    if (!m_pendingCut && m_pending.endsWith(QLatin1Char('\r')))
        m_pending.chop(1);
    const QString line = std::move(m_pending);
    m_pending.clear();
    takeLineBytes();
    // Empty lines are neither read nor counted.
    if (!line.isEmpty())
        handleLine(line);
    else
        ++m_emptyLines;
    m_pendingCut = false;
}

void LogReader::handleLine(QStringView line)
{
    if (m_pendingCut) {
        report(QStringLiteral("line ") + QString::number(m_lineNumber) + QStringLiteral(" is longer than ")
               + QString::number(m_maxLineLength) + QStringLiteral(" characters: only its start is read"));
    }
    if (line.at(0).isSpace())
        handleContinuation(line);
    else
        handleRecord(line);
    ++m_lineNumber;
}

void LogReader::handleRecord(QStringView line)
{
    RecordLineMatch match;
    if (!matchRecordLine(line.data(), int(line.size()), match)) {
        report(m_file.keepsMoreMessages() ? quotedLineMessage(m_lineNumber, "ignored", line) : QString());
        return;
    }
    const double time = recordTime(line.data() + match.timeBegin, match.timeEnd - match.timeBegin);
    if (!std::isfinite(time)) {
        // Hundreds of digits read as infinity, which no view, filter or
        // export can hold: the line is unusable like one that does not match.
        report(m_file.keepsMoreMessages()
                   ? timeRangeMessage(m_lineNumber, line.mid(match.timeBegin, match.timeEnd - match.timeBegin))
                   : QString());
        return;
    }
    const QString &subsystem = m_subsystems->intern(line.mid(match.subsystemBegin, match.subsystemEnd - match.subsystemBegin));
    LogFileEntry entry(time, match.type, subsystem);
    entry.appendMessage(line.mid(match.messageBegin), &m_file.m_messageStore);
    m_previousIsLast = false;
    if (m_sink) {
        if (m_held)
            m_sink(std::move(*m_held), m_heldLine);
        m_held = std::move(entry);
        m_heldLine = EntryLines(m_lineNumber, fileLine());
        m_heldLine.textBegin = m_lineBegin;
        m_heldLine.textEnd = m_lineEnd;
        m_previous = &*m_held;
        return;
    }
    EntryLines lines(m_lineNumber, fileLine());
    lines.textBegin = m_lineBegin;
    lines.textEnd = m_lineEnd;
    m_previous = &m_file.appendEntry(std::move(entry), lines);
}

void LogReader::handleContinuation(QStringView line)
{
    ContinuationLineMatch match;
    if (!matchContinuationLine(line.data(), int(line.size()), match)) {
        report(m_file.keepsMoreMessages() ? quotedLineMessage(m_lineNumber, "ignored", line) : QString());
        return;
    }
    LogFileEntry *const previous = this->previous();
    if (!previous || line.mid(match.subsystemBegin, match.subsystemEnd - match.subsystemBegin) != QStringView(previous->subsystem())) {
        report(m_file.keepsMoreMessages() ? quotedLineMessage(m_lineNumber, "invalid continuatio line", line)
                                          : QString());
        return;
    }
    // The record's text now ends with this line.
    if (m_held && previous == &*m_held)
        m_heldLine.textEnd = m_lineEnd;
    else
        m_file.extendLastText(m_lineEnd);
    const QStringView text = line.mid(match.textBegin);
    const int room = m_maxLineLength - previous->messageLength();
    if (text.size() <= room) {
        previous->appendMessage(text, &m_file.m_messageStore);
        return;
    }
    previous->appendMessage(leftOf(text, room), &m_file.m_messageStore);
    report(QStringLiteral("line ") + QString::number(m_lineNumber)
           + QStringLiteral(" is cut: the message it continues reached ") + QString::number(m_maxLineLength)
           + QStringLiteral(" characters"));
}

void LogReader::report(const QString &message) const
{
    m_file.addProblem(m_lineNumber, message);
}
