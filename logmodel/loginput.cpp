#include "loginput.h"

#include "localpath.h"

#include <KCompressionDevice>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

// Passes the stored bytes on and counts them, for the progress of a load.
class StoredBytes final : public QIODevice
{
public:
    explicit StoredBytes(QIODevice &source)
        : source(source)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    Q_DISABLE_COPY_MOVE(StoredBytes)

    bool isSequential() const override { return source.isSequential(); }
    qint64 size() const override { return source.size(); }
    bool seek(qint64 pos) override { return QIODevice::seek(pos) && source.seek(pos); }
    // A pipe is at its end only when nothing more comes: the library asks
    // this where one compressed stream ends and another may follow.
    bool atEnd() const override
    {
        if (!source.isSequential())
            return QIODevice::atEnd();
        char next;
        return source.peek(&next, 1) <= 0;
    }
    qint64 count() const { return counted.load(std::memory_order_relaxed); }
    void followIn(std::atomic<qint64> *to) { progress = to; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 got = source.read(data, maxSize);
        if (got < 0) {
            setErrorString(source.errorString());
            return got;
        }
        const qint64 total = counted.fetch_add(got, std::memory_order_relaxed) + got;
        if (progress)
            progress->store(total, std::memory_order_relaxed);
        return got;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice &source;
    std::atomic<qint64> counted{0};
    std::atomic<qint64> *progress = nullptr;
};

namespace {

KCompressionDevice::CompressionType libraryType(LogCompression compression)
{
    switch (compression) {
    case LogCompression::Gzip:
        return KCompressionDevice::GZip;
    case LogCompression::Bzip2:
        return KCompressionDevice::BZip2;
    case LogCompression::Xz:
        return KCompressionDevice::Xz;
    case LogCompression::Zstd:
        return KCompressionDevice::Zstd;
    case LogCompression::None:
        break;
    }
    return KCompressionDevice::None;
}

constexpr int headBytes = 6;

} // namespace

// The expanded text of compressed data. The library takes some damaged or
// cut-short streams for a normal end: a read that gives nothing before the
// stream's own end (the gzip trailer checked, the xz or zstd frame closed)
// fails instead.
class CompressedLogDevice final : public QIODevice
{
public:
    CompressedLogDevice(std::unique_ptr<QIODevice> source, LogCompression compression, const QString &name,
                        qint64 storedSize)
        : name(name)
        , storedSize(storedSize)
        , source(std::move(source))
        , stored(*this->source)
        , inflater(&stored, false, libraryType(compression))
    {
    }
    Q_DISABLE_COPY_MOVE(CompressedLogDevice)

    bool start() { return inflater.open(QIODevice::ReadOnly) && open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    bool isDamaged() const { return damaged.load(std::memory_order_relaxed); }
    qint64 textBytes() const { return expanded.load(std::memory_order_relaxed); }
    qint64 storedBytes() const { return stored.count(); }
    void followIn(std::atomic<qint64> *progress) { stored.followIn(progress); }

    const QString name;
    const qint64 storedSize;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (isDamaged())
            return -1;
        if (ended || maxSize <= 0)
            return 0;
        const qint64 got = inflater.read(data, maxSize);
        if (got > 0) {
            expanded.fetch_add(got, std::memory_order_relaxed);
            return got;
        }
        if (got == 0 && inflater.atEnd()) {
            ended = true;
            return 0;
        }
        damaged.store(true, std::memory_order_relaxed);
        setErrorString(QStringLiteral("compressed data is damaged"));
        return -1;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::unique_ptr<QIODevice> source;
    StoredBytes stored;
    KCompressionDevice inflater;
    std::atomic<qint64> expanded{0};
    std::atomic<bool> damaged{false};
    bool ended = false;
};

QString compressionName(LogCompression compression)
{
    switch (compression) {
    case LogCompression::Gzip:
        return QStringLiteral("gzip");
    case LogCompression::Bzip2:
        return QStringLiteral("bzip2");
    case LogCompression::Xz:
        return QStringLiteral("xz");
    case LogCompression::Zstd:
        return QStringLiteral("zstd");
    case LogCompression::None:
        break;
    }
    return QString();
}

LogCompression compressionOfHead(const QByteArray &head)
{
    static const struct
    {
        const char *magic;
        int length;
        LogCompression compression;
    } formats[] = {
        {"\x1F\x8B", 2, LogCompression::Gzip},
        {"BZh", 3, LogCompression::Bzip2},
        {"\xFD" "7zXZ\x00", 6, LogCompression::Xz},
        {"\x28\xB5\x2F\xFD", 4, LogCompression::Zstd},
    };
    for (const auto &format : formats) {
        if (head.startsWith(QByteArray::fromRawData(format.magic, format.length)))
            return format.compression;
    }
    return LogCompression::None;
}

LogCompression compressionOfFile(int fd)
{
    char head[headBytes];
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    return compressionOfHead(QByteArray::fromRawData(head, got > 0 ? int(got) : 0));
}

std::unique_ptr<LogInput> LogInput::openPath(const QString &path, QString &error)
{
    const int fd = openLogFileDescriptor(path, error);
    if (fd < 0)
        return nullptr;
    return openFileDescriptor(fd, path, error);
}

std::unique_ptr<LogInput> LogInput::openFileDescriptor(int fd, const QString &path, QString &error)
{
    struct stat info;
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    auto file = std::make_unique<QFile>();
    // A pipe's first bytes cannot be read at their place and left there: it
    // is read buffered, and they are looked at and given back.
    const QIODevice::OpenMode mode = regular ? QIODevice::ReadOnly | QIODevice::Unbuffered : QIODevice::ReadOnly;
    if (!file->open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = QStringLiteral("cannot open '") + displayPath(path) + QStringLiteral("' for reading");
        return nullptr;
    }
    if (!regular)
        return openDevice(std::move(file), QFileInfo(displayPath(path)).fileName(), error);
    std::unique_ptr<LogInput> input(new LogInput);
    input->kind = compressionOfFile(fd);
    input->stored = qint64(info.st_size);
    if (!input->start(std::move(file), QFileInfo(displayPath(path)).fileName(), error))
        return nullptr;
    return input;
}

std::unique_ptr<LogInput> LogInput::openDevice(std::unique_ptr<QIODevice> source, const QString &name,
                                               QString &error)
{
    std::unique_ptr<LogInput> input(new LogInput);
    // Looked at and given back, a pipe too.
    source->startTransaction();
    const QByteArray head = source->read(headBytes);
    source->rollbackTransaction();
    input->kind = compressionOfHead(head);
    if (!source->isSequential())
        input->stored = source->size();
    if (!input->start(std::move(source), name, error))
        return nullptr;
    return input;
}

bool LogInput::start(std::unique_ptr<QIODevice> source, const QString &name, QString &error)
{
    if (kind == LogCompression::None) {
        plain = std::move(source);
        text = plain.get();
        // A pipe has no position to tell how much was read.
        if (plain->isSequential()) {
            counted = std::make_unique<StoredBytes>(*plain);
            text = counted.get();
        }
        return true;
    }
    expanded = std::make_unique<CompressedLogDevice>(std::move(source), kind, name, stored);
    if (!expanded->start()) {
        error = QStringLiteral("cannot read the %1 data of '%2'").arg(compressionName(kind), name);
        return false;
    }
    text = expanded.get();
    return true;
}

LogInput::~LogInput() = default;

qint64 LogInput::storedBytesRead() const
{
    return expanded ? expanded->storedBytes() : textBytesRead();
}

qint64 LogInput::textBytesRead() const
{
    if (expanded)
        return expanded->textBytes();
    if (counted)
        return counted->count();
    // Read on the reading thread only, for a plain file.
    return plain->pos();
}

qint64 LogInput::readLimit() const
{
    return !expanded && stored > 0 ? stored : -1;
}

void LogInput::followProgress(std::atomic<qint64> *progress)
{
    if (expanded)
        expanded->followIn(progress);
}

bool LogInput::isDamaged() const
{
    return expanded && expanded->isDamaged();
}

qint64 LogInput::expectedTextSize(const QIODevice &device)
{
    const auto *compressed = dynamic_cast<const CompressedLogDevice *>(&device);
    if (!compressed || compressed->storedSize <= 0)
        return -1;
    const qint64 stored = compressed->storedBytes();
    const qint64 text = compressed->textBytes();
    if (stored <= 0 || text <= 0)
        return -1;
    const double ratio = std::min<double>(double(text) / double(stored), double(maxExpansion));
    return qint64(double(compressed->storedSize) * ratio);
}

QString LogInput::damageMessage(const QIODevice &device, qint64 lastLine)
{
    const auto *compressed = dynamic_cast<const CompressedLogDevice *>(&device);
    if (!compressed || !compressed->isDamaged())
        return QString();
    return compressed->name + QStringLiteral(": compressed data is damaged after line ") + QString::number(lastLine);
}
