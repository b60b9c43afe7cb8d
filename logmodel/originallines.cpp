#include "originallines.h"

#include "linefeedscan.h"
#include "localpath.h"

#include <QIODevice>
#include <QTextCodec>

#include <algorithm>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The most that readBytes() and readText() gather in memory.
constexpr qint64 maxGathered = qint64(512) * 1024 * 1024;
// Expanded text passed over at a time on the way to a record.
constexpr qint64 skipPiece = 1024 * 1024;

QString changedMessage(const QString &path, const char *why)
{
    return QStringLiteral("'%1' changed since it was read (%2): reload it to copy its original lines")
        .arg(displayPath(path), QLatin1String(why));
}

// Reads at most `size` bytes, as many as the device gives; false on an error.
bool readFully(QIODevice &device, char *to, qint64 size, qint64 &got)
{
    got = 0;
    while (got < size) {
        const qint64 now = device.read(to + got, size - got);
        if (now < 0)
            return false;
        if (now == 0)
            break;
        got += now;
    }
    return true;
}

// One source file, opened when its first record is read, then read
// forward: the records of one file come in the order of their places.
class SourceReader final
{
public:
    explicit SourceReader(const OriginalLines::SourceFile &file)
        : file(file)
    {
    }
    Q_DISABLE_COPY_MOVE(SourceReader)

    QString open();
    // The bytes of a record at `begin`, `length` bytes long.
    QString readRecord(qint64 begin, qint64 length, QByteArray &bytes, const std::atomic<bool> *cancelled);
    const QByteArray &lineFeed() const { return feed; }
    QByteArray byteOrderMark() const { return markBytes; }
    QTextCodec *codec() const { return textCodec; }

private:
    QString skipTo(qint64 offset, const std::atomic<bool> *cancelled);
    // Bytes of a plain file from `offset`, through a window of the file
    // read ahead: records mostly follow one another.
    bool fetch(qint64 offset, char *to, qint64 size, qint64 &got);

    const OriginalLines::SourceFile &file;
    std::unique_ptr<LogInput> input;
    QByteArray feed;
    int mark = 0;
    QByteArray markBytes;
    qint64 sizeNow = 0;
    qint64 position = 0;
    QTextCodec *textCodec = nullptr;
    QByteArray window;
    qint64 windowStart = 0;
    // The last bytes of compressed text read, which hold the line feed
    // before a record that follows at once.
    QByteArray recent;
};

QString SourceReader::open()
{
    QString error;
    const int fd = openLogFileDescriptor(file.path, error);
    if (fd < 0)
        return QStringLiteral("cannot read the original lines: ") + error;
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return QStringLiteral("cannot read the original lines of '%1'").arg(displayPath(file.path));
    }
    const LogFile::Identity &kept = file.identity;
    const bool replaced = kept.known && (quint64(info.st_dev) != kept.device || quint64(info.st_ino) != kept.inode);
    if (replaced || compressionOfFile(fd) != file.compression) {
        ::close(fd);
        return changedMessage(file.path, "another file took its name");
    }
    const bool compressed = file.compression != LogCompression::None;
    if (kept.known && (compressed ? qint64(info.st_size) != kept.storedSize : qint64(info.st_size) < kept.storedSize)) {
        ::close(fd);
        return changedMessage(file.path, compressed ? "its size changed" : "it is shorter now");
    }
    sizeNow = qint64(info.st_size);
    input = LogInput::openFileDescriptor(fd, file.path, error);
    if (!input)
        return QStringLiteral("cannot read the original lines: ") + error;
    // The encoding, as the reader judged it: by the first bytes of the text.
    QByteArray head(4, Qt::Uninitialized);
    qint64 got = 0;
    if (!readFully(input->device(), head.data(), head.size(), got))
        return changedMessage(file.path, "it cannot be read any more");
    head.truncate(int(got));
    position = got;
    feed = LineFeedScan::lineFeedOf(head, &mark);
    markBytes = head.left(mark);
    textCodec = QTextCodec::codecForUtfText(head, QTextCodec::codecForLocale());
    if (compressed) {
        // Expanded again from the start, where the records are counted from.
        sizeNow = -1;
        position = 0;
        const int again = openLogFileDescriptor(file.path, error);
        input = again < 0 ? nullptr : LogInput::openFileDescriptor(again, file.path, error);
        if (!input)
            return QStringLiteral("cannot read the original lines: ") + error;
    }
    return QString();
}

bool SourceReader::fetch(qint64 offset, char *to, qint64 size, qint64 &got)
{
    got = 0;
    QIODevice &device = input->device();
    if (size > skipPiece) {
        return device.seek(offset) && readFully(device, to, size, got);
    }
    if (offset < windowStart || offset + size > windowStart + window.size()) {
        window.resize(int(skipPiece));
        qint64 filled = 0;
        if (!device.seek(offset) || !readFully(device, window.data(), window.size(), filled)) {
            window.clear();
            return false;
        }
        window.truncate(int(filled));
        windowStart = offset;
    }
    got = std::clamp<qint64>(windowStart + window.size() - offset, 0, size);
    std::copy_n(window.constData() + (offset - windowStart), got, to);
    return true;
}

QString SourceReader::skipTo(qint64 offset, const std::atomic<bool> *cancelled)
{
    QIODevice &device = input->device();
    if (!input->isCompressed()) {
        position = offset;
        return QString();
    }
    if (position < offset)
        window.resize(int(skipPiece));
    QByteArray &passed = window;
    while (position < offset) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return QStringLiteral("cancelled");
        qint64 got = 0;
        if (!readFully(device, passed.data(), std::min(skipPiece, offset - position), got) || got == 0)
            return changedMessage(file.path, "its text ends before its records");
        position += got;
        recent = (recent + passed.left(int(got))).right(4);
    }
    return QString();
}

QString SourceReader::readRecord(qint64 begin, qint64 length, QByteArray &bytes,
                                 const std::atomic<bool> *cancelled)
{
    if (!input) {
        const QString error = open();
        if (!error.isEmpty())
            return error;
    }
    if (begin < mark)
        return changedMessage(file.path, "its records are not where they were");
    // The line feed before the record is read too: where it is no longer,
    // other bytes are where the records were.
    const qint64 from = begin > mark ? std::max<qint64>(begin - feed.size(), mark) : begin;
    const qint64 total = begin - from + length;
    QByteArray read(int(total), Qt::Uninitialized);
    qint64 got = 0;
    bool fetched = false;
    if (input->isCompressed()) {
        // Bytes passed already come from those kept.
        if (begin < position || position - from > recent.size())
            return changedMessage(file.path, "its records are out of order");
        const qint64 kept = std::max<qint64>(position - from, 0);
        std::copy_n(recent.constData() + recent.size() - kept, kept, read.data());
        const QString skipped = skipTo(from + kept, cancelled);
        if (!skipped.isEmpty())
            return skipped;
        fetched = readFully(input->device(), read.data() + kept, total - kept, got);
        position += got;
        got += kept;
        recent = (recent + read.mid(int(kept), int(got - kept))).right(4);
    } else {
        fetched = fetch(from, read.data(), total, got);
    }
    if (!fetched)
        return changedMessage(file.path, "it cannot be read any more");
    if (got < total)
        return changedMessage(file.path, "it is shorter now");
    if (from < begin && !read.startsWith(feed))
        return changedMessage(file.path, "other bytes are where its records were");
    bytes = read.mid(int(begin - from));
    // A record ends with its line feed, but for a last line the reader took
    // without one, which must still end the file.
    if (length > 0 && !bytes.endsWith(feed) && sizeNow >= 0 && begin + length != sizeNow)
        return changedMessage(file.path, "other bytes are where its records were");
    return QString();
}

using TextSink = std::function<bool(const QByteArray &bytes, QTextCodec *codec, QString *error)>;

QString readAll(const OriginalLines::Request &request, const TextSink &sink, const std::atomic<bool> *cancelled,
                bool withMark = false)
{
    std::vector<std::unique_ptr<SourceReader>> readers(request.sources.size());
    QByteArray bytes;
    for (size_t index = 0; index < request.places.size(); ++index) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return QStringLiteral("cancelled");
        const OriginalLines::Place &place = request.places[index];
        if (place.source < 0 || size_t(place.source) >= readers.size() || place.begin < 0)
            return QStringLiteral("a record was not read from a file: it has no original lines");
        if (place.length >= LogFile::maxTextLength || place.length > (qint64(1) << 30))
            return QStringLiteral("a record is too long to copy its original lines");
        auto &reader = readers[size_t(place.source)];
        if (!reader)
            reader = std::make_unique<SourceReader>(request.sources[size_t(place.source)]);
        const QString error = reader->readRecord(place.begin, place.length, bytes, cancelled);
        if (!error.isEmpty())
            return error;
        if (!bytes.endsWith(reader->lineFeed()) && index + 1 < request.places.size())
            bytes += reader->lineFeed();
        if (index == 0 && withMark)
            bytes.prepend(reader->byteOrderMark());
        QString refused;
        if (!sink(bytes, reader->codec(), &refused))
            return refused.isEmpty() ? QStringLiteral("the original lines could not be written") : refused;
    }
    return QString();
}

QString tooMuch(qint64 bytes)
{
    return QStringLiteral("the original lines of the records are too long to copy (%1 MB, at most %2 MB)")
        .arg(bytes / (1024 * 1024))
        .arg(maxGathered / (1024 * 1024));
}

} // namespace

OriginalLines::Request OriginalLines::request(const LogFile &file, std::vector<int> entries)
{
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    Request request;
    const size_t sources = std::max<size_t>(file.sources().size(), 1);
    for (size_t source = 0; source < sources; ++source) {
        const LogFile *from = file.sourceFile(int(source));
        if (from)
            request.sources.push_back({from->path(), from->identity(), from->compression()});
        else
            request.sources.push_back({file.path(), LogFile::Identity(), file.compression()});
    }
    const int count = file.entries().size();
    request.places.reserve(entries.size());
    for (const int number : entries) {
        if (number < 0 || number >= count)
            continue;
        const LogFile::TextRange text = file.textOf(number);
        request.places.push_back({file.entries().at(number)->source(), text.begin, text.length});
        request.bytes += text.length;
    }
    return request;
}

QString OriginalLines::read(const Request &request, const Sink &sink, const std::atomic<bool> *cancelled,
                            bool withMark)
{
    return readAll(
        request, [&sink](const QByteArray &bytes, QTextCodec *, QString *error) { return sink(bytes, error); },
        cancelled, withMark);
}

OriginalLines::Result OriginalLines::readBytes(const Request &request, const std::atomic<bool> *cancelled)
{
    return gather(request, cancelled, false);
}

OriginalLines::Result OriginalLines::readText(const Request &request, const std::atomic<bool> *cancelled)
{
    return gather(request, cancelled, true);
}

OriginalLines::Result OriginalLines::gather(const Request &request, const std::atomic<bool> *cancelled, bool decoded)
{
    Result result;
    if (request.bytes > maxGathered) {
        result.error = tooMuch(request.bytes);
        return result;
    }
    if (!decoded)
        result.bytes.reserve(int(request.bytes + qint64(request.places.size()) * 4));
    result.error = readAll(
        request,
        [&result, decoded](const QByteArray &bytes, QTextCodec *codec, QString *) {
            if (decoded) {
                // Whole lines after the byte order mark: each record
                // decodes on its own.
                QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
                result.text += codec->toUnicode(bytes.constData(), bytes.size(), &state);
            } else {
                result.bytes += bytes;
            }
            ++result.records;
            return true;
        },
        cancelled);
    if (!result.error.isEmpty())
        result = Result{QByteArray(), QString(), 0, result.error};
    return result;
}

LogFile::Identity OriginalLines::identityOf(int fd)
{
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0)
        return {};
    return {true, quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size)};
}

LogFile::Identity OriginalLines::identityOf(const QString &path)
{
    struct stat info;
    if (::stat(encodeLocalPath(path).constData(), &info) != 0)
        return {};
    return {true, quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size)};
}
