// What the status line and the find bar say, tab by tab, through the real
// window: each tab's own status, Find that says "not found" only once it
// knows, a search that backtracks without end, and the hints about filters.

#include "findbar.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

namespace {

QTabWidget *tabsOf(QMainWindow &w) { return w.findChild<QTabWidget *>(QStringLiteral("tabs")); }
QLabel *statusOf(QMainWindow &w) { return w.statusBar()->findChild<QLabel *>(); }
LogFileViewer *viewerAt(QMainWindow &w, int index) { return qobject_cast<LogFileViewer *>(tabsOf(w)->widget(index)); }
QLineEdit *filterLineOf(QMainWindow &w) { return w.findChild<QLineEdit *>(QStringLiteral("filterEdit")); }

void applyFilter(MirtLogFileAnalyzer &w, const QString &text)
{
    filterLineOf(w)->setText(text);
    w.filterEntered();
    WAIT_UNTIL_IDLE(w);
}

const QByteArray robotLog = "1.0 : Info : drive : idle\n"
                            "2.0 : Error : vision : camera timeout\n"
                            "3.0 : Info : arm : starting action: 1: Grip, bin3\n"
                            "4.0 : Warning : arm : canceling action: 1:\n";

} // namespace

class TestTabStatus final : public QObject
{
    Q_OBJECT

private:
    WindowTestEnvironment environment;
    QTemporaryDir dir;

    QString log(const QString &name, const QByteArray &content) { return writeTestFile(dir, name, content); }

private slots:
    // The status line speaks of the current tab: switching tabs shows what
    // was last said of each; a filter applied to all tabs counts each one's
    // own rows.
    void statusFollowsTheTab()
    {
        MirtLogFileAnalyzer w;
        w.openLogFiles({log(QStringLiteral("damaged.log"), "nonsense\n1.0 : Info : a : ok\n"),
                        log(QStringLiteral("clean.log"), robotLog)});
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(tabsOf(w)->currentIndex(), 0);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("1 line of damaged could not be read"));
        tabsOf(w)->setCurrentIndex(1);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("Ready"));

        w.findChild<QAction *>(QStringLiteral("applyToAllTabs"))->setChecked(true);
        applyFilter(w, QStringLiteral("type != \"debug\""));
        QCOMPARE(statusOf(w)->text(), QStringLiteral("4 of 4 rows shown"));
        tabsOf(w)->setCurrentIndex(0);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("1 of 1 rows shown"));
        tabsOf(w)->setCurrentIndex(1);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("4 of 4 rows shown"));
    }

    // "Not found" only once the count has ended with no match, and gone
    // with the next search.
    void notFoundOnlyWhenCounted()
    {
        MirtLogFileAnalyzer w;
        w.openLogFiles({log(QStringLiteral("find.log"), generatedLog(200000))}, true);
        WAIT_UNTIL_IDLE(w);
        w.findChild<QAction *>(QStringLiteral("editFind"))->trigger();
        auto *bar = w.findChild<FindBar *>(QStringLiteral("findBar"));
        QStringList said;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (said.isEmpty() || said.last() != statusOf(w)->text())
                said << statusOf(w)->text();
        });
        watch.start(1);
        // Return while the matches are counted waits for the count: pressed
        // right after the search starts.
        bool countingAtReturn = false;
        const auto pressed = connect(bar, &FindBar::queryChanged, this, [&] {
            countingAtReturn = viewerAt(w, 0)->isCounting();
            QTest::keyClick(bar->line(), Qt::Key_Return);
        });
        bar->line()->setText(QStringLiteral("bin3"));
        QTRY_VERIFY(viewerAt(w, 0)->findCount() > 0);
        disconnect(pressed);
        QVERIFY(countingAtReturn);
        QVERIFY(viewerAt(w, 0)->findIndex() >= 0);
        bar->line()->setText(QStringLiteral("nowhere in this log"));
        QTRY_COMPARE(statusOf(w)->text(), QStringLiteral("'nowhere in this log' is not in the rows shown"));
        QVERIFY(!viewerAt(w, 0)->isCounting());
        QVERIFY(!said.contains(QStringLiteral("'bin3' is not in the rows shown")));
        bar->line()->setText(QStringLiteral("bin4"));
        QTRY_VERIFY(viewerAt(w, 0)->findCount() > 0);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("Ready"));
    }

    // A pattern that backtracks without end costs each row a bounded time:
    // the search can be replaced at once, and the loads and filters of
    // other tabs go on meanwhile.
    void backtrackingSearchStops()
    {
        QByteArray heavy;
        for (int i = 0; i < 20000; ++i)
            heavy += QByteArray::number(i) + ".0 : Info : drive : " + QByteArray(40, 'a') + "!\n";
        MirtLogFileAnalyzer w;
        w.openLogFiles({log(QStringLiteral("heavy.log"), heavy)}, true);
        WAIT_UNTIL_IDLE(w);
        w.findChild<QAction *>(QStringLiteral("editFind"))->trigger();
        auto *bar = w.findChild<FindBar *>(QStringLiteral("findBar"));
        bar->findChild<QAction *>(QStringLiteral("findRegularExpression"))->setChecked(true);
        bar->line()->setText(QStringLiteral("(a+)+$"));
        QTRY_VERIFY(viewerAt(w, 0)->isCounting());
        // Another file loads and filters while the search runs.
        w.openLogFiles({log(QStringLiteral("other.log"), generatedLog(50000))}, true);
        WAIT_UNTIL_IDLE(w);
        applyFilter(w, QStringLiteral("type == \"error\""));
        QVERIFY(statusOf(w)->text().endsWith(QStringLiteral("rows shown")));
        // A new search on the first tab replaces the old one.
        tabsOf(w)->setCurrentIndex(0);
        bar->findChild<QAction *>(QStringLiteral("findRegularExpression"))->setChecked(false);
        bar->line()->setText(QStringLiteral("drive"));
        QTRY_COMPARE(viewerAt(w, 0)->findCount(), 20000);
    }

    // A filter that keeps nothing and compares with capitals says that
    // values are in small letters; mixing && and || without parentheses
    // shows in the filter line's tooltip how the text groups.
    void filterHints_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("a type with a capital")
            << QStringLiteral("type == \"Error\"")
            << QStringLiteral("0 of 4 rows shown (values are compared in small letters: try \"error\")") << QString();
        QTest::newRow("contains with a capital")
            << QStringLiteral("contains(message, \"Camera\")")
            << QStringLiteral("0 of 4 rows shown (values are compared in small letters: try \"camera\")") << QString();
        QTest::newRow("capitals, rows kept") << QStringLiteral("type != \"Error\"") << QStringLiteral("4 of 4 rows shown")
                                             << QString();
        QTest::newRow("nothing kept, no capitals") << QStringLiteral("type == \"fatal\"")
                                                   << QStringLiteral("0 of 4 rows shown") << QString();
        QTest::newRow("&& and || mixed")
            << QStringLiteral("type == \"error\" && subsystem == \"arm\" || subsystem == \"vision\"")
            << QStringLiteral("1 of 4 rows shown")
            << QStringLiteral("Read as: (type == \"error\") && ((subsystem == \"arm\") || (subsystem == \"vision\"))");
        QTest::newRow("mixed in parentheses")
            << QStringLiteral("(type == \"error\" && subsystem == \"arm\") || subsystem == \"vision\"")
            << QStringLiteral("1 of 4 rows shown") << QString();
    }

    void filterHints()
    {
        QFETCH(QString, filter);
        QFETCH(QString, status);
        QFETCH(QString, toolTip);
        MirtLogFileAnalyzer w;
        w.openLogFiles({log(QStringLiteral("hints.log"), robotLog)}, true);
        WAIT_UNTIL_IDLE(w);
        applyFilter(w, filter);
        QCOMPARE(statusOf(w)->text(), status);
        QCOMPARE(filterLineOf(w)->toolTip(), toolTip);
    }
};

QTEST_MAIN(TestTabStatus)
#include "tst_tabstatus.moc"
