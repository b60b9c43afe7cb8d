// The comparison page through the real window: File > Compare Runs on two
// crafted files, its tables, copying, exporting, double-clicks, closing it
// while it works, and the tab bar's Compare With.
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "runcomparisonview.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QMenu>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>

namespace {

// Answers the next modal dialog whose title contains `title` with `answer`,
// as soon as it shows.
template <typename Dialog, typename Answer>
void answerDialog(QObject *context, const QString &title, Answer answer)
{
    auto *timer = new QTimer(context);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, context, [timer, title, answer] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || !dialog->windowTitle().contains(title))
            return;
        timer->stop();
        timer->deleteLater();
        answer(dialog);
    });
    timer->start();
}

void chooseFile(QObject *context, const QString &title, const QString &path)
{
    answerDialog<QFileDialog>(context, title, [path](QFileDialog *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        edit->clear();
        QTest::keyClicks(edit, path);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

QTabWidget *tabsOf(QMainWindow &w)
{
    return w.findChild<QTabWidget *>(QStringLiteral("tabs"));
}

QString statusText(QMainWindow &w)
{
    return w.statusBar()->findChild<QLabel *>()->text();
}

const QStringList good{"starting action: 1: Pick, bin1", "completing action: 1:", "starting action: 2: Grip, bin3",
                       "completing action: 2:", "starting action: 3: Place", "completing action: 3:",
                       "Warning|arm|motor 12 hot at 0x1a2b3c"};
const QStringList doubtful{"starting action: 1: Pick, bin1", "completing action: 1:",
                          "starting action: 2: Grip, bin3", "Error|arm|gripper pressure 40 low",
                          "canceling action: 2:", "starting action: 4: Scan", "completing action: 4:",
                          "starting action: 3: Place", "completing action: 3:",
                          "Warning|arm|motor 7 hot at 0xffee01", "Error|vision|frame 1a2b3c lost"};

} // namespace

class TestCompareTab : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    RunComparisonView *compareFiles(MirtLogFileAnalyzer &w)
    {
        const QString pathA = writeTestFile(dir, QStringLiteral("good.log"), records(good));
        const QString pathB = writeTestFile(dir, QStringLiteral("doubtful.log"), records(doubtful));
        chooseFile(this, QStringLiteral("(A)"), pathA);
        chooseFile(this, QStringLiteral("(B)"), pathB);
        w.findChild<QAction *>(QStringLiteral("fileCompareRuns"))->trigger();
        return w.findChild<RunComparisonView *>(QStringLiteral("runComparison"));
    }

private slots:
    void init() { QSettings().clear(); }

    void compareFilesFromTheMenu()
    {
        MirtLogFileAnalyzer w;
        w.show();
        WAIT_UNTIL_IDLE(w);
        RunComparisonView *page = compareFiles(w);
        QVERIFY(page);
        QCOMPARE(tabsOf(w)->currentWidget(), page);
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(statusText(w), QStringLiteral("first difference: Grip, bin3 at 3 s (B): Cancelled, A: Completed"));

        auto *byName = page->findChild<QTableView *>(QStringLiteral("comparisonByName"));
        auto *sequence = page->findChild<QTableView *>(QStringLiteral("comparisonSequence"));
        auto *newErrors = page->findChild<QTableView *>(QStringLiteral("comparisonNewErrors"));
        QVERIFY(byName && sequence && newErrors);
        for (QTableView *view : {byName, sequence, newErrors})
            QAbstractItemModelTester(view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(byName->model()->rowCount(), 4);
        QCOMPARE(sequence->model()->rowCount(), 4);
        QCOMPARE(newErrors->model()->rowCount(), 2);
        // Worst first: the cancelled Grip.
        QCOMPARE(byName->model()->index(0, 0).data().toString(), QStringLiteral("Grip"));
        // The first difference is selected and its table shown.
        QCOMPARE(page->tables()->currentWidget(), sequence);
        QCOMPARE(sequence->selectionModel()->selectedRows().value(0).row(), 1);

        // Sorting by a count column sorts numerically, the largest last.
        byName->sortByColumn(1, Qt::AscendingOrder);
        QCOMPARE(byName->model()->index(3, 1).data().toString(), QStringLiteral("1"));
        QCOMPARE(byName->model()->index(0, 0).data().toString(), QStringLiteral("Scan"));

        // Ctrl+C copies the selected row, header first.
        QApplication::clipboard()->clear();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        sequence->setFocus();
        QTest::keyClick(sequence, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Action\tStart A\tStart B\tOutcome A\tOutcome B\tDuration A\tDuration B\n"
                                "Grip, bin3\t3\t3\tCompleted\tCancelled\t1.000\t2.000\n"));

        // Export CSV writes the shown table; the comma in a cell is quoted.
        const QString csv = dir.filePath(QStringLiteral("sequence.csv"));
        chooseFile(this, QStringLiteral("Export CSV"), csv);
        page->findChild<QPushButton *>(QStringLiteral("comparisonExportCsv"))->click();
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = written.readAll().split('\n');
        QCOMPARE(lines.size(), 6); // header, four rows, nothing after the last CR LF
        QCOMPARE(lines.at(1), QByteArray("\"Pick, bin1\",1,1,Completed,Completed,1.000,1.000\r"));

        // A double-click on a new error opens B and shows its first record.
        page->tables()->setCurrentWidget(newErrors);
        const QModelIndex first = newErrors->model()->index(0, 0);
        QCOMPARE(first.data().toString(), QStringLiteral("gripper pressure # low"));
        emit newErrors->doubleClicked(first);
        QTRY_VERIFY(qobject_cast<LogFileViewer *>(tabsOf(w)->currentWidget()));
        auto *viewer = qobject_cast<LogFileViewer *>(tabsOf(w)->currentWidget());
        QVERIFY(viewer->logFile() == nullptr || viewer->logFile()->path().endsWith(QLatin1String("doubtful.log")));
        QTRY_COMPARE(viewer->currentEntry(), 3);
    }

    // Closing the page while it works cancels the work, and the window is
    // no longer busy.
    void closingCancels()
    {
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        RunComparisonView *page = compareFiles(w);
        QVERIFY(page);
        QPointer<RunComparisonView> watched(page);
        w.closeTab(tabsOf(w)->indexOf(page));
        QCOMPARE(tabsOf(w)->indexOf(page), -1);
        QVERIFY(!w.property("busy").toBool());
        QTRY_VERIFY(!watched);
    }

    // Compare With: the tab and another open tab, chosen in the dialog.
    void compareOpenTabs()
    {
        const QString pathA = writeTestFile(dir, QStringLiteral("first.log"), records(good));
        const QString pathB = writeTestFile(dir, QStringLiteral("second.log"), records(doubtful));
        MirtLogFileAnalyzer w;
        w.openLogFiles({pathA, pathB});
        WAIT_UNTIL_IDLE(w);
        answerDialog<QInputDialog>(this, QStringLiteral("Compare With"), [](QInputDialog *dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("compareWithDialog"));
            QCOMPARE(dialog->comboBoxItems().size(), 1);
            dialog->setTextValue(dialog->comboBoxItems().first());
            dialog->accept();
        });
        // Right-click the first tab, then "Compare With...".
        QTimer::singleShot(0, this, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QAction *compare = menu->findChild<QAction *>(QStringLiteral("tabCompareWith"));
            QVERIFY(compare && compare->isEnabled());
            menu->setActiveAction(compare);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTabBar *bar = tabsOf(w)->tabBar();
        emit bar->customContextMenuRequested(bar->tabRect(0).center());
        auto *page = w.findChild<RunComparisonView *>(QStringLiteral("runComparison"));
        QVERIFY(page);
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(statusText(w), QStringLiteral("first difference: Grip, bin3 at 3 s (B): Cancelled, A: Completed"));
        QCOMPARE(page->findChild<QTableView *>(QStringLiteral("comparisonNewErrors"))->model()->rowCount(), 2);
        // A double-click in the sequence shows the run's record in its tab.
        auto *sequence = page->findChild<QTableView *>(QStringLiteral("comparisonSequence"));
        emit sequence->doubleClicked(sequence->model()->index(2, 0)); // Scan, B only
        QTRY_COMPARE(tabsOf(w)->currentIndex(), 1);
        QCOMPARE(qobject_cast<LogFileViewer *>(tabsOf(w)->currentWidget())->currentEntry(), 5);
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    int appArgc = 1;
    char name[] = "tst_comparetab";
    char *appArgv[] = {name, nullptr};
    QApplication app(appArgc, appArgv);
    TestCompareTab test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_comparetab.moc"
