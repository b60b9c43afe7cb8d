// bench_timeline [LINES]
//
// Opens a generated robot log (default 1,000,000 lines) in the real window,
// shows the Actions and Timeline panels, sizes the timeline as a desktop
// window would (1400x400) and prints, for the whole file, 10x, 1000x and a
// 10 s stretch: the first paint of a stretch (its lanes packed), the mean of
// repaints, a pan step, and how many bars show and how many of those never
// ended. Then, from a 10 s stretch at the start, how long bringing a run
// into view takes until it is painted: a late run, the longest run, a
// never-ended run and a sub-run, and whether its bar is in view after.

#include "actionspanel.h"
#include "actiontablemodel.h"
#include "actiontimeline.h"
#include "mirtlogfileanalyzer.h"
#include "benchsupport.h"
#include "heaptuning.h"
#include "robotloggenerator.h"
#include "windowbench.h"

#include <QAction>
#include <QElapsedTimer>
#include <QImage>
#include <QTableView>

#include <cstdio>

namespace {

double paintMilliseconds(ActionTimeline *timeline, QImage &image)
{
    QElapsedTimer timer;
    timer.start();
    timeline->render(&image);
    return timer.nsecsElapsed() / 1e6;
}

// Bars in view, and how many of them never ended.
std::pair<int, int> barsInView(const ActionTimeline *timeline, const ActionAnalysis &analysis)
{
    int bars = 0;
    int neverEnded = 0;
    for (size_t run = 0; run < analysis.occurrences.size(); ++run) {
        if (timeline->barRect(int(run)).isEmpty())
            continue;
        ++bars;
        neverEnded += analysis.occurrences[run].outcome == ActionOccurrence::NeverEnded;
    }
    return {bars, neverEnded};
}

// Paints at each zoom around the middle of the file: the first paint, the
// mean of repaints and of pan steps, and the bars in view.
void measureViews(ActionTimeline *timeline, const ActionAnalysis &analysis, QImage &image)
{
    const double from = timeline->visibleFrom();
    const double to = timeline->visibleTo();
    const double middle = (from + to) / 2;
    struct View
    {
        const char *name;
        double span;
    };
    const View views[] = {{"whole file", to - from}, {"10x", (to - from) / 10}, {"1000x", (to - from) / 1000},
                          {"10 s", 10}};
    double slowest = 0;
    for (const View &view : views) {
        timeline->setVisibleRange(middle - view.span / 2, middle + view.span / 2);
        const double first = paintMilliseconds(timeline, image);
        double sum = 0;
        const int paints = 10;
        for (int i = 0; i < paints; ++i)
            sum += paintMilliseconds(timeline, image);
        // Panned by a twentieth of the view at a time.
        double pan = 0;
        const int steps = 10;
        for (int i = 1; i <= steps; ++i) {
            const double start = middle - view.span / 2 + i * view.span / 20;
            QElapsedTimer timer;
            timer.start();
            timeline->setVisibleRange(start, start + view.span);
            timeline->render(&image);
            pan += timer.nsecsElapsed() / 1e6;
        }
        timeline->setVisibleRange(middle - view.span / 2, middle + view.span / 2);
        const auto [bars, open] = barsInView(timeline, analysis);
        slowest = std::max({slowest, first, sum / paints, pan / steps});
        std::printf("timeline %-10s first paint=%.1fms repaint=%.1fms pan step=%.1fms; bars in view=%d, never ended=%d "
                    "(%dx%d)\n",
                    view.name, first, sum / paints, pan / steps, bars, open, timeline->width(), timeline->height());
    }
    std::printf("slowest timeline paint=%.1fms\n", slowest);

}

// From a 10 s stretch at the start, brings runs into view until painted.
void measureShowRuns(ActionTimeline *timeline, const ActionAnalysis &analysis, QImage &image, double middle)
{
    // Runs to bring into view: the last to start, the longest, a never-ended
    // one in the middle, and a sub-run in the middle.
    int late = -1;
    int longest = -1;
    int open = -1;
    int sub = -1;
    const auto &runs = analysis.occurrences;
    for (size_t i = 0; i < runs.size(); ++i) {
        const int run = int(i);
        const ActionOccurrence &r = runs[i];
        if (r.outcome == ActionOccurrence::Completed && (late < 0 || r.startTime >= runs[size_t(late)].startTime))
            late = run;
        if (r.hasDuration() && (longest < 0 || r.duration() > runs[size_t(longest)].duration()))
            longest = run;
        if (r.outcome == ActionOccurrence::NeverEnded && (open < 0 || r.startTime <= middle))
            open = run;
        if (r.parent >= 0 && (sub < 0 || r.startTime <= middle))
            sub = run;
    }
    double slowestShow = 0;
    for (const auto &[name, run] : {std::pair{"late run", late}, std::pair{"longest run", longest},
                                    std::pair{"never-ended run", open}, std::pair{"sub-run", sub}}) {
        if (run < 0)
            continue;
        timeline->setVisibleRange(analysis.firstTime, analysis.firstTime + 10);
        timeline->render(&image);
        QElapsedTimer timer;
        timer.start();
        timeline->showRun(run);
        timeline->render(&image);
        const double ms = timer.nsecsElapsed() / 1e6;
        slowestShow = std::max(slowestShow, ms);
        std::printf("show %-16s %.1fms, bar in view: %s\n", name, ms, timeline->barRect(run).isEmpty() ? "no" : "yes");
    }
    std::printf("slowest show run=%.1fms\n", slowestShow);
}

} // namespace

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);
    WindowBenchApplication app(argv[0]);

    const QString path = app.writeLog(argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000);
    if (path.isEmpty())
        return 1;

    MirtLogFileAnalyzer window;
    window.resize(1400, 900);
    window.show();
    window.openLogFile(path);
    waitUntilIdle(window);
    window.findChild<QAction *>(QStringLiteral("viewActions"))->trigger();
    window.findChild<QAction *>(QStringLiteral("viewTimeline"))->trigger();
    auto *panel = window.findChild<ActionsPanel *>();
    while (!panel || panel->table()->model()->rowCount() == 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        panel = window.findChild<ActionsPanel *>();
    }
    QCoreApplication::processEvents();
    const ActionAnalysis &analysis = *panel->tableModel()->analysis();
    int neverEnded = 0;
    for (const ActionOccurrence &run : analysis.occurrences)
        neverEnded += run.outcome == ActionOccurrence::NeverEnded;
    std::printf("runs=%zu never ended=%d, %.0f s of log\n", analysis.occurrences.size(), neverEnded,
                analysis.lastTime - analysis.firstTime);

    auto *timeline = window.findChild<ActionTimeline *>();
    // As wide as a desktop window, whatever room the dock has here.
    timeline->resize(1400, 400);
    QImage image(timeline->size(), QImage::Format_ARGB32_Premultiplied);
    const double middle = (timeline->visibleFrom() + timeline->visibleTo()) / 2;
    measureViews(timeline, analysis, image);
    measureShowRuns(timeline, analysis, image, middle);
    return 0;
}
