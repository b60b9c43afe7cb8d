// What explains a failed run: the cause found in its window, with its own
// and its sub-actions' records left out; the root cause traced down the
// failed sub-runs and the chain text; restarted runs; statistics of some
// runs; and the tree's start tooltip agreeing with the analysis.
#include "actionoccurrences.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "partnerindex.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QApplication>
#include <QtTest>

namespace {

// The run's outcome, rows, end time and the message of its own cause.
QString describe(const ActionAnalysis &analysis, const LogFile &file, int run)
{
    const ActionOccurrence &occurrence = analysis.occurrences[size_t(run)];
    return QStringLiteral("%1 %2 %3-%4 at %5: %6")
        .arg(occurrence.id)
        .arg(ActionOccurrence::outcomeText(occurrence.outcome))
        .arg(occurrence.startRow)
        .arg(occurrence.endRow)
        .arg(occurrence.endTime)
        .arg(occurrence.causeRow >= 0 ? file.entries().at(occurrence.causeRow)->message() : QStringLiteral("-"));
}

bool nestedIn(const ActionAnalysis &analysis, int run, int outer)
{
    for (; run >= 0; run = analysis.occurrences[size_t(run)].parent) {
        if (run == outer)
            return true;
    }
    return false;
}

// The cause by its definition, looking at every record of the window.
int scannedCause(const ActionAnalysis &analysis, const LogFile &file, int run)
{
    const ActionOccurrence &occurrence = analysis.occurrences[size_t(run)];
    if (occurrence.startRow < 0 || !occurrence.failed())
        return -1;
    const int end = occurrence.outcome == ActionOccurrence::NeverEnded ? file.entries().size() : occurrence.endRow;
    for (EntryType level : {Error, Warning}) {
        for (bool ownSubsystem : {true, false}) {
            for (int row = end - 1; row > occurrence.startRow; --row) {
                const LogFileEntry &entry = *file.entries().at(row);
                const int of = analysis.occurrenceOfRow[size_t(row)];
                if (entry.type() == level && (!ownSubsystem || entry.subsystem() == occurrence.subsystem)
                    && !(of >= 0 && nestedIn(analysis, of, run)))
                    return row;
            }
        }
    }
    return -1;
}

} // namespace

class TestCauses : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int files = 0;
    std::shared_ptr<LogFile> file;

    std::shared_ptr<const ActionAnalysis> analyse(const QByteArray &content)
    {
        QStringList errors;
        file = LogFile::load(writeTestFile(dir, QStringLiteral("c%1.log").arg(++files), content), errors);
        return file ? ActionAnalysis::compute(*file, file->entries().size()) : nullptr;
    }

private slots:
    // Per run: "<id> <outcome> <start row>-<end row> at <end time>: <cause>".
    void causes_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("runs");
        QTest::newRow("a cancel at Warning level is not its own cause; another action's is a warning")
            << QByteArray("1.000 : Info : arm : starting action: 1: Grip, bin3\n"
                          "1.500 : Warning : drive : wheel slip on left side\n"
                          "1.700 : Info : planner : starting action: 2: Scan\n"
                          "2.000 : Warning : arm : canceling action: 1:\n"
                          "2.100 : Error : vision : camera timeout\n"
                          "2.200 : Info : planner : canceling action: 2:\n")
            << QStringList{"1 Cancelled 0-3 at 2: wheel slip on left side", "2 Cancelled 2-5 at 2.2: camera timeout"};
        QTest::newRow("an unrelated action's Warning cancel is a cause")
            << records({"starting action: 1: Grip", "Info|planner|starting action: 2: Scan",
                        "Warning|planner|canceling action: 2: lost", "canceling action: 1:"})
            << QStringList{"1 Cancelled 0-3 at 4: canceling action: 2: lost", "2 Cancelled 1-2 at 3: -"};
        QTest::newRow("the own subsystem's error first, then any error, then warnings")
            << records({"starting action: 1: Lift", "Error|arm|joint hot", "Error|vision|camera lost",
                        "Warning|arm|slow", "canceling action: 1:", "starting action: 2: Lift",
                        "Warning|arm|slow", "Error|vision|camera lost", "Warning|drive|slip", "canceling action: 2:",
                        "starting action: 3: Lift", "Warning|arm|slow", "Warning|drive|slip", "canceling action: 3:",
                        "starting action: 4: Lift", "Warning|drive|slip", "canceling action: 4:"})
            << QStringList{"1 Cancelled 0-4 at 5: joint hot", "2 Cancelled 5-9 at 10: camera lost",
                           "3 Cancelled 10-13 at 14: slow", "4 Cancelled 14-16 at 17: slip"};
        QTest::newRow("sub-actions' records are left out, two levels down")
            << records({"starting action: 1: Seq [2: Grip [3: Close []]]", "Warning|drive|floor wet",
                        "Warning|arm|starting action: 2:", "Error|arm|starting action: 3:",
                        "Error|arm|completing action: 3:", "Warning|arm|completing action: 2:",
                        "canceling action: 1:"})
            << QStringList{"1 Cancelled 0-6 at 7: floor wet", "2 Completed 2-5 at 6: -", "3 Completed 3-4 at 5: -"};
        QTest::newRow("nothing outside the window, completed and unstarted runs have none")
            << records({"Error|arm|before", "starting action: 1: Lift", "completing action: 1:", "Error|arm|after",
                        "canceling action: 5: Dock", "starting action: 2: Lift", "canceling action: 2:"})
            << QStringList{"1 Completed 1-2 at 3: -", "5 No start -1-4 at 5: -", "2 Cancelled 5-6 at 7: -"};
        QTest::newRow("restarted: the window ends at the restart, the next run pairs")
            << records({"starting action: 1: Pick", "Warning|arm|slow", "Error|arm|starting action: 1:",
                        "Error|arm|jammed", "completing action: 1:", "Error|arm|late"})
            << QStringList{"1 Restarted 0-2 at 3: slow", "1 Completed 2-4 at 5: -"};
        QTest::newRow("restarted twice, then left running to the end of the file")
            << records({"starting action: 1: Pick", "starting action: 1:", "Warning|vision|blurred",
                        "starting action: 1:", "Info|arm|idle", "Error|vision|camera lost"})
            << QStringList{"1 Restarted 0-1 at 2: -", "1 Restarted 1-3 at 4: blurred",
                           "1 Never ended 3--1 at 6: camera lost"};
    }

    void causes()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, runs);
        const auto analysis = analyse(content);
        QStringList described;
        for (int run = 0; run < int(analysis->occurrences.size()); ++run)
            described << describe(*analysis, *file, run);
        QCOMPARE(described, runs);
    }

    // The failed path goes down to the deepest failed sub-run, the last
    // failed one whose path has a cause; the text names every run on it.
    void rootCauses_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<int>>("path"); // from run 0
        QTest::addColumn<int>("shownCause");
        QTest::addColumn<QString>("chain");
        const QString pickPlace = QStringLiteral("starting action: 1: PickPlace [2: Grip [3: Close []],4: Move []]");
        QTest::newRow("three levels, the last failed sub-run with a cause")
            << QStringList{pickPlace, "starting action: 4:", "Error|arm|arm jammed", "canceling action: 4:",
                           "starting action: 2:", "starting action: 3:", "Warning|gripper|gripper pressure low",
                           "Info|gripper|canceling action: 3:", "canceling action: 2:", "canceling action: 1:"}
            << QList<int>{0, 2, 3} << 6
            << QStringLiteral("PickPlace \u2192 Grip (Cancelled) \u2192 Close (Cancelled) \u2192 "
                              "\"gripper pressure low\" at 7");
        QTest::newRow("a later failed sub-run without a cause is passed over")
            << QStringList{pickPlace, "starting action: 2:", "Error|arm|arm jammed", "canceling action: 2:",
                           "starting action: 4:", "canceling action: 4:", "canceling action: 1:"}
            << QList<int>{0, 1} << 2 << QStringLiteral("PickPlace \u2192 Grip (Cancelled) \u2192 \"arm jammed\" at 3");
        QTest::newRow("the deepest has none: the cause of the run above it")
            << QStringList{pickPlace, "starting action: 2:", "Warning|arm|pressure low", "starting action: 3:",
                           "canceling action: 3:", "canceling action: 2:", "Error|planner|gave up",
                           "canceling action: 1:"}
            << QList<int>{0, 1, 2} << 2
            << QStringLiteral("PickPlace \u2192 Grip (Cancelled) \u2192 Close (Cancelled) \u2192 \"pressure low\" at 3");
        QTest::newRow("no failed sub-run: the run's own cause")
            << QStringList{pickPlace, "starting action: 4:", "Warning|arm|slow", "completing action: 4:",
                           "Error|planner|gave up", "canceling action: 1:"}
            << QList<int>{0} << 4 << QStringLiteral("PickPlace \u2192 \"gave up\" at 5");
        QTest::newRow("left running and restarted sub-runs are followed too")
            << QStringList{pickPlace, "starting action: 2:", "starting action: 3:", "Error|gripper|stuck",
                           "starting action: 3:"}
            << QList<int>{0, 1, 2} << 3
            << QStringLiteral("PickPlace \u2192 Grip (Never ended) \u2192 Close (Restarted) \u2192 \"stuck\" at 4");
        QTest::newRow("a completed run has no path below it, and no cause")
            << QStringList{pickPlace, "starting action: 2:", "Error|arm|slip", "canceling action: 2:",
                           "completing action: 1:"}
            << QList<int>{0} << -1 << QStringLiteral("PickPlace");
    }

    void rootCauses()
    {
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, path);
        QFETCH(int, shownCause);
        QFETCH(QString, chain);
        const auto analysis = analyse(records(lines));
        const std::vector<int> failed = analysis->failedPath(0);
        QCOMPARE(QList<int>(failed.begin(), failed.end()), path);
        QCOMPARE(analysis->shownCauseRow(0), shownCause);
        QCOMPARE(analysis->causeChain(0, LogFile::ReadAccess(*file)), chain);
        QVERIFY(analysis->failedPath(-1).empty());
        QCOMPARE(analysis->shownCauseRow(int(analysis->occurrences.size())), -1);
    }

    // On a jumble of nested runs, problems and action records at every
    // level, the causes are those a scan of each window finds.
    void causesMatchScan()
    {
        quint32 state = 2024;
        auto next = [&state](int n) {
            state = state * 1103515245u + 12345u;
            return int((state >> 16) % quint32(n));
        };
        const char *levels[] = {"Info", "Warning", "Error", "Debug"};
        const char *subsystems[] = {"arm", "drive", "vision"};
        const char *activities[] = {"starting", "completing", "canceling"};
        QStringList lines{"Info|arm|starting action: 1: Job [2: Seq [3: Grip [],4: Move []],5: Scan []]"};
        for (int i = 0; i < 1500; ++i) {
            const QString prefix = QStringLiteral("%1|%2|").arg(QLatin1String(levels[next(4)]), QLatin1String(subsystems[next(3)]));
            if (next(3) == 0)
                lines << prefix + QStringLiteral("trouble %1").arg(i);
            else
                lines << prefix + QStringLiteral("%1 action: %2:").arg(QLatin1String(activities[next(3)])).arg(1 + next(5));
        }
        const auto analysis = analyse(records(lines));
        int nested = 0;
        int explained = 0;
        for (int run = 0; run < int(analysis->occurrences.size()); ++run) {
            QCOMPARE(analysis->occurrences[size_t(run)].causeRow, scannedCause(*analysis, *file, run));
            nested += analysis->occurrences[size_t(run)].parent >= 0;
            explained += analysis->occurrences[size_t(run)].causeRow >= 0;
        }
        // The jumble holds what is to be checked.
        QVERIFY(nested > 50);
        QVERIFY(explained > 50);
    }

    // The runs given, counted per name in order of the names' first
    // appearance, whatever the order of the runs.
    void statisticsOfSomeRuns_data()
    {
        QTest::addColumn<QList<int>>("runs");
        // Per name: count, completed, cancelled, never ended, restarted, no start; timed, min, median, max.
        QTest::addColumn<QStringList>("statistics");
        QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4, 5, 6}
                             << QStringList{"Pick 5 2 1 1 1 0; 3 1 2 5", "Place 2 0 0 0 0 2; 0 0 0 0"};
        QTest::newRow("some, backwards, with indices out of range")
            << QList<int>{6, 4, 3, -1, 7, 1}
            << QStringList{"Pick 2 1 1 0 0 0; 2 2 3.5 5", "Place 2 0 0 0 0 2; 0 0 0 0"};
        QTest::newRow("none") << QList<int>{} << QStringList{};
    }

    void statisticsOfSomeRuns()
    {
        QFETCH(QList<int>, runs);
        QFETCH(QStringList, statistics);
        // Runs: Pick 1 s, Place without start, Pick restarted, Pick 2 s,
        // Pick cancelled after 5 s, Pick left running.
        const auto analysis = analyse(
            "1.0 : Info : arm : starting action: 1: Pick\n2.0 : Info : arm : completing action: 1:\n"
            "2.5 : Info : arm : completing action: 9: Place\n"
            "3.0 : Info : arm : starting action: 2: Pick\n4.0 : Info : arm : starting action: 2: Pick\n"
            "6.0 : Info : arm : completing action: 2:\n"
            "7.0 : Info : arm : starting action: 3: Pick\n12.0 : Info : arm : canceling action: 3:\n"
            "13.0 : Info : arm : starting action: 4: Pick\n"
            "14.0 : Info : arm : canceling action: 9:\n");
        QCOMPARE(analysis->occurrences.size(), size_t(7));
        const auto described = [](const std::vector<ActionStatistics> &all) {
            QStringList out;
            for (const ActionStatistics &s : all)
                out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7; %8 %9 %10 %11")
                           .arg(s.name).arg(s.count).arg(s.completed).arg(s.cancelled).arg(s.neverEnded)
                           .arg(s.restarted).arg(s.noStart).arg(s.timed).arg(s.minimum).arg(s.median).arg(s.maximum);
            return out;
        };
        QCOMPARE(described(analysis->statisticsOf(std::vector<int>(runs.begin(), runs.end()))), statistics);
        QCOMPARE(described(analysis->statistics), described(analysis->statisticsOf({0, 1, 2, 3, 4, 5, 6})));
    }

    // The outcome a start's Activity tooltip tells is the outcome of its run
    // in the analysis, for every start of a jumble of ids.
    void treeTellsTheRunsOutcome()
    {
        quint32 state = 77;
        auto next = [&state](int n) {
            state = state * 1103515245u + 12345u;
            return int((state >> 16) % quint32(n));
        };
        const char *activities[] = {"starting", "starting", "completing", "canceling"};
        QStringList lines;
        for (int i = 0; i < 400; ++i)
            lines << QStringLiteral("%1 action: %2: A").arg(QLatin1String(activities[next(4)])).arg(next(4));
        const auto analysis = analyse(records(lines));
        LogFileViewer viewer(file);
        int starts = 0;
        for (const ActionOccurrence &run : analysis->occurrences) {
            if (run.startRow < 0)
                continue;
            ++starts;
            const QString tip = viewer.topLevelItem(run.startRow)->toolTip(4);
            QCOMPARE(tip.section(QLatin1Char('\n'), -1),
                     QStringLiteral("Outcome: ") + ActionOccurrence::outcomeText(run.outcome));
        }
        QVERIFY(starts > 150);
    }

    // A row added as a start, taken out again and added as what it is, as
    // a continued record is, leaves the index as if it had been added once.
    void nextStartSurvivesRowsAddedAgain()
    {
        const auto analysis = analyse(records({"starting action: 1: A", "starting action: 1:", "Info|arm|noise",
                                               "canceling action: 1:", "starting action: 1:", "starting action: 2: B",
                                               "starting action: 1:", "Info|arm|noise"}));
        PartnerIndex once;
        PartnerIndex again;
        for (int row = 0; row < file->entries().size(); ++row) {
            const LogFileEntry &entry = *file->entries().at(row);
            once.add(entry, row);
            again.add(*file->entries().at(0), row);
            again.removeLast();
            again.add(entry, row);
        }
        const QList<int> expected{1, 4, -1, -1, 6, -1, -1, -1};
        for (int row = 0; row < once.size(); ++row) {
            QCOMPARE(once.nextStartOf(row), expected.at(row));
            QCOMPARE(again.nextStartOf(row), expected.at(row));
            QCOMPARE(again.nextEndOf(row), once.nextEndOf(row));
        }
        QCOMPARE(once.nextStartOf(-1), -1);
        QCOMPARE(once.nextStartOf(once.size()), -1);
    }

    // The index against its definition, found by looking at every record,
    // over more rows than one word of its bits holds, with plain records
    // between the actions, and with each row taken out and added again.
    void partnersByTheirDefinition_data()
    {
        QTest::addColumn<int>("firstState");
        QTest::addColumn<int>("plainShare"); // in eighths
        QTest::newRow("actions only") << 3 << 0;
        QTest::newRow("some plain records") << 11 << 3;
        QTest::newRow("mostly plain records") << 29 << 7;
    }

    void partnersByTheirDefinition()
    {
        QFETCH(int, firstState);
        QFETCH(int, plainShare);
        quint32 state = quint32(firstState);
        auto next = [&state](int n) {
            state = state * 1103515245u + 12345u;
            return int((state >> 16) % quint32(n));
        };
        const char *activities[] = {"starting", "starting", "completing", "canceling"};
        QStringList lines;
        for (int i = 0; i < 300; ++i) {
            if (next(8) < plainShare)
                lines << QStringLiteral("Info|arm|noise");
            else
                lines << QStringLiteral("%1 action: %2: A").arg(QLatin1String(activities[next(4)])).arg(next(3));
        }
        QVERIFY(analyse(records(lines)));
        const EntryList &entries = file->entries();
        PartnerIndex index;
        for (int row = 0; row < entries.size(); ++row) {
            index.add(*entries.at(row), row);
            if (row % 5 == 0) {
                index.removeLast();
                index.add(*entries.at(row), row);
            }
        }
        const auto same = [&](int a, int b) {
            return entries.at(b)->hasAction() && entries.at(b)->action()->id() == entries.at(a)->action()->id();
        };
        const auto isStart = [&](int row) { return entries.at(row)->activity() == Start; };
        QCOMPARE(index.size(), entries.size());
        for (int row = 0; row < entries.size(); ++row) {
            int nextEnd = -1;
            int previousStart = -1;
            int nextStart = -1;
            if (entries.at(row)->hasAction()) {
                for (int later = row + 1; later < entries.size() && nextEnd < 0; ++later) {
                    if (same(row, later) && !isStart(later))
                        nextEnd = later;
                }
                for (int earlier = row - 1; earlier >= 0 && previousStart < 0; --earlier) {
                    if (same(row, earlier) && isStart(earlier))
                        previousStart = earlier;
                }
                for (int later = row + 1; isStart(row) && later < entries.size() && nextStart < 0; ++later) {
                    if (same(row, later) && isStart(later))
                        nextStart = later;
                }
            }
            const QByteArray at = QByteArray::number(row);
            QVERIFY2(index.nextEndOf(row) == nextEnd, at.constData());
            QVERIFY2(index.previousStartOf(row) == previousStart, at.constData());
            QVERIFY2(index.nextStartOf(row) == nextStart, at.constData());
        }
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    QApplication app(argc, argv);
    TestCauses test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_causes.moc"
