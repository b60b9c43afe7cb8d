// bench_follow [SECONDS] [RATE] [QUIET_SECONDS] [START_LINES]
//
// Follows a growing log in the real window. A generated robot log of
// START_LINES lines (default 100,000) is opened, filtered with `type == "error" || activity ==
// "cancel"` and 2 context rows, and followed; a writer thread then appends
// RATE lines a second (default 1,000) for SECONDS (default 60), a piece
// every 10 ms, each piece ending inside a line. Printed: the longest time
// the event loop did not turn meanwhile (a 10 ms timer), how soon after the
// last write every line showed, and whether the tab is then the same as a
// fresh load of the final file (rows, action links, sub-action rows and
// hidden rows). Then the writer goes on at 100 lines a second for
// QUIET_SECONDS (default 20) and the CPU time the program spends on
// following is printed as a share of one core.

#include "benchsupport.h"
#include "heaptuning.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "robotaction.h"
#include "robotloggenerator.h"
#include "windowbench.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>

#include <cstdio>
#include <ctime>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Appends `lines` of `source` from line `first` on at `rate` lines a second,
// a piece every 10 ms; a piece stops half-way into its last line, whose rest
// goes with the next piece. Returns the CPU seconds the writer used.
double writeLines(const QString &path, const QList<QByteArray> &source, int first, int lines, int rate)
{
    const double start = threadCpuSeconds();
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND);
    if (fd < 0)
        return 0;
    QByteArray pending;
    QElapsedTimer clock;
    clock.start();
    int done = 0;
    for (int tick = 1; done < lines; ++tick) {
        const int due = std::min<qint64>(lines, qint64(rate) * tick / 100);
        for (; done < due; ++done)
            pending += source.at(first + done);
        const int keep = done < lines && !pending.isEmpty() ? int(pending.size() - pending.lastIndexOf('\n') - 1) / 2
                                                            : 0;
        const int send = pending.size() - keep;
        if (send > 0 && ::write(fd, pending.constData(), size_t(send)) != send)
            break;
        pending.remove(0, send);
        const qint64 wait = tick * 10 - clock.elapsed();
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
    if (!pending.isEmpty() && ::write(fd, pending.constData(), size_t(pending.size())) < 0)
        std::fprintf(stderr, "bench_follow: write failed\n");
    ::close(fd);
    return threadCpuSeconds() - start;
}

// The first difference between what two viewers show, or nothing.
QString difference(const LogFileViewer &followed, const LogFileViewer &fresh)
{
    const auto &a = followed.logFile()->entries();
    const auto &b = fresh.logFile()->entries();
    if (a.size() != b.size())
        return QStringLiteral("%1 entries, fresh %2").arg(a.size()).arg(b.size());
    for (int row = 0; row < a.size(); ++row) {
        const LogFileEntry &x = *a.at(row);
        const LogFileEntry &y = *b.at(row);
        if (x.time() != y.time() || x.type() != y.type() || x.subsystem() != y.subsystem()
            || x.message() != y.message() || x.activity() != y.activity()
            || (x.hasAction() ? x.action()->id() : -1) != (y.hasAction() ? y.action()->id() : -1))
            return QStringLiteral("record %1").arg(row);
        if (followed.findPartner(row, x.activity()) != fresh.findPartner(row, y.activity()))
            return QStringLiteral("partner of %1").arg(row);
        if (followed.topLevelItem(row)->childCount() != fresh.topLevelItem(row)->childCount())
            return QStringLiteral("sub-action rows of %1").arg(row);
    }
    if (followed.filteredOutRows() != fresh.filteredOutRows())
        return QStringLiteral("hidden rows");
    return QString();
}

} // namespace

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);
    WindowBenchApplication app(argv[0]);

    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    const int rate = argc > 2 ? std::max(1, atoi(argv[2])) : 1000;
    const int quietSeconds = argc > 3 ? std::max(0, atoi(argv[3])) : 20;
    const int startLines = argc > 4 ? std::max(1, atoi(argv[4])) : 100000;
    constexpr int quietRate = 100;
    const int fastLines = seconds * rate;
    const int quietLines = quietSeconds * quietRate;

    RobotLogOptions options;
    options.lines = startLines + fastLines + quietLines;
    const QString sourcePath = app.filePath(QStringLiteral("source.log"));
    QString error;
    if (!writeRobotLog(sourcePath, options, nullptr, &error)) {
        std::fprintf(stderr, "bench_follow: %s\n", qPrintable(error));
        return 1;
    }
    QFile sourceFile(sourcePath);
    if (!sourceFile.open(QIODevice::ReadOnly))
        return 1;
    QList<QByteArray> source;
    for (QByteArray line; !(line = sourceFile.readLine()).isEmpty();)
        source << line;
    const QString path = app.filePath(QStringLiteral("followed.log"));
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 0; i < startLines; ++i)
            out.write(source.at(i));
    }

    MirtLogFileAnalyzer window;
    window.resize(1200, 800);
    window.show();
    window.openLogFile(path);
    waitUntilIdle(window);
    auto *viewer = qobject_cast<LogFileViewer *>(window.findChild<QTabWidget *>()->currentWidget());
    auto *filterEdit = window.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
    const QString filter = QStringLiteral("type == \"error\" || activity == \"cancel\"");
    filterEdit->setText(filter);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(filterEdit, &enter);
    window.findChild<QSpinBox *>(QStringLiteral("contextRows"))->setValue(2);
    waitUntilIdle(window);
    viewer->scrollToBottom();
    window.findChild<QAction *>(QStringLiteral("fileFollow"))->trigger();

    // The fast writer, with the longest gap between the ticks of a 10 ms
    // timer meanwhile.
    // The window runs its own event loop meanwhile, as it would for a user.
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    StallClock stalls;
    std::thread writer([&] {
        writeLines(path, source, startLines, fastLines, rate);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    writer.join();
    const qint64 writtenAt = clock.elapsed();

    // Caught up once nothing more comes for a second: the last record shows
    // once a look at the file finds nothing new.
    int seen = -1;
    qint64 lastGrowth = clock.elapsed();
    while (clock.elapsed() - lastGrowth < 1000 || isBusy(window)) {
        if (viewer->logFile()->entries().size() != seen) {
            seen = viewer->logFile()->entries().size();
            lastGrowth = clock.elapsed();
        }
        turn();
    }
    const double caughtUp = std::max<qint64>(0, lastGrowth - writtenAt) / 1e3;
    stalls.stop();
    const double stall = stalls.longestGap();
    QStringList messages;
    const std::shared_ptr<LogFile> final = LogFile::load(path, messages);
    const bool atEnd = viewer->verticalScrollBar()->value() == viewer->verticalScrollBar()->maximum();

    LogFileViewer fresh(final);
    fresh.setContextRows(2);
    fresh.applyFilter(filter);
    while (fresh.isBusy())
        turn();
    const QString differs = difference(*viewer, fresh);

    // The quiet writer: the CPU time of the whole program but the writer.
    double quietCpu = 0;
    double quietWall = 0;
    if (quietLines > 0) {
        QElapsedTimer wall;
        wall.start();
        const double before = processCpuSeconds();
        double writerCpu = 0;
        std::thread slow([&] {
            writerCpu = writeLines(path, source, startLines + fastLines, quietLines, quietRate);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        slow.join();
        quietWall = wall.nsecsElapsed() / 1e9;
        quietCpu = processCpuSeconds() - before - writerCpu;
    }

    std::printf("followed %d lines at %d lines/s for %d s onto %d lines, filtered, 2 context rows\n", fastLines,
                rate, seconds, startLines);
    std::printf("follow: longest stall=%.3fs; all shown %.2fs after the last write; at the end: %s\n", stall,
                caughtUp, atEnd ? "yes" : "no");
    std::printf("follow: same as a fresh load of the final file (%d entries, %d shown): %s\n",
                viewer->logFile()->entries().size(), viewer->shownRowCount(),
                differs.isEmpty() ? "yes" : qPrintable(QStringLiteral("NO, ") + differs));
    if (quietLines > 0)
        std::printf("follow at %d lines/s for %d s: cpu=%.1f%% of one core\n", quietRate, quietSeconds,
                    100.0 * quietCpu / std::max(quietWall, 1e-9));
    return differs.isEmpty() ? 0 : 1;
}
