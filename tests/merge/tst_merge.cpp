// Several files in one tab: the order of the merge, actions linked within
// their own file, and a merged tab through the real window: its name and
// Source column, `source` and the quick filters, shifting a source's time,
// following one of its files, export, and files that do not open.
#include "actionoccurrences.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "mergednames.h"
#include "mirtlogfileanalyzer.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

using Lines = QStringList;

// Record lines "time : Info : sub : message" of (time, message) pairs.
QByteArray timed(const QList<QPair<QString, QString>> &records)
{
    QByteArray out;
    for (const auto &record : records)
        out += QStringLiteral("%1 : Info : arm : %2\n").arg(record.first, record.second).toUtf8();
    return out;
}

// The messages of a file's entries, in order, each after its time.
Lines timesAndMessages(const LogFile &file)
{
    Lines lines;
    for (const LogFileEntry *entry : file.entries())
        lines << QString::number(entry->time()) + QLatin1Char(' ') + entry->message();
    return lines;
}

std::shared_ptr<LogFile> loaded(const QString &path)
{
    QStringList errors;
    return LogFile::load(path, errors);
}

QTabWidget *tabsOf(QMainWindow &window)
{
    return window.findChild<QTabWidget *>(QStringLiteral("tabs"));
}

LogFileViewer *currentViewer(QMainWindow &window)
{
    return qobject_cast<LogFileViewer *>(tabsOf(window)->currentWidget());
}

QString statusText(QMainWindow &window)
{
    return window.statusBar()->findChild<QLabel *>()->text();
}

// The shown rows' cells, Time and Source and Message, in view order.
Lines shownRows(LogFileViewer *viewer)
{
    Lines rows;
    for (int row = 0; row < viewer->topLevelItemCount(); ++row) {
        if (viewer->isRowHidden(row, QModelIndex()))
            continue;
        QTreeWidgetItem *item = viewer->topLevelItem(row);
        rows << item->text(0) + QLatin1Char(' ') + item->text(LogFileViewer::sourceColumn) + QLatin1Char(' ')
                + item->text(5);
    }
    return rows;
}

// Chooses the entry `name` of the row menu on `row`.
void chooseFromRowMenu(LogFileViewer *viewer, int row, int column, const QString &name)
{
    QMenu *menu = viewer->createContextMenu(viewer->model()->index(row, column));
    QAction *action = menu->findChild<QAction *>(name);
    QVERIFY2(action, qPrintable(name));
    QVERIFY(action->isEnabled());
    action->trigger();
    delete menu;
}

} // namespace

class TestMerge : public QObject
{
    Q_OBJECT

private slots:
    void mergeOrder_data();
    void mergeOrder();
    void actionsLinkWithinTheirFile();
    void tabNames_data();
    void tabNames();
    void mergedTabThroughTheWindow();
    void shiftTimeOfOneSource();
    void followOneFileOfAMergedTab();
    void exportReadsBack();
    void filesThatDoNotOpen();

private:
    WindowTestEnvironment environment;
    QTemporaryDir dir;
};

void TestMerge::mergeOrder_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<double>("secondShift");
    QTest::addColumn<Lines>("expected");

    QTest::newRow("interleaved by time") << timed({{"1.0", "a1"}, {"3.0", "a2"}}) << timed({{"2.0", "b1"}}) << 0.0
                                         << Lines{"1 a1", "2 b1", "3 a2"};
    QTest::newRow("equal times keep the files' order")
        << timed({{"1.0", "a1"}, {"2.0", "a2"}}) << timed({{"1.0", "b1"}, {"2.0", "b2"}}) << 0.0
        << Lines{"1 a1", "1 b1", "2 a2", "2 b2"};
    QTest::newRow("a file going backwards keeps its order")
        << timed({{"1.0", "a1"}, {"3.0", "a2"}, {"2.0", "a3"}}) << timed({{"2.5", "b1"}}) << 0.0
        << Lines{"1 a1", "2.5 b1", "3 a2", "2 a3"};
    QTest::newRow("a shift moves a source past another")
        << timed({{"1.0", "a1"}, {"2.0", "a2"}, {"3.0", "a3"}}) << timed({{"1.5", "b1"}}) << 2.0
        << Lines{"1 a1", "2 a2", "3 a3", "3.5 b1"};
    QTest::newRow("a negative shift moves it first")
        << timed({{"1.0", "a1"}}) << timed({{"1.5", "b1"}, {"2.5", "b2"}}) << -1.0 << Lines{"0.5 b1", "1 a1", "1.5 b2"};
    QTest::newRow("one file empty") << QByteArray() << timed({{"1.0", "b1"}}) << 0.0 << Lines{"1 b1"};
}

void TestMerge::mergeOrder()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(double, secondShift);
    QFETCH(Lines, expected);
    const auto a = loaded(writeTestFile(dir, QStringLiteral("order_a.log"), first));
    const auto b = loaded(writeTestFile(dir, QStringLiteral("order_b.log"), second));
    const auto merged = LogFile::merge({a, b}, {0.0, secondShift});
    QVERIFY(merged);
    QCOMPARE(timesAndMessages(*merged), expected);
    QVERIFY(merged->isMerged());
    QCOMPARE(merged->sourceNames(), (QStringList{"order_a", "order_b"}));
    for (const LogFileEntry *entry : merged->entries())
        QCOMPARE(entry->source(), entry->message().startsWith(QLatin1Char('a')) ? 0 : 1);
}

void TestMerge::actionsLinkWithinTheirFile()
{
    // Both files number their actions from 1: a start of one file never
    // pairs with an end of the other.
    const auto a = loaded(writeTestFile(
        dir, QStringLiteral("link_a.log"),
        timed({{"1.0", "starting action: 1: Pick, bin1"}, {"4.0", "completing action: 1:"}})));
    const auto b = loaded(writeTestFile(
        dir, QStringLiteral("link_b.log"),
        timed({{"2.0", "starting action: 1: Scan"}, {"3.0", "canceling action: 1: blurred"},
               {"5.0", "starting action: 1:"}})));
    const auto merged = LogFile::merge({a, b}, {});
    QVERIFY(merged);
    LogFileViewer viewer(merged, nullptr);
    // Rows: 0 Pick start, 1 Scan start, 2 Scan cancel, 3 Pick complete, 4 Scan start again.
    QCOMPARE(viewer.findPartner(0, Start), 3);
    QCOMPARE(viewer.findPartner(1, Start), 2);
    QCOMPARE(viewer.findPartner(3, Complete), 0);
    QCOMPARE(viewer.findPartner(4, Start), -1);

    const auto analysis = ActionAnalysis::compute(*merged, merged->entries().size());
    QCOMPARE(int(analysis->occurrences.size()), 3);
    QCOMPARE(analysis->occurrences[0].outcome, ActionOccurrence::Completed);
    QCOMPARE(analysis->occurrences[0].source, 0);
    QCOMPARE(analysis->occurrences[1].outcome, ActionOccurrence::Cancelled);
    QCOMPARE(analysis->occurrences[1].source, 1);
    QCOMPARE(analysis->occurrences[2].outcome, ActionOccurrence::NeverEnded);
}

void TestMerge::tabNames_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("name");
    QTest::newRow("short") << QStringList{"/x/planner.log", "/y/drive.log.1"} << QStringLiteral("planner+drive");
    QTest::newRow("40 kept") << QStringList{"/a/controller_main.log", "/a/controller_arm.log", "/a/vision012.log"}
                             << QStringLiteral("controller_main+controller_arm+vision012");
    QTest::newRow("cut past 40")
        << QStringList{"/a/controller_main.log", "/a/controller_arm.log", "/a/vision.log", "/a/planner.log"}
        << QStringLiteral("controller_main+controller_arm+vision+p") + QChar(0x2026);
}

void TestMerge::tabNames()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, name);
    QCOMPARE(mergednames::tabName(paths), name);
}

void TestMerge::mergedTabThroughTheWindow()
{
    const QString planner = writeTestFile(
        dir, QStringLiteral("planner.log"),
        timed({{"1.0", "starting action: 1: Pick, bin1"}, {"3.0", "completing action: 1:"}, {"5.0", "plan done"}}));
    const QString drive = writeTestFile(dir, QStringLiteral("drive.log"),
                                        timed({{"2.0", "starting action: 1: Move"}, {"4.0", "wheels slip"}}));
    MirtLogFileAnalyzer window;
    window.openLogFiles({planner});
    window.openMerged({planner, drive});
    WAIT_UNTIL_IDLE(window);
    QTabWidget *tabs = tabsOf(window);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QStringLiteral("planner+drive"));
    QCOMPARE(tabs->tabToolTip(1), planner + QLatin1Char('\n') + drive);
    LogFileViewer *single = qobject_cast<LogFileViewer *>(tabs->widget(0));
    QCOMPARE(single->columnCount(), 6);

    LogFileViewer *viewer = currentViewer(window);
    QVERIFY(viewer->isMergedView());
    QCOMPARE(viewer->columnCount(), 7);
    QCOMPARE(viewer->headerItem()->text(LogFileViewer::sourceColumn), QStringLiteral("Source"));
    QCOMPARE(viewer->header()->visualIndex(LogFileViewer::sourceColumn), 1);
    QCOMPARE(shownRows(viewer), (Lines{"1 planner Pick, bin1", "2 drive Move", "3 planner Pick, bin1",
                                       "4 drive wheels slip", "5 planner plan done"}));
    const QVariant marker = viewer->topLevelItem(1)->data(LogFileViewer::sourceColumn, Qt::DecorationRole);
    QVERIFY(marker.canConvert<QPixmap>());
    QVERIFY(marker.value<QPixmap>().toImage().pixelColor(5, 5) != viewer->topLevelItem(0)->data(LogFileViewer::sourceColumn, Qt::DecorationRole).value<QPixmap>().toImage().pixelColor(5, 5));
    // Each file's action 1 is its own.
    QCOMPARE(viewer->findPartner(0, Start), 2);
    QCOMPARE(viewer->findPartner(1, Start), -1);

    // Copy writes the cells in the order they show.
    viewer->showEntry(1);
    QCOMPARE(viewer->selectedRowsText().section(QLatin1Char('\t'), 0, 1), QStringLiteral("2\tdrive"));

    // The quick filters about the source, then `source` typed.
    chooseFromRowMenu(viewer, 1, LogFileViewer::sourceColumn, QStringLiteral("quickFilterOnlySource"));
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(viewer->filterText(), QStringLiteral("source == \"drive\""));
    QCOMPARE(shownRows(viewer), (Lines{"2 drive Move", "4 drive wheels slip"}));
    viewer->applyFilter(QString());
    WAIT_UNTIL_IDLE(window);
    chooseFromRowMenu(viewer, 1, 0, QStringLiteral("quickFilterHideSource"));
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(viewer->filterText(), QStringLiteral("source != \"drive\""));
    QCOMPARE(shownRows(viewer).size(), 3);
    // "Only this action" keeps to the file the number belongs to.
    viewer->applyFilter(QString());
    WAIT_UNTIL_IDLE(window);
    chooseFromRowMenu(viewer, 1, 0, QStringLiteral("quickFilter3"));
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(shownRows(viewer), Lines{"2 drive Move"});
    // A single-file tab knows its own name.
    QVERIFY(single->applyFilter(QStringLiteral("source == \"planner\"")));
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(single->shownRowCount(), 3);
}

void TestMerge::shiftTimeOfOneSource()
{
    const QString a = writeTestFile(dir, QStringLiteral("shift_a.log"), timed({{"1.0", "a1"}, {"2.0", "a2"}}));
    const QString b = writeTestFile(dir, QStringLiteral("shift_b.log"), timed({{"1.5", "b1"}}));
    MirtLogFileAnalyzer window;
    window.openMerged({a, b});
    WAIT_UNTIL_IDLE(window);
    LogFileViewer *viewer = currentViewer(window);
    QTimer::singleShot(0, &window, [] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("shiftSourceDialog"));
        dialog->setDoubleValue(1.25);
        dialog->accept();
    });
    chooseFromRowMenu(viewer, 1, LogFileViewer::sourceColumn, QStringLiteral("shiftSourceTime"));
    WAIT_UNTIL_IDLE(window);
    viewer = currentViewer(window);
    QCOMPARE(shownRows(viewer), (Lines{"1 shift_a a1", "2 shift_a a2", "2.75 shift_b b1"}));
    QCOMPARE(statusText(window), QStringLiteral("time shifts: shift_b +1.25 s"));
    QVERIFY(tabsOf(window)->tabToolTip(0).contains(QStringLiteral("(time shifted +1.25 s)")));
    // `time` in a filter sees the shifted time.
    QVERIFY(viewer->applyFilter(QStringLiteral("time > 2.5")));
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(shownRows(viewer), Lines{"2.75 shift_b b1"});
}

void TestMerge::followOneFileOfAMergedTab()
{
    const QString a = writeTestFile(dir, QStringLiteral("follow_a.log"), timed({{"1.0", "a1"}, {"4.0", "a2"}}));
    const QString b = writeTestFile(dir, QStringLiteral("follow_b.log"), timed({{"2.0", "b1"}}));
    MirtLogFileAnalyzer window;
    window.openMerged({a, b});
    WAIT_UNTIL_IDLE(window);
    window.findChild<QAction *>(QStringLiteral("fileFollow"))->trigger();
    QVERIFY(currentViewer(window)->isFollowing());
    {
        QFile file(b);
        QVERIFY(file.open(QIODevice::Append));
        file.write(timed({{"3.0", "b2"}, {"5.0", "b3"}}));
    }
    QTRY_COMPARE_WITH_TIMEOUT(currentViewer(window)->topLevelItemCount(), 5, 10000);
    WAIT_UNTIL_IDLE(window);
    MirtLogFileAnalyzer fresh;
    fresh.openMerged({a, b});
    WAIT_UNTIL_IDLE(fresh);
    QCOMPARE(shownRows(currentViewer(window)), shownRows(currentViewer(fresh)));
    QCOMPARE(shownRows(currentViewer(window)),
             (Lines{"1 follow_a a1", "2 follow_b b1", "3 follow_b b2", "4 follow_a a2",
                    "5 follow_b b3"}));
    QVERIFY(currentViewer(window)->isFollowing());
}

void TestMerge::exportReadsBack()
{
    // Both files use action numbers 1 and 2; the export renumbers one
    // file's, so that every start finds its end again when read back.
    const QString a = writeTestFile(
        dir, QStringLiteral("export_a.log"),
        timed({{"1.0", "starting action: 1: Pick, bin1 [2: Grip []]"}, {"1.5", "starting action: 2:"},
               {"3.0", "completing action: 2:"}, {"6.0", "completing action: 1:"}}));
    const QString b = writeTestFile(
        dir, QStringLiteral("export_b.log"),
        timed({{"2.0", "starting action: 1: Scan, shelf [2: Focus []]"}, {"2.5", "starting action: 2:"},
               {"4.0", "canceling action: 2: blurred"}, {"5.0", "canceling action: 1: no image"}}));
    MirtLogFileAnalyzer window;
    window.openMerged({a, b});
    WAIT_UNTIL_IDLE(window);
    const QString out = dir.filePath(QStringLiteral("merged_export.log"));
    window.exportVisibleRows(out);
    WAIT_UNTIL_IDLE(window);
    const auto back = loaded(out);
    QVERIFY(back);
    const auto original = LogFileViewer(currentViewer(window)->logFile(), nullptr).logFile();
    QCOMPARE(back->entries().size(), 8);
    QCOMPARE(back->problemCount(), 0);
    LogFileViewer shown(currentViewer(window)->logFile(), nullptr);
    LogFileViewer reread(back, nullptr);
    for (int row = 0; row < 8; ++row) {
        const LogFileEntry &entry = *back->entries().at(row);
        QCOMPARE(entry.time(), original->entries().at(row)->time());
        QVERIFY(entry.hasAction());
        QCOMPARE(entry.action()->name(), original->entries().at(row)->action()->name());
        QCOMPARE(reread.findPartner(row, entry.activity()), shown.findPartner(row, entry.activity()));
    }
    QCOMPARE(back->entries().at(5)->message(), QStringLiteral("canceling action: 4: blurred"));
    QCOMPARE(back->entries().at(6)->message(), QStringLiteral("canceling action: 3: no image"));
}

void TestMerge::filesThatDoNotOpen()
{
    const QString a = writeTestFile(dir, QStringLiteral("open_a.log"), timed({{"1.0", "a1"}}));
    const QString b = writeTestFile(dir, QStringLiteral("open_b.log"), timed({{"2.0", "b1"}}));
    const QString missing = dir.filePath(QStringLiteral("missing.log"));
    MirtLogFileAnalyzer window;
    window.openMerged({a, missing, b});
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(tabsOf(window)->tabText(0), QStringLiteral("open_a+open_b"));
    QVERIFY2(statusText(window).contains(QStringLiteral("missing.log")), qPrintable(statusText(window)));
    QCOMPARE(currentViewer(window)->topLevelItemCount(), 2);
    // With one file left, a tab of its own.
    window.openMerged({missing, b});
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(tabsOf(window)->count(), 2);
    QCOMPARE(tabsOf(window)->tabText(1), QStringLiteral("open_b"));
    QCOMPARE(currentViewer(window)->columnCount(), 6);
}

QTEST_MAIN(TestMerge)
#include "tst_merge.moc"
