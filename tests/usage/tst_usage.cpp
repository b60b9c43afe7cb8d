// Everyday use of the window, driven as a user drives it: keys, the find
// bar, the filter line, context rows, following a growing log, export,
// recent files and drops.

#include "findbar.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "robotaction.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QSignalSpy>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSaveFile>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextCodec>
#include <QTimer>
#include <QUrl>
#include <QtTest>

namespace {

// Entry numbers in comments.
const QByteArray keysLog = "1.0 : Info : drive : idle\n"                                 // 0
                           "2.0 : Warning : drive : slow wheel\n"                        // 1
                           "3.0 : Info : planner : starting action: 1: Pick [2: Grip []]\n" // 2
                           "4.0 : Error : arm : collision at joint 3\n"                  // 3
                           "5.0 : Info : planner : canceling action: 1: collision\n"     // 4
                           "6.0 : Warning : arm : Hot motor\n"                           // 5
                           "7.0 : Error : drive : stall\n";                              // 6

QTabWidget *tabsOf(QMainWindow &w) { return w.findChild<QTabWidget *>(QStringLiteral("tabs")); }
QLabel *statusOf(QMainWindow &w) { return w.statusBar()->findChild<QLabel *>(); }
LogFileViewer *currentOf(QMainWindow &w) { return qobject_cast<LogFileViewer *>(tabsOf(w)->currentWidget()); }
QAction *actionOf(QMainWindow &w, const char *name) { return w.findChild<QAction *>(QLatin1String(name)); }
QLineEdit *filterLineOf(QMainWindow &w) { return w.findChild<QLineEdit *>(QStringLiteral("filterEdit")); }

// What a writer appends to a followed log, at once.
void appendTo(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::Append) || out.write(bytes) != bytes.size())
        qFatal("cannot append to %s", qPrintable(path));
}

// Drags `mime` onto the window and lets go.
void dropOn(QMainWindow &w, const QMimeData &mime)
{
    const QPoint at = w.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QVERIFY(drop.isAccepted());
}

void typeFilter(QMainWindow &w, const QString &text)
{
    QLineEdit *line = filterLineOf(w);
    line->clear();
    QTest::keyClicks(line, text);
    QTest::keyClick(line, Qt::Key_Return);
}

// The record as a line of its own, and its action link, for comparing
// what two viewers show.
QString recordOf(const LogFileEntry &entry)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(entry.time(), 0, 'g', 17)
        .arg(int(entry.type()))
        .arg(entry.subsystem(), entry.message())
        .arg(entry.hasAction() ? entry.action()->id() : -1)
        .arg(int(entry.activity()));
}

// Rows, links, sub-action rows and hidden rows: everything a viewer shows.
void compareViewers(const LogFileViewer &shown, const LogFileViewer &fresh)
{
    const auto &a = shown.logFile()->entries();
    const auto &b = fresh.logFile()->entries();
    QCOMPARE(a.size(), b.size());
    QCOMPARE(shown.topLevelItemCount(), fresh.topLevelItemCount());
    for (int row = 0; row < a.size(); ++row) {
        QCOMPARE(recordOf(*a.at(row)), recordOf(*b.at(row)));
        QCOMPARE(shown.findPartner(row, a.at(row)->activity()), fresh.findPartner(row, b.at(row)->activity()));
        QCOMPARE(shown.topLevelItem(row)->childCount(), fresh.topLevelItem(row)->childCount());
    }
    QCOMPARE(shown.filteredOutRows(), fresh.filteredOutRows());
    QCOMPARE(shown.shownRowCount(), fresh.shownRowCount());
}

} // namespace

class TestUsage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeLog(const QString &name, const QByteArray &content) { return writeTestFile(dir, name, content); }

    // A window showing `path`, shown and active so that keys reach it.
    void open(MirtLogFileAnalyzer &w, const QString &path)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.openLogFiles({path}, true);
        WAIT_UNTIL_IDLE(w);
        currentOf(w)->setFocus();
    }

private slots:
    void init() { QSettings().clear(); }

    void navigationKeys_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("status"); // what the status line says when nothing is found
        QTest::newRow("F8: next error") << 0 << int(Qt::Key_F8) << 0 << 3 << QString();
        QTest::newRow("F8 after the last error stays")
            << 6 << int(Qt::Key_F8) << 0 << 6 << QStringLiteral("no later error is shown");
        QTest::newRow("Shift+F8: previous error") << 6 << int(Qt::Key_F8) << int(Qt::ShiftModifier) << 3 << QString();
        QTest::newRow("F9: next warning") << 1 << int(Qt::Key_F9) << 0 << 5 << QString();
        QTest::newRow("Shift+F9: previous warning") << 5 << int(Qt::Key_F9) << int(Qt::ShiftModifier) << 1 << QString();
        QTest::newRow("Shift+F9 before the first warning stays")
            << 0 << int(Qt::Key_F9) << int(Qt::ShiftModifier) << 0 << QStringLiteral("no earlier warning is shown");
        QTest::newRow("Ctrl+P: start to its cancel") << 2 << int(Qt::Key_P) << int(Qt::ControlModifier) << 4 << QString();
        QTest::newRow("Ctrl+P: cancel to its start") << 4 << int(Qt::Key_P) << int(Qt::ControlModifier) << 2 << QString();
        QTest::newRow("Ctrl+P: no action, no move")
            << 3 << int(Qt::Key_P) << int(Qt::ControlModifier) << 3 << QStringLiteral("the current row has no other end");
    }

    void navigationKeys()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, to);
        QFETCH(QString, status);
        MirtLogFileAnalyzer w;
        open(w, writeLog(QStringLiteral("keys.log"), keysLog));
        LogFileViewer *viewer = currentOf(w);
        viewer->showEntry(from);
        const QString before = statusOf(w)->text();
        QTest::keyClick(viewer, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(viewer->currentEntry(), to);
        QCOMPARE(statusOf(w)->text(), status.isEmpty() ? before : status);
    }

    // Ctrl+G goes to the first row shown at or after the time typed, or
    // says why it stays.
    void goToTime_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("status");
        QTest::newRow("between rows") << QStringLiteral("4.5") << QString() << 4 << QString();
        QTest::newRow("before the first") << QStringLiteral("-3") << QString() << 0 << QString();
        QTest::newRow("a hidden row gives way to the next shown")
            << QStringLiteral("2") << QStringLiteral("type == \"error\"") << 3 << QString();
        QTest::newRow("after the last") << QStringLiteral("100") << QString() << 1
                                        << QStringLiteral("no row shown at or after time 100");
        QTest::newRow("not a number") << QStringLiteral("soon") << QString() << 1
                                      << QStringLiteral("'soon' is not a time");
    }

    void goToTime()
    {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(int, to);
        QFETCH(QString, status);
        MirtLogFileAnalyzer w;
        open(w, writeLog(QStringLiteral("keys.log"), keysLog));
        if (!filter.isEmpty())
            typeFilter(w, filter);
        WAIT_UNTIL_IDLE(w);
        LogFileViewer *viewer = currentOf(w);
        viewer->showEntry(1);
        const QString before = statusOf(w)->text();
        QTimer::singleShot(0, this, [typed] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog && dialog->objectName() == QLatin1String("goToTimeDialog"));
            QTest::keyClicks(dialog->focusWidget(), typed);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QTest::keyClick(viewer, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(viewer->currentEntry(), to);
        QCOMPARE(statusOf(w)->text(), status.isEmpty() ? before : status);
    }

    void windowKeys()
    {
        MirtLogFileAnalyzer w;
        const QString path = writeLog(QStringLiteral("keys.log"), keysLog);
        open(w, path);
        LogFileViewer *viewer = currentOf(w);

        // Ctrl+G asks for a time and goes to the first row at or after it.
        QTimer::singleShot(0, this, [] {
            auto *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog && dialog->objectName() == QLatin1String("goToTimeDialog"));
            QTest::keyClicks(dialog->focusWidget(), QStringLiteral("4.5"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QTest::keyClick(viewer, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(viewer->currentEntry(), 4);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // Shift extends the selection; Ctrl+C copies it as tab-separated
        // cells, sub-action rows indented.
        viewer->showEntry(2);
        viewer->expandAll();
        QTest::keyClick(viewer, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(viewer, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("3\tInfo\tplanner\t1\tStart\tPick \n\t\t\t2\t\t    Grip \n"));
        // The row menu's Copy Cell copies the cell clicked on.
        const QModelIndex subsystemCell = viewer->model()->index(2, 2);
        QTest::mouseClick(viewer->viewport(), Qt::RightButton, Qt::NoModifier,
                          viewer->visualRect(subsystemCell).center());
        QMenu *rowMenu = viewer->createContextMenu(subsystemCell);
        rowMenu->findChild<QAction *>(QStringLiteral("menuCopyCell"))->trigger();
        delete rowMenu;
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("planner"));

        // Ctrl+L goes to the filter line, Escape empties it.
        QTest::keyClick(viewer, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), filterLineOf(w));
        QTest::keyClicks(filterLineOf(w), QStringLiteral("time >"));
        QTest::keyClick(filterLineOf(w), Qt::Key_Escape);
        QCOMPARE(filterLineOf(w)->text(), QString());

        // Ctrl+F opens the find bar, Escape closes it.
        auto *findBar = w.findChild<FindBar *>(QStringLiteral("findBar"));
        QVERIFY(findBar->isHidden());
        QTest::keyClick(viewer, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(findBar->isVisible());
        QCOMPARE(QApplication::focusWidget(), findBar->line());
        QTest::keyClick(findBar->line(), Qt::Key_Escape);
        QVERIFY(findBar->isHidden());

        // Ctrl+T follows the current tab; F5 reads it again in place.
        QTest::keyClick(viewer, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(viewer->isFollowing());
        QVERIFY(actionOf(w, "fileFollow")->isChecked());
        viewer->showEntry(5);
        QTest::keyClick(viewer, Qt::Key_F5);
        WAIT_UNTIL_IDLE(w);
        LogFileViewer *reloaded = currentOf(w);
        QVERIFY(reloaded != viewer);
        QCOMPARE(reloaded->currentEntry(), 5);
        QVERIFY(reloaded->isFollowing());

        // Ctrl+W closes the tab, Ctrl+Q the window.
        QTest::keyClick(reloaded, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(tabsOf(w)->count(), 0);
        QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w.isVisible());
    }

    void findCounts_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QList<int>>("visits"); // the rows Return goes to, in turn

        QTest::newRow("case ignored") << QString() << "hot" << false << false << "1 of 1" << QList<int>{5, 5};
        QTest::newRow("match case") << QString() << "hot" << true << false << "0 of 0" << QList<int>{};
        QTest::newRow("every column") << QString() << "drive" << false << false << "1 of 3"
                                      << QList<int>{0, 1, 6, 0};
        // An action record's Message cell shows its action, not its text.
        QTest::newRow("action cells") << QString() << "pick" << false << false << "1 of 2" << QList<int>{2, 4, 2};
        QTest::newRow("regular expression") << QString() << "^[67]$" << false << true << "1 of 2"
                                            << QList<int>{5, 6, 5};
        QTest::newRow("not an expression") << QString() << "(" << false << true << "not an expression"
                                           << QList<int>{};
        QTest::newRow("rows shown only") << "type == \"error\"" << "drive" << false << false << "1 of 1"
                                         << QList<int>{6};
    }

    void findCounts()
    {
        QFETCH(QString, filter);
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(bool, regex);
        QFETCH(QString, count);
        QFETCH(QList<int>, visits);
        MirtLogFileAnalyzer w;
        open(w, writeLog(QStringLiteral("find.log"), keysLog));
        LogFileViewer *viewer = currentOf(w);
        if (!filter.isEmpty()) {
            typeFilter(w, filter);
            WAIT_UNTIL_IDLE(w);
        }
        const int shownBefore = viewer->shownRowCount();
        QTest::keyClick(viewer, Qt::Key_F, Qt::ControlModifier);
        if (matchCase)
            actionOf(w, "findMatchCase")->trigger();
        if (regex)
            actionOf(w, "findRegularExpression")->trigger();
        auto *findBar = w.findChild<FindBar *>(QStringLiteral("findBar"));
        QTest::keyClicks(findBar->line(), text);
        auto *label = w.findChild<QLabel *>(QStringLiteral("findCount"));
        QTRY_COMPARE(label->text(), count);
        // The first match from the top is current; Return goes on, round
        // the end; find never filters.
        for (int i = 0; i < visits.size(); ++i) {
            if (i > 0)
                QTest::keyClick(findBar->line(), Qt::Key_Return);
            QCOMPARE(viewer->currentEntry(), visits.at(i));
        }
        QCOMPARE(viewer->shownRowCount(), shownBefore);
    }

    // Go to Time and Export are refused, and the status line says why,
    // while the file is read; an export is also refused while another of
    // the tab is being written, and the one under way is written whole.
    void refusedWhileBusy()
    {
        MirtLogFileAnalyzer w;
        w.show();
        w.openLogFile(writeLog(QStringLiteral("big.log"), generatedLog(120000)));
        LogFileViewer *viewer = currentOf(w);
        QTimer::singleShot(0, this, [] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            QTest::keyClicks(dialog->focusWidget(), QStringLiteral("5"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QVERIFY(viewer->isLoading());
        actionOf(w, "viewGoToTime")->trigger();
        QCOMPARE(statusOf(w)->text(), QStringLiteral("the file is still being read"));
        QSignalSpy finished(viewer, &LogFileViewer::exportFinished);
        const QString early = dir.filePath(QStringLiteral("early.log"));
        viewer->exportShownRows(early);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QCOMPARE(statusOf(w)->text(),
                 QStringLiteral("could not export to '%1': the file is still being read").arg(early));
        QVERIFY(!QFileInfo::exists(early));
        WAIT_UNTIL_IDLE(w);

        const QString first = dir.filePath(QStringLiteral("first.log"));
        const QString second = dir.filePath(QStringLiteral("second.log"));
        viewer->exportShownRows(first);
        viewer->exportShownRows(second);
        QCOMPARE(finished.size(), 2);
        QCOMPARE(statusOf(w)->text(),
                 QStringLiteral("could not export to '%1': an export is still being written").arg(second));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 60000);
        QCOMPARE(finished.at(2).at(0).toBool(), true);
        QStringList messages;
        QCOMPARE(LogFile::load(first, messages)->entries().size(), viewer->logFile()->entries().size());
        QVERIFY(!QFileInfo::exists(second));
    }

    // Find counts what the cells show: invisible characters as the markers
    // drawn for them.
    void findSeesWhatCellsShow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QString>("count");
        QTest::newRow("the marker") << QStringLiteral("U+0001") << false << QStringLiteral("1 of 1");
        QTest::newRow("the character itself") << QStringLiteral("\\x01") << true << QStringLiteral("0 of 0");
        QTest::newRow("the text around it") << QStringLiteral("bad<U+0001>here") << false << QStringLiteral("1 of 1");
    }

    void findSeesWhatCellsShow()
    {
        QFETCH(QString, text);
        QFETCH(bool, regex);
        QFETCH(QString, count);
        MirtLogFileAnalyzer w;
        open(w, writeLog(QStringLiteral("control.log"), "1.0 : Info : a : plain\n2.0 : Info : a : bad\x01here\n"));
        LogFileViewer *viewer = currentOf(w);
        QCOMPARE(viewer->topLevelItem(1)->text(5), QStringLiteral("bad\x01here"));
        QTest::keyClick(viewer, Qt::Key_F, Qt::ControlModifier);
        if (regex)
            actionOf(w, "findRegularExpression")->trigger();
        QTest::keyClicks(w.findChild<FindBar *>(QStringLiteral("findBar"))->line(), text);
        QTRY_COMPARE(w.findChild<QLabel *>(QStringLiteral("findCount"))->text(), count);
    }

    // The search goes with the current tab: switching tabs counts the new
    // tab's rows and leaves the old one unmarked.
    void findMovesWithTheTab()
    {
        MirtLogFileAnalyzer w;
        open(w, writeLog(QStringLiteral("first.log"), keysLog));
        LogFileViewer *first = currentOf(w);
        open(w, writeLog(QStringLiteral("second.log"),
                         "1.0 : Info : drive : go\n2.0 : Info : arm : up\n3.0 : Error : drive : stop\n"));
        LogFileViewer *second = currentOf(w);
        tabsOf(w)->setCurrentWidget(first);
        QTest::keyClick(first, Qt::Key_F, Qt::ControlModifier);
        auto *findBar = w.findChild<FindBar *>(QStringLiteral("findBar"));
        QTest::keyClicks(findBar->line(), QStringLiteral("drive"));
        auto *label = w.findChild<QLabel *>(QStringLiteral("findCount"));
        QTRY_COMPARE(label->text(), QStringLiteral("1 of 3"));

        tabsOf(w)->setCurrentWidget(second);
        QTRY_COMPARE(label->text(), QStringLiteral("1 of 2"));
        QCOMPARE(first->findCount(), 0);
        QTest::keyClick(findBar->line(), Qt::Key_F3);
        QCOMPARE(second->currentEntry(), 2);

        // Closed, the bar leaves no marks behind.
        QTest::keyClick(findBar->line(), Qt::Key_Escape);
        QCOMPARE(second->findCount(), 0);
    }

    // View > Expand All asked for while a file is read expands its rows
    // once they are in.
    void expandAllWhileLoading()
    {
        MirtLogFileAnalyzer w;
        w.openLogFile(writeLog(QStringLiteral("big.log"), generatedLog(120000)));
        QVERIFY(w.property("busy").toBool());
        actionOf(w, "viewExpandAll")->trigger();
        WAIT_UNTIL_IDLE(w);
        LogFileViewer *viewer = currentOf(w);
        QTreeWidgetItem *parent = nullptr;
        for (int row = 0; !parent && row < viewer->topLevelItemCount(); ++row) {
            if (viewer->topLevelItem(row)->childCount() > 0)
                parent = viewer->topLevelItem(row);
        }
        QVERIFY(parent);
        QTRY_VERIFY(parent->isExpanded());
    }

    // The rows a filter keeps, their context rows, and the current row
    // through filters applied and cleared.
    void contextAndSelection()
    {
        MirtLogFileAnalyzer w;
        const QByteArray content = generatedLog(3000);
        open(w, writeLog(QStringLiteral("context.log"), content));
        LogFileViewer *viewer = currentOf(w);
        const auto &entries = viewer->logFile()->entries();
        std::vector<bool> cancel(size_t(entries.size()));
        for (int row = 0; row < entries.size(); ++row)
            cancel[size_t(row)] = entries.at(row)->activity() == Cancel;
        const auto expectedShown = [&](int context) {
            int shown = 0;
            for (int row = 0; row < entries.size(); ++row) {
                bool near = false;
                for (int other = std::max(0, row - context); other <= std::min(entries.size() - 1, row + context); ++other)
                    near = near || cancel[size_t(other)];
                shown += near;
            }
            return shown;
        };
        // A cancel in the middle, where a row can be centred.
        const int cancelRow = int(std::find(cancel.begin() + 1500, cancel.end(), true) - cancel.begin());
        const int before = cancelRow - 1;

        viewer->showEntry(before);
        typeFilter(w, QStringLiteral("activity == \"cancel\""));
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(viewer->shownRowCount(), expectedShown(0));
        // The current row was hidden: the nearest row shown takes its place.
        QCOMPARE(viewer->currentEntry(), cancelRow);

        auto *context = w.findChild<QSpinBox *>(QStringLiteral("contextRows"));
        QTest::keyClick(context, Qt::Key_Up);
        QTest::keyClick(context, Qt::Key_Up);
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(viewer->shownRowCount(), expectedShown(2));
        QCOMPARE(statusOf(w)->text(),
                 QStringLiteral("%1 of 3,000 rows shown").arg(QLocale(QLocale::English).toString(expectedShown(2))));
        // Context rows are drawn lighter than the rows the filter keeps.
        const QColor kept = viewer->topLevelItem(cancelRow)->foreground(0).color();
        const QColor around = viewer->topLevelItem(before)->foreground(0).color();
        QVERIFY(!viewer->topLevelItem(before)->isHidden());
        QVERIFY(around.lightness() > kept.lightness());

        // Cleared, the filter leaves the current row current and centred.
        viewer->showEntry(before);
        typeFilter(w, QString());
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(viewer->shownRowCount(), 3000);
        QCOMPARE(viewer->currentEntry(), before);
        const QRect rect = viewer->visualItemRect(viewer->currentItem());
        QVERIFY(qAbs(rect.center().y() - viewer->viewport()->height() / 2) <= rect.height());

        // Each tab shows its own filter in the line; Apply to All Tabs
        // filters every tab.
        w.openLogFiles({writeLog(QStringLiteral("other.log"), keysLog)}, true);
        WAIT_UNTIL_IDLE(w);
        typeFilter(w, QStringLiteral("type == \"error\""));
        WAIT_UNTIL_IDLE(w);
        tabsOf(w)->setCurrentIndex(0);
        QCOMPARE(filterLineOf(w)->text(), QString());
        QCOMPARE(context->value(), 2);
        tabsOf(w)->setCurrentIndex(1);
        QCOMPARE(filterLineOf(w)->text(), QStringLiteral("type == \"error\""));
        QCOMPARE(context->value(), 0);
        actionOf(w, "applyToAllTabs")->trigger();
        typeFilter(w, QStringLiteral("subsystem == \"drive\""));
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(viewer->filterText(), QStringLiteral("subsystem == \"drive\""));
        QCOMPARE(currentOf(w)->shownRowCount(), 3);
    }

    // Filters that parsed come back with Up, in a new window too; one that
    // does not parse marks the line until it is edited.
    void filterLineHistory()
    {
        {
            MirtLogFileAnalyzer w;
            open(w, writeLog(QStringLiteral("history.log"), keysLog));
            typeFilter(w, QStringLiteral("time > 2"));
            typeFilter(w, QStringLiteral("time > 3"));
            typeFilter(w, QStringLiteral("time >"));
            QVERIFY(filterLineOf(w)->property("invalid").toBool());
            QTest::keyClicks(filterLineOf(w), QStringLiteral(" 4"));
            QVERIFY(!filterLineOf(w)->property("invalid").toBool());
            QTest::keyClick(filterLineOf(w), Qt::Key_Return);
            WAIT_UNTIL_IDLE(w);
        }
        MirtLogFileAnalyzer w;
        open(w, writeLog(QStringLiteral("history.log"), keysLog));
        QLineEdit *line = filterLineOf(w);
        QVERIFY(!line->placeholderText().isEmpty());
        line->setFocus();
        QTest::keyClick(line, Qt::Key_Up);
        QCOMPARE(line->text(), QStringLiteral("time > 4"));
        QTest::keyClick(line, Qt::Key_Up);
        QCOMPARE(line->text(), QStringLiteral("time > 3"));
        QTest::keyClick(line, Qt::Key_Down);
        QTest::keyClick(line, Qt::Key_Down);
        QCOMPARE(line->text(), QString());

        // Help > Filter Language shows the guide to the language.
        actionOf(w, "helpFilterLanguage")->trigger();
        auto *guide = w.findChild<QTextBrowser *>(QStringLiteral("filterGuide"));
        QVERIFY(guide && guide->isVisible());
        QVERIFY(guide->toPlainText().contains(QStringLiteral("contains(whole, part)")));
    }

    // The short form of the benchmark: a writer appends to a filtered,
    // followed log, in pieces that cut lines and continuation lines apart;
    // the tab ends up as a fresh load of the final file shows it.
    void followGrowingLog()
    {
        const QByteArray all = generatedLog(4000);
        const QByteArray start = generatedLog(2500);
        QVERIFY(all.startsWith(start));
        const QString path = writeLog(QStringLiteral("growing.log"), start);
        const QString filter = QStringLiteral("type == \"error\" || activity == \"complete\"");
        MirtLogFileAnalyzer w;
        open(w, path);
        typeFilter(w, filter);
        QTest::keyClick(w.findChild<QSpinBox *>(QStringLiteral("contextRows")), Qt::Key_Up);
        WAIT_UNTIL_IDLE(w);
        LogFileViewer *viewer = currentOf(w);
        viewer->scrollToBottom();
        QTest::keyClick(viewer, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(viewer->isFollowing());
        // A search counts the rows that come, and the context rows they show.
        const QString searched = QStringLiteral("drive");
        viewer->find(searched, false, false);
        QTRY_VERIFY(!viewer->isCounting());

        QFile out(path);
        QVERIFY(out.open(QIODevice::Append));
        qint64 written = start.size();
        QTimer writer;
        connect(&writer, &QTimer::timeout, this, [&] {
            const qint64 piece = std::min<qint64>(777, all.size() - written);
            out.write(all.constData() + written, piece);
            out.flush();
            written += piece;
            if (written == all.size())
                writer.stop();
        });
        writer.start(5);
        QTRY_VERIFY_WITH_TIMEOUT(!writer.isActive(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(viewer->logFile()->entries().size(), 4000, 10000);
        WAIT_UNTIL_IDLE(w);
        // It was at the end, and stays there.
        QCOMPARE(viewer->verticalScrollBar()->value(), viewer->verticalScrollBar()->maximum());

        QStringList messages;
        LogFileViewer fresh(LogFile::load(path, messages));
        fresh.setContextRows(1);
        fresh.applyFilter(filter);
        QTRY_VERIFY(!fresh.isBusy());
        compareViewers(*viewer, fresh);
        if (QTest::currentTestFailed())
            return;
        fresh.find(searched, false, false);
        QTRY_VERIFY(!fresh.isCounting());
        QCOMPARE(viewer->findCount(), fresh.findCount());

        // A continuation line that comes after its record was shown extends
        // that record in its row: the record shows whole, the tab is not
        // read again.
        out.write("999.5 : Info : arm : first part\n");
        out.flush();
        QTRY_COMPARE(viewer->logFile()->entries().size(), 4001);
        out.write("    arm : second part\n");
        out.flush();
        QTRY_VERIFY(viewer->logFile()->entries().last()->message().endsWith(QLatin1String("second part")));
        QCOMPARE(currentOf(w), viewer);
        QCOMPARE(viewer->logFile()->entries().size(), 4001);
        QCOMPARE(viewer->logFile()->entries().last()->message(),
                 LogFile::load(path, messages)->entries().last()->message());
        QCOMPARE(viewer->topLevelItem(4000)->text(5), QStringLiteral("first partsecond part"));
        QVERIFY(viewer->isFollowing());
        QCOMPARE(viewer->filterText(), filter);

        // A file replaced under its name is read from its start, and said so.
        QSaveFile replacement(path);
        QVERIFY(replacement.open(QIODevice::WriteOnly));
        replacement.write(keysLog);
        QVERIFY(replacement.commit());
        QTRY_COMPARE_WITH_TIMEOUT(currentOf(w)->topLevelItemCount(), 7, 10000);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("growing was replaced by a new file: read again from its start"));
        WAIT_UNTIL_IDLE(w);

        // So is a file cut shorter where it is.
        QVERIFY(QFile::resize(path, keysLog.indexOf("4.0 :")));
        QTRY_COMPARE_WITH_TIMEOUT(currentOf(w)->topLevelItemCount(), 3, 10000);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("growing became shorter: read again from its start"));
        WAIT_UNTIL_IDLE(w);
    }

    // A followed log through pauses: lines that come and cannot be read are
    // reported as a load reports them; Follow switched off while a filter
    // runs still shows the record it held back once the filter is done;
    // switched on again, it goes on where it stopped, no line read twice.
    void followPausedAndResumed()
    {
        const QString path = writeLog(QStringLiteral("live.log"), keysLog);
        MirtLogFileAnalyzer w;
        open(w, path);
        LogFileViewer *viewer = currentOf(w);
        QTest::keyClick(viewer, Qt::Key_T, Qt::ControlModifier);
        appendTo(path, "garbage line\n8.0 : Info : arm : a\n");
        QTRY_COMPARE(statusOf(w)->text(), QStringLiteral("1 line of live could not be read"));
        QVERIFY(!tabsOf(w)->tabIcon(0).isNull());
        QVERIFY(tabsOf(w)->tabToolTip(0).contains(QStringLiteral("line 8 ignored - 'garbage line'")));

        appendTo(path, "9.0 : Info : arm : b\n10.0 : Info : arm : c\n");
        QTRY_COMPARE(viewer->logFile()->entries().size(), 9);
        typeFilter(w, QStringLiteral("time > 0"));
        QTest::keyClick(viewer, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!viewer->isFollowing());
        QTRY_COMPARE(viewer->logFile()->entries().size(), 10);

        appendTo(path, "11.0 : Info : arm : d\n");
        QTest::keyClick(viewer, Qt::Key_T, Qt::ControlModifier);
        appendTo(path, "12.0 : Info : arm : e\n");
        QTRY_COMPARE(viewer->logFile()->entries().size(), 12);
        WAIT_UNTIL_IDLE(w);
        QStringList messages;
        LogFileViewer fresh(LogFile::load(path, messages));
        fresh.applyFilter(QStringLiteral("time > 0"));
        QTRY_VERIFY(!fresh.isBusy());
        compareViewers(*viewer, fresh);
    }

    // A file written anew in place after it was read is read again from its
    // start when it is followed, and the status says so.
    void followedFileWrittenAnew()
    {
        const QString path = writeLog(QStringLiteral("anew.log"), keysLog);
        MirtLogFileAnalyzer w;
        open(w, path);
        QByteArray anew;
        for (int i = 0; i < 20; ++i)
            anew += QByteArray::number(100 + i) + ".0 : Info : vision : line " + QByteArray::number(i) + "\n";
        QFile out(path);
        QVERIFY(out.open(QIODevice::ReadWrite | QIODevice::Truncate));
        out.write(anew);
        out.close();
        QTest::keyClick(currentOf(w), Qt::Key_T, Qt::ControlModifier);
        QTRY_COMPARE(statusOf(w)->text(), QStringLiteral("anew was written anew: read again from its start"));
        WAIT_UNTIL_IDLE(w);
        QStringList messages;
        LogFileViewer fresh(LogFile::load(path, messages));
        compareViewers(*currentOf(w), fresh);
        QVERIFY(currentOf(w)->isFollowing());
    }

    // A followed file in UTF-16 reads only what is appended.
    void followUtf16_data()
    {
        QTest::addColumn<QByteArray>("codec");
        QTest::newRow("UTF-16LE") << QByteArray("UTF-16LE");
        QTest::newRow("UTF-16BE") << QByteArray("UTF-16BE");
    }

    void followUtf16()
    {
        QFETCH(QByteArray, codec);
        QTextCodec *encoding = QTextCodec::codecForName(codec);
        const QByteArray mark = codec.endsWith("LE") ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        const QString path = writeLog(QStringLiteral("wide.log"), mark + encoding->fromUnicode(QString::fromLatin1(keysLog)));
        MirtLogFileAnalyzer w;
        open(w, path);
        LogFileViewer *viewer = currentOf(w);
        QTest::keyClick(viewer, Qt::Key_T, Qt::ControlModifier);
        appendTo(path, encoding->fromUnicode(QStringLiteral("8.0 : Info : arm : caf\u00e9\n9.0 : Info : arm : b\n")));
        QTRY_COMPARE(viewer->logFile()->entries().size(), 9);
        QCOMPARE(currentOf(w), viewer);
        QCOMPARE(viewer->logFile()->entries().at(7)->message(), QStringLiteral("caf\u00e9"));
    }

    // What Export writes reads back as the same records with the same
    // action links; a dropped file opens in a tab of its own.
    void exportRoundTrip()
    {
        MirtLogFileAnalyzer w;
        // The last message ends in a carriage return of its own.
        const QString source = writeLog(QStringLiteral("source.log"),
                                        generatedLog(3000) + keysLog + "8.0 : Warning : arm : ends in a return\r\r\n");
        open(w, source);
        typeFilter(w, QStringLiteral("isaction || type == \"warning\""));
        WAIT_UNTIL_IDLE(w);
        LogFileViewer *viewer = currentOf(w);
        const QString target = dir.filePath(QStringLiteral("shown.log"));
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->clear();
            QTest::keyClicks(name, target);
            QTest::keyClick(name, Qt::Key_Return);
        });
        actionOf(w, "fileExport")->trigger();
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("%1 rows written to '%2'")
                                          .arg(QLocale(QLocale::English).toString(viewer->shownRowCount()), target));

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(target)});
        dropOn(w, mime);
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(tabsOf(w)->count(), 2);
        LogFileViewer *exported = currentOf(w);
        QVERIFY(exported != viewer);
        QCOMPARE(exported->logFile()->problemCount(), 0);

        std::vector<int> shown;
        for (int row = 0; row < viewer->topLevelItemCount(); ++row) {
            if (!viewer->filteredOutRows()[size_t(row)])
                shown.push_back(row);
        }
        const auto &original = viewer->logFile()->entries();
        const auto &copy = exported->logFile()->entries();
        QCOMPARE(copy.size(), int(shown.size()));
        const auto shownIndex = [&](int row) {
            const auto it = std::lower_bound(shown.begin(), shown.end(), row);
            return it != shown.end() && *it == row ? int(it - shown.begin()) : -1;
        };
        for (int i = 0; i < copy.size(); ++i) {
            const LogFileEntry &a = *original.at(shown[size_t(i)]);
            QCOMPARE(recordOf(*copy.at(i)), recordOf(a));
            QCOMPARE(exported->findPartner(i, copy.at(i)->activity()),
                     shownIndex(viewer->findPartner(shown[size_t(i)], a.activity())));
            QCOMPARE(exported->topLevelItem(i)->childCount(), viewer->topLevelItem(shown[size_t(i)])->childCount());
        }

        // A failed export says so, and leaves nothing behind.
        tabsOf(w)->setCurrentWidget(viewer);
        const QString nowhere = dir.filePath(QStringLiteral("missing/shown.log"));
        w.exportVisibleRows(nowhere);
        WAIT_UNTIL_IDLE(w);
        QVERIFY(statusOf(w)->text().startsWith(QStringLiteral("could not export to '%1': ").arg(nowhere)));
        QVERIFY(!QFileInfo::exists(nowhere));

        // Dropping a file that is open goes to its tab.
        tabsOf(w)->setCurrentWidget(exported);
        mime.setUrls({QUrl::fromLocalFile(source)});
        dropOn(w, mime);
        QCOMPARE(tabsOf(w)->count(), 2);
        QCOMPARE(currentOf(w), viewer);
    }

    // An export is reported, and the window stays busy until it is
    // written, also when its tab is closed or read again meanwhile.
    void exportOutlivesItsTab_data()
    {
        QTest::addColumn<bool>("reload");
        QTest::newRow("tab closed") << false;
        QTest::newRow("tab reloaded") << true;
    }

    void exportOutlivesItsTab()
    {
        QFETCH(bool, reload);
        MirtLogFileAnalyzer w;
        open(w, writeLog(QStringLiteral("outlived.log"), generatedLog(20000)));
        LogFileViewer *viewer = currentOf(w);
        const int rows = viewer->shownRowCount();
        const QString target = dir.filePath(QStringLiteral("outlived-%1.log").arg(int(reload)));
        w.exportVisibleRows(target);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("writing '%1'").arg(target));
        // The result cannot come before the event loop runs again.
        if (reload)
            w.reloadViewer(viewer);
        else
            actionOf(w, "fileClose")->trigger();
        QVERIFY(w.isBusy());
        WAIT_UNTIL_IDLE(w);
        QTRY_COMPARE(statusOf(w)->text(), QStringLiteral("%1 rows written to '%2'")
                                              .arg(QLocale(QLocale::English).toString(rows), target));
        QStringList messages;
        QCOMPARE(LogFile::load(target, messages)->entries().size(), rows);
    }

    void recentFiles()
    {
        QStringList paths;
        for (const char *name : {"first.log", "second.log", "third.log"})
            paths << writeLog(QLatin1String(name), keysLog);
        {
            MirtLogFileAnalyzer w;
            w.openLogFiles(paths);
            WAIT_UNTIL_IDLE(w);
        }
        MirtLogFileAnalyzer w;
        auto *menu = w.findChild<QMenu *>(QStringLiteral("recentMenu"));
        QStringList listed;
        for (QAction *action : menu->actions()) {
            if (action->objectName().startsWith(QLatin1String("recentFile")))
                listed << action->data().toString();
        }
        QCOMPARE(listed, (QStringList{paths[2], paths[1], paths[0]}));

        // Chosen, the oldest opens as the current tab and comes first.
        actionOf(w, "recentFile2")->trigger();
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(tabsOf(w)->tabToolTip(tabsOf(w)->currentIndex()), paths[0]);
        QCOMPARE(actionOf(w, "recentFile0")->data().toString(), paths[0]);

        // A file gone since is reported when chosen, and leaves the list.
        QVERIFY(QFile::remove(paths[1]));
        QCOMPARE(actionOf(w, "recentFile2")->data().toString(), paths[1]);
        actionOf(w, "recentFile2")->trigger();
        QVERIFY(statusOf(w)->text().contains(QStringLiteral("second.log")));
        QCOMPARE(QSettings().value(QStringLiteral("RecentFiles")).toStringList(), (QStringList{paths[0], paths[2]}));

        // The latest ten are kept, latest first.
        QStringList many;
        for (int i = 0; i < 12; ++i)
            many << writeLog(QStringLiteral("many%1.log").arg(i), keysLog);
        w.openLogFiles(many);
        WAIT_UNTIL_IDLE(w);
        QStringList latest;
        for (int i = 11; i >= 2; --i)
            latest << many.at(i);
        QCOMPARE(QSettings().value(QStringLiteral("RecentFiles")).toStringList(), latest);
        QCOMPARE(actionOf(w, "recentFile9")->data().toString(), many.at(2));
        QVERIFY(!actionOf(w, "recentFile10"));

        actionOf(w, "clearRecent")->trigger();
        QVERIFY(!actionOf(w, "recentFile0"));
        QCOMPARE(QSettings().value(QStringLiteral("RecentFiles")).toStringList(), QStringList());
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    // The window opens the files named on the command line: it sees none.
    int appArgc = 1;
    QApplication app(appArgc, argv);
    TestUsage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_usage.moc"
