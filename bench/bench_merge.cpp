// bench_merge [LINES [FILES]]
//
// Opening one generated robot log of LINES lines (default 1,000,000) in the
// real window, against opening FILES logs (default 4) of LINES / FILES lines
// each merged in one tab: the time until every row shows and the window is
// no longer busy, the longest event-loop stall meanwhile, and the peak
// memory. Each opening runs in a process of its own, so that each peak is
// its own; the two take turns, three times each, and the medians are
// compared.
//
// bench_merge --open PATH... and bench_merge --merge PATH... are those runs.

#include "benchsupport.h"
#include "heaptuning.h"
#include "mirtlogfileanalyzer.h"
#include "windowbench.h"

#include <QProcess>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// One opening in this process: "<seconds> <stall seconds> <peak MB> <rows>".
int openOnce(int argc, char *argv[])
{
    const bool merge = QByteArray(argv[1]) == "--merge";
    WindowBenchApplication app(argv[0]);
    QStringList paths;
    for (int i = 2; i < argc; ++i)
        paths << QString::fromLocal8Bit(argv[i]);
    MirtLogFileAnalyzer window;
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    StallClock monitor;
    QElapsedTimer timer;
    monitor.restart();
    timer.start();
    if (merge)
        window.openMerged(paths);
    else
        window.openLogFiles(paths);
    auto *tabs = window.findChild<QTabWidget *>();
    waitFor(window, [&] { return tabs->count() > 0; });
    const double seconds = timer.nsecsElapsed() / 1e9;
    monitor.stop();
    auto *tree = qobject_cast<QTreeWidget *>(tabs->currentWidget());
    std::printf("%.3f %.3f %ld %d\n", seconds, monitor.longestGap(), statusMegabytes("VmHWM"),
                tree ? tree->topLevelItemCount() : -1);
    std::fflush(stdout);
    return 0;
}

QStringList measure(const QString &program, const QString &mode, const QStringList &paths)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, QStringList{mode} + paths);
    process.waitForFinished(-1);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && (QByteArray(argv[1]) == "--open" || QByteArray(argv[1]) == "--merge")) {
        restartWithHugePageHeap(argv);
        return openOnce(argc, argv);
    }
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const int files = argc > 2 ? std::max(2, QByteArray(argv[2]).toInt()) : 4;
    WindowBenchApplication app(argv[0]);
    RobotLogOptions options;
    options.lines = lines;
    const QString whole = app.filePath(QStringLiteral("robot.log"));
    QString error;
    if (!writeRobotLog(whole, options, nullptr, &error)) {
        std::fprintf(stderr, "bench_merge: %s\n", qPrintable(error));
        return 1;
    }
    QStringList parts;
    for (int part = 0; part < files; ++part) {
        options.lines = lines / files;
        options.variant = quint64(part + 1);
        parts << app.filePath(QStringLiteral("process%1.log").arg(part + 1));
        if (!writeRobotLog(parts.last(), options, nullptr, &error)) {
            std::fprintf(stderr, "bench_merge: %s\n", qPrintable(error));
            return 1;
        }
    }
    const QString program = QCoreApplication::applicationFilePath();
    std::printf("%-34s %8s %8s %8s %9s\n", "", "seconds", "stall", "peak MB", "rows");
    std::vector<double> oneTimes, mergedTimes, onePeaks, mergedPeaks;
    for (int round = 0; round < 3; ++round) {
        const QStringList one = measure(program, QStringLiteral("--open"), {whole});
        const QStringList merged = measure(program, QStringLiteral("--merge"), parts);
        if (one.size() < 4 || merged.size() < 4)
            return 1;
        oneTimes.push_back(one[0].toDouble());
        mergedTimes.push_back(merged[0].toDouble());
        onePeaks.push_back(one[2].toDouble());
        mergedPeaks.push_back(merged[2].toDouble());
        std::printf("%-34s %8s %8s %8s %9s\n", qPrintable(QStringLiteral("one file of %1 lines").arg(lines)),
                    qPrintable(one[0]), qPrintable(one[1]), qPrintable(one[2]), qPrintable(one[3]));
        std::printf("%-34s %8s %8s %8s %9s\n",
                    qPrintable(QStringLiteral("%1 files of %2 lines merged").arg(files).arg(lines / files)),
                    qPrintable(merged[0]), qPrintable(merged[1]), qPrintable(merged[2]), qPrintable(merged[3]));
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf("median merged / one: time %.2fx, peak memory %.2fx\n", median(mergedTimes) / median(oneTimes),
                median(mergedPeaks) / median(onePeaks));
    return 0;
}
