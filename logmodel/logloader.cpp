#include "logloader.h"

#include "logfileentry.h"
#include "loginput.h"
#include "logreader.h"
#include "originallines.h"

#include <QIODevice>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Entries handed from the thread that reads to the thread that links them,
// a batch at a time.
class EntryQueue final
{
public:
    void push(LogFile::Batch &batch)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            batches.push_back(std::move(batch));
        }
        batch.clear();
        ready.notify_one();
    }

    void close()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            closed = true;
        }
        ready.notify_one();
    }

    // The next batch; false once the queue is closed and empty.
    bool pop(LogFile::Batch &batch)
    {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [this] { return closed || !batches.empty(); });
        if (batches.empty())
            return false;
        batch = std::move(batches.front());
        batches.pop_front();
        return true;
    }

private:
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<LogFile::Batch> batches;
    bool closed = false;
};

constexpr size_t batchSize = 8192;
// A guess of the entries beyond this is taken for a mistake.
constexpr qint64 maxExpectedEntries = 200000000;

// The last bytes of the file before `offset`.
QByteArray tailBefore(QIODevice &device, qint64 offset)
{
    const qint64 from = std::max<qint64>(0, offset - LogReader::tailBytes);
    if (!device.seek(from))
        return QByteArray();
    return device.read(offset - from);
}

} // namespace

std::shared_ptr<LogLoader> LogLoader::start(const QString &path, int fd, BackgroundWork &work, Client client,
                                            bool leavePartial)
{
    std::shared_ptr<LogLoader> loader(new LogLoader);
    loader->leavePartial.store(leavePartial);
    loader->path = path;
    loader->client = std::move(client);
    loader->token = work.track();
    work.runWith(
        loader->token, [loader, fd](const CancelToken &) { return loader->run(fd); },
        [loader](std::shared_ptr<LogFile> file) {
            if (file && loader->client.done)
                loader->client.done(std::move(file));
            else if (!file && loader->client.failed)
                loader->client.failed();
        });
    return loader;
}

qint64 LogLoader::expectedEntries() const
{
    return std::min<qint64>(firstBlockEstimate.load(std::memory_order_relaxed), maxExpectedEntries);
}

std::shared_ptr<LogFile> LogLoader::run(int fd)
{
    struct stat identity;
    if (::fstat(fd, &identity) == 0) {
        readSource.device = quint64(identity.st_dev);
        readSource.inode = quint64(identity.st_ino);
    }
    QString error;
    std::unique_ptr<LogInput> input = LogInput::openFileDescriptor(fd, path, error);
    if (!input)
        return nullptr;
    auto file = std::make_shared<LogFile>(path);
    file->setIdentity(OriginalLines::identityOf(fd));
    readAndLink(*input, file);
    file->setStorage(input->compression(), input->textBytesRead());
    input.reset();
    readDone.store(true, std::memory_order_release);
    if (!isCancelled() && client.finish && !client.finish(*file, token))
        token.cancel();
    if (!isCancelled())
        return file;
    if (client.dropped)
        client.dropped(token.isAbandoned());
    if (token.isAbandoned())
        leaveToSystem(file);
    return nullptr;
}

void LogLoader::readAndLink(LogInput &input, const std::shared_ptr<LogFile> &file)
{
    // Up to the size a plain file has now: lines a writer adds meanwhile are
    // left for a later read. Pseudo-files that claim no size, and compressed
    // files, are read to their end. Progress goes by the stored bytes: for
    // compressed data, the compressed bytes taken.
    QIODevice &device = input.device();
    const qint64 limit = input.readLimit();
    totalBytes.store(std::max<qint64>(input.storedSize(), 0));
    // Compressed data is never followed: its last line is read as it is.
    const bool followable = !input.isCompressed();
    std::atomic<qint64> *readProgress = &readBytes;
    if (!followable) {
        input.followProgress(&readBytes);
        readProgress = nullptr;
    }
    // One thread reads; this one links the entries as they come. The reader
    // adds its messages to the file; the messages of linking wait until it
    // is done, so that they come in the order a whole-file load has.
    EntryQueue queue;
    std::thread reading([&] {
        LogReader reader(*file);
        LogFile::Batch batch;
        batch.reserve(batchSize);
        reader.setEntrySink([&](LogFileEntry &&entry, EntryLines line) {
            if (batch.empty())
                firstBlockEstimate.store(reader.expectedEntries(), std::memory_order_relaxed);
            batch.emplace_back(std::move(entry), line);
            if (batch.size() >= batchSize) {
                queue.push(batch);
                batch.reserve(batchSize);
            }
        });
        reader.read(device, limit, token.flag(), readProgress);
        readSource.bytes = reader.bytesRead();
        readSource.tail = reader.tail();
        if (isCancelled()) {
        } else if (followable && leavePartial.load(std::memory_order_relaxed) && reader.canLeavePartialLine()) {
            // Read again by the follower from its start, once it has its
            // line end; the last record waits there for continuation lines.
            reader.flushHeld();
            readSource.bytes = reader.bytesToLineEnd();
            readSource.tail = tailBefore(device, readSource.bytes);
        } else {
            reader.finish();
        }
        readSource.nextLine = reader.lineNumber();
        readSource.nextFileLine = reader.fileLine();
        queue.push(batch);
        queue.close();
    });
    LogFile::Batch batch;
    bool reserved = false;
    while (queue.pop(batch)) {
        if (isCancelled())
            continue;
        LogFile::Appender appender(*file);
        appender.holdLinkProblems(true);
        if (!reserved) {
            // Room for the entries the whole file likely holds saves
            // growing the list step by step.
            reserved = true;
            appender.reserve(int(expectedEntries()));
        }
        const int first = appender.append(batch, token.flag());
        if (client.linked)
            client.linked(*this, appender, first, appender.count());
    }
    reading.join();
    LogFile::Appender appender(*file);
    appender.holdLinkProblems(false);
}
