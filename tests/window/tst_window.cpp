// The window around the tabs, driven as a user drives it: what it reads from
// a damaged settings file, many files opened in one call, the find bar, the
// analysis panels and their menu ticks, the title and the empty window.

#include "findbar.h"
#include "mirtlogfileanalyzer.h"
#include "recentfiles.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRect>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>

namespace {

const QByteArray smallLog = "1.0 : Info : planner : starting action: 5: Pick [6: Move []]\n"
                            "2.0 : Info : planner : completing action: 5:\n"
                            "3.0 : Error : drive : motor fault\n";

QTabWidget *tabsOf(QMainWindow &w) { return w.findChild<QTabWidget *>(QStringLiteral("tabs")); }
QAction *actionOf(QMainWindow &w, const QString &name) { return w.findChild<QAction *>(name); }

QStringList tabTexts(QMainWindow &w)
{
    QStringList texts;
    for (int i = 0; i < tabsOf(w)->count(); ++i)
        texts << tabsOf(w)->tabText(i);
    return texts;
}

QStringList recentMenuFiles(QMainWindow &w)
{
    QStringList files;
    for (QAction *action : w.findChild<QMenu *>(QStringLiteral("recentMenu"))->actions()) {
        if (action->objectName().startsWith(QLatin1String("recentFile")))
            files << action->data().toString();
    }
    return files;
}

// The filters Up brings back in the filter line, the latest first.
QStringList filtersBroughtBack(QMainWindow &w)
{
    auto *line = w.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
    QStringList seen;
    for (int i = 0; i < 60; ++i) {
        QTest::keyClick(line, Qt::Key_Up);
        if (line->text().isEmpty() || (!seen.isEmpty() && seen.last() == line->text()))
            break;
        seen << line->text();
    }
    return seen;
}

int openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
}

QStringList numbered(const QString &pattern, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << pattern.arg(i);
    return list;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeLog(const QString &name) { return writeTestFile(dir, name, smallLog); }

    // A shown window, so that docks, bars and titles are laid out.
    void showWindow(MirtLogFileAnalyzer &w)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }

private slots:
    void init() { QSettings().clear(); }

    // A settings file damaged or edited by hand is read bounded: entries
    // too long or not text are dropped, the lists are cut to their limits.
    void damagedSettingsAreBounded_data()
    {
        QTest::addColumn<QVariant>("recent");
        QTest::addColumn<QStringList>("recentShown");
        QTest::addColumn<QVariant>("history");
        QTest::addColumn<QStringList>("historyShown");
        // Written as the settings file's text rather than through the
        // settings store, whose writer grows its line one entry at a time.
        QTest::addColumn<QByteArray>("fileText");

        const QString huge(10 * 1024 * 1024, QLatin1Char('x'));
        QTest::newRow("a string of 10 MB") << QVariant(huge) << QStringList() << QVariant(huge) << QStringList()
                                           << QByteArray();
        const QStringList files = numbered(QStringLiteral("/logs/%1.log"), 100000);
        const QStringList filters = numbered(QStringLiteral("time > %1"), 100000);
        QTest::newRow("lists of 100,000") << QVariant() << QStringList(files.mid(0, 10)) << QVariant()
                                          << QStringList(filters.mid(0, 50))
                                          << "[General]\nRecentFiles=" + files.join(QStringLiteral(", ")).toUtf8()
                                                 + "\nFilterHistory=" + filters.join(QStringLiteral(", ")).toUtf8()
                                                 + '\n';
        const QString longestPath = QLatin1Char('/') + QString(4095, QLatin1Char('p'));
        const QString longestFilter(64 * 1024, QLatin1Char('f'));
        QTest::newRow("too long dropped, the longest kept")
            << QVariant(QStringList{longestPath + QLatin1Char('p'), longestPath, QStringLiteral("/ok.log")})
            << QStringList{longestPath, QStringLiteral("/ok.log")}
            << QVariant(QStringList{longestFilter + QLatin1Char('f'), longestFilter, QStringLiteral("a")})
            << QStringList{longestFilter, QStringLiteral("a")} << QByteArray();
        const QVariantList notText{QByteArray("/bytes.log"), QRect(1, 2, 3, 4),
                                   QVariantList{QStringLiteral("/nested.log")}, QSize(5, 6)};
        QTest::newRow("values that are not text")
            << QVariant(notText + QVariantList{QStringLiteral("/ok.log")}) << QStringList{QStringLiteral("/ok.log")}
            << QVariant(notText + QVariantList{QStringLiteral("b")}) << QStringList{QStringLiteral("b")}
            << QByteArray();
        QTest::newRow("one string") << QVariant(QStringLiteral("/one.log")) << QStringList{QStringLiteral("/one.log")}
                                    << QVariant(QStringLiteral("time > 5")) << QStringList{QStringLiteral("time > 5")}
                                    << QByteArray();
        QTest::newRow("duplicates once, empty ones dropped")
            << QVariant(QStringList{QStringLiteral("/a.log"), QString(), QStringLiteral("/a.log")})
            << QStringList{QStringLiteral("/a.log")}
            << QVariant(QStringList{QStringLiteral("c"), QStringLiteral("c"), QString()}) << QStringList{"c"}
            << QByteArray();
    }

    void damagedSettingsAreBounded()
    {
        QFETCH(QVariant, recent);
        QFETCH(QStringList, recentShown);
        QFETCH(QVariant, history);
        QFETCH(QStringList, historyShown);
        QFETCH(QByteArray, fileText);
        if (fileText.isEmpty()) {
            QSettings settings;
            settings.setValue(QStringLiteral("RecentFiles"), recent);
            settings.setValue(QStringLiteral("FilterHistory"), history);
        } else {
            QFile file(QSettings().fileName());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(fileText), qint64(fileText.size()));
        }
        MirtLogFileAnalyzer w;
        QCOMPARE(recentMenuFiles(w), recentShown);
        // However long the path, its menu entry stays narrower than a screen.
        for (QAction *action : w.findChild<QMenu *>(QStringLiteral("recentMenu"))->actions())
            QVERIFY(action->text().size() <= 110);
        QCOMPARE(filtersBroughtBack(w), historyShown);
    }

    // The last folder, damaged, gives the working folder: the name Export
    // suggests is short and in it.
    void damagedLastDir()
    {
        QSettings().setValue(QStringLiteral("LastDir"), QString(10 * 1024 * 1024, QLatin1Char('d')));
        MirtLogFileAnalyzer w;
        w.openLogFiles({writeLog(QStringLiteral("shown.log"))}, true);
        WAIT_UNTIL_IDLE(w);
        QString suggested;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            suggested = QDir(dialog->directory().absolutePath())
                            .filePath(dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text());
            dialog->reject();
        });
        actionOf(w, QStringLiteral("fileExport"))->trigger();
        QCOMPARE(suggested, QDir(QStringLiteral(".")).absoluteFilePath(QStringLiteral("shown-shown.log")));
    }

    // Many files in one call: the recent list is written once, the tabs come
    // in the order given, each file once, the first one current.
    void manyFilesInOneCall()
    {
        QStringList paths;
        QStringList names;
        for (int i = 0; i < 45; ++i) {
            names << QStringLiteral("many%1").arg(i);
            paths << writeLog(names.last() + QStringLiteral(".log"));
        }
        MirtLogFileAnalyzer w;
        showWindow(w);
        w.openLogFiles({paths.at(3)});
        tabsOf(w)->setCurrentIndex(0);
        QSignalSpy saved(w.findChild<RecentFiles *>(QStringLiteral("recentFiles")), &RecentFiles::listChanged);
        // Named twice, and once more while its tab is still to come.
        w.openLogFiles(paths + QStringList{paths.at(40), paths.at(3)}, true);
        QCOMPARE(saved.size(), 1);
        QVERIFY(w.isBusy());
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(saved.size(), 1);
        QStringList expected = names;
        expected.move(3, 0);
        QCOMPARE(tabTexts(w), expected);
        QCOMPARE(tabsOf(w)->currentIndex(), 1);
        QCOMPARE(recentMenuFiles(w),
                 (QStringList{paths.at(3), paths.at(40), paths.at(44), paths.at(43), paths.at(42), paths.at(41),
                              paths.at(39), paths.at(38), paths.at(37), paths.at(36)}));
        QCOMPARE(QSettings().value(QStringLiteral("RecentFiles")).toStringList(), recentMenuFiles(w));

        // A tab read while another one showed fits its columns once shown,
        // as the one that showed did: the files are alike.
        auto *seen = qobject_cast<QTreeWidget *>(tabsOf(w)->widget(1));
        auto *unseen = qobject_cast<QTreeWidget *>(tabsOf(w)->widget(44));
        tabsOf(w)->setCurrentWidget(unseen);
        for (int column = 0; column < seen->columnCount(); ++column)
            QCOMPARE(unseen->columnWidth(column), seen->columnWidth(column));
    }

    // A window closed while the tabs of a long list are still to come
    // leaves no file open.
    void closedWithTabsToCome()
    {
        QStringList paths;
        for (int i = 0; i < 45; ++i)
            paths << writeLog(QStringLiteral("closed%1.log").arg(i));
        QVERIFY(QThreadPool::globalInstance()->waitForDone(60000));
        const int before = openDescriptors();
        {
            MirtLogFileAnalyzer w;
            w.openLogFiles(paths);
            QVERIFY(w.isBusy());
            QVERIFY(tabsOf(w)->count() < paths.size());
        }
        QVERIFY(QThreadPool::globalInstance()->waitForDone(60000));
        QTRY_COMPARE(openDescriptors(), before);
    }

    // The find bar is directly under the tabs, above the panels docked at
    // the bottom.
    void findBarUnderTheTabs()
    {
        MirtLogFileAnalyzer w;
        showWindow(w);
        w.openLogFiles({writeLog(QStringLiteral("found.log"))}, true);
        WAIT_UNTIL_IDLE(w);
        actionOf(w, QStringLiteral("viewTimeline"))->trigger();
        actionOf(w, QStringLiteral("editFind"))->trigger();
        auto *bar = w.findChild<FindBar *>(QStringLiteral("findBar"));
        QTabWidget *tabs = tabsOf(w);
        auto *dock = w.findChild<QDockWidget *>(QStringLiteral("timelineDock"));
        QVERIFY(bar->isVisible());
        QCOMPARE(QApplication::focusWidget(), bar->line());
        const auto top = [&w](QWidget *widget) { return widget->mapTo(&w, QPoint(0, 0)).y(); };
        QTRY_COMPARE(top(bar), top(tabs) + tabs->height());
        QVERIFY(top(bar) + bar->height() <= top(dock));
        QTest::keyClick(bar->line(), Qt::Key_Escape);
        QVERIFY(bar->isHidden());
    }

    // View > Actions and View > Timeline are ticked exactly while their
    // panel shows, however it was shown, floated, docked or closed.
    void panelTicks_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("dock");
        QTest::newRow("actions") << QStringLiteral("viewActions") << QStringLiteral("actionsDock");
        QTest::newRow("timeline") << QStringLiteral("viewTimeline") << QStringLiteral("timelineDock");
    }

    void panelTicks()
    {
        QFETCH(QString, action);
        QFETCH(QString, dock);
        MirtLogFileAnalyzer w;
        showWindow(w);
        QAction *toggle = actionOf(w, action);
        auto *panel = w.findChild<QDockWidget *>(dock);
#define SHOWN(expected)                                                                                         \
    do {                                                                                                               \
        QTRY_COMPARE(panel->isVisible(), expected);                                                                    \
        QCOMPARE(toggle->isChecked(), expected);                                                                       \
    } while (false)
        toggle->trigger();
        SHOWN(true);
        panel->setFloating(true);
        SHOWN(true);
        panel->setFloating(false);
        SHOWN(true);
        panel->close();
        SHOWN(false);
        toggle->trigger();
        SHOWN(true);
        panel->setFloating(true);
        panel->close();
        SHOWN(false);
        toggle->trigger();
        SHOWN(true);
        QVERIFY(panel->isFloating());
        panel->setFloating(false);
        SHOWN(true);
        toggle->trigger();
        SHOWN(false);
#undef SHOWN
    }

    // A panel shown for the first time takes a third of the window's height.
    void panelFirstSize_data() { panelTicks_data(); }

    void panelFirstSize()
    {
        QFETCH(QString, action);
        QFETCH(QString, dock);
        MirtLogFileAnalyzer w;
        w.resize(760, 540);
        showWindow(w);
        w.openLogFiles({writeLog(QStringLiteral("sized.log"))}, true);
        WAIT_UNTIL_IDLE(w);
        actionOf(w, action)->trigger();
        auto *panel = w.findChild<QDockWidget *>(dock);
        QTRY_VERIFY2(panel->height() >= w.height() / 3,
                     qPrintable(QStringLiteral("%1 of %2").arg(panel->height()).arg(w.height())));
    }

    // The title names the current tab; the empty window says how to begin.
    void titleAndEmptyHint()
    {
        MirtLogFileAnalyzer w;
        showWindow(w);
        auto *hint = w.findChild<QLabel *>(QStringLiteral("emptyHint"));
        QCOMPARE(w.windowTitle(), QStringLiteral("MirtLogFileAnalyzer"));
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("Open a log with Ctrl+O or drop files here"));

        w.openLogFiles({writeLog(QStringLiteral("alpha.log")), writeLog(QStringLiteral("robot.2020.log")),
                        writeLog(QStringLiteral("odd[*].log"))},
                       true);
        WAIT_UNTIL_IDLE(w);
        QVERIFY(!hint->isVisible());
        QVERIFY(tabsOf(w)->isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("alpha \u2014 MirtLogFileAnalyzer"));
        tabsOf(w)->setCurrentIndex(1);
        QCOMPARE(w.windowTitle(), QStringLiteral("robot \u2014 MirtLogFileAnalyzer"));
        // A name the title would take for its "changed" mark shows as it is.
        tabsOf(w)->setCurrentIndex(2);
        QCOMPARE(w.windowHandle()->title(), QStringLiteral("odd[*] \u2014 MirtLogFileAnalyzer"));

        for (int i = 0; i < 3; ++i)
            actionOf(w, QStringLiteral("fileClose"))->trigger();
        QCOMPARE(tabsOf(w)->count(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("MirtLogFileAnalyzer"));
        QVERIFY(hint->isVisible());
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    // The window opens the files named on the command line: it sees none.
    int appArgc = 1;
    QApplication app(appArgc, argv);
    TestWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
