#include "logreader.h"

#include "logfile.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QTextCodec>

#include <vector>

namespace {

// Compiled once and shared by every file that is read.
const QRegularExpression recordPattern(
    QStringLiteral("([0-9]+\\.[0-9]+) *: *(Info|Debug|Warning|Error) *: *([a-zA-Z0-9]+) *: *(.*)"));
const QRegularExpression continuationPattern(QStringLiteral(" *([a-zA-Z0-9]+) *: *(.*)"));

EntryType entryTypeFor(QStringView levelWord)
{
    const QString lower = levelWord.toString().toLower();
    if (lower == QLatin1String("debug"))
        return Debug;
    if (lower == QLatin1String("info"))
        return Info;
    if (lower == QLatin1String("warning"))
        return Warning;
    if (lower == QLatin1String("error"))
        return Error;
    return Unknown;
}

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
QString quotedLineMessage(qint64 lineNumber, const char *what, const QString &line)
{
    const QString head = QStringLiteral("line ") + QString::number(lineNumber) + QLatin1Char(' ')
        + QLatin1String(what) + QStringLiteral(" - '");
    return LogFile::cutMessage(head + leftOf(line, LogFile::maxMessageLength + 1).toString() + QLatin1Char('\''));
}

} // namespace

LogReader::LogReader(LogFile &file, int maxLineLength)
    : m_file(file)
    , m_maxLineLength(std::max(maxLineLength, 1))
{
}

LogReader::~LogReader() = default;

bool LogReader::read(QIODevice &device, qint64 limit)
{
    std::vector<char> buffer(static_cast<size_t>(blockSize));
    qint64 done = 0;
    for (;;) {
        qint64 wanted = blockSize;
        if (limit >= 0)
            wanted = std::min(wanted, limit - done);
        if (wanted <= 0)
            return true;
        const qint64 got = device.read(buffer.data(), wanted);
        if (got < 0) {
            // The lines read so far stay; the line being read is incomplete.
            m_pending.clear();
            m_pendingCut = false;
            m_file.addProblem(0, LogFile::cutMessage(QStringLiteral("read error after line ")
                                                     + QString::number(m_lineNumber - 1) + QStringLiteral(": ")
                                                     + device.errorString()));
            return false;
        }
        if (got == 0)
            return true;
        done += got;
        addData(buffer.data(), got);
    }
}

void LogReader::addData(const char *data, qint64 size)
{
    if (size <= 0)
        return;
    m_bytesRead += size;
    if (!m_decoder) {
        // A byte order mark is recognised in the first four bytes.
        m_head.append(data, int(size));
        if (m_head.size() < 4)
            return;
        startDecoding();
        return;
    }
    takeLines(m_decoder->toUnicode(data, int(size)));
}

void LogReader::startDecoding()
{
    QTextCodec *codec = QTextCodec::codecForUtfText(m_head, QTextCodec::codecForLocale());
    m_decoder = std::make_unique<QTextDecoder>(codec);
    const QByteArray head = std::move(m_head);
    m_head.clear();
    takeLines(m_decoder->toUnicode(head.constData(), head.size()));
}

void LogReader::finish()
{
    if (!m_decoder && !m_head.isEmpty())
        startDecoding();
    // A last line without its line feed; a carriage return before the end of
    // the data is dropped as it would be before a line feed.
    if (!m_pending.isEmpty())
        completeLine();
}

void LogReader::completeLine()
{
    if (!m_pendingCut && m_pending.endsWith(QLatin1Char('\r')))
        m_pending.chop(1);
    const QString line = std::move(m_pending);
    m_pending.clear();
    // Empty lines are neither read nor counted.
    if (!line.isEmpty())
        handleLine(line);
    m_pendingCut = false;
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

void LogReader::handleLine(const QString &line)
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

void LogReader::handleRecord(const QString &line)
{
    const QRegularExpressionMatch match = recordPattern.match(line);
    if (!match.hasMatch()) {
        report(m_file.keepsMoreMessages() ? quotedLineMessage(m_lineNumber, "ignored", line) : QString());
        return;
    }
    const double time = match.capturedRef(1).toDouble();
    const EntryType type = entryTypeFor(match.capturedView(2));
    QString subsystem = match.captured(3);
    auto known = m_subsystems.constFind(subsystem);
    if (known == m_subsystems.constEnd())
        known = m_subsystems.insert(subsystem, subsystem);
    auto entry = std::make_shared<LogFileEntry>(time, type, known.value(), m_lineNumber);
    entry->appendMessage(match.captured(4));
    m_previous = entry.get();
    m_file.m_entries.append(std::move(entry));
}

void LogReader::handleContinuation(const QString &line)
{
    const QRegularExpressionMatch match = continuationPattern.match(line);
    if (!match.hasMatch()) {
        report(m_file.keepsMoreMessages() ? quotedLineMessage(m_lineNumber, "ignored", line) : QString());
        return;
    }
    if (!m_previous || match.capturedRef(1) != m_previous->subsystem()) {
        report(m_file.keepsMoreMessages() ? quotedLineMessage(m_lineNumber, "invalid continuatio line", line)
                                          : QString());
        return;
    }
    const QStringRef text = match.capturedRef(2);
    const int room = m_maxLineLength - m_previous->message().size();
    if (text.size() <= room) {
        m_previous->appendMessage(text.toString());
        return;
    }
    m_previous->appendMessage(leftOf(QStringView(text), room).toString());
    report(QStringLiteral("line ") + QString::number(m_lineNumber) + QStringLiteral(" is cut: the message it continues reached ")
           + QString::number(m_maxLineLength) + QStringLiteral(" characters"));
}

void LogReader::report(const QString &message) const
{
    m_file.addProblem(m_lineNumber, message);
}
