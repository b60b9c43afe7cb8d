// Sessions through the real window: saved and opened again in a new window,
// relative paths after the folder moved, files missing or changed since,
// hostile session files, a session given on the command line or dropped,
// and the last session restored at start.
#include "logfile.h"
#include "logfileviewer.h"
#include "logtab.h"
#include "mirtlogfileanalyzer.h"
#include "sessionjson.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QtTest>

namespace {

QTabWidget *tabsOf(QMainWindow &window)
{
    return window.findChild<QTabWidget *>(QStringLiteral("tabs"));
}

QList<LogFileViewer *> viewersOf(QMainWindow &window)
{
    QList<LogFileViewer *> viewers;
    QTabWidget *tabs = tabsOf(window);
    for (int i = 0; i < tabs->count(); ++i)
        viewers << qobject_cast<LogFileViewer *>(tabs->widget(i));
    return viewers;
}

QStringList tabNames(QMainWindow &window)
{
    QStringList names;
    for (int i = 0; i < tabsOf(window)->count(); ++i)
        names << tabsOf(window)->tabText(i);
    return names;
}

LogTab *tabOf(QMainWindow &window, const LogFileViewer *viewer)
{
    for (LogTab *tab : window.findChildren<LogTab *>()) {
        if (tab->viewer() == viewer)
            return tab;
    }
    return nullptr;
}

QLabel *statusLabel(QMainWindow &window)
{
    return window.statusBar()->findChild<QLabel *>();
}

QAction *action(QMainWindow &window, const char *name)
{
    return window.findChild<QAction *>(QString::fromLatin1(name));
}

// The current record of a viewer as "line text".
QString currentRecord(LogFileViewer *viewer)
{
    const int entry = viewer->currentEntry();
    if (entry < 0 || !viewer->logFile())
        return QStringLiteral("none");
    return QString::number(viewer->logFile()->lineOf(entry)) + QLatin1Char(' ')
        + viewer->logFile()->entries().at(entry)->message();
}

QByteArray numberedLog(const QString &name, int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("%1|%2|%3 record %4")
                     .arg(i % 3 ? "Info" : "Error", i % 2 ? "drive" : "arm", name)
                     .arg(i);
    return records(lines);
}

void setCommandLine(const QStringList &files)
{
    QList<QByteArray> bytes{"MirtLogFileAnalyzer"};
    for (const QString &file : files)
        bytes << file.toLocal8Bit();
    std::vector<const char *> argv;
    for (const QByteArray &arg : bytes)
        argv.push_back(arg.constData());
    MirtLogFileAnalyzer::setCommandLineBytes(int(argv.size()), argv.data());
}

QByteArray sessionJson(const QJsonArray &tabs)
{
    return QJsonDocument(QJsonObject{{"format", "mirtsession"}, {"version", 1}, {"tabs", tabs}}).toJson();
}

} // namespace

class TestSessionWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setCommandLine({}); }
    void roundTrip_data();
    void roundTrip();
    void bookmarksAndOriginKept();
    void relativePathsAfterMoving();
    void missingOrChangedFiles_data();
    void missingOrChangedFiles();
    void hostileSessions_data();
    void hostileSessions();
    void givenOrDropped_data();
    void givenOrDropped();
    void restoreLastSessionAtStart_data();
    void restoreLastSessionAtStart();

private:
    // A session of two tabs, robot and other, with a filter on other.
    void savePair(const QTemporaryDir &folder, QString &path);

    QTemporaryDir dir;
};

void TestSessionWindow::roundTrip_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("actions");
    QTest::addColumn<bool>("timeline");
    QTest::newRow("first tab, no panels") << 0 << false << false;
    QTest::newRow("merged tab, both panels") << 2 << true << true;
    QTest::newRow("second tab, timeline") << 1 << false << true;
}

void TestSessionWindow::roundTrip()
{
    QFETCH(int, current);
    QFETCH(bool, actions);
    QFETCH(bool, timeline);
    const QString robot = writeTestFile(dir, "robot.log", numberedLog("robot", 40));
    const QString other = writeTestFile(dir, "other.log", numberedLog("other", 30));
    const QString planner = writeTestFile(dir, "planner.log", numberedLog("planner", 10));
    const QString drive = writeTestFile(dir, "drive.log", numberedLog("drive", 10));
    const QString path = dir.filePath("round.mirtsession");
    QStringList names;
    QStringList filters;
    QList<int> contexts;
    QStringList currents;
    int shownRows = 0;
    {
        MirtLogFileAnalyzer window;
        window.openLogFiles({robot, other});
        window.openMerged({planner, drive});
        WAIT_UNTIL_IDLE(window);
        // drive's times shifted by 0.5 s.
        QTimer::singleShot(0, &window, [] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setDoubleValue(0.5);
            dialog->accept();
        });
        QMenu *menu = viewersOf(window)[2]->createContextMenu(
            viewersOf(window)[2]->model()->index(1, LogFileViewer::sourceColumn));
        menu->findChild<QAction *>(QStringLiteral("shiftSourceTime"))->trigger();
        delete menu;
        WAIT_UNTIL_IDLE(window);
        const QList<LogFileViewer *> viewers = viewersOf(window);
        QVERIFY(viewers[0]->applyFilter(QStringLiteral("subsystem == \"drive\"")));
        viewers[0]->setContextRows(1);
        QVERIFY(viewers[2]->applyFilter(QStringLiteral("type == \"error\"")));
        WAIT_UNTIL_IDLE(window);
        viewers[0]->showEntry(21);
        viewers[1]->showEntry(7);
        viewers[2]->showEntry(13);
        tabsOf(window)->setCurrentIndex(current);
        action(window, "viewActions")->setChecked(actions);
        action(window, "viewTimeline")->setChecked(timeline);
        WAIT_UNTIL_IDLE(window);
        for (LogFileViewer *viewer : viewers) {
            filters << viewer->filterText();
            contexts << viewer->contextRowCount();
            currents << currentRecord(viewer);
        }
        names = tabNames(window);
        shownRows = viewers[0]->shownRowCount();
        QVERIFY(window.saveSession(path));
        QCOMPARE(statusLabel(window)->text(), QStringLiteral("session saved to '%1'").arg(path));
        window.close();
    }
    QCOMPARE(currents[2], QStringLiteral("7 drive record 6"));
    MirtLogFileAnalyzer window;
    // What is open is replaced by the session.
    window.openLogFiles({writeTestFile(dir, "before.log", numberedLog("before", 3))});
    WAIT_UNTIL_IDLE(window);
    window.openSession(path);
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(tabNames(window), names);
    QCOMPARE(tabsOf(window)->currentIndex(), current);
    QVERIFY(tabsOf(window)->tabToolTip(2).contains(QStringLiteral("(time shifted +0.5 s)")));
    const QList<LogFileViewer *> viewers = viewersOf(window);
    for (int i = 0; i < viewers.size(); ++i) {
        QCOMPARE(viewers[i]->filterText(), filters[i]);
        QCOMPARE(viewers[i]->contextRowCount(), contexts[i]);
        QCOMPARE(currentRecord(viewers[i]), currents[i]);
    }
    QCOMPARE(viewers[0]->shownRowCount(), shownRows);
    QCOMPARE(action(window, "viewActions")->isChecked(), actions);
    QCOMPARE(action(window, "viewTimeline")->isChecked(), timeline);
    QCOMPARE(statusLabel(window)->text(), QStringLiteral("restored the session 'round.mirtsession'"));
}

void TestSessionWindow::bookmarksAndOriginKept()
{
    // The tab shows them, and a session opened and saved again keeps them.
    QTemporaryDir folder;
    writeTestFile(folder, "robot.log", numberedLog("robot", 20));
    const QJsonArray marks{QJsonObject{{"line", 3}, {"note", "slip"}}, QJsonObject{{"line", 17}, {"note", ""}}};
    const QString first = writeTestFile(
        folder, "first.mirtsession",
        sessionJson({QJsonObject{{"files", QJsonArray{QJsonObject{{"path", "robot.log"}}}},
                                 {"bookmarks", marks},
                                 {"timeOrigin", "2026-12-08T09:30:01.007Z"}}}));
    MirtLogFileAnalyzer window;
    window.openSession(first);
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(tabNames(window), QStringList{"robot"});
    const QDateTime origin = QDateTime::fromString("2026-12-08T09:30:01.007Z", Qt::ISODateWithMs);
    QCOMPARE(viewersOf(window)[0]->timeOrigin().toMSecsSinceEpoch(), origin.toMSecsSinceEpoch());
    const std::vector<Bookmark> shown = viewersOf(window)[0]->bookmarks();
    QCOMPARE(shown.size(), size_t(2));
    QCOMPARE(shown[0].line, 3);
    QCOMPARE(shown[0].note, QStringLiteral("slip"));
    QCOMPARE(shown[1].line, 17);
    QVERIFY(window.saveSession(folder.filePath("second.mirtsession")));
    const sessionjson::ReadResult read = sessionjson::read(folder.filePath("second.mirtsession"));
    QVERIFY(read.ok);
    QCOMPARE(read.session.tabs.size(), size_t(1));
    const SessionTab &tab = read.session.tabs.front();
    QVERIFY(tab.bookmarks == (std::vector<SessionBookmark>{{3, "slip"}, {17, ""}}));
    QVERIFY(tab.timeOrigin);
    QCOMPARE(tab.timeOrigin->toMSecsSinceEpoch(),
             QDateTime::fromString("2026-12-08T09:30:01.007Z", Qt::ISODateWithMs).toMSecsSinceEpoch());
}

void TestSessionWindow::savePair(const QTemporaryDir &folder, QString &path)
{
    const QString robot = writeTestFile(folder, "robot.log", numberedLog("robot", 20));
    const QString other = writeTestFile(folder, "other.log", numberedLog("other", 20));
    path = folder.filePath("pair.mirtsession");
    MirtLogFileAnalyzer window;
    window.openLogFiles({robot, other});
    WAIT_UNTIL_IDLE(window);
    viewersOf(window)[1]->applyFilter(QStringLiteral("type == \"error\""));
    WAIT_UNTIL_IDLE(window);
    viewersOf(window)[1]->showEntry(9);
    QVERIFY(window.saveSession(path));
}

void TestSessionWindow::relativePathsAfterMoving()
{
    QTemporaryDir parent;
    QVERIFY(QDir(parent.path()).mkdir("case"));
    QTemporaryDir folder(parent.filePath("case/XXXXXX"));
    QString saved;
    savePair(folder, saved);
    if (QTest::currentTestFailed())
        return;
    const QString moved = parent.filePath("moved");
    QVERIFY(QDir().rename(folder.path(), moved));
    MirtLogFileAnalyzer window;
    window.openSession(moved + "/pair.mirtsession");
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(tabNames(window), (QStringList{"robot", "other"}));
    QCOMPARE(viewersOf(window)[0]->path(), moved + "/robot.log");
    QCOMPARE(currentRecord(viewersOf(window)[1]), QStringLiteral("10 other record 9"));
    QCOMPARE(statusLabel(window)->text(), QStringLiteral("restored the session 'pair.mirtsession'"));
    QDir(moved).removeRecursively();
}

void TestSessionWindow::missingOrChangedFiles_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<QString>("problem");
    const QString changed =
        QStringLiteral("robot.log: the file has changed since the session was saved: bookmarks may point elsewhere");
    QTest::newRow("missing") << "remove" << QStringList{"other"} << "robot.log: the file is missing";
    QTest::newRow("rewritten") << "rewrite" << QStringList{"robot", "other"} << changed;
    QTest::newRow("shorter") << "shorten" << QStringList{"robot", "other"} << changed;
    QTest::newRow("grown") << "grow" << QStringList{"robot", "other"} << QString();
}

void TestSessionWindow::missingOrChangedFiles()
{
    QFETCH(QString, edit);
    QFETCH(QStringList, tabs);
    QFETCH(QString, problem);
    QTemporaryDir folder;
    QString path;
    savePair(folder, path);
    if (QTest::currentTestFailed())
        return;
    const QString robot = folder.filePath("robot.log");
    QFile file(robot);
    if (edit == "remove") {
        QVERIFY(file.remove());
    } else {
        const QByteArray old = numberedLog("robot", 20);
        QVERIFY(file.open(edit == "grow" ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(edit == "grow" ? QByteArray("99.0 : Info : arm : later\n")
                                  : edit == "shorten" ? old.left(old.indexOf("11.0 : ")) : numberedLog("Robot", 20));
        file.close();
    }
    MirtLogFileAnalyzer window;
    window.openSession(path);
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(tabNames(window), tabs);
    // The rest is restored.
    LogFileViewer *other = viewersOf(window).last();
    QCOMPARE(other->filterText(), QStringLiteral("type == \"error\""));
    QCOMPARE(currentRecord(other), QStringLiteral("10 other record 9"));
    const QString shown = statusLabel(window)->text() + '\n' + statusLabel(window)->toolTip();
    if (problem.isEmpty()) {
        QCOMPARE(statusLabel(window)->text(), QStringLiteral("restored the session 'pair.mirtsession'"));
        return;
    }
    QVERIFY2(shown.contains(problem), qPrintable(shown));
    if (tabs.size() == 2)
        QCOMPARE(tabOf(window, viewersOf(window).first())->statusText(), problem);
}

void TestSessionWindow::hostileSessions_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("megabytes");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("says");
    QJsonArray many;
    for (int i = 0; i < 10000; ++i)
        many.append(QJsonObject{{"files", QJsonArray{QJsonObject{{"path", QStringLiteral("r%1.log").arg(i)}}}}});
    QTest::newRow("not JSON") << QByteArray("\x89PNG\r\n\x1a\n") << 0 << true
                              << "'h.mirtsession' is not a session file: it is not JSON";
    QTest::newRow("wrong types") << QByteArray(R"({"format": "mirtsession", "version": 1, "tabs": "all"})") << 0
                                 << true << "'h.mirtsession' is not a session file: 'tabs' is not a list";
    QTest::newRow("100 MB of strings") << QByteArray() << 100 << true
                                       << "'h.mirtsession' is not a session file: it is larger than 4 MiB";
    QTest::newRow("10,000 tabs") << sessionJson(many) << 0 << false
                                 << "9936 tabs of the session were left out: at most 64 are restored";
    QTest::newRow("numbers out of range")
        << sessionJson({QJsonObject{{"files", QJsonArray{QJsonObject{{"path", "keep.log"}}}}, {"context", 1e308}}}) << 0
        << false << "tab 1 of the session could not be read: 'context' is out of range";
    QTest::newRow("deep nesting") << QByteArray(3 * 1024 * 1024, '[') << 0 << true << "it is not JSON";
}

void TestSessionWindow::hostileSessions()
{
    QFETCH(QByteArray, content);
    QFETCH(int, megabytes);
    QFETCH(bool, refused);
    QFETCH(QString, says);
    const QString keep = writeTestFile(dir, "keep.log", numberedLog("keep", 5));
    const QString path = dir.filePath("h.mirtsession");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    if (megabytes > 0) {
        file.write("{\"format\": \"mirtsession\", \"version\": 1, \"tabs\": [{\"filter\": \"");
        const QByteArray block(1024 * 1024, 'x');
        for (int i = 0; i < megabytes; ++i)
            file.write(block);
        file.write("\"}]}");
    }
    file.close();
    MirtLogFileAnalyzer window;
    window.openLogFiles({keep});
    WAIT_UNTIL_IDLE(window);
    window.openSession(path);
    WAIT_UNTIL_IDLE(window);
    const QString shown = statusLabel(window)->text() + '\n' + statusLabel(window)->toolTip();
    QVERIFY2(shown.contains(says), qPrintable(shown));
    // A session refused leaves the tabs as they were.
    QCOMPARE(tabNames(window), refused ? QStringList{"keep"} : QStringList{});
}

void TestSessionWindow::givenOrDropped_data()
{
    QTest::addColumn<bool>("dropped");
    QTest::newRow("command line") << false;
    QTest::newRow("dropped") << true;
}

void TestSessionWindow::givenOrDropped()
{
    QFETCH(bool, dropped);
    QTemporaryDir folder;
    QString path;
    savePair(folder, path);
    if (QTest::currentTestFailed())
        return;
    const QString extra = writeTestFile(folder, "extra.log", numberedLog("extra", 4));
    if (!dropped)
        setCommandLine({path, extra});
    MirtLogFileAnalyzer window;
    if (dropped) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(extra)});
        const QPoint at = window.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        QVERIFY(drop.isAccepted());
    }
    WAIT_UNTIL_IDLE(window);
    // The logs given with it are kept beside the session's tabs.
    QTRY_COMPARE(tabNames(window), (QStringList{"extra", "robot", "other"}));
    QCOMPARE(viewersOf(window)[2]->filterText(), QStringLiteral("type == \"error\""));
    QCOMPARE(currentRecord(viewersOf(window)[2]), QStringLiteral("10 other record 9"));
}

void TestSessionWindow::restoreLastSessionAtStart_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("filesGiven");
    QTest::addColumn<QStringList>("tabs");
    QTest::newRow("off") << false << false << QStringList{};
    QTest::newRow("on") << true << false << QStringList{"robot", "other"};
    QTest::newRow("on, files given") << true << true << QStringList{"given"};
}

void TestSessionWindow::restoreLastSessionAtStart()
{
    QFETCH(bool, on);
    QFETCH(bool, filesGiven);
    QFETCH(QStringList, tabs);
    QTemporaryDir folder;
    const QString robot = writeTestFile(folder, "robot.log", numberedLog("robot", 20));
    const QString other = writeTestFile(folder, "other.log", numberedLog("other", 20));
    {
        MirtLogFileAnalyzer window;
        QVERIFY(!action(window, "fileRestoreLastSession")->isChecked() || on);
        window.openLogFiles({robot, other});
        WAIT_UNTIL_IDLE(window);
        viewersOf(window)[0]->showEntry(12);
        action(window, "fileRestoreLastSession")->setChecked(on);
        // Quitting keeps the session beside the settings.
        window.close();
        QVERIFY(QFile::exists(window.lastSessionPath()));
    }
    if (filesGiven)
        setCommandLine({writeTestFile(folder, "given.log", numberedLog("given", 3))});
    MirtLogFileAnalyzer window;
    QCOMPARE(action(window, "fileRestoreLastSession")->isChecked(), on);
    WAIT_UNTIL_IDLE(window);
    QCOMPARE(tabNames(window), tabs);
    if (tabs.size() == 2)
        QCOMPARE(currentRecord(viewersOf(window)[0]), QStringLiteral("13 robot record 12"));
    action(window, "fileRestoreLastSession")->setChecked(false);
}

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    // The window opens the files named on the command line: it sees only
    // those a test gives it.
    int appArgc = 1;
    QApplication app(appArgc, argv);
    TestSessionWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sessionwindow.moc"
