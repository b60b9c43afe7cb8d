// The timeline in the real window: lanes packed for the visible stretch,
// never-ended runs folded and unfolded, runs brought into view, the runs
// the table keeps, the legend, axes of empty files and extreme times, and
// the lanes of a merged tab grouped by file.
#include "actiontimeline.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include <cmath>
#include <map>
#include <memory>
#include <set>

namespace {

QByteArray line(double time, const QByteArray &text)
{
    return QByteArray::number(time, 'f', 3) + " : Info : arm : " + text + '\n';
}

// Never-ended runs (ids 1000...) start one a second from 1 s; from 40 s a
// sequence of two steps starts every 2 s and lasts 5 s (ids 1, 2, 3, then
// 4, 5, 6, ...); at 300 s a burst of 30 overlapping 8 s runs (ids 500...); one
// run (id 900) from 35 s to 450 s; the file ends at 460 s.
QByteArray busyLog()
{
    std::multimap<double, QByteArray> lines;
    for (int i = 0; i < 30; ++i)
        lines.emplace(1 + i, line(1 + i, "starting action: " + QByteArray::number(1000 + i) + ": Wait"));
    for (int i = 0; i < 120; ++i) {
        const double t = 40 + 2 * i;
        const QByteArray id = QByteArray::number(3 * i + 1);
        const QByteArray a = QByteArray::number(3 * i + 2);
        const QByteArray b = QByteArray::number(3 * i + 3);
        lines.emplace(t, line(t, "starting action: " + id + ": Seq [" + a + ": A [], " + b + ": B []]"));
        lines.emplace(t + 0.1, line(t + 0.1, "starting action: " + a + ":"));
        lines.emplace(t + 2, line(t + 2, "completing action: " + a + ":"));
        lines.emplace(t + 2.1, line(t + 2.1, "starting action: " + b + ":"));
        lines.emplace(t + 4.5, line(t + 4.5, "completing action: " + b + ":"));
        lines.emplace(t + 5, line(t + 5, "completing action: " + id + ":"));
    }
    for (int i = 0; i < 30; ++i) {
        const QByteArray id = QByteArray::number(500 + i);
        lines.emplace(300 + i * 0.1, line(300 + i * 0.1, "starting action: " + id + ": Burst"));
        lines.emplace(308 + i * 0.1, line(308 + i * 0.1, "completing action: " + id + ":"));
    }
    lines.emplace(35, line(35, "starting action: 900: Long"));
    lines.emplace(450, line(450, "completing action: 900:"));
    lines.emplace(460, line(460, "Info|arm|done"));
    QByteArray out;
    for (const auto &[time, text] : lines)
        out += text;
    return out;
}

// One of the files of a merged tab, its runs at the same times as the
// others' so that they would share lanes if packed together: three
// overlapping 3 s runs from 2 s, a sequence with a sub-run at 20 s, and
// a run that never ends from 30 s; the file ends at 60 s. Without runs
// when `quiet`.
QByteArray groupedLog(int file, bool quiet)
{
    QByteArray out;
    const double offset = 0.3 * file;
    const auto add = [&](double time, const QByteArray &text) { out += line(time + offset, text); };
    if (!quiet) {
        for (int i = 0; i < 3; ++i) {
            const QByteArray id = QByteArray::number(i + 1);
            add(2 + 1.5 * i, "starting action: " + id + ": Move");
            add(5 + 1.5 * i, "completing action: " + id + ":");
        }
        add(20, "starting action: 10: Seq [11: Grip []]");
        add(20.5, "starting action: 11:");
        add(23, "completing action: 11:");
        add(24, "completing action: 10:");
        add(30, "starting action: 20: Wait");
    }
    add(60, "Info|arm|done");
    return out;
}

bool overlaps(const ActionOccurrence &run, double from, double to)
{
    return run.startTime <= to && std::max(run.startTime, run.endTime) >= from;
}

} // namespace

class TestTimeline : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int files = 0;
    std::unique_ptr<MirtLogFileAnalyzer> window;
    ActionTimeline *timeline = nullptr;

    // Opens `content` in a fresh window with the timeline shown, once its
    // analysis is in.
    bool open(const QByteArray &content) { return open(QList<QByteArray>{content}, false); }

    // Opens the files merged in one tab, or the one file on its own.
    bool open(const QList<QByteArray> &contents, bool merged)
    {
        window = std::make_unique<MirtLogFileAnalyzer>();
        window->resize(1200, 900);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        QStringList paths;
        for (const QByteArray &content : contents)
            paths << writeTestFile(dir, QStringLiteral("t%1.log").arg(++files), content);
        if (merged)
            window->openMerged(paths);
        else
            window->openLogFile(paths.front());
        if (!QTest::qWaitFor([this] { return !window->property("busy").toBool(); }, 60000))
            return false;
        window->findChild<QAction *>(QStringLiteral("viewTimeline"))->trigger();
        timeline = window->findChild<ActionTimeline *>();
        // The window gives the dock a third of its height once it shows.
        return timeline && QTest::qWaitFor([this] { return timeline->shownAnalysis() && timeline->height() >= 250; }, 60000);
    }

    const std::vector<ActionOccurrence> &runs() const { return timeline->shownAnalysis()->occurrences; }

    int runOfId(int id, int source = 0) const
    {
        for (size_t run = 0; run < runs().size(); ++run) {
            if (runs()[run].id == id && runs()[run].source == source)
                return int(run);
        }
        return -1;
    }

    int visibleLanes() const { return (timeline->summaryRect().top() - ActionTimeline::lanesTop()) / ActionTimeline::laneHeight; }
    int plotWidth() const { return timeline->findChild<QScrollBar *>(QStringLiteral("timelineLanes"))->x(); }

    // The lanes in view hold bars from the top down, with no empty lane
    // between; a run of the stretch without a bar is only missing when
    // every lane in view is taken; sub-runs are below their runs. Returns
    // the lanes with bars.
    int checkPacking(const std::vector<bool> &shown = {})
    {
        std::set<int> tops;
        for (size_t run = 0; run < runs().size(); ++run) {
            const QRect bar = timeline->barRect(int(run));
            if (bar.isEmpty())
                continue;
            tops.insert(bar.top());
            if (timeline->isFolded())
                [&] { QVERIFY2(runs()[run].outcome != ActionOccurrence::NeverEnded, "never-ended bar while folded"); }();
            if (!shown.empty())
                [&] { QVERIFY2(shown[run], "a run not kept has a bar"); }();
            const int parent = runs()[run].parent;
            if (parent >= 0 && !timeline->barRect(parent).isEmpty())
                [&] { QVERIFY(timeline->barRect(parent).top() < bar.top()); }();
        }
        int lane = 0;
        for (const int top : tops)
            [&] { QCOMPARE(top, ActionTimeline::lanesTop() + lane++ * ActionTimeline::laneHeight + 1); }();
        const bool full = lane == visibleLanes();
        for (size_t run = 0; run < runs().size() && !full; ++run) {
            const ActionOccurrence &r = runs()[run];
            const bool expected = overlaps(r, timeline->visibleFrom(), timeline->visibleTo())
                && (shown.empty() || shown[run]) && !(timeline->isFolded() && r.outcome == ActionOccurrence::NeverEnded);
            if (expected)
                [&] { QVERIFY2(!timeline->barRect(int(run)).isEmpty(), qPrintable(QString::number(r.id))); }();
        }
        return lane;
    }

private slots:
    void init() { QSettings().clear(); }
    void cleanup() { window.reset(); }

    void packing_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<bool>("folded");
        QTest::addColumn<int>("scroll");
        for (const bool folded : {true, false}) {
            const char *state = folded ? "folded" : "unfolded";
            QTest::addRow("whole file, %s", state) << -10.0 << 470.0 << folded << 0;
            QTest::addRow("only never-ended runs, %s", state) << 5.0 << 20.0 << folded << 0;
            QTest::addRow("sequences, %s", state) << 100.0 << 110.0 << folded << 0;
            QTest::addRow("burst, %s", state) << 305.0 << 315.0 << folded << 0;
            QTest::addRow("burst scrolled, %s", state) << 305.0 << 315.0 << folded << 5;
            QTest::addRow("end of file, %s", state) << 430.0 << 470.0 << folded << 0;
        }
    }

    void packing()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(bool, folded);
        QFETCH(int, scroll);
        QVERIFY(open(busyLog()));
        timeline->setFolded(folded);
        timeline->setVisibleRange(from, to);
        auto *lanes = timeline->findChild<QScrollBar *>(QStringLiteral("timelineLanes"));
        const int packed = timeline->laneCount();
        QCOMPARE(lanes->maximum() > 0, packed > visibleLanes());
        lanes->setValue(scroll);
        if (scroll == 0) {
            const int used = checkPacking();
            QCOMPARE(used, std::min(timeline->laneCount(), visibleLanes()));
            QCOMPARE(used == 0, folded && to < 35);
        } else {
            // Scrolled down, the lanes in view are those packed further down.
            QVERIFY(lanes->value() > 0);
            int bars = 0;
            for (size_t run = 0; run < runs().size(); ++run)
                bars += !timeline->barRect(int(run)).isEmpty();
            QVERIFY(bars > 0);
        }
        QImage image(timeline->size(), QImage::Format_ARGB32_Premultiplied);
        timeline->render(&image);
    }

    // Clicks on the summary lane fold and unfold the never-ended runs.
    void foldByClick_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::newRow("one unfolds") << 1;
        QTest::newRow("two fold again") << 2;
        QTest::newRow("three") << 3;
    }

    void foldByClick()
    {
        QFETCH(int, clicks);
        QVERIFY(open(busyLog()));
        timeline->setVisibleRange(0, 30);
        QVERIFY(timeline->isFolded());
        QVERIFY(!timeline->summaryRect().isEmpty());
        const int open = runOfId(1005);
        QVERIFY(timeline->barRect(open).isEmpty());
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(timeline, Qt::LeftButton, Qt::NoModifier, timeline->summaryRect().center());
        QCOMPARE(timeline->isFolded(), clicks % 2 == 0);
        // Quick clicks make a double-click, which shows the whole file.
        timeline->setVisibleRange(0, 30);
        QCOMPARE(timeline->barRect(open).isEmpty(), clicks % 2 == 0);
        checkPacking();
    }

    // showRun from a 10 s view at the start, or the tree's current row:
    // the bar ends up in view, centred at the same zoom when it fits,
    // zoomed out to when it does not. In a merged tab of the file twice,
    // a run of the second copy shows in its group, below the first's lanes.
    void showRun_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("fromTree");
        QTest::addColumn<bool>("keepsSpan");
        QTest::addColumn<int>("source"); // above 0: of a merged tab
        QTest::newRow("late, below the first lanes") << 529 << false << true << 0;
        QTest::newRow("late, from the tree") << 529 << true << true << 0;
        QTest::newRow("longer than the view") << 900 << false << false << 0;
        QTest::newRow("a sub-run") << 299 << false << true << 0;
        QTest::newRow("a sub-run, from the tree") << 299 << true << true << 0;
        QTest::newRow("a folded never-ended run") << 1020 << false << false << 0;
        QTest::newRow("already in view") << 1 << false << true << 0;
        QTest::newRow("merged, late in the second file") << 529 << false << true << 1;
        QTest::newRow("merged, a sub-run from the tree") << 299 << true << true << 1;
        QTest::newRow("merged, a folded never-ended run") << 1020 << false << false << 1;
    }

    void showRun()
    {
        QFETCH(int, id);
        QFETCH(bool, fromTree);
        QFETCH(bool, keepsSpan);
        QFETCH(int, source);
        QVERIFY(source > 0 ? open({busyLog(), busyLog()}, true) : open(busyLog()));
        timeline->setVisibleRange(38, 48);
        const int run = runOfId(id, source);
        QVERIFY(run >= 0);
        if (fromTree) {
            auto *viewer = qobject_cast<LogFileViewer *>(window->findChild<QTabWidget *>()->currentWidget());
            viewer->showEntry(runs()[size_t(run)].startRow);
        } else {
            timeline->showRun(run);
        }
        QTRY_VERIFY(!timeline->barRect(run).isEmpty());
        const ActionOccurrence &r = runs()[size_t(run)];
        QVERIFY(timeline->visibleFrom() <= r.startTime && std::max(r.startTime, r.endTime) <= timeline->visibleTo());
        QCOMPARE(std::fabs(timeline->visibleTo() - timeline->visibleFrom() - 10) < 1e-6, keepsSpan);
        if (id == 1)
            QCOMPARE(timeline->visibleFrom(), 38.0);
        const QRect bar = timeline->barRect(run);
        QVERIFY(bar.left() >= 0 && bar.right() <= plotWidth());
        QVERIFY(bar.bottom() < timeline->summaryRect().top());
        if (source == 0) {
            checkPacking();
        } else {
            const auto labels = timeline->groupLabels();
            const auto above = std::find_if(labels.rbegin(), labels.rend(),
                                            [&](const auto &label) { return label.rect.bottom() < bar.top(); });
            QVERIFY(above == labels.rend() || above->source == source);
        }
        timeline->showRun(-1);
        QVERIFY(!timeline->barRect(run).isEmpty());
    }

    // Only the runs the table keeps are drawn and packed; a list for
    // another analysis is ignored.
    void shownRuns_data()
    {
        QTest::addColumn<int>("keep"); // every nth run; 0: none; -1: a list of the wrong size
        QTest::newRow("every run") << 1;
        QTest::newRow("every third") << 3;
        QTest::newRow("none") << 0;
        QTest::newRow("wrong size") << -1;
    }

    void shownRuns()
    {
        QFETCH(int, keep);
        QVERIFY(open(busyLog()));
        timeline->setFolded(false);
        timeline->setVisibleRange(295, 320);
        std::vector<bool> shown(runs().size() + (keep < 0 ? 1 : 0), keep < 0);
        for (size_t run = 0; keep > 0 && run < runs().size(); run += size_t(keep))
            shown[run] = true;
        timeline->setShownRuns(shown);
        if (keep < 0)
            shown.clear();
        const int lanes = checkPacking(shown);
        QCOMPARE(lanes == 0, keep == 0);
        if (keep == 0)
            QCOMPARE(timeline->laneCount(), 0);
    }

    // In a merged tab each file's lanes come together under a label, in the
    // order of the files; clicking a bar chooses its record, and showRun
    // brings a bar of the last file into view. A tab of one file has no
    // labels.
    void groups_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("merged");
        QTest::addColumn<bool>("folded");
        QTest::addColumn<int>("quiet"); // a file without runs; -1 for none
        QTest::newRow("one file") << 1 << false << true << -1;
        QTest::newRow("two files") << 2 << true << true << -1;
        QTest::newRow("three files, unfolded") << 3 << true << false << -1;
        QTest::newRow("three files, the middle one without runs") << 3 << true << true << 1;
    }

    void groups()
    {
        QFETCH(int, count);
        QFETCH(bool, merged);
        QFETCH(bool, folded);
        QFETCH(int, quiet);
        QList<QByteArray> contents;
        for (int file = 0; file < count; ++file)
            contents << groupedLog(file, file == quiet);
        QVERIFY(open(contents, merged));
        timeline->setFolded(folded);
        timeline->setVisibleRange(0, 62);
        const auto labels = timeline->groupLabels();
        if (!merged) {
            QVERIFY(labels.empty());
            checkPacking();
            return;
        }
        // A label for every file with runs, in order, each above its bars.
        std::vector<int> expected;
        for (int file = 0; file < count; ++file) {
            if (file != quiet)
                expected.push_back(file);
        }
        auto *viewer = qobject_cast<LogFileViewer *>(window->findChild<QTabWidget *>()->currentWidget());
        const QStringList names = viewer->logFile()->sourceNames();
        QCOMPARE(int(labels.size()), int(expected.size()));
        for (size_t group = 0; group < labels.size(); ++group) {
            QCOMPARE(labels[group].source, expected[group]);
            QCOMPARE(labels[group].text, names.value(expected[group]));
            if (group > 0)
                QVERIFY(labels[group].rect.top() > labels[group - 1].rect.bottom());
        }
        std::vector<int> bars(size_t(count), 0);
        for (size_t run = 0; run < runs().size(); ++run) {
            const QRect bar = timeline->barRect(int(run));
            const int source = runs()[run].source;
            QVERIFY(!bar.isEmpty() || (folded && runs()[run].outcome == ActionOccurrence::NeverEnded));
            if (bar.isEmpty())
                continue;
            ++bars[size_t(source)];
            // Under its own label, with no other label between.
            const auto below = std::find_if(labels.rbegin(), labels.rend(),
                                            [&](const auto &label) { return label.rect.bottom() < bar.top(); });
            QVERIFY(below != labels.rend());
            QCOMPARE(below->source, source);
            // A click on it chooses its start record. Sent as single
            // events, so that clicks in a row never make a double-click.
            QSignalSpy chosen(timeline, &ActionTimeline::recordChosen);
            const QPoint centre = bar.center();
            QMouseEvent press(QEvent::MouseButtonPress, centre, timeline->mapToGlobal(centre), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, centre, timeline->mapToGlobal(centre), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(timeline, &press);
            QApplication::sendEvent(timeline, &release);
            QCOMPARE(chosen.size(), 1);
            QCOMPARE(chosen.at(0).at(0).toInt(), runs()[run].startRow);
        }
        for (const int file : expected)
            QVERIFY(bars[size_t(file)] > 0);
        // The last file's sub-run, from a view elsewhere.
        int last = -1;
        for (size_t run = 0; run < runs().size(); ++run) {
            if (runs()[run].source == expected.back() && runs()[run].parent >= 0)
                last = int(run);
        }
        QVERIFY(last >= 0);
        timeline->setVisibleRange(50, 52);
        timeline->showRun(last);
        QTRY_VERIFY(!timeline->barRect(last).isEmpty());
        QVERIFY(timeline->barRect(last).top() > timeline->barRect(runs()[size_t(last)].parent).top());
        QImage image(timeline->size(), QImage::Format_ARGB32_Premultiplied);
        timeline->render(&image);
    }

    void legend()
    {
        QVERIFY(open(busyLog()));
        auto *legend = timeline->findChild<QWidget *>(QStringLiteral("timelineLegend"));
        QVERIFY(legend);
        QVERIFY(legend->isVisible());
        QCOMPARE(legend->geometry().bottom(), timeline->height() - 1);
        for (const char *entry : {"Completed", "Cancelled", "Restarted", "Never ended", "No start", "Error", "Warning"})
            QVERIFY2(legend->accessibleDescription().contains(QLatin1String(entry)), entry);
        QVERIFY(timeline->summaryRect().bottom() < legend->geometry().top());
    }

    // Axis labels lie whole within the plot; files without records show 0 to 1.
    void axis_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<double>("from"); // NaN: as the file fits
        QTest::addColumn<double>("to");
        const double fit = std::nan("");
        QTest::newRow("empty file") << QByteArray() << fit << fit;
        QTest::newRow("no records") << QByteArray("not a record\nnor this\n") << fit << fit;
        QTest::newRow("whole busy file") << busyLog() << fit << fit;
        QTest::newRow("label at the right end") << busyLog() << 0.05 << 99.99;
        QTest::newRow("large times") << QByteArray("1700000000.5 : Info : arm : starting action: 1: A\n"
                                                   "1700000100.5 : Info : arm : completing action: 1:\n")
                                     << fit << fit;
    }

    void axis()
    {
        QFETCH(QByteArray, content);
        QFETCH(double, from);
        QFETCH(double, to);
        QVERIFY(open(content));
        if (content.isEmpty() || content.startsWith("not")) {
            QCOMPARE(timeline->visibleFrom(), 0.0);
            QCOMPARE(timeline->visibleTo(), 1.0);
        }
        if (!std::isnan(from))
            timeline->setVisibleRange(from, to);
        const auto labels = timeline->axisLabels();
        QVERIFY(labels.size() >= 2);
        if (content.isEmpty()) {
            QCOMPARE(labels.front().time, 0.0);
            QCOMPARE(labels.back().time, 1.0);
        }
        for (const auto &label : labels) {
            QVERIFY2(label.rect.left() >= 0 && label.rect.right() < plotWidth(), qPrintable(label.text));
            QVERIFY(label.rect.width() >= QFontMetrics(timeline->font()).horizontalAdvance(label.text));
        }
        QImage image(timeline->size(), QImage::Format_ARGB32_Premultiplied);
        timeline->render(&image);
    }

    // Times near the ends of the doubles: the view, the bars, the labels and
    // a stretch chosen on the histogram stay finite.
    void extremeTimes_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("end");
        const QByteArray huge = "1" + QByteArray(300, '0');
        QTest::newRow("huge") << QByteArray(huge + ".0") << QByteArray("2" + huge.mid(1) + ".0");
        QTest::newRow("zero to huge") << QByteArray("0.0") << QByteArray(huge + ".0");
        QTest::newRow("overflowing") << QByteArray("1" + QByteArray(400, '0') + ".0") << QByteArray("1" + QByteArray(401, '0') + ".0");
    }

    void extremeTimes()
    {
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, end);
        QVERIFY(open(start + " : Info : arm : starting action: 1: A\n" + end + " : Info : arm : completing action: 1:\n"
                     + end + " : Info : arm : starting action: 2: B\n"));
        const auto finite = [this] { return std::isfinite(timeline->visibleFrom()) && std::isfinite(timeline->visibleTo()); };
        QVERIFY(finite());
        for (int run = 0; run < int(runs().size()); ++run) {
            timeline->setVisibleRange(0, 1);
            timeline->showRun(run);
            QVERIFY(finite());
            timeline->barRect(run);
        }
        for (const int notches : {-40, 40}) {
            const QPoint pointer(100, ActionTimeline::lanesTop() + 5);
            QWheelEvent wheel(pointer, timeline->mapToGlobal(pointer), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(timeline, &wheel);
            QVERIFY(finite());
        }
        for (const auto &label : timeline->axisLabels())
            QVERIFY(!label.text.isEmpty());
        QSignalSpy chosen(timeline, &ActionTimeline::rangeChosen);
        QTest::mousePress(timeline, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
        QMouseEvent move(QEvent::MouseMove, QPoint(200, 12), timeline->mapToGlobal(QPoint(200, 12)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(timeline, &move);
        QTest::mouseRelease(timeline, Qt::LeftButton, Qt::NoModifier, QPoint(200, 12));
        for (const auto &arguments : chosen)
            QVERIFY(std::isfinite(arguments.at(0).toDouble()) && std::isfinite(arguments.at(1).toDouble()));
        QImage image(timeline->size(), QImage::Format_ARGB32_Premultiplied);
        timeline->render(&image);
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    int appArgc = 1;
    char name[] = "tst_timeline";
    char *appArgv[] = {name, nullptr};
    QApplication app(appArgc, appArgv);
    TestTimeline test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_timeline.moc"
