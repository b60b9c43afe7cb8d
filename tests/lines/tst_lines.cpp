// Line numbers and clock time through the real window: the Line column
// against the file, the setting, `line` in a filter, Go to Line, the time
// origin and its Clock column, Go to Time by clock time, copy, find and the
// export of the shown cells.
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

QTabWidget *tabsOf(QMainWindow &w) { return w.findChild<QTabWidget *>(QStringLiteral("tabs")); }
LogFileViewer *currentOf(QMainWindow &w) { return qobject_cast<LogFileViewer *>(tabsOf(w)->currentWidget()); }
QAction *actionOf(QMainWindow &w, const char *name) { return w.findChild<QAction *>(QLatin1String(name)); }
QString statusOf(QMainWindow &w) { return w.statusBar()->findChild<QLabel *>()->text(); }

// The Line cells of the top-level rows.
QStringList lineCells(const LogFileViewer *viewer)
{
    QStringList cells;
    for (int row = 0; row < viewer->topLevelItemCount(); ++row)
        cells << viewer->topLevelItem(row)->text(viewer->lineColumn());
    return cells;
}

QByteArray utf16WithBom(const QString &text)
{
    QByteArray out("\xff\xfe", 2);
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return out;
}

// A log with a blank line first, a continuation line, and a warning:
//   1 (blank)  2 one  3 two  4 (two, continued)  5 three  6 four (Warning)  7 five
const QByteArray goToLog = "\n1.0 : Info : arm : one\n2.0 : Info : arm : two\n    arm : continued\n"
                           "3.0 : Info : arm : three\n4.0 : Warning : arm : four\n5.0 : Info : arm : five\n";

} // namespace

class TestLines : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }
    void lineColumnAgainstTheFile_data();
    void lineColumnAgainstTheFile();
    void settingIsRemembered();
    void followedAndMergedLines();
    void linesWhileLoading();
    void lineInAFilter();
    void goToLine_data();
    void goToLine();
    void goToLineInAMergedTab();
    void clockColumn_data();
    void clockColumn();
    void originFromARecord();
    void goToTimeByClock_data();
    void goToTimeByClock();
    void copyFindAndExportCells();

private:
    void open(MirtLogFileAnalyzer &w, const QStringList &paths, bool merged = false)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (merged)
            w.openMerged(paths);
        else
            w.openLogFiles(paths, true);
        WAIT_UNTIL_IDLE(w);
    }
    // Answers the modal dialog `name` with `answer` once it shows.
    void answerDialog(const QString &name, std::function<void(QDialog *)> answer)
    {
        QTimer::singleShot(0, this, [name, answer] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog && dialog->objectName() == name);
            answer(dialog);
        });
    }
    void setOrigin(MirtLogFileAnalyzer &w, const QString &text, bool fromRecord = false)
    {
        answerDialog(QStringLiteral("timeOrigin"), [text, fromRecord](QDialog *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("timeOriginText"))->setText(text);
            dialog->findChild<QCheckBox *>(QStringLiteral("timeOriginFromRecord"))->setChecked(fromRecord);
            dialog->accept();
        });
        actionOf(w, "viewTimeOrigin")->trigger();
    }

    WindowTestEnvironment environment;
    QTemporaryDir dir;
};

void TestLines::lineColumnAgainstTheFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("LF") << QByteArray("1.0 : Info : arm : a\n2.0 : Info : arm : b\n") << QStringList{"1", "2"};
    QTest::newRow("CR LF") << QByteArray("1.0 : Info : arm : a\r\n2.0 : Info : arm : b\r\n3.0 : Info : arm : c")
                           << QStringList{"1", "2", "3"};
    QTest::newRow("blank lines count") << QByteArray("\n\n1.0 : Info : arm : a\n\r\n\n2.0 : Info : arm : b\n")
                                       << QStringList{"3", "6"};
    QTest::newRow("continuation lines count")
        << QByteArray("1.0 : Info : arm : a\n    arm : more\n    arm : more\n2.0 : Info : arm : b\n")
        << QStringList{"1", "4"};
    QTest::newRow("unusable lines count")
        << QByteArray("1.0 : Info : arm : a\nnot a record\n2.0 : Info : arm : b\n") << QStringList{"1", "3"};
    QTest::newRow("UTF-16 with BOM")
        << utf16WithBom(QStringLiteral("1.0 : Info : arm : \u00e9t\u00e9\n\n2.0 : Info : arm : b\n"))
        << QStringList{"1", "3"};
}

void TestLines::lineColumnAgainstTheFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    MirtLogFileAnalyzer w;
    actionOf(w, "viewLineNumbers")->setChecked(true);
    open(w, {writeTestFile(dir, QStringLiteral("lines.log"), content)});
    LogFileViewer *viewer = currentOf(w);
    QVERIFY(viewer->lineColumn() >= 0);
    QCOMPARE(viewer->header()->visualIndex(viewer->lineColumn()), 0);
    QVERIFY(!viewer->header()->isSectionHidden(viewer->lineColumn()));
    QCOMPARE(viewer->headerItem()->text(viewer->lineColumn()), QStringLiteral("Line"));
    QCOMPARE(lineCells(viewer), lines);
}

void TestLines::settingIsRemembered()
{
    const QString path = writeTestFile(dir, QStringLiteral("setting.log"),
                                       "1.0 : Info : arm : starting action: 1: Pick [2: Move []]\n");
    {
        MirtLogFileAnalyzer w;
        QVERIFY(!actionOf(w, "viewLineNumbers")->isChecked());
        open(w, {path});
        QCOMPARE(currentOf(w)->lineColumn(), -1);
        QCOMPARE(currentOf(w)->columnCount(), 6);
        actionOf(w, "viewLineNumbers")->trigger();
        // Sub-action rows show no line.
        QTreeWidgetItem *record = currentOf(w)->topLevelItem(0);
        QCOMPARE(record->text(currentOf(w)->lineColumn()), QStringLiteral("1"));
        QVERIFY(record->childCount() > 0);
        QCOMPARE(record->child(0)->text(currentOf(w)->lineColumn()), QString());
    }
    MirtLogFileAnalyzer again;
    QVERIFY(actionOf(again, "viewLineNumbers")->isChecked());
    open(again, {path});
    LogFileViewer *viewer = currentOf(again);
    QCOMPARE(lineCells(viewer), QStringList{"1"});
    actionOf(again, "viewLineNumbers")->trigger();
    QVERIFY(viewer->header()->isSectionHidden(viewer->lineColumn()));
}

void TestLines::followedAndMergedLines()
{
    MirtLogFileAnalyzer w;
    actionOf(w, "viewLineNumbers")->setChecked(true);
    const QString path = writeTestFile(dir, QStringLiteral("followed.log"), "1.0 : Info : arm : a\n");
    open(w, {path});
    actionOf(w, "fileFollow")->trigger();
    {
        QFile out(path);
        QVERIFY(out.open(QIODevice::Append));
        out.write("\n2.0 : Info : arm : b\n    arm : more\n3.0 : Info : arm : c\n");
    }
    LogFileViewer *viewer = currentOf(w);
    QTRY_COMPARE_WITH_TIMEOUT(viewer->topLevelItemCount(), 3, 10000);
    QCOMPARE(lineCells(viewer), (QStringList{"1", "3", "5"}));
    actionOf(w, "fileFollow")->trigger();

    // A merged tab's Line is the line in the record's own file.
    const QString a = writeTestFile(dir, QStringLiteral("a.log"), "1.0 : Info : arm : a1\n\n3.0 : Info : arm : a2\n");
    const QString b = writeTestFile(dir, QStringLiteral("b.log"), "\n\n\n2.0 : Info : arm : b1\n");
    open(w, {a, b}, true);
    viewer = currentOf(w);
    QVERIFY(viewer->isMergedView());
    QCOMPARE(lineCells(viewer), (QStringList{"1", "4", "3"}));
    QCOMPARE(viewer->header()->visualIndex(viewer->lineColumn()), 0);
}

void TestLines::linesWhileLoading()
{
    // The rows that show while the file is read carry their lines already;
    // they are the lines the whole file gives them.
    MirtLogFileAnalyzer w;
    actionOf(w, "viewLineNumbers")->setChecked(true);
    w.show();
    w.openLogFiles({writeTestFile(dir, QStringLiteral("large.log"), generatedLog(400000))}, true);
    LogFileViewer *viewer = currentOf(w);
    QTRY_VERIFY(viewer->topLevelItemCount() > 0);
    const bool whileLoading = viewer->isLoading();
    QStringList early;
    for (int row = 0; row < std::min(viewer->topLevelItemCount(), 2000); ++row)
        early << viewer->topLevelItem(row)->text(viewer->lineColumn());
    WAIT_UNTIL_IDLE(w);
    QCOMPARE(lineCells(viewer).mid(0, early.size()), early);
    // Continuation lines every nine records: the ninth record starts on line 10.
    QCOMPARE(viewer->topLevelItem(8)->text(viewer->lineColumn()), QStringLiteral("10"));
    qInfo("rows seen while loading: %s", whileLoading ? "yes" : "no");
}

void TestLines::lineInAFilter()
{
    MirtLogFileAnalyzer w;
    actionOf(w, "viewLineNumbers")->setChecked(true);
    open(w, {writeTestFile(dir, QStringLiteral("filter.log"), goToLog)});
    auto *filter = w.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
    filter->setText(QStringLiteral("line >= 3 && line <= 6"));
    QTest::keyClick(filter, Qt::Key_Return);
    WAIT_UNTIL_IDLE(w);
    LogFileViewer *viewer = currentOf(w);
    QStringList shown;
    for (int row = 0; row < viewer->topLevelItemCount(); ++row) {
        if (!viewer->topLevelItem(row)->isHidden() && !viewer->filteredOutRows()[size_t(row)])
            shown << viewer->topLevelItem(row)->text(viewer->lineColumn());
    }
    QCOMPARE(shown, (QStringList{"3", "5", "6"}));
}

void TestLines::goToLine_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("status");
    QTest::newRow("a record's line") << "5" << 2 << "line 5";
    QTest::newRow("a continuation line") << "4" << 1 << "line 4";
    QTest::newRow("a blank line before the first record") << " 1 " << 0 << "line 1";
    QTest::newRow("a hidden record") << "6" << 4
                                     << "line 6 is in a record the filter hides: line 7, the nearest record shown, is "
                                        "selected";
    QTest::newRow("past the end") << "1000" << 4
                                  << "line 1000 is past the end of the file: its last record (line 7) is selected";
    QTest::newRow("letters") << "12a" << 0 << "'12a' is not a line number: type a whole number such as 120";
    QTest::newRow("empty") << "" << 0 << "'' is not a line number: type a whole number such as 120";
    QTest::newRow("negative") << "-3" << 0 << "there is no line -3: lines are counted from 1";
    QTest::newRow("zero") << "0" << 0 << "there is no line 0: lines are counted from 1";
    QTest::newRow("huge") << "99999999999999999999" << 0 << "line 99999999999999999999 is too large for a line number";
    QTest::newRow("past 32 bits") << "4294967296" << 0 << "line 4294967296 is too large for a line number";
}

void TestLines::goToLine()
{
    QFETCH(QString, typed);
    QFETCH(int, entry);
    QFETCH(QString, status);
    MirtLogFileAnalyzer w;
    open(w, {writeTestFile(dir, QStringLiteral("goto.log"), goToLog)});
    auto *filter = w.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
    filter->setText(QStringLiteral("type != \"warning\""));
    QTest::keyClick(filter, Qt::Key_Return);
    WAIT_UNTIL_IDLE(w);
    LogFileViewer *viewer = currentOf(w);
    viewer->showEntry(0);
    viewer->setFocus();
    answerDialog(QStringLiteral("goToLineDialog"), [typed](QDialog *dialog) {
        QTest::keyClicks(dialog->focusWidget(), typed);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    QTest::keyClick(viewer, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(viewer->currentEntry(), entry);
    QCOMPARE(statusOf(w), status);
}

void TestLines::goToLineInAMergedTab()
{
    MirtLogFileAnalyzer w;
    const QString a = writeTestFile(dir, QStringLiteral("ma.log"), "1.0 : Info : arm : a1\n3.0 : Info : arm : a2\n");
    const QString b = writeTestFile(dir, QStringLiteral("mb.log"), "2.0 : Info : arm : b1\n4.0 : Info : arm : b2\n");
    open(w, {a, b}, true);
    LogFileViewer *viewer = currentOf(w);
    // Rows: a1, b1, a2, b2. The current row's file is offered first.
    viewer->showEntry(1);
    answerDialog(QStringLiteral("goToLineDialog"), [](QDialog *dialog) {
        auto *files = dialog->findChild<QComboBox *>(QStringLiteral("goToLineFile"));
        QCOMPARE(files->currentText(), QStringLiteral("mb"));
        dialog->findChild<QLineEdit *>(QStringLiteral("goToLineNumber"))->setText(QStringLiteral("2"));
        dialog->accept();
    });
    actionOf(w, "goToLine")->trigger();
    QCOMPARE(viewer->currentEntry(), 3);
    QCOMPARE(statusOf(w), QStringLiteral("line 2 of mb"));
    answerDialog(QStringLiteral("goToLineDialog"), [](QDialog *dialog) {
        dialog->findChild<QComboBox *>(QStringLiteral("goToLineFile"))->setCurrentIndex(0);
        dialog->findChild<QLineEdit *>(QStringLiteral("goToLineNumber"))->setText(QStringLiteral("2"));
        dialog->accept();
    });
    actionOf(w, "goToLine")->trigger();
    QCOMPARE(viewer->currentEntry(), 2);
    QCOMPARE(statusOf(w), QStringLiteral("line 2 of ma"));
}

void TestLines::clockColumn_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("clock");
    QTest::newRow("seconds and milliseconds") << "2024-05-17 08:30:00.000" << "1.5" << "2024-05-17 08:30:01.500";
    QTest::newRow("an origin without milliseconds") << "2024-05-17 08:30:00" << "0.25" << "2024-05-17 08:30:00.250";
    QTest::newRow("below half a millisecond rounds down") << "2024-05-17 08:30:00.000" << "0.0004"
                                                          << "2024-05-17 08:30:00.000";
    QTest::newRow("above half a millisecond rounds up") << "2024-05-17 08:30:00.000" << "59.9996"
                                                        << "2024-05-17 08:31:00.000";
    QTest::newRow("over midnight and the year") << "2024-12-31 23:59:59.500" << "1.0" << "2025-01-01 00:00:00.500";
    QTest::newRow("a leap day") << "2024-02-28 23:00:00.000" << "7200.0" << "2024-02-29 01:00:00.000";
    QTest::newRow("a large time") << "2024-01-01 00:00:00.000" << "1700000000.123" << "2077-11-13 22:13:20.123";
}

void TestLines::clockColumn()
{
    QFETCH(QString, origin);
    QFETCH(QString, time);
    QFETCH(QString, clock);
    MirtLogFileAnalyzer w;
    open(w, {writeTestFile(dir, QStringLiteral("clock.log"),
                           QStringLiteral("%1 : Info : arm : starting action: 1: Pick [2: Move []]\n").arg(time).toUtf8())});
    LogFileViewer *viewer = currentOf(w);
    QCOMPARE(viewer->clockColumn(), -1);
    setOrigin(w, origin);
    QVERIFY(viewer->timeOrigin().isValid());
    QCOMPARE(viewer->timeOrigin().timeSpec(), Qt::UTC);
    QCOMPARE(viewer->headerItem()->text(viewer->clockColumn()), QStringLiteral("Clock"));
    QCOMPARE(viewer->header()->visualIndex(viewer->clockColumn()),
             viewer->header()->visualIndex(EntryPresentation::TimeColumn) + 1);
    QCOMPARE(viewer->topLevelItem(0)->text(viewer->clockColumn()), clock);
    QCOMPARE(viewer->topLevelItem(0)->child(0)->text(viewer->clockColumn()), QString());

    // A reload keeps the origin; Clear takes it away.
    actionOf(w, "fileReload")->trigger();
    WAIT_UNTIL_IDLE(w);
    viewer = currentOf(w);
    QTRY_COMPARE(viewer->topLevelItemCount(), 1);
    QCOMPARE(viewer->topLevelItem(0)->text(viewer->clockColumn()), clock);
    answerDialog(QStringLiteral("timeOrigin"), [](QDialog *dialog) {
        dialog->findChild<QPushButton *>(QStringLiteral("timeOriginClear"))->click();
    });
    actionOf(w, "viewTimeOrigin")->trigger();
    QVERIFY(!viewer->timeOrigin().isValid());
    QVERIFY(viewer->header()->isSectionHidden(viewer->clockColumn()));
}

void TestLines::originFromARecord()
{
    MirtLogFileAnalyzer w;
    open(w, {writeTestFile(dir, QStringLiteral("record.log"), "1.0 : Info : arm : a\n12.5 : Info : arm : b\n")});
    LogFileViewer *viewer = currentOf(w);
    viewer->showEntry(1);
    setOrigin(w, QStringLiteral("2024-05-17 10:00:00"), true);
    QCOMPARE(viewer->timeOrigin(), QDateTime(QDate(2024, 5, 17), QTime(9, 59, 47, 500), Qt::UTC));
    QCOMPARE(viewer->topLevelItem(1)->text(viewer->clockColumn()), QStringLiteral("2024-05-17 10:00:00.000"));
    QCOMPARE(viewer->topLevelItem(0)->text(viewer->clockColumn()), QStringLiteral("2024-05-17 09:59:48.500"));
    // What is not a date and time changes nothing.
    setOrigin(w, QStringLiteral("tomorrow"));
    QCOMPARE(viewer->timeOrigin(), QDateTime(QDate(2024, 5, 17), QTime(9, 59, 47, 500), Qt::UTC));
    QCOMPARE(statusOf(w), QStringLiteral("'tomorrow' is not a date and time: type it as YYYY-MM-DD hh:mm:ss.zzz"));
}

void TestLines::goToTimeByClock_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("status");
    // Records at 23:59:58, 23:59:59, 00:00:00, 00:00:01, 00:00:02 of the next day.
    QTest::newRow("a clock time") << "23:59:59" << 1 << QString();
    QTest::newRow("after midnight is the next day") << "00:00:00" << 2 << QString();
    QTest::newRow("milliseconds") << "00:00:00.500" << 3 << QString();
    QTest::newRow("a full date and time") << "2024-05-18 00:00:01" << 3 << QString();
    QTest::newRow("before the first record") << "2024-05-17 12:00:00" << 0 << QString();
    QTest::newRow("seconds still work") << "3.5" << 3 << QString();
    QTest::newRow("after the last record") << "00:00:05" << 0 << "no row shown at or after 2024-05-18 00:00:05.000";
    QTest::newRow("not a clock time") << "25:00:00" << 0
                                      << "'25:00:00' is not a time: type seconds, hh:mm:ss or YYYY-MM-DD hh:mm:ss";
}

void TestLines::goToTimeByClock()
{
    QFETCH(QString, typed);
    QFETCH(int, entry);
    QFETCH(QString, status);
    MirtLogFileAnalyzer w;
    open(w, {writeTestFile(dir, QStringLiteral("midnight.log"),
                           records({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                                    QStringLiteral("e")}))});
    LogFileViewer *viewer = currentOf(w);
    // Times 1 to 5: time 0 is at 23:59:57.
    setOrigin(w, QStringLiteral("2024-05-17 23:59:57.000"));
    viewer->showEntry(0);
    const QString before = statusOf(w);
    answerDialog(QStringLiteral("goToTimeDialog"), [typed](QDialog *dialog) {
        QTest::keyClicks(dialog->focusWidget(), typed);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    actionOf(w, "viewGoToTime")->trigger();
    QCOMPARE(viewer->currentEntry(), entry);
    QCOMPARE(statusOf(w), status.isEmpty() ? before : status);
}

void TestLines::copyFindAndExportCells()
{
    MirtLogFileAnalyzer w;
    actionOf(w, "viewLineNumbers")->setChecked(true);
    QByteArray content = "\n";
    for (int i = 0; i < 14; ++i)
        content += "1.0 : Info : arm : x\n";
    open(w, {writeTestFile(dir, QStringLiteral("cells.log"), content)});
    LogFileViewer *viewer = currentOf(w);
    setOrigin(w, QStringLiteral("2024-05-17 08:00:00"));
    viewer->setFocus();
    viewer->showEntry(0);
    QTest::keyClick(viewer, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(viewer, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("2\t1\t2024-05-17 08:00:01.000\tInfo\tarm\t\t\tx\n"
                                                                  "3\t1\t2024-05-17 08:00:01.000\tInfo\tarm\t\t\tx\n"));

    // Find looks in the Line cells while they show: only line 12 holds "12".
    viewer->find(QStringLiteral("12"), false, false);
    QTRY_VERIFY(!viewer->isCounting());
    QCOMPARE(viewer->findCount(), 1);
    QCOMPARE(viewer->currentEntry(), 10);
    actionOf(w, "viewLineNumbers")->trigger();
    QTRY_VERIFY(!viewer->isCounting());
    QCOMPARE(viewer->findCount(), 0);
    // And in the Clock cells.
    viewer->find(QStringLiteral("08:00:01"), false, false);
    QTRY_VERIFY(!viewer->isCounting());
    QCOMPARE(viewer->findCount(), 14);
    viewer->find(QString(), false, false);
    actionOf(w, "viewLineNumbers")->trigger();

    // The export writes the shown rows' cells in the order they show.
    auto *filter = w.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
    filter->setText(QStringLiteral("line <= 3"));
    QTest::keyClick(filter, Qt::Key_Return);
    WAIT_UNTIL_IDLE(w);
    const QString path = dir.filePath(QStringLiteral("cells.tsv"));
    w.exportVisibleCells(path);
    WAIT_UNTIL_IDLE(w);
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()),
             QStringLiteral("Line\tTime\tClock\tType\tSubsystem\tAction\tActivity\tMessage\n"
                            "2\t1\t2024-05-17 08:00:01.000\tInfo\tarm\t\t\tx\n"
                            "3\t1\t2024-05-17 08:00:01.000\tInfo\tarm\t\t\tx\n"));
    QCOMPARE(statusOf(w), QStringLiteral("2 rows written to '%1'").arg(path));
}

int runClockTimeTests(int argc, char **argv);

int main(int argc, char **argv)
{
    TestLines lines;
    int failed = 0;
    {
        QApplication app(argc, argv);
        app.setAttribute(Qt::AA_Use96Dpi, true);
        failed += QTest::qExec(&lines, argc, argv);
        failed += runClockTimeTests(argc, argv);
    }
    return failed;
}

#include "tst_lines.moc"
