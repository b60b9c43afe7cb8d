#include "logloadtask.h"

#include "handoff.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "logreader.h"
#include "viewerrows.h"

#include <QFile>
#include <QThreadPool>

#include <unistd.h>

namespace {

enum Phase { Reading, Linking, Building, Finished };

std::atomic<bool> quitting{false};

// Each phase's share of the progress, in thousandths.
constexpr int readingShare = 700;
constexpr int linkingShare = 100;

} // namespace

void LogLoadTask::setQuitting()
{
    quitting.store(true);
}

std::shared_ptr<LogLoadTask> LogLoadTask::start(const QString &path, int fd, int budget,
                                                std::shared_ptr<Handoff> handoff, Done done)
{
    std::shared_ptr<LogLoadTask> task(new LogLoadTask);
    task->path = path;
    task->budget = budget;
    task->handoff = std::move(handoff);
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
    case Linking:
        return readingShare + share(entriesLinked.load(), entryCount.load(), linkingShare);
    case Building:
        return readingShare + linkingShare
            + share(rowsBuilt.load(), entryCount.load(), 1000 - readingShare - linkingShare);
    default:
        return 1000;
    }
}

QString LogLoadTask::stage() const
{
    switch (phase.load()) {
    case Reading:
        return QStringLiteral("Reading");
    case Linking:
        return QStringLiteral("Linking actions");
    default:
        return QStringLiteral("Building rows");
    }
}

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
    totalBytes.store(size);
    std::shared_ptr<LogFile> file = std::make_shared<LogFile>(path);
    std::shared_ptr<ViewerRows> rows;
    {
        LogReader reader(*file);
        reader.read(device, size > 0 ? size : -1, &cancelled, &bytesRead);
        if (!isCancelled())
            reader.finish();
    }
    device.close();
    if (!isCancelled()) {
        entryCount.store(file->entries().size());
        phase.store(Linking);
        file->linkActions(&cancelled, &entriesLinked);
    }
    if (!isCancelled()) {
        phase.store(Building);
        const int rowBudget = budget >= 0 ? budget : LogFileViewer::defaultSubActionBudget(file->entries().size());
        rows = ViewerRows::build(*file, rowBudget, &cancelled, &rowsBuilt);
    }
    phase.store(Finished);
    if (isCancelled()) {
        drop(file, rows);
        return;
    }
    auto self = shared_from_this();
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
