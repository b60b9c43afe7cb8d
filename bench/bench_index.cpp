// bench_index [FILES [LINES]]
//
// Indexing FILES generated robot logs (default 10) of LINES lines each
// (default 100,000) into a new store: the time it takes, and the size of
// the database against the logs' total size. Then the same files again,
// all unchanged and skipped, and once more with one of them rewritten,
// which replaces its rows.

#include "benchsupport.h"
#include "robotloggenerator.h"
#include "runstore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

qint64 sizeOf(const QString &path)
{
    return QFileInfo(path).size();
}

// Seconds of processor time this process has used, on all its threads.
double processorSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Seconds of processor time the calling thread has used: the store writes
// on the thread that calls it, and the thread that writes sets the pace.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Indexes `paths` into the store at `database`; the seconds it took, or
// -1 when a file failed. `processor` is the processor time it took on all
// threads, `writing` on the writing thread.
double indexAll(const QString &database, const QStringList &paths, int *indexed, double *processor = nullptr,
                double *writing = nullptr)
{
    QElapsedTimer clock;
    clock.start();
    const double processorStart = processorSeconds();
    const double writingStart = threadSeconds();
    RunStore store;
    QString error;
    if (!store.open(database, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return -1;
    }
    *indexed = 0;
    for (const RunStore::FileReport &report : store.index(paths)) {
        if (report.outcome == RunStore::FileReport::Failed) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(report.path), qPrintable(report.error));
            return -1;
        }
        *indexed += report.outcome == RunStore::FileReport::Indexed;
    }
    store.close();
    if (processor)
        *processor = processorSeconds() - processorStart;
    if (writing)
        *writing = threadSeconds() - writingStart;
    return clock.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? QByteArray(argv[1]).toInt() : 10;
    const qint64 lines = argc > 2 ? QByteArray(argv[2]).toLongLong() : 100000;
    QTemporaryDir dir;
    // BENCH_KEEP=1 leaves the logs and the database for a look with any SQL tool.
    dir.setAutoRemove(qEnvironmentVariableIntValue("BENCH_KEEP") == 0);
    if (!dir.autoRemove())
        std::printf("files kept in %s\n", qPrintable(dir.path()));
    QStringList paths;
    qint64 logBytes = 0;
    for (int i = 0; i < files; ++i) {
        const QString path = dir.filePath(QStringLiteral("robot%1.log").arg(i));
        RobotLogOptions options;
        options.lines = lines;
        options.variant = quint64(i + 1);
        QString error;
        if (!writeRobotLog(path, options, nullptr, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        paths << path;
        logBytes += sizeOf(path);
    }
    const QString database = dir.filePath(QStringLiteral("runs.sqlite"));
    int indexed = 0;
    double processor = 0;
    double writing = 0;
    const double first = indexAll(database, paths, &indexed, &processor, &writing);
    if (first < 0)
        return 1;
    const qint64 databaseBytes = sizeOf(database);
    std::printf("%d logs of %lld lines (%.1f MB) indexed in %.3fs (%d indexed), %ld MB peak memory\n", files,
                static_cast<long long>(lines), logBytes / 1e6, first, indexed, statusMegabytes("VmHWM"));
    std::printf("  processor time: %.3fs on all threads, %.3fs on the writing thread\n", processor, writing);
    std::printf("  database %.1f MB, %.2f times the logs' size\n", databaseBytes / 1e6,
                double(databaseBytes) / double(logBytes));

    const double again = indexAll(database, paths, &indexed);
    std::printf("  the same files again, unchanged: %.3fs (%d indexed)\n", again, indexed);

    RobotLogOptions options;
    options.lines = lines;
    options.variant = 1000;
    writeRobotLog(paths.front(), options, nullptr, nullptr);
    const double replaced = indexAll(database, paths, &indexed);
    std::printf("  one file rewritten, its rows replaced: %.3fs (%d indexed)\n", replaced, indexed);
    return again < 0 || replaced < 0 ? 1 : 0;
}
