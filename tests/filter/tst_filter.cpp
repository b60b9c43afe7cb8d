// The filter: the log expression context on real viewer rows, and the filter
// bar of the real window driven by keystrokes.
#include "expr.h"
#include "exprnode.h"
#include "exprvalue.h"
#include "compiledfilter.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileexprcontext.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "windowtestenvironment.h"
#include "testfiles.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

using mirt::expr::Expr;

namespace {

// Twelve records; the row numbers in the tables below refer to these lines.
const char exampleLog[] =
    "1.0 : Info : drive : Moving to dock\n"                                                 // 0
    "2.5 : Debug : drive : Velocity 0.5\n"                                                  // 1
    "3.0 : Warning : vision : Exposure clipped\n"                                           // 2
    "4.0 : Error : vision : Camera timeout\n"                                               // 3
    "5.0 : Info : planner : starting action: 100: PickPlace, bin3 [101: MoveArm []]\n"      // 4
    "6.0 : Info : arm : starting action: 101:\n"                                            // 5
    "7.5 : Warning : arm : Joint 4 warm\n"                                                  // 6
    "10.0 : Error : arm : Joint 4 over temperature\n"                                       // 7
    "10.5 : Info : arm : canceling action: 101:\n"                                          // 8
    "12.0 : Info : planner : completing action: 100:\n"                                     // 9
    "20.0 : Warning : drive : Obstacle ahead\n"                                             // 10
    "98.76543 : Error : drive : Motor stalled, timeout\n";                                  // 11

using Rows = QList<int>;

QTreeWidget *currentViewer(QMainWindow &w)
{
    return qobject_cast<QTreeWidget *>(w.findChild<QTabWidget *>()->currentWidget());
}

Rows visibleRows(QTreeWidget *viewer)
{
    Rows rows;
    for (int i = 0; i < viewer->topLevelItemCount(); ++i)
        if (!viewer->isRowHidden(i, QModelIndex()))
            rows << i;
    return rows;
}

QString statusText(QMainWindow &w) { return w.statusBar()->findChild<QLabel *>()->text(); }

void typeFilter(MirtLogFileAnalyzer &w, const QString &text)
{
    auto *edit = w.findChild<QToolBar *>()->findChild<QLineEdit *>();
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    WAIT_UNTIL_IDLE(w);
}

Rows allRows(int count)
{
    Rows rows;
    for (int i = 0; i < count; ++i)
        rows << i;
    return rows;
}

struct Example
{
    QString text;
    Rows rows;
};

// The examples of the README, with the rows of the example log each selects.
const QList<Example> &examples()
{
    static const QList<Example> list{
        {QStringLiteral("type == \"error\""), Rows{3, 7, 11}},
        {QStringLiteral("type == \"error\" && subsystem == \"vision\""), Rows{3}},
        {QStringLiteral("subsystem == \"drive\" && time > 5"), Rows{10, 11}},
        {QStringLiteral("type != \"debug\""), Rows{0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {QStringLiteral("time >= 10 && time < 20"), Rows{7, 8, 9}},
        {QStringLiteral("contains(message, \"timeout\")"), Rows{3, 11}},
        {QStringLiteral("contains(text, \"movearm\")"), Rows{4}},
        {QStringLiteral("contains(message, \"joint\") && time > 5"), Rows{6, 7}},
        {QStringLiteral("isaction"), Rows{4, 5, 8, 9}},
        {QStringLiteral("activity == \"\""), Rows{0, 1, 2, 3, 6, 7, 10, 11}},
        {QStringLiteral("action == 100"), Rows{4, 9}},
        {QStringLiteral("activity == \"cancel\""), Rows{8}},
        {QStringLiteral("activity == \"start\" && contains(message, \"pick\")"), Rows{4}},
        {QStringLiteral("type == \"warning\" && subsystem == \"drive\" || subsystem == \"arm\""), Rows{6, 10}},
        {QStringLiteral("(type == \"error\" && subsystem == \"vision\") || type == \"warning\""), Rows{2, 3, 6, 10}},
        {QStringLiteral("type == \"error\" && subsystem == \"vision\" || type == \"warning\""), Rows{3}},
    };
    return list;
}

// The filter expressions shown as examples in the README.
QStringList readmeExamples()
{
    QFile readme(QStringLiteral(MIRT_SOURCE_DIR "/README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(readme.readAll());
    const int start = text.indexOf(QStringLiteral("### Examples"));
    const int end = text.indexOf(QStringLiteral("\n#"), start + 1);
    QStringList examples;
    const QRegularExpression row(QStringLiteral("^\\| `([^`]+)` \\|"), QRegularExpression::MultilineOption);
    auto it = row.globalMatch(text.mid(start, end - start));
    while (it.hasNext())
        examples << it.next().captured(1).replace(QStringLiteral("\\|"), QStringLiteral("|"));
    return examples;
}

} // namespace

class TestFilter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::shared_ptr<LogFile> file;
    std::unique_ptr<LogFileViewer> viewer;

    // The rows for which `text` is true, evaluated as the filter bar does.
    Rows selectedRows(const QString &text)
    {
        Expr expr;
        LogFileExprContext context;
        QString error;
        if (!expr.parse(context, text, error)) {
            qWarning() << text << error;
            return {-1};
        }
        context.setLogFile(file);
        Rows rows;
        for (int i = 0; i < viewer->topLevelItemCount(); ++i) {
            context.setItem(viewer->topLevelItem(i));
            if (mirt::expr::isTrue(expr.evaluate(context)))
                rows << i;
        }
        return rows;
    }

private slots:
    void initTestCase()
    {
        QStringList errors;
        file = LogFile::load(writeTestFile(dir, QStringLiteral("example.log"), exampleLog), errors);
        QVERIFY(file);
        QVERIFY(errors.isEmpty());
        viewer = std::make_unique<LogFileViewer>(file);
    }

    void variables_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("row");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("time at full precision") << QStringLiteral("time") << 11 << QVariant(98.76543);
        QTest::newRow("TIME") << QStringLiteral("TIME") << 0 << QVariant(1.0);
        QTest::newRow("type lowered") << QStringLiteral("type") << 3 << QVariant(QStringLiteral("error"));
        QTest::newRow("subsystem lowered") << QStringLiteral("SubSystem") << 4 << QVariant(QStringLiteral("planner"));
        QTest::newRow("action id") << QStringLiteral("action") << 5 << QVariant(101u);
        QTest::newRow("no action is 0") << QStringLiteral("action") << 0 << QVariant(0u);
        QTest::newRow("activity lowered") << QStringLiteral("activity") << 8 << QVariant(QStringLiteral("cancel"));
        QTest::newRow("no activity") << QStringLiteral("activity") << 1 << QVariant(QString());
        QTest::newRow("message lowered") << QStringLiteral("message") << 2 << QVariant(QStringLiteral("exposure clipped"));
        QTest::newRow("message of an action row") << QStringLiteral("message") << 4 << QVariant(QStringLiteral("pickplace, bin3 "));
        QTest::newRow("record's own text") << QStringLiteral("text") << 4
                                           << QVariant(QStringLiteral("starting action: 100: pickplace, bin3 [101: movearm []]"));
        QTest::newRow("text of a plain row") << QStringLiteral("Text") << 2 << QVariant(QStringLiteral("exposure clipped"));
        QTest::newRow("isaction") << QStringLiteral("isaction") << 9 << QVariant(true);
        QTest::newRow("not isaction") << QStringLiteral("IsAction") << 10 << QVariant(false);
        QTest::newRow("unknown name") << QStringLiteral("speed") << 0 << QVariant();
        QTest::newRow("source: the file's short name") << QStringLiteral("Source") << 3 << QVariant(QStringLiteral("example"));
    }

    void variables()
    {
        QFETCH(QString, name);
        QFETCH(int, row);
        QFETCH(QVariant, value);
        LogFileExprContext context;
        context.setLogFile(file);
        context.setItem(viewer->topLevelItem(row));
        QCOMPARE(context.isVariable(name), value.isValid());
        const QVariant got = context.getVariable(name);
        QCOMPARE(got.type(), value.type());
        QCOMPARE(got, value);
    }

    // Text variables hold exactly what QString::toLower makes of the cells.
    void loweringMatchesTheToolkit()
    {
        const QByteArray content = "1.0 : Info : Drive : Plain ASCII, MIXED case\n"
                                   "2.0 : Info : drive : already lower 123\n"
                                   "3.0 : Info : drive : \xC3\x9Cnic\xC3\xB6" "de TEXT \xC4\xB0 \xE2\x84\xAA\n"
                                   "4.0 : Info : drive : Z@[`{\n";
        QStringList errors;
        auto unicode = LogFile::load(writeTestFile(dir, QStringLiteral("unicode.log"), content), errors);
        LogFileViewer rows(unicode);
        LogFileExprContext context;
        context.setLogFile(unicode);
        for (int row = 0; row < rows.topLevelItemCount(); ++row) {
            context.setItem(rows.topLevelItem(row));
            QCOMPARE(context.getVariable(QStringLiteral("message")).toString(), rows.topLevelItem(row)->text(5).toLower());
            QCOMPARE(context.getVariable(QStringLiteral("subsystem")).toString(), rows.topLevelItem(row)->text(2).toLower());
        }
    }

    // A cell shows only the start of a huge message; the filter sees all of it.
    void hugeMessagesAreFilteredWhole()
    {
        const QByteArray content = "1.0 : Info : drive : " + QByteArray(200000, 'a') + "needle\n";
        QStringList errors;
        auto huge = LogFile::load(writeTestFile(dir, QStringLiteral("huge.log"), content), errors);
        LogFileViewer rows(huge);
        Expr expr;
        LogFileExprContext context;
        QString error;
        QVERIFY(expr.parse(context, QStringLiteral("contains(message, \"needle\")"), error));
        context.setLogFile(huge);
        context.setItem(rows.topLevelItem(0));
        QCOMPARE(expr.evaluate(context), QVariant(true));
    }

    void contextWithoutRowOrFile()
    {
        LogFileExprContext context;
        QVERIFY(!context.getVariable(QStringLiteral("time")).isValid());
        context.setItem(viewer->topLevelItem(4));
        QCOMPARE(context.getVariable(QStringLiteral("isaction")), QVariant(false));
        QVERIFY(context.isFunction(QStringLiteral("contains")));
        QVERIFY(!context.isFunction(QStringLiteral("Contains")));
        QCOMPARE(LogFileExprContext::variableNames,
                 (QStringList{"time", "type", "action", "activity", "message", "subsystem", "isaction", "text", "source",
                              "line", "bookmarked"}));
    }

    // Each expression against the twelve example rows, evaluated through the context.
    void selection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Rows>("rows");

        for (const Example &example : examples())
            QTest::newRow(qPrintable(example.text)) << example.text << example.rows;

        // The context's edge cases.
        QTest::newRow("TIME") << QStringLiteral("TIME > 5") << Rows{5, 6, 7, 8, 9, 10, 11};
        QTest::newRow("Time") << QStringLiteral("Time > 5") << Rows{5, 6, 7, 8, 9, 10, 11};
        QTest::newRow("full precision") << QStringLiteral("time < 98.76543 && time > 98") << Rows{};
        QTest::newRow("equal within 0.001") << QStringLiteral("time == 98.7659") << Rows{11};
        QTest::newRow("record's own text seen through text") << QStringLiteral("contains(text, \"starting\")") << Rows{4, 5};
        QTest::newRow("Info rows") << QStringLiteral("type == \"info\"") << Rows{0, 4, 5, 8, 9};
        QTest::newRow("capitalised type") << QStringLiteral("type == \"Info\"") << Rows{};
        QTest::newRow("action 0") << QStringLiteral("action == 0") << Rows{0, 1, 2, 3, 6, 7, 10, 11};
        QTest::newRow("record's own message not seen") << QStringLiteral("contains(message, \"starting\")") << Rows{};
        QTest::newRow("contains with one argument") << QStringLiteral("contains(message)") << Rows{};
        QTest::newRow("contains with three arguments") << QStringLiteral("contains(message, type, subsystem)") << Rows{};
        QTest::newRow("contains on a number") << QStringLiteral("contains(action, message)") << Rows{};
        QTest::newRow("contains empty") << QStringLiteral("contains(message, \"\")") << allRows(12);
        QTest::newRow("info action records") << QStringLiteral("isaction && type == \"info\"") << Rows{4, 5, 8, 9};
        QTest::newRow("number result") << QStringLiteral("time - 1") << Rows{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        QTest::newRow("fraction is true") << QStringLiteral("0.3") << allRows(12);
        QTest::newRow("string result") << QStringLiteral("activity") << Rows{4, 5, 8, 9};
        QTest::newRow("word false") << QStringLiteral("\"FaLsE\"") << Rows{};
        QTest::newRow("digit zero") << QStringLiteral("\"0\"") << Rows{};
        QTest::newRow("empty result") << QStringLiteral("type + 1 && true") << Rows{};
        QTest::newRow("this file's source") << QStringLiteral("source == \"example\"") << allRows(12);
        QTest::newRow("another source") << QStringLiteral("source == \"drive\" || type == \"error\"") << Rows{3, 7, 11};
        QTest::newRow("source in capitals") << QStringLiteral("source == \"Example\"") << Rows{};
    }

    // The context of a row and the judge of a filter pass agree.
    void selection()
    {
        QFETCH(QString, text);
        QFETCH(Rows, rows);
        QCOMPARE(selectedRows(text), rows);
        const auto compiled = CompiledFilter::compile(text);
        if (!compiled->isValid())
            return;
        FilterJudge judge(compiled, file->sourceNames());
        Rows judged;
        for (int row = 0; row < file->entries().size(); ++row) {
            if (judge.keeps(*file->entries().at(row)))
                judged << row;
        }
        QCOMPARE(judged, rows);
    }

    // A viewer's filter pass knows its file's short name.
    void sourceThroughTheViewer_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("shown");
        QTest::newRow("its own") << QStringLiteral("source == \"example\"") << 12;
        QTest::newRow("another") << QStringLiteral("source == \"planner\"") << 0;
    }

    void sourceThroughTheViewer()
    {
        QFETCH(QString, text);
        QFETCH(int, shown);
        LogFileViewer filtered(file);
        QVERIFY(filtered.applyFilter(text));
        QTRY_VERIFY(!filtered.isBusy());
        int rows = 0;
        for (int row = 0; row < filtered.topLevelItemCount(); ++row)
            rows += filtered.isRowHidden(row, QModelIndex()) ? 0 : 1;
        QCOMPARE(rows, shown);
    }

    // The README shows exactly the examples checked above.
    void readmeExamplesAreTested()
    {
        QStringList tested;
        for (const Example &example : examples())
            tested << example.text;
        QCOMPARE(readmeExamples(), tested);
    }

    void filterBar()
    {
        QTemporaryDir config;
        const QString first = writeTestFile(dir, QStringLiteral("first.log"), exampleLog);
        const QString second = writeTestFile(dir, QStringLiteral("second.log"), exampleLog);
        MirtLogFileAnalyzer w;
        w.openLogFile(first);
        w.openLogFile(second);
        WAIT_UNTIL_IDLE(w);
        auto *tabs = w.findChild<QTabWidget *>();
        auto *one = currentViewer(w);
        QCOMPARE(w.findChild<QToolBar *>()->windowTitle(), QStringLiteral("Tools"));

        typeFilter(w, QStringLiteral("type == \"error\""));
        QCOMPARE(visibleRows(one), (Rows{3, 7, 11}));
        QCOMPARE(statusText(w), QStringLiteral("3 of 12 rows shown"));

        // A parse error keeps the rows and shows the message.
        typeFilter(w, QStringLiteral("time >"));
        QCOMPARE(statusText(w), QStringLiteral("end of text searching for operand"));
        QCOMPARE(visibleRows(one), (Rows{3, 7, 11}));
        typeFilter(w, QStringLiteral("time = 5"));
        QCOMPARE(statusText(w), QStringLiteral("expected operator, got '='"));
        QCOMPARE(visibleRows(one), (Rows{3, 7, 11}));

        // A good filter applies and replaces the error text.
        typeFilter(w, QStringLiteral("time > 10"));
        QCOMPARE(visibleRows(one), (Rows{8, 9, 10, 11}));
        QCOMPARE(statusText(w), QStringLiteral("4 of 12 rows shown"));

        // The other tab is filtered on its own.
        tabs->setCurrentIndex(1);
        auto *two = currentViewer(w);
        QCOMPARE(visibleRows(two), allRows(12));
        typeFilter(w, QStringLiteral("isaction"));
        QCOMPARE(visibleRows(two), (Rows{4, 5, 8, 9}));
        QCOMPARE(visibleRows(one), (Rows{8, 9, 10, 11}));

        // An empty filter shows the current tab's rows only.
        tabs->setCurrentIndex(0);
        typeFilter(w, QString());
        QCOMPARE(statusText(w), QStringLiteral("Ready"));
        QCOMPARE(visibleRows(one), allRows(12));
        QCOMPARE(visibleRows(two), (Rows{4, 5, 8, 9}));
    }

    void subActionRowsHideWithTheirEntry()
    {
        MirtLogFileAnalyzer w;
        w.openLogFile(writeTestFile(dir, QStringLiteral("nested.log"), exampleLog));
        WAIT_UNTIL_IDLE(w);
        QTreeWidget *viewer = currentViewer(w);
        viewer->expandAll();
        QCOMPARE(viewer->topLevelItem(4)->childCount(), 1);

        typeFilter(w, QStringLiteral("action != 100"));
        QStringList shown;
        for (QModelIndex index = viewer->model()->index(0, 0); index.isValid(); index = viewer->indexBelow(index))
            shown << viewer->model()->index(index.row(), 5, index.parent()).data().toString();
        QVERIFY(!shown.contains(QStringLiteral("    MoveArm ")));
        QCOMPARE(shown.size(), 10);

        typeFilter(w, QStringLiteral("false"));
        QCOMPARE(visibleRows(viewer), Rows{});
        QVERIFY(!viewer->indexBelow(QModelIndex()).isValid());
    }

    void filterWithoutTabs()
    {
        MirtLogFileAnalyzer w;
        typeFilter(w, QStringLiteral("time > 5"));
        QCOMPARE(statusText(w), QStringLiteral("Ready"));
        typeFilter(w, QStringLiteral("nosuch(1)"));
        QCOMPARE(statusText(w), QStringLiteral("function 'nosuch' is not a valid function name"));
        typeFilter(w, QString());
        QCOMPARE(statusText(w), QStringLiteral("Ready"));
    }

    // Every refused filter says what was expected and where; the rows stay.
    void refusedFiltersSayWhy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("status");
        QTest::newRow(".5") << QStringLiteral(".5") << QStringLiteral("expected a value at position 1, got '.'");
        QTest::newRow(")") << QStringLiteral(")") << QStringLiteral("expected a value at position 1, got ')'");
        QTest::newRow("#") << QStringLiteral("#") << QStringLiteral("expected a value at position 1, got '#'");
        QTest::newRow("()") << QStringLiteral("()") << QStringLiteral("expected a value at position 2, got ')'");
        QTest::newRow("contains()") << QStringLiteral("contains()")
                                    << QStringLiteral("expected a value at position 10, got ')'");
        QTest::newRow("!isaction") << QStringLiteral("!isaction") << QStringLiteral("expected a value at position 1, got '!'");
        QTest::newRow("after an operator") << QStringLiteral("time > 1 && )")
                                           << QStringLiteral("expected a value at position 13, got ')'");
        QTest::newRow("the parser's own text stays") << QStringLiteral("time >")
                                                     << QStringLiteral("end of text searching for operand");
    }

    void refusedFiltersSayWhy()
    {
        QFETCH(QString, text);
        QFETCH(QString, status);
        MirtLogFileAnalyzer w;
        w.openLogFile(writeTestFile(dir, QStringLiteral("refused.log"), exampleLog));
        WAIT_UNTIL_IDLE(w);
        typeFilter(w, QStringLiteral("isaction"));
        typeFilter(w, text);
        QCOMPARE(statusText(w), status);
        QCOMPARE(visibleRows(currentViewer(w)), (Rows{4, 5, 8, 9}));
    }

    // A pasted filter longer than a line edit normally takes is used whole.
    void longPastedFilter()
    {
        MirtLogFileAnalyzer w;
        w.openLogFile(writeTestFile(dir, QStringLiteral("long.log"), exampleLog));
        WAIT_UNTIL_IDLE(w);
        QString text = QStringLiteral("time < 0");
        while (text.size() < 40000)
            text += QStringLiteral(" || time < 0");
        text += QStringLiteral(" || time >= 0 && false");
        auto *edit = w.findChild<QToolBar *>()->findChild<QLineEdit *>();
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text().size(), text.size());
        QTest::keyClick(edit, Qt::Key_Return);
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(visibleRows(currentViewer(w)), Rows{});
        QCOMPARE(statusText(w), QStringLiteral("0 of 12 rows shown"));
    }

    // A new Return replaces a filter that is still running.
    void newFilterReplacesRunningOne()
    {
        MirtLogFileAnalyzer w;
        w.openLogFile(writeTestFile(dir, QStringLiteral("replaced.log"), exampleLog));
        WAIT_UNTIL_IDLE(w);
        auto *edit = w.findChild<QToolBar *>()->findChild<QLineEdit *>();
        edit->setText(QStringLiteral("type == \"error\""));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(w.isBusy());
        edit->setText(QStringLiteral("isaction"));
        QTest::keyClick(edit, Qt::Key_Return);
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(visibleRows(currentViewer(w)), (Rows{4, 5, 8, 9}));
        QCOMPARE(statusText(w), QStringLiteral("4 of 12 rows shown"));
    }

    // A large tab that was filtered is taken apart off the GUI thread.
    void largeFilteredTabIsReleased()
    {
        MirtLogFileAnalyzer w;
        w.openLogFile(writeTestFile(dir, QStringLiteral("large.log"), generatedLog(60000)));
        WAIT_UNTIL_IDLE(w);
        auto *viewer = qobject_cast<LogFileViewer *>(currentViewer(w));
        std::weak_ptr<LogFile> file = viewer->logFile();
        typeFilter(w, QStringLiteral("type == \"error\""));
        QPointer<QWidget> closed = viewer;
        w.closeTab(0);
        QTRY_VERIFY(closed.isNull());
        QTRY_VERIFY(file.expired());
    }

    // Nothing of a closed tab outlives it, filtered or not.
    void closedTabIsReleased()
    {
        MirtLogFileAnalyzer w;
        w.openLogFile(writeTestFile(dir, QStringLiteral("closed.log"), exampleLog));
        WAIT_UNTIL_IDLE(w);
        auto *viewer = qobject_cast<LogFileViewer *>(currentViewer(w));
        std::weak_ptr<LogFile> file = viewer->logFile();
        typeFilter(w, QStringLiteral("time > 5"));
        w.closeTab(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(file.expired());
    }

    // The toolbar has a name, so the saved window state brings it back as it was.
    void toolbarStateIsRestored()
    {
        {
            MirtLogFileAnalyzer w;
            auto *bar = w.findChild<QToolBar *>();
            QVERIFY(!bar->objectName().isEmpty());
            w.show();
            w.addToolBar(Qt::BottomToolBarArea, bar);
            QVERIFY(w.close());
        }
        MirtLogFileAnalyzer again;
        QCOMPARE(again.toolBarArea(again.findChild<QToolBar *>()), Qt::BottomToolBarArea);
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    // The window opens the files named in the application's arguments; give it none.
    int appArgc = 1;
    char name[] = "tst_filter";
    char *appArgv[] = {name, nullptr};
    QApplication app(appArgc, appArgv);
    TestFilter test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filter.moc"
