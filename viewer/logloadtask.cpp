#include "logloadtask.h"

#include "handoff.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "logreader.h"
#include "viewerrows.h"

#include <QFile>
#include <QThreadPool>

#include <climits>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Phase { Reading, Building, Finished };

std::atomic<bool> quitting{false};

// The share of the progress that reading (and linking along with it) has, in
// thousandths; building the rows left over has the rest.
constexpr int readingShare = 850;
// What is left after building the rows: the viewer adding them to the view.
constexpr int showingShare = 50;

} // namespace

void LogLoadTask::setQuitting()
{
    quitting.store(true);
}

std::shared_ptr<LogLoadTask> LogLoadTask::start(const QString &path, int fd, int budget,
                                                std::shared_ptr<Handoff> handoff, Rows rows, Done done)
{
    std::shared_ptr<LogLoadTask> task(new LogLoadTask);
    task->path = path;
    task->budget = budget;
    task->handoff = std::move(handoff);
    task->rowsBuilt = std::move(rows);
    task->done = std::move(done);
    QThreadPool::globalInstance()->start([task, fd] { task->run(fd); });
    return task;
}

int LogLoadTask::progress() const
{
    const auto share = [](qint64 part, qint64 whole, int range) {
        return whole > 0 ? int(std::min<qint64>(part, whole) * range / whole) : range;
    };
    switch (phase.load()) {
    case Reading:
        return share(bytesRead.load(), totalBytes.load(), readingShare);
    case Building:
        return readingShare + share(rowsFinished.load(), entryCount.load(), 1000 - readingShare - showingShare);
    default:
        return 1000 - showingShare;
    }
}

QString LogLoadTask::stage() const
{
    switch (phase.load()) {
    case Reading:
        return QStringLiteral("Reading");
    default:
        return QStringLiteral("Building rows");
    }
}

namespace {

// Entries handed from the thread that reads to the thread that links them
// and builds their rows, a batch at a time.
class EntryQueue final
{
public:
    using Batch = std::vector<std::pair<std::shared_ptr<LogFileEntry>, qint64>>;

    void push(Batch &batch)
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
    bool pop(Batch &batch)
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
    std::deque<Batch> batches;
    bool closed = false;
};

constexpr size_t batchSize = 8192;
// Rows handed to the viewer at a time while the file is read.
constexpr int rowsPerPiece = 100000;

} // namespace

void LogLoadTask::run(int fd)
{
    QFile device;
    if (!device.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
    // Up to the size the file has now: lines a writer adds meanwhile are left
    // for a later read. Pseudo-files that claim no size are read to their end.
    const qint64 size = device.size();
    struct stat identity;
    if (::fstat(fd, &identity) == 0) {
        readSource.device = quint64(identity.st_dev);
        readSource.inode = quint64(identity.st_ino);
    }
    totalBytes.store(size);
    std::shared_ptr<LogFile> file = std::make_shared<LogFile>(path);
    std::shared_ptr<ViewerRows> rows = ViewerRows::start();

    // One thread reads; this one links the entries and builds their rows as
    // they come. The reader adds its messages to the file; the messages of
    // linking are added after them, in the order a whole-file load has.
    EntryQueue queue;
    std::atomic<qint64> firstBlockEstimate{0};
    // The entries the file will likely give, as soon as the reader knows.
    const auto expected = [&] { return std::min<qint64>(firstBlockEstimate.load(), 200000000); };
    std::thread reading([&] {
        LogReader reader(*file);
        EntryQueue::Batch batch;
        batch.reserve(batchSize);
        reader.setEntrySink([&](std::shared_ptr<LogFileEntry> entry, qint64 line) {
            if (batch.empty())
                firstBlockEstimate.store(reader.expectedEntries());
            batch.emplace_back(std::move(entry), line);
            if (batch.size() >= batchSize) {
                queue.push(batch);
                batch.reserve(batchSize);
            }
        });
        reader.read(device, size > 0 ? size : -1, &cancelled, &bytesRead);
        readSource.bytes = reader.bytesRead();
        readSource.tail = reader.tail();
        if (!isCancelled())
            reader.finish();
        readSource.nextLine = reader.lineNumber();
        queue.push(batch);
        queue.close();
    });
    std::vector<LogFile::Problem> linkingProblems;
    EntryQueue::Batch batch;
    auto self = shared_from_this();
    bool reserved = false;
    while (queue.pop(batch)) {
        if (isCancelled())
            continue;
        if (!reserved) {
            // Room for the entries the whole file likely holds saves
            // growing the list step by step.
            reserved = true;
            file->reserveEntries(int(expected()));
        }
        file->appendEntries(batch);
        file->linkActions(&cancelled, nullptr, &linkingProblems);
        rows->addRows(*file);
        if (rows->rowsNotTaken() >= rowsPerPiece) {
            std::shared_ptr<RowPiece> piece = rows->takePiece();
            piece->expectedRows = int(expected());
            handoff->post([self, piece] {
                if (!self->isCancelled())
                    self->rowsBuilt(piece);
            });
        }
    }
    reading.join();
    device.close();
    file->addProblems(linkingProblems);

    if (!isCancelled()) {
        entryCount.store(file->entries().size());
        phase.store(Building);
        const int rowBudget = budget >= 0 ? budget : LogFileViewer::defaultSubActionBudget(file->entries().size());
        if (!rows->finish(*file, rowBudget, &cancelled, &rowsFinished))
            cancel();
    }
    phase.store(Finished);
    if (isCancelled()) {
        drop(file, rows);
        return;
    }
    if (!handoff->post([self, file, rows] {
            if (!self->isCancelled())
                self->done(file, rows);
        })) {
        drop(file, rows);
    }
}

void LogLoadTask::drop(std::shared_ptr<LogFile> &file, std::shared_ptr<ViewerRows> &rows)
{
    if (quitting.load()) {
#if !defined(__SANITIZE_ADDRESS__)
        // Left for the system to take back with the process.
        new std::shared_ptr<LogFile>(std::move(file));
        new std::shared_ptr<ViewerRows>(std::move(rows));
#endif
    }
    rows.reset();
    file.reset();
}
