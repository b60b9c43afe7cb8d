// bench_bookmarks [LINES] [BOOKMARKS]
//
// Bookmarks on a log of LINES lines (default 1,000,000) in the real window,
// BOOKMARKS of them (default 10,000) spread over the file. Printed: the time
// to place them, to filter with `bookmarked || type == "error"`, to toggle
// one with that filter applied (the filter applies again) and the longest
// stall meanwhile, to go round them with F2, and what a reload spends on
// carrying them over (the prints taken, then placed and checked).

#include "benchsupport.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "windowbench.h"

#include <QAction>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>

#include <cstdio>

namespace {

LogFileViewer *currentOf(QMainWindow &window)
{
    return qobject_cast<LogFileViewer *>(window.findChild<QTabWidget *>()->currentWidget());
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const int count = argc > 2 ? QByteArray(argv[2]).toInt() : 10000;
    if (lines <= 0 || count <= 0) {
        std::fprintf(stderr, "usage: bench_bookmarks [LINES] [BOOKMARKS]\n");
        return 2;
    }
    WindowBenchApplication app(argv[0]);
    const QString path = app.writeLog(lines);
    if (path.isEmpty())
        return 1;
    MirtLogFileAnalyzer window;
    window.resize(1200, 800);
    window.show();
    window.openLogFile(path);
    waitUntilIdle(window);
    LogFileViewer *viewer = currentOf(window);
    window.findChild<QAction *>(QStringLiteral("viewBookmarks"))->trigger();

    QElapsedTimer clock;
    std::vector<Bookmark> marks;
    const qint64 step = std::max<qint64>(1, lines / count);
    for (qint64 line = 1; line <= lines && int(marks.size()) < count; line += step)
        marks.push_back(Bookmark{0, line, QStringLiteral("note %1").arg(line)});
    clock.start();
    viewer->setBookmarks(marks);
    waitUntilIdle(window);
    const double placing = lapSeconds(clock);
    const int placed = int(viewer->bookmarks().size());

    auto *filterLine = window.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
    filterLine->setText(QStringLiteral("bookmarked || type == \"error\""));
    clock.restart();
    window.filterEntered();
    waitUntilIdle(window);
    const double filtering = lapSeconds(clock);
    const int shown = viewer->shownRowCount();

    viewer->showEntry(viewer->bookmarkSet().entries().front());
    StallClock stalls;
    clock.restart();
    window.findChild<QAction *>(QStringLiteral("toggleBookmark"))->trigger();
    waitUntilIdle(window);
    const double toggling = lapSeconds(clock);
    stalls.stop();

    clock.restart();
    for (int round = 0; round < 1000; ++round)
        window.findChild<QAction *>(QStringLiteral("nextBookmark"))->trigger();
    const double moving = lapSeconds(clock) / 1000;

    clock.restart();
    const LogFileViewer::ViewState state = viewer->viewState();
    const double carrying = lapSeconds(clock);
    BookmarkSet again;
    again.placeCarried(*viewer->logFile(), *state.bookmarks);
    const double replacing = lapSeconds(clock);

    std::printf("lines=%lld bookmarks=%d place=%.3fs filter=%.3fs (%d rows shown) toggle+refilter=%.3fs "
                "longest_stall=%.3fs next=%.2fms carry=%.3fs place_carried=%.3fs kept=%d\n",
                static_cast<long long>(lines), placed, placing, filtering, shown, toggling, stalls.longestGap(),
                moving * 1e3, carrying, replacing, again.size());
    return 0;
}
