// bench_memory [LINES]
//
// Where the memory of an open log goes: generates a robot log (default
// 1,000,000 lines), loads it, builds a LogFileViewer on it, and prints the
// heap in use after each step, per record. The heap figures are the C
// library's count of bytes handed out (chunk headers and rounding
// included), so they add up whatever the resident memory's page granularity.

#include "logfile.h"
#include "logfileviewer.h"
#include "benchsupport.h"
#include "robotloggenerator.h"

#include <QApplication>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>
#include <memory>

namespace {

// Bytes of the heap in use, large blocks that have pages of their own included.
double heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks) + double(info.hblkhd);
}

void report(const char *step, double bytes, qint64 records)
{
    std::printf("%-44s %8.1f MB %7.1f bytes per record\n", step, bytes / 1048576.0,
                records > 0 ? bytes / double(records) : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    RobotLogOptions options;
    options.lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const QString path = dir.filePath(QStringLiteral("robot.log"));
    RobotLogStats stats;
    QString error;
    if (!dir.isValid() || !writeRobotLog(path, options, &stats, &error)) {
        std::fprintf(stderr, "bench_memory: %s\n", qPrintable(error));
        return 1;
    }

    malloc_trim(0);
    const double start = heapBytes();
    QStringList errors;
    std::shared_ptr<LogFile> file = LogFile::load(path, errors);
    if (!file)
        return 1;
    const double loaded = heapBytes();
    const qint64 records = file->entries().size();
    qint64 characters = 0;
    for (const auto &entry : file->entries())
        characters += entry->message().size();
    const qint64 actions = qint64(file->actionList().size());

    auto viewer = std::make_unique<LogFileViewer>(file);
    const double shown = heapBytes();

    std::printf("lines=%lld records=%lld actions=%lld message characters per record=%.1f "
                "sizeof(LogFileEntry)=%d\n",
                static_cast<long long>(stats.lines), static_cast<long long>(records),
                static_cast<long long>(actions), records > 0 ? double(characters) / double(records) : 0.0,
                int(sizeof(LogFileEntry)));
    report("records and actions (LogFile::load)", loaded - start, records);
    report("rows of the viewer (LogFileViewer)", shown - loaded, records);
    report("both", shown - start, records);
    std::printf("peak resident memory %ld MB\n", statusMegabytes("VmHWM"));
    return 0;
}
