// bench_live [LINES]
//
// Two things a user meets while a log is live, through the real window:
// - a followed log of LINES lines (default 1,000,000), filtered with
//   `type == "error" || activity == "cancel"` and 2 context rows: a record is
//   appended, and once it shows, a line that continues it. Printed: the
//   longest time the event loop did not turn while the continued record is
//   updated in its row (five times, the worst), and whether the tab was
//   read again (it must not be);
// - Find with the regular expression (a+)+$ over 20,000 lines of 40 a's and a
//   "!", which backtracks without end on every row: the longest stall while
//   it counts, how long a new search takes to replace it, and how long
//   another tab takes meanwhile to load 200,000 lines and filter them.

#include "benchsupport.h"
#include "findbar.h"
#include "heaptuning.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "robotloggenerator.h"
#include "windowbench.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>

#include <cstdio>

namespace {

LogFileViewer *currentOf(QMainWindow &window)
{
    return qobject_cast<LogFileViewer *>(window.findChild<QTabWidget *>()->currentWidget());
}

void append(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    if (out.open(QIODevice::Append))
        out.write(bytes);
}

void filter(MirtLogFileAnalyzer &window, const QString &text)
{
    window.findChild<QLineEdit *>(QStringLiteral("filterEdit"))->setText(text);
    window.filterEntered();
    waitUntilIdle(window);
}

// The worst stall while a record of the followed log is continued, five
// times; false when the tab was read again instead.
bool continuedRecords(MirtLogFileAnalyzer &window, const QString &path, double &worst)
{
    LogFileViewer *viewer = currentOf(window);
    for (int round = 0; round < 5; ++round) {
        const QByteArray id = QByteArray::number(900000 + round);
        append(path, "99999" + QByteArray::number(round) + ".5 : Info : arm : starting action: " + id + ": Probe\n");
        const int count = viewer->logFile()->entries().size() + 1;
        waitFor(window, [&] { return viewer->logFile()->entries().size() == count; });
        StallClock stalls;
        append(path, "    arm : , 1.5 [" + id + "1: Touch []]\n");
        waitFor(window, [&] {
            return currentOf(window) != viewer || viewer->logFile()->entries().last()->message().endsWith("[]]");
        });
        stalls.stop();
        if (currentOf(window) != viewer)
            return false;
        worst = std::max(worst, stalls.longestGap());
    }
    return true;
}

void followedLog(qint64 lines)
{
    WindowBenchApplication app(const_cast<char *>("bench_live"));
    const QString path = app.writeLog(lines, QStringLiteral("followed.log"));
    if (path.isEmpty())
        return;
    MirtLogFileAnalyzer window;
    window.resize(1200, 800);
    window.show();
    window.openLogFile(path);
    waitUntilIdle(window);
    window.findChild<QSpinBox *>(QStringLiteral("contextRows"))->setValue(2);
    filter(window, QStringLiteral("type == \"error\" || activity == \"cancel\""));
    window.findChild<QAction *>(QStringLiteral("fileFollow"))->trigger();
    double worst = 0;
    const bool inPlace = continuedRecords(window, path, worst);
    std::printf("continued record on a followed %lld-line log: longest stall %.3fs; updated in its row: %s\n",
                static_cast<long long>(lines), worst, inPlace ? "yes" : "NO, read again");
}

void backtrackingSearch()
{
    WindowBenchApplication app(const_cast<char *>("bench_live"));
    QByteArray heavy;
    for (int i = 0; i < 20000; ++i)
        heavy += QByteArray::number(i) + ".0 : Info : drive : " + QByteArray(40, 'a') + "!\n";
    const QString heavyPath = app.filePath(QStringLiteral("heavy.log"));
    QFile out(heavyPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(heavy) != heavy.size())
        return;
    out.close();
    RobotLogOptions options;
    options.lines = 200000;
    const QString otherPath = app.filePath(QStringLiteral("other.log"));
    if (!writeRobotLog(otherPath, options, nullptr, nullptr))
        return;

    MirtLogFileAnalyzer window;
    window.resize(1200, 800);
    window.show();
    window.openLogFile(heavyPath);
    waitUntilIdle(window);
    LogFileViewer *heavyViewer = currentOf(window);
    window.findChild<QAction *>(QStringLiteral("editFind"))->trigger();
    auto *bar = window.findChild<FindBar *>(QStringLiteral("findBar"));
    bar->findChild<QAction *>(QStringLiteral("findRegularExpression"))->setChecked(true);
    StallClock stalls;
    bar->line()->setText(QStringLiteral("(a+)+$"));
    waitFor(window, [&] { return heavyViewer->isCounting(); });
    // Two seconds of the search alone, the window painted meanwhile.
    QElapsedTimer clock;
    clock.start();
    waitFor(window, [&] {
        heavyViewer->viewport()->update();
        return clock.elapsed() >= 2000 || !heavyViewer->isCounting();
    });
    stalls.stop();
    const double searchStall = stalls.longestGap();

    clock.restart();
    window.openLogFiles({otherPath}, true);
    waitUntilIdle(window);
    filter(window, QStringLiteral("type == \"error\""));
    const double otherTab = clock.elapsed() / 1e3;

    window.findChild<QTabWidget *>()->setCurrentIndex(0);
    bar->findChild<QAction *>(QStringLiteral("findRegularExpression"))->setChecked(false);
    clock.restart();
    bar->line()->setText(QStringLiteral("drive"));
    waitFor(window, [&] { return !heavyViewer->isCounting() && heavyViewer->findCount() == 20000; });
    const double replaced = clock.elapsed() / 1e3;
    std::printf("find (a+)+$ on 20,000 backtracking rows: longest stall %.3fs while it counts; another tab loads "
                "200,000 lines and filters meanwhile in %.2fs; a new search replaces it in %.2fs (the find bar "
                "waits a moment after typing)\n",
                searchStall, otherTab, replaced);
}

} // namespace

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    followedLog(lines);
    backtrackingSearch();
    return 0;
}
