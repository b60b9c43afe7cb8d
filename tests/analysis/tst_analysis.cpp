// Action analysis: runs, causes and statistics from crafted logs, the
// tables' sorting and narrowing, the timeline's lanes and clicks, and the
// panels, quick filters and selection through the real window.
#include "runtexts.h"
#include "actionoccurrences.h"
#include "actionspanel.h"
#include "actionstatisticsmodel.h"
#include "actiontablemodel.h"
#include "actiontimeline.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "quickfilter.h"
#include "testfiles.h"
#include "timelinelanes.h"
#include "windowtestenvironment.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QToolTip>
#include <QHelpEvent>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QtTest>

namespace {

// Per run: "<id> <outcome> <start row>-<end row>", and the cause's row when there is one.
QStringList describeRuns(const ActionAnalysis &analysis)
{
    QStringList out;
    for (const ActionOccurrence &run : analysis.occurrences) {
        QString text = QStringLiteral("%1 %2 %3-%4")
                           .arg(run.id)
                           .arg(ActionOccurrence::outcomeText(run.outcome))
                           .arg(run.startRow)
                           .arg(run.endRow);
        if (run.causeRow >= 0)
            text += QStringLiteral(" cause %1").arg(run.causeRow);
        if (run.parent >= 0)
            text += QStringLiteral(" in %1").arg(run.parent);
        out << text;
    }
    return out;
}

QAction *menuAction(QMainWindow &w, const QString &objectName)
{
    return w.findChild<QAction *>(objectName);
}

// A move with the left button held (QTest::mouseMove moves the cursor only).
void dragTo(QWidget *widget, const QPoint &position)
{
    QMouseEvent move(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

LogFileViewer *currentViewer(QMainWindow &w)
{
    return qobject_cast<LogFileViewer *>(w.findChild<QTabWidget *>()->currentWidget());
}

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int files = 0;

    std::shared_ptr<LogFile> load(const QByteArray &content)
    {
        QStringList errors;
        return LogFile::load(writeTestFile(dir, QStringLiteral("a%1.log").arg(++files), content), errors);
    }

    // The runs point at their file's actions, so the file is kept for as
    // long as the test runs.
    std::vector<std::shared_ptr<LogFile>> analysedFiles;
    std::shared_ptr<const ActionAnalysis> analyse(const QByteArray &content)
    {
        analysedFiles.push_back(load(content));
        return ActionAnalysis::compute(*analysedFiles.back(), analysedFiles.back()->entries().size());
    }

    static std::shared_ptr<const RunTexts> textsOf(const ActionAnalysis &analysis, const LogFile &file)
    {
        return RunTexts::make(analysis, LogFile::ReadAccess(file));
    }
    static void setAnalysisOf(ActionsPanel &panel, const LogFile &file)
    {
        const auto analysis = ActionAnalysis::compute(file, file.entries().size());
        panel.setAnalysis(analysis, textsOf(*analysis, file));
    }

private slots:
    void init() { QSettings().clear(); }
    void cleanup() { analysedFiles.clear(); }

    void runs_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("runs");
        QTest::newRow("completed and cancelled")
            << QStringList{"starting action: 1: Pick", "completing action: 1:", "starting action: 2: Place",
                           "Error|arm|gripper slipped", "canceling action: 2:"}
            << QStringList{"1 Completed 0-1", "2 Cancelled 2-4 cause 3"};
        QTest::newRow("restart: the earlier start ends Restarted")
            << QStringList{"starting action: 1: Pick", "starting action: 1:", "completing action: 1:"}
            << QStringList{"1 Restarted 0-1", "1 Completed 1-2"};
        QTest::newRow("cancel, then started again")
            << QStringList{"starting action: 1: Pick", "canceling action: 1:", "starting action: 1:",
                           "completing action: 1:"}
            << QStringList{"1 Cancelled 0-1", "1 Completed 2-3"};
        QTest::newRow("an end without a start, and a second end")
            << QStringList{"completing action: 4: Dock", "starting action: 4:", "completing action: 4:",
                           "canceling action: 4:"}
            << QStringList{"4 No start -1-0", "4 Completed 1-2", "4 No start -1-3"};
        QTest::newRow("a start left running, with the warning before the end of the file")
            << QStringList{"starting action: 5: Scan", "Warning|vision|lens dirty", "Info|arm|idle"}
            << QStringList{"5 Never ended 0--1 cause 1"};
        QTest::newRow("nested runs belong to the run that lists them")
            << QStringList{"starting action: 10: Seq [11: Move [],12: Grip []]", "starting action: 11:",
                           "completing action: 11:", "starting action: 12:", "completing action: 12:",
                           "completing action: 10:", "starting action: 11:", "completing action: 11:"}
            << QStringList{"10 Completed 0-5", "11 Completed 1-2 in 0", "12 Completed 3-4 in 0",
                           "11 Completed 6-7"};
    }

    void runs()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, runs);
        QCOMPARE(describeRuns(*analyse(records(lines))), runs);
    }

    // The cause of a cancellation: the last error up to the end, those of
    // the action's own subsystem first; without errors, the last warning.
    void causes_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("cause");
        QTest::newRow("own subsystem's error first")
            << QStringList{"starting action: 1: Lift", "Error|arm|joint 4 hot", "Error|vision|camera lost",
                           "canceling action: 1:"}
            << QStringLiteral("joint 4 hot");
        QTest::newRow("another subsystem's error")
            << QStringList{"starting action: 1: Lift", "Warning|arm|slow", "Error|vision|camera lost",
                           "canceling action: 1:"}
            << QStringLiteral("camera lost");
        QTest::newRow("a warning when there is no error")
            << QStringList{"starting action: 1: Lift", "Warning|drive|wheel slip", "Warning|arm|slow",
                           "canceling action: 1:"}
            << QStringLiteral("slow");
        QTest::newRow("nothing before the start counts")
            << QStringList{"Error|arm|old trouble", "starting action: 1: Lift", "canceling action: 1:"}
            << QString();
        QTest::newRow("a completed run has none")
            << QStringList{"starting action: 1: Lift", "Error|arm|joint 4 hot", "completing action: 1:"}
            << QString();
    }

    void causes()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, cause);
        auto file = load(records(lines));
        ActionTableModel model;
        const auto analysis = ActionAnalysis::compute(*file, file->entries().size());
        model.setAnalysis(analysis, textsOf(*analysis, *file));
        QCOMPARE(model.index(0, ActionTableModel::CauseColumn).data().toString(), cause);
    }

    // Durations and statistics on known runs: five Picks of 1, 2, 3, 4 and
    // 10 s, one cancelled, one left running.
    void statistics()
    {
        QByteArray content;
        double time = 1;
        int id = 1;
        for (double duration : {1.0, 2.0, 3.0, 4.0, 10.0}) {
            content += QByteArray::number(time, 'f', 3) + " : Info : arm : starting action: "
                + QByteArray::number(id) + ": Pick, bin\n";
            time += duration;
            content += QByteArray::number(time, 'f', 3) + " : Info : arm : "
                + (duration == 4.0 ? "canceling" : "completing") + " action: " + QByteArray::number(id) + ":\n";
            time += 1;
            ++id;
        }
        content += QByteArray::number(time, 'f', 3) + " : Info : arm : starting action: 99: Pick, bin\n";
        auto file = load(content);
        auto analysis = ActionAnalysis::compute(*file, file->entries().size());
        ActionTableModel table;
        table.setAnalysis(analysis, textsOf(*analysis, *file));
        QCOMPARE(table.index(4, ActionTableModel::DurationColumn).data().toString(), QStringLiteral("10.000"));
        QCOMPARE(table.index(5, ActionTableModel::DurationColumn).data().toString(), QString());
        QCOMPARE(table.index(5, ActionTableModel::OutcomeColumn).data().toString(), QStringLiteral("Never ended"));

        ActionStatisticsModel model;
        model.setStatistics(analysis->statistics);
        QCOMPARE(model.rowCount(), 1);
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells << model.index(0, column).data().toString();
        QCOMPARE(cells, (QStringList{"Pick", "6", "4", "1", "1", "1.000", "3.000", "10.000", "10.000"}));
    }

    // Numbers sort as numbers, missing values first; the narrowing line and
    // a statistics row narrow the runs.
    void sortingAndNarrowing()
    {
        auto file = load(records({"starting action: 1: Move, left", "completing action: 1:",
                                  "starting action: 2: Grip", "Info|arm|a", "Info|arm|b", "Info|arm|c",
                                  "Info|arm|d", "Info|arm|e", "Info|arm|f", "Info|arm|g", "completing action: 2:",
                                  "starting action: 3: MoveArm, right", "canceling action: 3:",
                                  "starting action: 10: Move, up"}));
        ActionsPanel panel;
        // The panel's models, and the proxies over them, keep the rules of
        // item models through every change below.
        const auto mode = QAbstractItemModelTester::FailureReportingMode::QtTest;
        auto *statisticsSorter = qobject_cast<QSortFilterProxyModel *>(panel.statisticsTable()->model());
        QVERIFY(statisticsSorter);
        QAbstractItemModelTester runsTester(panel.tableModel(), mode);
        QAbstractItemModelTester statisticsTester(statisticsSorter->sourceModel(), mode);
        QAbstractItemModelTester sortedStatisticsTester(statisticsSorter, mode);
        // A first analysis replaced by the file's: the models are reset.
        auto wave = load("1.0 : Info : arm : starting action: 7: Wave\n");
        setAnalysisOf(panel, *wave);
        setAnalysisOf(panel, *file);
        QTableView *table = panel.table();
        const auto column = [table](int c) {
            QStringList out;
            for (int row = 0; row < table->model()->rowCount(); ++row)
                out << table->model()->index(row, c).data().toString();
            return out;
        };
        table->sortByColumn(ActionTableModel::DurationColumn, Qt::AscendingOrder);
        QCOMPARE(column(ActionTableModel::DurationColumn), (QStringList{"", "1.000", "1.000", "8.000"}));
        table->sortByColumn(ActionTableModel::IdColumn, Qt::DescendingOrder);
        QCOMPARE(column(ActionTableModel::IdColumn), (QStringList{"10", "3", "2", "1"}));

        QTest::keyClicks(panel.narrowingLine(), QStringLiteral("move"));
        QCOMPARE(column(ActionTableModel::IdColumn), (QStringList{"10", "3", "1"}));
        panel.narrowingLine()->clear();
        QTest::keyClicks(panel.narrowingLine(), QStringLiteral("cancel"));
        QCOMPARE(column(ActionTableModel::IdColumn), QStringList{"3"});

        // A statistics row narrows to exactly its name (not MoveArm).
        QTableView *statistics = panel.statisticsTable();
        int moveRow = -1;
        for (int row = 0; row < statistics->model()->rowCount(); ++row) {
            if (statistics->model()->index(row, 0).data().toString() == QLatin1String("Move"))
                moveRow = row;
        }
        QVERIFY(moveRow >= 0);
        emit statistics->doubleClicked(statistics->model()->index(moveRow, 0));
        QCOMPARE(column(ActionTableModel::IdColumn), (QStringList{"10", "1"}));
        QCOMPARE(panel.narrowingLine()->text(), QStringLiteral("\"Move\""));
    }

    // Every column of the runs sorts: numbers as numbers with missing values
    // first, texts regardless of case, outcomes grouped; so do the columns of
    // the statistics.
    void everyColumnSorts_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("order");
        const char *const orders[] = {"number", "text", "text", "text", "number",
                                      "number", "number", "text", "number", "text"};
        // Source shows only for the runs of a merged view.
        for (int column = 0; column < ActionTableModel::SourceColumn; ++column) {
            const QString header = ActionTableModel().headerData(column, Qt::Horizontal).toString();
            QTest::newRow(qPrintable(header)) << column << QString::fromLatin1(orders[column]);
        }
    }

    void everyColumnSorts()
    {
        QFETCH(int, column);
        QFETCH(QString, order);
        auto file = load(records({"starting action: 10: pick, bin2 [2: Move [],3: grip []]",
                                  "Info|drive|starting action: 2:", "Error|drive|wheel slip", "completing action: 2:",
                                  "completing action: 10:", "starting action: 1: Move, left",
                                  "Warning|arm|slow", "canceling action: 1:", "completing action: 7: Lost",
                                  "starting action: 3:", "Info|arm|x", "starting action: 11: Zed"}));
        ActionsPanel panel;
        setAnalysisOf(panel, *file);
        const auto inOrder = [&](const QString &a, const QString &b) {
            if (order == QLatin1String("number"))
                return (a.isEmpty() ? -1e300 : a.toDouble()) <= (b.isEmpty() ? -1e300 : b.toDouble());
            return a.compare(b, Qt::CaseInsensitive) <= 0;
        };
        QTableView *table = panel.table();
        for (Qt::SortOrder direction : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            table->sortByColumn(column, direction);
            QStringList cells;
            for (int row = 0; row < table->model()->rowCount(); ++row)
                cells << table->model()->index(row, column).data().toString();
            QCOMPARE(cells.size(), 6);
            for (int row = 1; row < cells.size(); ++row) {
                const bool ordered = direction == Qt::AscendingOrder ? inOrder(cells.at(row - 1), cells.at(row))
                                                                     : inOrder(cells.at(row), cells.at(row - 1));
                QVERIFY2(ordered, qPrintable(cells.join(QLatin1String(" | "))));
            }
        }

        // The statistics: the name, then numbers.
        QTableView *statistics = panel.statisticsTable();
        const int statisticsColumn = column % ActionStatisticsModel::ColumnCount;
        statistics->sortByColumn(statisticsColumn, Qt::AscendingOrder);
        for (int row = 1; row < statistics->model()->rowCount(); ++row) {
            const QString a = statistics->model()->index(row - 1, statisticsColumn).data().toString();
            const QString b = statistics->model()->index(row, statisticsColumn).data().toString();
            QVERIFY2(statisticsColumn == 0 ? a.compare(b, Qt::CaseInsensitive) <= 0
                                          : (a.isEmpty() ? -1.0 : a.toDouble()) <= (b.isEmpty() ? -1.0 : b.toDouble()),
                     qPrintable(a + QLatin1String(" > ") + b));
        }
    }

    // Bars in one lane never overlap, and sub-action runs lie in lanes below
    // their run's and within its block.
    void lanes()
    {
        QByteArray content;
        int id = 1;
        for (int i = 0; i < 40; ++i) {
            const QByteArray parent = QByteArray::number(id);
            content += QByteArray::number(i * 3) + ".5 : Info : planner : starting action: " + parent + ": Seq ["
                + QByteArray::number(id + 1) + ": A [],"+ QByteArray::number(id + 2) + ": B []]\n";
            content += QByteArray::number(i * 3) + ".6 : Info : arm : starting action: " + QByteArray::number(id + 1) + ":\n";
            content += QByteArray::number(i * 3) + ".7 : Info : arm : starting action: " + QByteArray::number(id + 2) + ":\n";
            content += QByteArray::number(i * 3 + 1) + ".9 : Info : arm : completing action: " + QByteArray::number(id + 1) + ":\n";
            if (i % 3)
                content += QByteArray::number(i * 3 + 4) + ".1 : Info : planner : completing action: " + parent + ":\n";
            id += 3;
        }
        auto analysis = analyse(content);
        const TimelineLanes lanes = TimelineLanes::layOut(analysis->occurrences);
        const auto &runs = analysis->occurrences;
        for (const auto &lane : lanes.runsInLane) {
            for (size_t i = 1; i < lane.size(); ++i)
                QVERIFY(runs[size_t(lane[i - 1])].endTime <= runs[size_t(lane[i])].startTime);
        }
        int nested = 0;
        for (size_t run = 0; run < runs.size(); ++run) {
            if (runs[run].parent < 0)
                continue;
            ++nested;
            QVERIFY(lanes.laneOf[run] > lanes.laneOf[size_t(runs[run].parent)]);
        }
        QCOMPARE(nested, 80);
    }

    // Clicking a bar chooses its start record.
    void timelineClick()
    {
        auto analysis = analyse(records({"starting action: 1: Pick", "completing action: 1:",
                                         "starting action: 2: Place", "Info|arm|x", "canceling action: 2:"}));
        ActionTimeline timeline;
        timeline.resize(600, 200);
        timeline.setAnalysis(analysis, std::make_shared<const TimelineLanes>(TimelineLanes::layOut(analysis->occurrences)));
        QSignalSpy chosen(&timeline, &ActionTimeline::recordChosen);
        const QRect bar = timeline.barRect(1);
        QVERIFY(!bar.isEmpty());
        QTest::mouseClick(&timeline, Qt::LeftButton, Qt::NoModifier, bar.center());
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().toInt(), 2);
    }

    // The wheel zooms around the pointer and dragging pans with it: the bar
    // under the pointer stays under it. Zooming stops at a bound either way,
    // also where times are large, and the view still paints; a double-click
    // fits all again.
    void timelineNavigation_data()
    {
        QTest::addColumn<double>("base");
        QTest::addColumn<int>("notches"); // positive zooms in
        QTest::addColumn<int>("drag");
        QTest::newRow("wheel in") << 0.0 << 3 << 0;
        QTest::newRow("wheel out") << 0.0 << -2 << 0;
        QTest::newRow("drag") << 0.0 << 0 << 60;
        QTest::newRow("wheel in, drag back") << 12.5 << 6 << -40;
        QTest::newRow("in as far as it goes") << 0.0 << 400 << 25;
        QTest::newRow("in as far as it goes, large times") << 1.7e9 << 400 << 25;
        QTest::newRow("out as far as it goes") << 0.0 << -4000 << 0;
        QTest::newRow("out as far as it goes, large times") << 1.7e9 << -4000 << 0;
    }

    void timelineNavigation()
    {
        QFETCH(double, base);
        QFETCH(int, notches);
        QFETCH(int, drag);
        QByteArray content;
        for (int i = 0; i < 20; ++i) {
            const QByteArray time = QByteArray::number(base + i * 2, 'f', 3);
            const QByteArray end = QByteArray::number(base + i * 2 + 1.5, 'f', 3);
            content += time + " : Info : arm : starting action: " + QByteArray::number(i + 1) + ": Step\n";
            content += end + " : Info : arm : completing action: " + QByteArray::number(i + 1) + ":\n";
        }
        const auto analysis = analyse(content);
        ActionTimeline timeline;
        timeline.resize(614, 200);
        timeline.setAnalysis(analysis, std::make_shared<const TimelineLanes>(TimelineLanes::layOut(analysis->occurrences)));
        const double fittedFrom = timeline.visibleFrom();
        const double fittedTo = timeline.visibleTo();
        const QPoint pointer = timeline.barRect(10).center();
        QCOMPARE(timeline.runAt(pointer), 10);

        const auto wheel = [&](int count) {
            for (int i = 0; i < std::abs(count); ++i) {
                QWheelEvent event(pointer, timeline.mapToGlobal(pointer), QPoint(), QPoint(0, count > 0 ? 120 : -120),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(&timeline, &event);
            }
        };
        const auto span = [&] { return timeline.visibleTo() - timeline.visibleFrom(); };
        wheel(notches);
        QVERIFY(std::isfinite(span()) && span() > 0);
        // Zoomed out as far as it goes, the file is a few pixels wide.
        if (notches < -100)
            QVERIFY(timeline.runAt(pointer) >= 0);
        else
            QCOMPARE(timeline.runAt(pointer), 10);
        if (std::abs(notches) > 100) {
            const double bound = span();
            wheel(notches > 0 ? 1 : -1);
            QCOMPARE(span(), bound);
        } else if (notches != 0) {
            QVERIFY(notches > 0 ? span() < fittedTo - fittedFrom : span() > fittedTo - fittedFrom);
        }

        if (drag) {
            const QPoint target = pointer + QPoint(drag, 0);
            QTest::mousePress(&timeline, Qt::LeftButton, Qt::NoModifier, pointer);
            dragTo(&timeline, target);
            QTest::mouseRelease(&timeline, Qt::LeftButton, Qt::NoModifier, target);
            QCOMPARE(timeline.runAt(target), 10);
        }
        timeline.setCursorTime(base);
        QImage image(timeline.size(), QImage::Format_ARGB32_Premultiplied);
        timeline.render(&image);

        QTest::mouseDClick(&timeline, Qt::LeftButton, Qt::NoModifier, pointer);
        QCOMPARE(timeline.visibleFrom(), fittedFrom);
        QCOMPARE(timeline.visibleTo(), fittedTo);
    }

    // Through the window: hovering over a bar tells about its run, a filter
    // dims the bars of the runs whose records it hides, the tree's current
    // row puts the cursor at its time and in view, and a Cause
    // double-clicked selects its record.
    void timelineAndTableInTheWindow()
    {
        MirtLogFileAnalyzer w;
        w.resize(1200, 800);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.openLogFile(writeTestFile(dir, QStringLiteral("two.log"),
                                    records({"starting action: 1: Pick, bin3", "completing action: 1:",
                                             "Info|planner|starting action: 2: Place, tray", "Error|planner|gripper stuck",
                                             "Info|planner|canceling action: 2:"})));
        WAIT_UNTIL_IDLE(w);
        menuAction(w, QStringLiteral("viewActions"))->trigger();
        menuAction(w, QStringLiteral("viewTimeline"))->trigger();
        auto *panel = w.findChild<ActionsPanel *>();
        QVERIFY(panel);
        QTRY_COMPARE(panel->table()->model()->rowCount(), 2);
        auto *timeline = w.findChild<ActionTimeline *>();
        QTRY_VERIFY(!timeline->barRect(0).isEmpty());
        LogFileViewer *viewer = currentViewer(w);

        const QRect pick = timeline->barRect(0);
        const QRect place = timeline->barRect(1);
        QHelpEvent hover(QEvent::ToolTip, pick.center(), timeline->mapToGlobal(pick.center()));
        QApplication::sendEvent(timeline, &hover);
        QTRY_VERIFY(QToolTip::isVisible());
        for (const char *line : {"Pick, bin3", "Start: 1", "End: 2", "Duration: 1.000 s"})
            QVERIFY2(QToolTip::text().contains(QLatin1String(line)), qPrintable(QToolTip::text()));
        QToolTip::hideText();

        // Near the bars' right ends, clear of their labels.
        const auto colourAt = [timeline](const QRect &bar) {
            return timeline->grab().toImage().pixel(bar.right() - 2, bar.center().y());
        };
        const QRgb pickBefore = colourAt(pick);
        const QRgb placeBefore = colourAt(place);
        QLineEdit *filterLine = w.findChild<QToolBar *>()->findChild<QLineEdit *>();
        filterLine->setText(QStringLiteral("action != 1"));
        QTest::keyClick(filterLine, Qt::Key_Return);
        WAIT_UNTIL_IDLE(w);
        QTRY_VERIFY(colourAt(pick) != pickBefore);
        QCOMPARE(colourAt(place), placeBefore);

        timeline->setVisibleRange(1.0, 1.5);
        viewer->showEntry(4);
        QVERIFY(timeline->visibleFrom() <= 5.0 && 5.0 <= timeline->visibleTo());

        QTableView *table = panel->table();
        table->sortByColumn(ActionTableModel::IdColumn, Qt::AscendingOrder);
        emit table->doubleClicked(table->model()->index(1, ActionTableModel::CauseColumn));
        QCOMPARE(viewer->currentEntry(), 3);
    }

    // The panels of a followed log are brought up to date while a writer
    // keeps appending, and go with their tab.
    void panelsOfAGrowingLog()
    {
        const QString path = writeTestFile(dir, QStringLiteral("growing.log"),
                                           records({"starting action: 1: Pick", "completing action: 1:"}));
        MirtLogFileAnalyzer w;
        w.show();
        w.openLogFile(path);
        WAIT_UNTIL_IDLE(w);
        menuAction(w, QStringLiteral("viewActions"))->trigger();
        QPointer<ActionsPanel> panel = w.findChild<ActionsPanel *>();
        QVERIFY(panel);
        QTRY_COMPARE(panel->table()->model()->rowCount(), 1);
        menuAction(w, QStringLiteral("fileFollow"))->trigger();

        // A run every 300 ms, for longer than the panels wait between updates.
        QFile out(path);
        QVERIFY(out.open(QIODevice::Append));
        int written = 0;
        QTimer writer;
        connect(&writer, &QTimer::timeout, this, [&] {
            ++written;
            out.write(QByteArray::number(10 + written) + ".0 : Info : arm : starting action: "
                      + QByteArray::number(1 + written) + ": Place\n");
            out.flush();
        });
        writer.start(300);
        QTRY_VERIFY_WITH_TIMEOUT(panel->table()->model()->rowCount() > 1, 8000);
        QVERIFY(written < 20);
        writer.stop();

        menuAction(w, QStringLiteral("fileClose"))->trigger();
        QTRY_VERIFY(panel.isNull());
        // Closed with its own button, the panel unchecks View > Actions.
        w.findChild<QDockWidget *>(QStringLiteral("actionsDock"))->close();
        QVERIFY(!menuAction(w, QStringLiteral("viewActions"))->isChecked());
    }

    // Through the real window: the panels follow the current tab and the
    // tree, choosing a run selects its start record, a stretch dragged on
    // the histogram becomes a filter, and the panels stay shown across runs.
    void panelsInTheWindow()
    {
        {
            MirtLogFileAnalyzer w;
            w.openLogFile(QStringLiteral(MIRT_SOURCE_DIR "/samples/pick_and_place.log"));
            WAIT_UNTIL_IDLE(w);
            menuAction(w, QStringLiteral("viewActions"))->trigger();
            menuAction(w, QStringLiteral("viewTimeline"))->trigger();
            auto *panel = w.findChild<ActionsPanel *>();
            QVERIFY(panel);
            QTRY_VERIFY(panel->table()->model()->rowCount() > 10);
            LogFileViewer *viewer = currentViewer(w);

            // Table to tree: the run of action 131 cancelled at 11.905 s.
            QTableView *table = panel->table();
            int cancelled = -1;
            for (int row = 0; row < table->model()->rowCount(); ++row) {
                if (table->model()->index(row, ActionTableModel::IdColumn).data().toString() == QLatin1String("131")
                    && table->model()->index(row, ActionTableModel::OutcomeColumn).data().toString()
                           == QLatin1String("Cancelled"))
                    cancelled = row;
            }
            QVERIFY(cancelled >= 0);
            QCOMPARE(table->model()->index(cancelled, ActionTableModel::CauseColumn).data().toString(),
                     QStringLiteral("Joint 4 over temperature (78 C), stopping motion"));
            table->setCurrentIndex(table->model()->index(cancelled, 0));
            const int start = viewer->currentEntry();
            QCOMPARE(viewer->topLevelItem(start)->text(3), QStringLiteral("131"));
            QCOMPARE(viewer->topLevelItem(start)->text(4), QStringLiteral("Start"));
            QCOMPARE(viewer->highlightedRow(), viewer->findPartner(start, Start));

            // Tree to table: the end record selects the same run.
            viewer->showEntry(viewer->findPartner(start, Start));
            QCOMPARE(table->currentIndex().row(), cancelled);

            auto *timeline = w.findChild<ActionTimeline *>();
            QVERIFY(timeline);
            QTest::mousePress(timeline, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
            dragTo(timeline, QPoint(200, 12));
            QTest::mouseRelease(timeline, Qt::LeftButton, Qt::NoModifier, QPoint(200, 12));
            const QString range = w.findChild<QToolBar *>()->findChild<QLineEdit *>()->text();
            const QRegularExpressionMatch bounds =
                QRegularExpression(QStringLiteral("^time >= ([0-9.]+) && time <= ([0-9.]+)$")).match(range);
            QVERIFY2(bounds.hasMatch(), qPrintable(range));
            const double a = bounds.captured(1).toDouble();
            const double b = bounds.captured(2).toDouble();
            QVERIFY2(timeline->visibleFrom() < a && a < b && b < timeline->visibleTo(), qPrintable(range));
            QVERIFY(w.close());
        }
        MirtLogFileAnalyzer again;
        QVERIFY(menuAction(again, QStringLiteral("viewActions"))->isChecked());
        QVERIFY(menuAction(again, QStringLiteral("viewTimeline"))->isChecked());
    }

    // Quick filters write an expression that parses, apply it, and add to
    // the filter that applies.
    void quickFilters_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("kinds");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<int>("shown");
        // Row 1: "0.012 : Debug : battery : ...", row 38: "11.900 : Error : arm : ...".
        QTest::newRow("only this subsystem") << 1 << QList<int>{0} << QStringLiteral("subsystem == \"battery\"") << 2;
        QTest::newRow("only this type, then up to this time")
            << 38 << QList<int>{2, 5} << QStringLiteral("type == \"error\" && time <= 11.9") << 2;
        QTest::newRow("from this time on, hiding this subsystem")
            << 38 << QList<int>{4, 1} << QStringLiteral("time >= 11.9 && subsystem != \"arm\"") << 3;
    }

    void quickFilters()
    {
        QFETCH(int, row);
        QFETCH(QList<int>, kinds);
        QFETCH(QString, expression);
        QFETCH(int, shown);
        MirtLogFileAnalyzer w;
        w.openLogFile(QStringLiteral(MIRT_SOURCE_DIR "/samples/pick_and_place.log"));
        WAIT_UNTIL_IDLE(w);
        LogFileViewer *viewer = currentViewer(w);
        for (int kind : kinds) {
            QMenu *menu = viewer->createContextMenu(viewer->model()->index(row, 5));
            menu->findChild<QAction *>(QStringLiteral("quickFilter%1").arg(kind))->trigger();
            delete menu;
            WAIT_UNTIL_IDLE(w);
        }
        QCOMPARE(w.findChild<QToolBar *>()->findChild<QLineEdit *>()->text(), expression);
        QCOMPARE(viewer->shownRowCount(), shown);
    }

    void quickFilterCombinesWithAnyFilter()
    {
        QCOMPARE(quickfilter::combine(QStringLiteral("type == \"error\" || type == \"warning\""),
                                      QStringLiteral("time >= 5")),
                 QStringLiteral("(type == \"error\" || type == \"warning\") && time >= 5"));
        QCOMPARE(quickfilter::combine(QString(), QStringLiteral("time >= 5")), QStringLiteral("time >= 5"));
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    int appArgc = 1;
    char name[] = "tst_analysis";
    char *appArgv[] = {name, nullptr};
    QApplication app(appArgc, appArgv);
    TestAnalysis test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_analysis.moc"
