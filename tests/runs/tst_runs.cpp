// The actions panel as a robot engineer uses it to find out why a run
// failed: narrowing words, only failures, only the rows a filter shows,
// copying and exporting, run details, and the chosen run kept in view while
// the table changes under it.
#include "actionspanel.h"
#include "actionstatisticsmodel.h"
#include "actiontablemodel.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "rundetails.h"
#include "runquery.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A small mission: a pick whose grip is cancelled by low pressure while the
// drive slips, a scan left running, a move restarted, and a completed
// place with a comma and quotes in its arguments.
const QByteArray mission = "1.0 : Info : planner : starting action: 1: PickPlace, bin3 [2: Grip []]\n"
                           "2.0 : Info : arm : starting action: 2:\n"
                           "3.0 : Warning : drive : wheel slip on left side\n"
                           "4.0 : Error : arm : gripper pressure low\n"
                           "5.0 : Warning : arm : canceling action: 2:\n"
                           "6.0 : Info : planner : canceling action: 1:\n"
                           "7.0 : Info : vision : starting action: 3: Scan, shelf\n"
                           "8.0 : Info : drive : starting action: 4: Move, dock\n"
                           "9.0 : Info : drive : starting action: 4: Move, dock\n"
                           "10.0 : Info : drive : completing action: 4:\n"
                           "11.0 : Info : arm : starting action: 5: Place, \"tray, left\"\n"
                           "12.5 : Info : arm : completing action: 5:\n";

// One RFC 4180 reader of our own: quoted fields, doubled quotes, CR LF.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += c, ++i;
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

QStringList column(QTableView *table, int c)
{
    QStringList out;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        out << table->model()->index(row, c).data().toString();
    return out;
}

} // namespace

class TestRuns final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<MirtLogFileAnalyzer> window;
    ActionsPanel *panel = nullptr;

    // The window with `content` open and its actions panel filled.
    void open(const QByteArray &content, const QString &name = QStringLiteral("mission.log"))
    {
        window = std::make_unique<MirtLogFileAnalyzer>();
        window->resize(1400, 900);
        window->show();
        window->openLogFile(writeTestFile(dir, name, content));
        WAIT_UNTIL_IDLE(*window);
        window->findChild<QAction *>(QStringLiteral("viewActions"))->trigger();
        QTRY_VERIFY((panel = window->findChild<ActionsPanel *>()) != nullptr);
        QTRY_VERIFY(panel->tableModel()->analysis() && !panel->tableModel()->isSelecting()
                    && panel->table()->model()->rowCount() > 0);
    }
    LogFileViewer *viewer() const
    {
        return qobject_cast<LogFileViewer *>(window->findChild<QTabWidget *>()->currentWidget());
    }
    void applyFilter(const QString &text)
    {
        auto *line = window->findChild<QLineEdit *>(QStringLiteral("filterEdit"));
        line->setText(text);
        QTest::keyClick(line, Qt::Key_Return);
        WAIT_UNTIL_IDLE(*window);
    }
    QStringList shownIds() const
    {
        QElapsedTimer waited;
        waited.start();
        while (panel->tableModel()->isSelecting() && waited.elapsed() < 10000)
            QTest::qWait(5);
        return column(panel->table(), ActionTableModel::IdColumn);
    }

private slots:
    void cleanup()
    {
        window.reset();
        panel = nullptr;
    }

    void wordsOfANarrowingText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("words") << "Grip  CANCELLED" << QStringList{"grip", "cancelled"};
        QTest::newRow("a phrase") << "\"wheel slip\" drive" << QStringList{"wheel slip", "drive"};
        QTest::newRow("an unclosed quote") << "arm \"left side" << QStringList{"arm", "left side"};
        QTest::newRow("nothing") << "  \"\" " << QStringList{};
    }
    void wordsOfANarrowingText()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(RunQuery::wordsOf(text), words);
    }

    // Every word must match, each in the name, the arguments, the outcome,
    // the subsystem or the cause; the box reacts to text set by code too.
    void narrowing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("a name") << "pickplace" << QStringList{"1"};
        QTest::newRow("a name or a cause") << "grip" << QStringList{"1", "2"};
        QTest::newRow("arguments") << "bin3" << QStringList{"1"};
        QTest::newRow("an outcome") << "never" << QStringList{"3"};
        QTest::newRow("a subsystem") << "vision" << QStringList{"3"};
        QTest::newRow("a cause") << "pressure" << QStringList{"1", "2"};
        QTest::newRow("two words, both must match") << "cancelled planner" << QStringList{"1"};
        QTest::newRow("a phrase") << "\"tray, left\"" << QStringList{"5"};
        QTest::newRow("a phrase is not two words") << "\"left tray\"" << QStringList{};
        QTest::newRow("restarted") << "restarted" << QStringList{"4"};
        QTest::newRow("small and capital letters") << "MOVE Completed" << QStringList{"4"};
    }
    void narrowing()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, ids);
        open(mission);
        panel->narrowingLine()->setText(text);
        QCOMPARE(shownIds(), ids);
    }

    // Only failures keeps the runs that did not complete; Only rows shown
    // keeps, in the table and the statistics, the runs whose start record
    // the filter shows.
    void failuresAndRowsShown()
    {
        open(mission);
        QAbstractItemModelTester tester(panel->tableModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto *failures = window->findChild<QCheckBox *>(QStringLiteral("onlyFailures"));
        auto *follow = window->findChild<QCheckBox *>(QStringLiteral("statisticsFollowFilter"));
        QVERIFY(failures && follow);
        failures->click();
        QCOMPARE(shownIds(), (QStringList{"1", "2", "3", "4"}));
        failures->click();
        QCOMPARE(shownIds().size(), 6);

        applyFilter(QStringLiteral("subsystem == \"arm\" || subsystem == \"vision\""));
        QCOMPARE(shownIds().size(), 6); // until asked to follow
        follow->click();
        QCOMPARE(shownIds(), (QStringList{"2", "3", "5"}));
        const std::vector<ActionStatistics> &counted = panel->statisticsModel()->statistics();
        int counts = 0;
        for (const ActionStatistics &statistics : counted)
            counts += statistics.count;
        QCOMPARE(counts, 3);
        failures->click();
        QCOMPARE(shownIds(), (QStringList{"2", "3"}));
        applyFilter(QString());
        QCOMPARE(shownIds(), (QStringList{"1", "2", "3", "4"}));
    }

    // A statistics row narrows to exactly its name, and the box says so.
    void statisticsNarrowToAName()
    {
        open(mission + "13.0 : Info : drive : starting action: 6: MoveArm\n");
        QTableView *statistics = panel->statisticsTable();
        const int move = column(statistics, ActionStatisticsModel::NameColumn).indexOf(QStringLiteral("Move"));
        QVERIFY(move >= 0);
        emit statistics->doubleClicked(statistics->model()->index(move, 0));
        QCOMPARE(shownIds(), (QStringList{"4", "4"}));
        QCOMPARE(panel->narrowingLine()->text(), QStringLiteral("\"Move\""));
        QTest::keyClick(panel->narrowingLine(), Qt::Key_Backspace);
        QCOMPARE(shownIds(), (QStringList{"4", "4", "6"}));
    }

    // Ctrl+C copies the selected rows with a header; Export CSV writes the
    // rows shown with full-precision times, and reads back with an RFC 4180
    // reader as the cells they came from.
    void copyAndExport()
    {
        open(mission);
        QTableView *table = panel->table();
        table->setFocus();
        table->selectionModel()->select(QItemSelection(table->model()->index(1, 0), table->model()->index(2, 0)),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).startsWith(QLatin1String("Id\tName\tArguments\tSubsystem\tStart")));
        QCOMPARE(lines.at(1).section(QLatin1Char('\t'), 0, 1), QStringLiteral("2\tGrip"));

        const QString path = dir.filePath(QStringLiteral("runs.csv"));
        panel->exportCsvTo(path);
        QLabel *status = window->statusBar()->findChild<QLabel *>();
        QTRY_COMPARE(status->text(), QStringLiteral("wrote 6 rows to '%1'").arg(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QStringList> rows = readCsv(QString::fromUtf8(file.readAll()));
        QCOMPARE(rows.size(), 7);
        for (int row = 0; row < 6; ++row) {
            // A single file's runs have no Source column.
            QCOMPARE(rows.at(row + 1).size(), int(ActionTableModel::SourceColumn));
            for (int c : {int(ActionTableModel::NameColumn), int(ActionTableModel::ArgumentsColumn),
                          int(ActionTableModel::OutcomeColumn), int(ActionTableModel::CauseColumn)})
                QCOMPARE(rows.at(row + 1).at(c), table->model()->index(row, c).data().toString());
        }
        QCOMPARE(rows.at(6).at(ActionTableModel::ArgumentsColumn), QStringLiteral("\"tray, left\""));
        QCOMPARE(rows.at(6).at(ActionTableModel::EndColumn), QStringLiteral("12.5"));

        panel->exportCsvTo(dir.filePath(QStringLiteral("no/such/folder/runs.csv")));
        QTRY_VERIFY(status->text().startsWith(QLatin1String("could not write")));
    }

    // The Cause cell shows the root cause, its tooltip the chain, and a
    // double-click on it selects the record; elsewhere a double-click
    // opens the run's details, whose button filters the run's records.
    void causeAndDetails()
    {
        open(mission);
        QTableView *table = panel->table();
        const QModelIndex cause = table->model()->index(0, ActionTableModel::CauseColumn);
        QCOMPARE(cause.data().toString(), QStringLiteral("gripper pressure low"));
        QCOMPARE(cause.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("PickPlace → Grip (Cancelled) → \"gripper pressure low\" at 4"));
        emit table->doubleClicked(cause);
        QCOMPARE(viewer()->currentEntry(), panel->tableModel()->analysis()->shownCauseRow(0));

        emit table->doubleClicked(table->model()->index(0, ActionTableModel::NameColumn));
        RunDetails *details = nullptr;
        QTRY_VERIFY((details = window->findChild<RunDetails *>(QStringLiteral("runDetails"))) != nullptr);
        QCOMPARE(details->tree()->topLevelItemCount(), 1);
        QCOMPARE(details->tree()->topLevelItem(0)->text(0), QStringLiteral("PickPlace"));
        details->findChild<QPushButton *>(QStringLiteral("showRunRecords"))->click();
        WAIT_UNTIL_IDLE(*window);
        QCOMPARE(window->findChild<QLineEdit *>(QStringLiteral("filterEdit"))->text(),
                 QStringLiteral("time >= 1 && time <= 6"));
        QTRY_COMPARE(viewer()->shownRowCount(), 6);
        details->close();
    }

    // Over many runs the table answers off the GUI thread; the chosen run
    // stays chosen and in view across narrowing, sorting and the failures
    // switch.
    void chosenRunStaysInView()
    {
        QByteArray content;
        const int count = ActionTableModel::inlineRuns + 500;
        for (int id = 1; id <= count; ++id) {
            const QByteArray time = QByteArray::number(id);
            content += time + ".0 : Info : arm : starting action: " + QByteArray::number(id) + ": "
                + (id % 7 ? "Pick" : "Place") + ", bin" + QByteArray::number(id % 10) + "\n";
            content += time + ".5 : Info : arm : " + (id % 3 ? "completing" : "canceling") + " action: "
                + QByteArray::number(id) + ":\n";
        }
        open(content, QStringLiteral("many.log"));
        QTableView *table = panel->table();
        // Run 3003: a Place, cancelled, bin 3.
        const int run = 3002;
        table->selectionModel()->setCurrentIndex(table->model()->index(run, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        const auto kept = [&] {
            const QModelIndex current = table->selectionModel()->currentIndex();
            return !panel->tableModel()->isSelecting() && current.isValid()
                && panel->tableModel()->runAt(current.row()) == run
                && table->viewport()->rect().intersects(table->visualRect(current));
        };
        panel->narrowingLine()->setText(QStringLiteral("place bin3"));
        QTRY_VERIFY(kept());
        panel->narrowingLine()->clear();
        QTRY_VERIFY(kept());
        table->sortByColumn(ActionTableModel::DurationColumn, Qt::DescendingOrder);
        QTRY_VERIFY(kept());
        window->findChild<QCheckBox *>(QStringLiteral("onlyFailures"))->click();
        QTRY_VERIFY(kept());
        QCOMPARE(panel->selectedRun(), run);
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    int appArgc = 1;
    char name[] = "tst_runs";
    char *appArgv[] = {name, nullptr};
    QApplication app(appArgc, appArgv);
    TestRuns test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_runs.moc"
