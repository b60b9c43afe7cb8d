// bench_window [LINES]
//
// Drives the real main window on a generated robot log (default 1,000,000
// lines): opens it (timing the first rows painted, and every row shown),
// filters it with `time > 5 && contains(message, "drive")`,
// clears the filter, counts the rows holding "timeout" with the find bar,
// exports every row, expands every row, closes the tab, then opens 200 small
// files in one call (as a drop or the Open dialog does), and prints how
// long each step took, the longest time the event loop did not turn during
// each (a 10 ms timer, the longest gap between its ticks), how often the
// load's progress was shown, and the peak resident memory after the open,
// also per record.
// Uses only what the window offers a user or a script, so that the same
// source measures earlier builds too.

#include "mirtlogfileanalyzer.h"
#include "benchsupport.h"
#include "heaptuning.h"
#include "robotloggenerator.h"
#include "windowbench.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <cstdio>
#include <memory>

namespace {

QAction *menuAction(QMainWindow &window, const QString &menu, const QString &text)
{
    for (QAction *m : window.menuBar()->actions()) {
        if (m->text() != menu || !m->menu())
            continue;
        for (QAction *a : m->menu()->actions())
            if (a->text() == text)
                return a;
    }
    return nullptr;
}

int shownRowCount(const QTreeWidget *viewer)
{
    int shown = 0;
    for (int row = 0; viewer && row < viewer->topLevelItemCount(); ++row)
        shown += viewer->isRowHidden(row, QModelIndex()) ? 0 : 1;
    return shown;
}

// When a tree first paints rows that show their records: its viewport's
// paint events are let through while it shows none, and the first that
// finds the first row's time is timed once it has painted.
class FirstRowsPainted final : public QObject
{
public:
    FirstRowsPainted(QTreeWidget *tree, const QElapsedTimer &clock)
        : tree(tree)
        , clock(clock)
    {
        tree->viewport()->installEventFilter(this);
    }

    // Seconds on the clock; -1 until then.
    double seconds() const { return at; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (at >= 0 || painting || event->type() != QEvent::Paint || tree->topLevelItemCount() == 0
            || tree->topLevelItem(0)->text(0).isEmpty())
            return false;
        painting = true;
        QCoreApplication::sendEvent(watched, event);
        painting = false;
        at = clock.nsecsElapsed() / 1e9;
        return true;
    }

private:
    QTreeWidget *tree;
    const QElapsedTimer &clock;
    bool painting = false;
    double at = -1;
};

} // namespace

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);
    WindowBenchApplication app(argv[0]);

    RobotLogOptions options;
    options.lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const QString path = app.filePath(QStringLiteral("robot.log"));
    QString error;
    RobotLogStats stats;
    if (!writeRobotLog(path, options, &stats, &error)) {
        std::fprintf(stderr, "bench_window: %s\n", qPrintable(error));
        return 1;
    }

    MirtLogFileAnalyzer window;
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    auto *tabs = window.findChild<QTabWidget *>();
    auto *edit = window.findChild<QToolBar *>()->findChild<QLineEdit *>();
    QLabel *status = window.statusBar()->findChild<QLabel *>();
    // How often the load's progress bar showed a new value, seen at the
    // ticks of the stall clock.
    int progressUpdates = 0;
    int lastProgress = -1;
    StallClock monitor([&] {
        auto *bar = window.findChild<QProgressBar *>();
        if (bar && bar->isVisible() && bar->value() != lastProgress) {
            lastProgress = bar->value();
            ++progressUpdates;
        }
    });
    QElapsedTimer timer;

    // Open: from the call until the first rows are painted, and until every
    // row is shown.
    monitor.restart();
    timer.start();
    window.openLogFile(path);
    std::unique_ptr<FirstRowsPainted> firstRows;
    if (auto *opened = qobject_cast<QTreeWidget *>(tabs->currentWidget()))
        firstRows = std::make_unique<FirstRowsPainted>(opened, timer);
    waitFor(window, [&] { return tabs->count() == 1; });
    // The tree was painted by now; its first rows at the latest once all show.
    const double firstRowsShown = firstRows && firstRows->seconds() >= 0 ? firstRows->seconds() : -1;
    const double open = timer.nsecsElapsed() / 1e9;
    const double openStall = monitor.longestGap();
    const long openPeak = statusMegabytes("VmHWM");
    const long openPeakKb = statusKilobytes("VmHWM");
    auto *viewer = qobject_cast<QTreeWidget *>(tabs->currentWidget());
    const int rows = viewer ? viewer->topLevelItemCount() : 0;

    // Filter: from Return until the rows are shown, and until the window is
    // no longer busy.
    const auto filter = [&](const QString &text, double &shown, double &idle, double &stall) {
        edit->setText(text);
        status->setText(QString());
        monitor.restart();
        timer.start();
        emit edit->returnPressed();
        while (!status->text().contains(QLatin1String("rows shown")) && isBusy(window))
            turn();
        QCoreApplication::processEvents();
        shown = timer.nsecsElapsed() / 1e9;
        waitUntilIdle(window);
        idle = timer.nsecsElapsed() / 1e9;
        stall = monitor.longestGap();
    };
    double filterShown = 0, filterIdle = 0, filterStall = 0;
    filter(QStringLiteral("time > 5 && contains(message, \"drive\")"), filterShown, filterIdle, filterStall);
    const int shownRows = shownRowCount(viewer);
    double clearShown = 0, clearIdle = 0, clearStall = 0;
    filter(QString(), clearShown, clearIdle, clearStall);
    // A filter that keeps about one record in seven, the problems of a run,
    // and the memory it leaves behind.
    double problemsShown = 0, problemsIdle = 0, problemsStall = 0;
    filter(QStringLiteral("type == \"warning\" || type == \"error\" || activity == \"cancel\""), problemsShown,
           problemsIdle, problemsStall);
    const int problemRows = shownRowCount(viewer);
    const long problemsPeak = statusMegabytes("VmHWM");
    filter(QString(), clearShown, clearIdle, clearStall);

    // Edit > Find: from Return in the find line until the count shows. Looked
    // up by name, so that builds without a find bar still run the rest.
    double find = -1, findStall = 0;
    QString findCount;
    auto *findAction = window.findChild<QAction *>(QStringLiteral("editFind"));
    auto *findEdit = window.findChild<QLineEdit *>(QStringLiteral("findEdit"));
    auto *findLabel = window.findChild<QLabel *>(QStringLiteral("findCount"));
    if (findAction && findEdit && findLabel) {
        findAction->trigger();
        findEdit->setText(QStringLiteral("timeout"));
        findLabel->clear();
        monitor.restart();
        timer.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(findEdit, &press);
        while (!findLabel->text().contains(QLatin1String(" of ")))
            turn();
        find = timer.nsecsElapsed() / 1e9;
        findStall = monitor.longestGap();
        findCount = findLabel->text();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(findEdit, &escape);
        waitUntilIdle(window);
    }

    // File > Export Visible Rows, every row: from the choice of the file
    // until the status says it is written.
    double exportTime = -1, exportStall = 0;
    qint64 exportBytes = 0;
    if (auto *exportAction = window.findChild<QAction *>(QStringLiteral("fileExport"))) {
        const QString target = app.filePath(QStringLiteral("export.log"));
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
            if (!name)
                return;
            name->setText(target);
            monitor.restart();
            timer.start();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(name, &press);
        });
        status->setText(QString());
        exportAction->trigger();
        while (!status->text().contains(QLatin1String("written")) && !status->text().contains(QLatin1String("could not")))
            turn();
        waitUntilIdle(window);
        exportTime = timer.nsecsElapsed() / 1e9;
        exportStall = monitor.longestGap();
        exportBytes = QFileInfo(target).size();
        QFile::remove(target);
    }

    // Copy Original Lines of every row, by its key in the tree: until the
    // status says the records are on the clipboard.
    double copyOriginal = -1, copyOriginalStall = 0;
    if (auto *tree = qobject_cast<QTreeWidget *>(tabs->currentWidget())) {
        tree->selectAll();
        status->setText(QString());
        monitor.restart();
        timer.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCoreApplication::sendEvent(tree, &press);
        while (!status->text().contains(QLatin1String("copied")) && !status->text().contains(QLatin1String("could not")))
            turn();
        waitUntilIdle(window);
        copyOriginal = timer.nsecsElapsed() / 1e9;
        copyOriginalStall = monitor.longestGap();
        tree->clearSelection();
    }

    // View > Expand All.
    monitor.restart();
    timer.start();
    menuAction(window, QStringLiteral("&View"), QStringLiteral("Expand All"))->trigger();
    waitUntilIdle(window);
    const double expand = timer.nsecsElapsed() / 1e9;
    const double expandStall = monitor.longestGap();
    menuAction(window, QStringLiteral("&View"), QStringLiteral("Collapse All"))->trigger();
    waitUntilIdle(window);

    // Close: from File > Close until the event loop is free again.
    monitor.restart();
    timer.start();
    menuAction(window, QStringLiteral("&File"), QStringLiteral("Close"))->trigger();
    waitFor(window, [&] { return tabs->count() == 0; });
    const double close = timer.nsecsElapsed() / 1e9;
    // What is freed afterwards, off the GUI thread or a piece at a time,
    // must not stall the loop either.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 2000)
        turn();
    const double closeStall = monitor.longestGap();

    // Open 200 small files in one call: from the call until every tab has
    // read its file.
    constexpr int smallFiles = 200;
    RobotLogOptions smallOptions;
    smallOptions.lines = 200;
    QStringList smallPaths;
    for (int i = 0; i < smallFiles; ++i) {
        smallPaths << app.filePath(QStringLiteral("small%1.log").arg(i));
        smallOptions.variant = quint64(i + 1);
        if (!writeRobotLog(smallPaths.last(), smallOptions, nullptr, &error)) {
            std::fprintf(stderr, "bench_window: %s\n", qPrintable(error));
            return 1;
        }
    }
    monitor.restart();
    timer.start();
    window.openLogFiles(smallPaths);
    const double openSmallCall = timer.nsecsElapsed() / 1e9;
    waitFor(window, [&] { return tabs->count() == smallFiles; });
    const double openSmall = timer.nsecsElapsed() / 1e9;
    const double openSmallStall = monitor.longestGap();

    std::printf("lines=%lld records=%lld rows=%d cores=%d\n", static_cast<long long>(stats.lines),
                static_cast<long long>(stats.records), rows, QThread::idealThreadCount());
    std::printf("first rows on screen=%.3fs\n", firstRowsShown);
    std::printf("open=%.2fs stall=%.3fs progress_updates=%d (%.1f/s) peak_rss=%ldMB\n", open, openStall,
                progressUpdates, open > 0 ? progressUpdates / open : 0.0, openPeak);
    std::printf("bytes per record=%.0f (peak resident memory after the open / %lld records)\n",
                stats.records > 0 ? openPeakKb * 1024.0 / double(stats.records) : 0.0,
                static_cast<long long>(stats.records));
    std::printf("filter=%.2fs (shown %d rows; idle after %.2fs) stall=%.3fs\n", filterShown, shownRows, filterIdle,
                filterStall);
    std::printf("clear filter=%.2fs (idle after %.2fs) stall=%.3fs\n", clearShown, clearIdle, clearStall);
    std::printf("filter keeping the problems=%.2fs (shown %d rows; idle after %.2fs) stall=%.3fs peak_rss=%ldMB\n",
                problemsShown, problemRows, problemsIdle, problemsStall, problemsPeak);
    if (find >= 0)
        std::printf("find \"timeout\"=%.2fs (%s) stall=%.3fs\n", find, qPrintable(findCount), findStall);
    if (exportTime >= 0)
        std::printf("export all rows=%.2fs (%lld MB) stall=%.3fs\n", exportTime,
                    static_cast<long long>(exportBytes >> 20), exportStall);
    if (copyOriginal >= 0)
        std::printf("copy original lines of all rows=%.2fs stall=%.3fs\n", copyOriginal, copyOriginalStall);
    std::printf("expand all=%.2fs stall=%.3fs\n", expand, expandStall);
    std::printf("close=%.2fs stall=%.3fs (over the close and the 2 s after it)\n", close, closeStall);
    std::printf("open %d small files=%.2fs (%d tabs; the call %.3fs) stall=%.3fs\n", smallFiles, openSmall,
                tabs->count(), openSmallCall, openSmallStall);
    return 0;
}
