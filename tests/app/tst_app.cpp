#include "actionspanel.h"
#include "actiontimeline.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "windowtestenvironment.h"
#include "testfiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QStyle>
#include <QProgressBar>
#include <QThreadPool>
#include <QtTest>

#include <QAbstractItemModel>
#include <QRegularExpression>
#include <QTableView>
#include <QWheelEvent>

#include <climits>
#include <cmath>
#include <limits>

#include <unistd.h>

#include <vector>

namespace {

// The application's argument vector: the window reads the files to open from
// QCoreApplication::arguments(), which follows this array.
int appArgc = 1;
std::vector<QByteArray> appArgStore;
char *appArgv[32];

// The command line as bytes, as the system gives it to the program entry.
void setCommandLineBytes(const QList<QByteArray> &files)
{
    appArgStore.assign(1, QByteArray("tst_app"));
    for (const QByteArray &f : files)
        appArgStore.push_back(f);
    for (size_t i = 0; i < appArgStore.size(); ++i)
        appArgv[i] = appArgStore[i].data();
    appArgv[appArgStore.size()] = nullptr;
    appArgc = int(appArgStore.size());
    MirtLogFileAnalyzer::setCommandLineBytes(appArgc, appArgv);
}

void setCommandLine(const QStringList &files)
{
    QList<QByteArray> bytes;
    for (const QString &f : files)
        bytes << f.toLocal8Bit();
    setCommandLineBytes(bytes);
}

// A saved geometry as the toolkit writes it.
QByteArray geometryBlob(const QRect &frame, const QRect &normal, qint32 screenWidth)
{
    QByteArray blob;
    QDataStream stream(&blob, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_0);
    stream << quint32(0x1D9D0CB) << quint16(3) << quint16(0) << frame << normal << qint32(0) << quint8(0)
           << quint8(0) << screenWidth << normal;
    return blob;
}

QTabWidget *tabsOf(QMainWindow &w) { return w.findChild<QTabWidget *>(); }
QLabel *statusOf(QMainWindow &w) { return w.statusBar()->findChild<QLabel *>(); }

QStringList tabTexts(QMainWindow &w)
{
    QStringList out;
    for (int i = 0; i < tabsOf(w)->count(); ++i)
        out << tabsOf(w)->tabText(i);
    return out;
}

// Types the path into the dialog's file name line and presses Return.
void chooseInDialog(QFileDialog *dialog, const QString &path)
{
    auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, path);
    QTest::keyClick(edit, Qt::Key_Return);
}

QAction *menuAction(QMainWindow &w, const QString &menu, const QString &text)
{
    for (QAction *m : w.menuBar()->actions()) {
        if (m->text() != menu || !m->menu())
            continue;
        for (QAction *a : m->menu()->actions())
            if (a->text() == text)
                return a;
    }
    return nullptr;
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeLog(const QString &name, const QByteArray &content)
    {
        return writeTestFile(dir, name, content);
    }

    QString goodLog(const QString &name)
    {
        return writeLog(name, "1.0 : Info : planner : starting action: 5: Pick [6: Move [7: Joint []],8: Grip []]\n"
                              "2.0 : Info : planner : completing action: 5:\n"
                              "3.0 : Error : drive : motor fault\n");
    }

    static void clearSettings() { QSettings().clear(); }

private slots:
    void init()
    {
        setCommandLine({});
        clearSettings();
    }

    void startsEmpty()
    {
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(tabsOf(w)->count(), 0);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("Ready"));
        QVERIFY(menuAction(w, QStringLiteral("&File"), QStringLiteral("Open...")));
        QVERIFY(menuAction(w, QStringLiteral("&File"), QStringLiteral("Close")));
        QVERIFY(menuAction(w, QStringLiteral("&View"), QStringLiteral("Expand All")));
        QVERIFY(menuAction(w, QStringLiteral("&View"), QStringLiteral("Collapse All")));
        QCOMPARE(menuAction(w, QStringLiteral("&File"), QStringLiteral("Open..."))->shortcut(), QKeySequence(QKeySequence::Open));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QString>("status");

        const QString a = goodLog(QStringLiteral("alpha.log"));
        const QString robot = goodLog(QStringLiteral("robot.2020.log"));
        const QString missing = dir.filePath(QStringLiteral("missing.log"));
        const QString bad = writeLog(QStringLiteral("bad.log"), "nonsense\n1.0 : Info : A : ok\n also bad\nworse\n");

        // A file named twice is one tab.
        QTest::newRow("in order, duplicates once")
            << QStringList{a, robot, a} << QStringList{"alpha", "robot"} << QStringLiteral("Ready");
        QTest::newRow("missing file reported, others opened")
            << QStringList{missing, a} << QStringList{"alpha"}
            << QStringLiteral("file '%1' does not exist").arg(missing);
        QTest::newRow("directory reported")
            << QStringList{dir.path()} << QStringList()
            << QStringLiteral("file '%1' is not a regular file").arg(dir.path());
        QTest::newRow("unusable lines counted")
            << QStringList{bad, a} << QStringList{"bad", "alpha"}
            << QStringLiteral("3 lines of bad could not be read");
        // Every file that could not be opened is named, not only the last.
        QTest::newRow("two failures named")
            << QStringList{missing, a, dir.path() + QStringLiteral("/gone.log")} << QStringList{"alpha"}
            << QStringLiteral("could not open 2 files: missing.log, gone.log");
        QTest::newRow("failure not hidden by a damaged file")
            << QStringList{missing, bad} << QStringList{"bad"} << QStringLiteral("file '%1' does not exist").arg(missing);

        // Compressed data is known by its first bytes, not by its name: a
        // text log named as compressed opens as text.
        QTest::newRow("text named as compressed")
            << QStringList{goodLog(QStringLiteral("plain.log.gz"))} << QStringList{"plain"} << QStringLiteral("Ready");
    }

    void commandLine()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, tabs);
        QFETCH(QString, status);
        setCommandLine(files);
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(tabTexts(w), tabs);
        QCOMPARE(statusOf(w)->text(), status);
        if (!tabs.isEmpty())
            QCOMPARE(tabsOf(w)->currentIndex(), 0);
    }

    // A stretch dragged on the histogram is written as two finite times,
    // whatever the times of the file and however far the view is zoomed.
    void histogramRangeIsFinite_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("notches"); // positive zooms in
        const QByteArray action = "0.5 : Info : arm : starting action: 1: Pick\n"
                                  "2.0 : Info : arm : completing action: 1:\n";
        const QByteArray largest = QByteArray::number(std::numeric_limits<double>::max(), 'f', 0) + ".0";
        QTest::newRow("a time no double holds")
            << action + "1" + QByteArray(400, '0') + ".0 : Error : arm : late\n" << 0;
        QTest::newRow("times up to the largest double") << action + largest + " : Error : arm : last\n" << 0;
        QTest::newRow("zoomed out, times up to the largest double")
            << action + largest + " : Error : arm : last\n" << -4000;
        QTest::newRow("zoomed in, times up to the largest double")
            << action + largest + " : Error : arm : last\n" << 400;
    }

    void histogramRangeIsFinite()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, notches);
        MirtLogFileAnalyzer w;
        w.resize(1000, 700);
        w.show();
        w.openLogFile(writeLog(QStringLiteral("far-%1.log").arg(QLatin1String(QTest::currentDataTag())), content));
        WAIT_UNTIL_IDLE(w);
        w.findChild<QAction *>(QStringLiteral("viewActions"))->trigger();
        w.findChild<QAction *>(QStringLiteral("viewTimeline"))->trigger();
        auto *panel = w.findChild<ActionsPanel *>();
        QVERIFY(panel);
        QTRY_COMPARE(panel->table()->model()->rowCount(), 1);
        auto *timeline = w.findChild<ActionTimeline *>();
        QVERIFY(timeline);
        const QPoint pointer(100, ActionTimeline::histogramHeight / 2);
        for (int i = 0; i < std::abs(notches); ++i) {
            QWheelEvent event(pointer, timeline->mapToGlobal(pointer), QPoint(), QPoint(0, notches > 0 ? 120 : -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(timeline, &event);
        }
        QTest::mousePress(timeline, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
        // A move with the left button held (QTest::mouseMove moves the cursor only).
        QMouseEvent move(QEvent::MouseMove, QPoint(200, 12), timeline->mapToGlobal(QPoint(200, 12)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(timeline, &move);
        QTest::mouseRelease(timeline, Qt::LeftButton, Qt::NoModifier, QPoint(200, 12));
        const QString range = w.findChild<QLineEdit *>(QStringLiteral("filterEdit"))->text();
        const QRegularExpressionMatch bounds =
            QRegularExpression(QStringLiteral("^time >= (-?[0-9]+\\.[0-9]{3}) && time <= (-?[0-9]+\\.[0-9]{3})$"))
                .match(range);
        QVERIFY2(bounds.hasMatch(), qPrintable(range.left(200)));
        const double a = bounds.captured(1).toDouble();
        const double b = bounds.captured(2).toDouble();
        QVERIFY2(std::isfinite(a) && std::isfinite(b) && a <= b, qPrintable(range.left(200)));
        QVERIFY(std::isfinite(timeline->visibleFrom()) && std::isfinite(timeline->visibleTo()));
    }

    // The window opens the files of a command line, never its options;
    // after "--" every argument is a file, also one starting with '-'.
    void commandLineDoubleDash_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QString>("status");
        QTest::newRow("options are not files") << QStringList{"--help", "alpha.log", "--version", "-x"}
                                               << QStringList{"alpha"} << QStringLiteral("Ready");
        QTest::newRow("a dash name after --") << QStringList{"--", "-dash.log"} << QStringList{"-dash"}
                                              << QStringLiteral("Ready");
        QTest::newRow("a dash name before --") << QStringList{"-dash.log", "alpha.log"} << QStringList{"alpha"}
                                               << QStringLiteral("Ready");
        QTest::newRow("an option after -- is a file") << QStringList{"--", "--help"} << QStringList()
                                                      << QStringLiteral("file '--help' does not exist");
        QTest::newRow("a second -- is a file") << QStringList{"alpha.log", "--", "--", "-dash.log"}
                                               << QStringList{"alpha", "-dash"}
                                               << QStringLiteral("file '--' does not exist");
        QTest::newRow("a lone dash is a file") << QStringList{"-"} << QStringList()
                                               << QStringLiteral("file '-' does not exist");
        QTest::newRow("--merge shows the files in one tab")
            << QStringList{"--merge", "alpha.log", "--", "-dash.log"} << QStringList{"alpha+-dash"}
            << QStringLiteral("Ready");
        QTest::newRow("--merge of one file is a tab of its own") << QStringList{"alpha.log", "--merge"}
                                                                 << QStringList{"alpha"} << QStringLiteral("Ready");
    }

    void commandLineDoubleDash()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, tabs);
        QFETCH(QString, status);
        goodLog(QStringLiteral("alpha.log"));
        goodLog(QStringLiteral("-dash.log"));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        setCommandLine(arguments);
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        QDir::setCurrent(before);
        QCOMPARE(tabTexts(w), tabs);
        QCOMPARE(statusOf(w)->text(), status);
    }

    // --help, --version and unknown options, answered by the program itself
    // before any window opens.
    void programOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("error");
        const QString usage = QStringLiteral("Usage: MirtLogFileAnalyzer [OPTION]... [--] [FILE]...\n");
        const QString version = QStringLiteral("MirtLogFileAnalyzer 1.0.0\n");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << QString();
        QTest::newRow("-h") << QStringList{"-h"} << 0 << usage << QString();
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version << QString();
        QTest::newRow("help among files") << QStringList{"a.log", "--help", "b.log"} << 0 << usage << QString();
        QTest::newRow("help wins over an unknown option") << QStringList{"-x", "--help"} << 0 << usage << QString();
        QTest::newRow("unknown option") << QStringList{"-x"} << 2 << QString()
                                        << QStringLiteral("unknown option '-x'\n") + usage;
        QTest::newRow("unknown long option") << QStringList{"--bogus", "a.log"} << 2 << QString()
                                             << QStringLiteral("unknown option '--bogus'\n") + usage;
        // The toolkit takes its own options first.
        QTest::newRow("after a toolkit option") << QStringList{"-platform", "offscreen", "--verbose"} << 2 << QString()
                                                << QStringLiteral("unknown option '--verbose'\n") + usage;
    }

    void programOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, error);
        const QString program = qEnvironmentVariable("MIRT_BIN_DIR") + QStringLiteral("/MirtLogFileAnalyzer");
        if (!QFileInfo::exists(program))
            QSKIP("program binary not found");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QTemporaryDir config;
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        // No window keeps it running: it ends by itself.
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QString printed = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString reported = QString::fromLocal8Bit(process.readAllStandardError());
        // What is printed starts as given; the usage goes on to list the options.
        QVERIFY2(out.isEmpty() ? printed.isEmpty() : printed.startsWith(out), qPrintable(printed));
        // The toolkit may warn about its environment first.
        QVERIFY2(error.isEmpty() ? !reported.contains(QLatin1String("option")) : reported.contains(error),
                 qPrintable(reported));
        if (out.startsWith(QLatin1String("Usage")) || error.contains(QLatin1String("Usage")))
            QVERIFY((printed + reported).contains(QLatin1String("--version")));
        // No window ever saved its settings.
        QVERIFY(!QFileInfo::exists(config.filePath(QStringLiteral("Quorvane"))));
    }

    void readerMessagesInTooltip()
    {
        QByteArray content = "1.0 : Info : A : fine\n";
        for (int i = 0; i < 150; ++i)
            content += "bad line\n";
        setCommandLine({writeLog(QStringLiteral("many.log"), content),
                        writeLog(QStringLiteral("one.log"), " X : orphan\n")});
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        // Both damaged files are named; each tab keeps its own problems.
        QCOMPARE(statusOf(w)->text(), QStringLiteral("lines of 2 files could not be read: many, one"));
        QVERIFY(statusOf(w)->toolTip().contains(QStringLiteral("150 lines of many could not be read:")));
        QVERIFY(statusOf(w)->toolTip().contains(QStringLiteral("line 1 invalid continuatio line - ' X : orphan'")));
        // The warning icon's tooltip says first how many lines, then where.
        const QStringList tabTip = tabsOf(w)->tabToolTip(0).split(QLatin1Char('\n'));
        QCOMPARE(tabTip.at(0), QStringLiteral("150 lines could not be read"));
        QCOMPARE(tabTip.at(1), dir.filePath(QStringLiteral("many.log")));
        QCOMPARE(tabTip.at(2), QStringLiteral("line 2 ignored - 'bad line'"));
        QCOMPARE(tabTip.last(), QStringLiteral("(130 more)"));
        QCOMPARE(tabsOf(w)->tabToolTip(1).section(QLatin1Char('\n'), 0, 1),
                 QStringLiteral("1 line could not be read\n") + dir.filePath(QStringLiteral("one.log")));
        QVERIFY(!tabsOf(w)->tabIcon(0).isNull());
        QVERIFY(!tabsOf(w)->tabIcon(1).isNull());

        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("again"))));
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("many.log")), dir.filePath(QStringLiteral("again/many.log"))));
        w.openLogFile(dir.filePath(QStringLiteral("again/many.log")));

        WAIT_UNTIL_IDLE(w);
        // The status line speaks of the current tab; the new tab's problems
        // show when it is current.
        QCOMPARE(statusOf(w)->text(), QStringLiteral("lines of 2 files could not be read: many, one"));
        tabsOf(w)->setCurrentIndex(2);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("150 lines of many could not be read"));
        const QStringList tip = statusOf(w)->toolTip().split(QLatin1Char('\n'));
        QCOMPARE(tip.size(), 101);
        QCOMPARE(tip.first(), QStringLiteral("line 2 ignored - 'bad line'"));
        QCOMPARE(tip.at(99), QStringLiteral("line 101 ignored - 'bad line'"));
        QCOMPARE(tip.last(), QStringLiteral("(50 more)"));

        // Each listed message is cut short: it quotes its whole line.
        w.openLogFile(writeLog(QStringLiteral("long.log"), "bad " + QByteArray(100000, 'x') + "\n"));
        WAIT_UNTIL_IDLE(w);
        tabsOf(w)->setCurrentIndex(3);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("1 line of long could not be read"));
        QCOMPARE(statusOf(w)->toolTip().size(), 301);
        QVERIFY(statusOf(w)->toolTip().startsWith(QStringLiteral("line 1 ignored - 'bad xxx")));
        QVERIFY(statusOf(w)->toolTip().endsWith(QChar(0x2026)));

        // A file that loads cleanly leaves the status as it was, and no icon.
        w.openLogFile(goodLog(QStringLiteral("clean.log")));
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("1 line of long could not be read"));
        QCOMPARE(tabsOf(w)->count(), 5);
        QVERIFY(tabsOf(w)->tabIcon(4).isNull());
        QCOMPARE(tabsOf(w)->tabToolTip(4), dir.filePath(QStringLiteral("clean.log")));
    }

    // A name that is not valid in the locale's encoding opens as given.
    // File names are opened by their bytes: UTF-8 of any length shows as
    // its characters, bytes that are not UTF-8 as replacement characters.
    void commandLineBytesKept_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("tab");
        QTest::newRow("two-byte UTF-8") << QByteArray("pr\xC3\xBC" "fung") << QStringLiteral("pr\u00FCfung");
        QTest::newRow("three-byte UTF-8") << QByteArray("\xE6\x97\xA5\xE8\xAA\x8C") << QStringLiteral("\u65E5\u8A8C");
        QTest::newRow("four-byte UTF-8") << QByteArray("robot\xF0\x9F\xA4\x96")
                                         << QStringLiteral("robot") + QString::fromUcs4(U"\U0001F916");
        QTest::newRow("Latin-1 byte") << QByteArray("pr\xFC" "fung") << QStringLiteral("pr\uFFFDfung");
        QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF" "b") << QStringLiteral("a\uFFFD\uFFFDb");
        QTest::newRow("cut short") << QByteArray("a\xE6\x97") << QStringLiteral("a\uFFFD\uFFFD");
    }

    void commandLineBytesKept()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, tab);
        const QByteArray path = QFile::encodeName(dir.path()) + '/' + name + ".log";
        FILE *out = fopen(path.constData(), "w");
        QVERIFY(out);
        fputs("1.0 : Info : A : named\n", out);
        fclose(out);
        setCommandLineBytes({path});
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        ::unlink(path.constData());
        QCOMPARE(tabsOf(w)->count(), 1);
        QCOMPARE(tabTexts(w), QStringList{tab});
        QCOMPARE(qobject_cast<QTreeWidget *>(tabsOf(w)->currentWidget())->topLevelItemCount(), 1);
    }

    // A tab appears at once and shows its progress; its rows follow while
    // the file is read. Closing it meanwhile stops the reading.
    void backgroundLoading()
    {
        const QString big = writeLog(QStringLiteral("big.log"), generatedLog(150000));
        MirtLogFileAnalyzer w;
        QSignalSpy busy(&w, &MirtLogFileAnalyzer::busyChanged);
        w.openLogFile(big);
        QCOMPARE(tabTexts(w), QStringList{QStringLiteral("big")});
        auto *viewer = qobject_cast<QTreeWidget *>(tabsOf(w)->widget(0));
        QCOMPARE(viewer->topLevelItemCount(), 0);
        QVERIFY(w.isBusy());
        QVERIFY(viewer->findChild<QProgressBar *>(QStringLiteral("loadProgress")));
        WAIT_UNTIL_IDLE(w);
        QVERIFY(viewer->topLevelItemCount() > 100000);
        QVERIFY(!viewer->findChild<QProgressBar *>(QStringLiteral("loadProgress")));
        QCOMPARE(busy.size(), 2);

        // Closed while its rows go into the view, a piece a turn.
        w.openLogFile(writeLog(QStringLiteral("big2.log"), generatedLog(150000)));
        QPointer<QWidget> loading = tabsOf(w)->widget(1);
        auto *rows = qobject_cast<QTreeWidget *>(loading.data());
        while (rows->topLevelItemCount() == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QVERIFY(w.isBusy());
        tabsOf(w)->setCurrentIndex(1);
        menuAction(w, QStringLiteral("&File"), QStringLiteral("Close"))->trigger();
        QCOMPARE(tabsOf(w)->count(), 1);
        QVERIFY(!w.isBusy());
        QTRY_VERIFY(loading.isNull());
    }

    // Quitting while files load does not wait for them.
    void destroyedWhileLoading()
    {
        const QString big = writeLog(QStringLiteral("quit.log"), generatedLog(150000));
        {
            MirtLogFileAnalyzer w;
            w.openLogFile(big);
            w.openLogFile(big);
            QVERIFY(w.isBusy());
        }
        QVERIFY(QThreadPool::globalInstance()->waitForDone(60000));
    }

    void closingTabs()
    {
        const QString a = goodLog(QStringLiteral("a.log"));
        const QString b = goodLog(QStringLiteral("b.log"));
        const QString c = goodLog(QStringLiteral("c.log"));
        setCommandLine({a, b, c});
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        QTabWidget *tabs = tabsOf(w);
        tabs->setCurrentIndex(1);
        QPointer<QWidget> closed = tabs->widget(1);
        menuAction(w, QStringLiteral("&File"), QStringLiteral("Close"))->trigger();
        QCOMPARE(tabTexts(w), (QStringList{"a", "c"}));
        QTRY_VERIFY(closed.isNull());

        auto *button = qobject_cast<QAbstractButton *>(tabs->tabBar()->tabButton(1, QTabBar::RightSide));
        QVERIFY(button);
        button->click();
        QCOMPARE(tabTexts(w), QStringList{"a"});

        menuAction(w, QStringLiteral("&File"), QStringLiteral("Close"))->trigger();
        QCOMPARE(tabs->count(), 0);
        menuAction(w, QStringLiteral("&File"), QStringLiteral("Close"))->trigger();
        QCOMPARE(tabs->count(), 0);
        menuAction(w, QStringLiteral("&View"), QStringLiteral("Expand All"))->trigger();
    }

    void expandCollapseCurrentTabOnly()
    {
        setCommandLine({goodLog(QStringLiteral("one.log")), goodLog(QStringLiteral("two.log"))});
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        auto *first = qobject_cast<QTreeWidget *>(tabsOf(w)->widget(0));
        auto *second = qobject_cast<QTreeWidget *>(tabsOf(w)->widget(1));
        QVERIFY(first && second);
        QCOMPARE(first->topLevelItem(0)->childCount(), 2);
        tabsOf(w)->setCurrentIndex(1);

        menuAction(w, QStringLiteral("&View"), QStringLiteral("Expand All"))->trigger();
        QVERIFY(second->topLevelItem(0)->isExpanded());
        QVERIFY(second->topLevelItem(0)->child(0)->isExpanded());
        QVERIFY(!first->topLevelItem(0)->isExpanded());

        menuAction(w, QStringLiteral("&View"), QStringLiteral("Collapse All"))->trigger();
        QVERIFY(!second->topLevelItem(0)->isExpanded());
        QVERIFY(!second->topLevelItem(0)->child(0)->isExpanded());
    }

    void firstStartSizeAndSettingsRoundTrip()
    {
        QRect saved;
        {
            MirtLogFileAnalyzer w;
            WAIT_UNTIL_IDLE(w);
            const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
            QCOMPARE(w.geometry().width(), available.width() * 3 / 4);
            QCOMPARE(w.geometry().height(), available.height() * 3 / 4);
            w.show();
            w.setGeometry(40, 50, 640, 480);
            saved = w.geometry();
            QVERIFY(w.close());
        }
        QSettings settings;
        QVERIFY(settings.contains(QStringLiteral("geometry")));
        QVERIFY(settings.contains(QStringLiteral("windowState")));
        QVERIFY(!settings.contains(QStringLiteral("LastDir")));

        MirtLogFileAnalyzer second;

        WAIT_UNTIL_IDLE(second);
        QCOMPARE(second.geometry().size(), saved.size());
    }

    void corruptSettingsAreIgnored()
    {
        QSettings().setValue(QStringLiteral("geometry"), QByteArray("junk"));
        QSettings().setValue(QStringLiteral("windowState"), QByteArray("junk"));
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("Ready"));
    }

    // A saved geometry never makes a window larger than the screen or out of
    // reach, frame included; what cannot be used gives the first-start
    // placement.
    void savedGeometryIsFitted_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QRect>("client"); // null: the first-start placement; invalid: anywhere on the screen
        QTest::addColumn<bool>("fillsScreen"); // the frame is the screen's available area
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        const int width = available.width();
        QTest::newRow("fits as saved") << geometryBlob(QRect(40, 50, 640, 480), QRect(40, 50, 640, 480), width)
                                       << QRect(40, 50, 640, 480) << false;
        QTest::newRow("huge size cut to the screen")
            << geometryBlob(QRect(0, 0, INT_MAX, INT_MAX), QRect(0, 0, INT_MAX, INT_MAX), width) << QRect(0, 0, -1, -1)
            << true;
        // The client area alone as large as the screen: the frame is not.
        QTest::newRow("client area the screen's size")
            << geometryBlob(available, available, width) << QRect(0, 0, -1, -1) << true;
        const QRect onScreen(0, 0, -1, -1);
        QTest::newRow("saved on a larger screen")
            << geometryBlob(QRect(100, 100, 3000, 2000), QRect(100, 100, 3000, 2000), 3840) << onScreen << false;
        QTest::newRow("mostly off screen")
            << geometryBlob(QRect(-2000, -2000, 640, 480), QRect(-2000, -2000, 640, 480), width) << onScreen << false;
        QTest::newRow("zero size") << geometryBlob(QRect(10, 10, 0, 0), QRect(10, 10, 0, 0), width) << QRect() << false;
        QTest::newRow("negative size") << geometryBlob(QRect(10, 10, -5, -5), QRect(10, 10, -5, -5), width) << QRect()
                                       << false;
        QTest::newRow("junk") << QByteArray("junk") << QRect() << false;
    }

    void savedGeometryIsFitted()
    {
        QFETCH(QByteArray, saved);
        QFETCH(QRect, client);
        QFETCH(bool, fillsScreen);
        QSettings().setValue(QStringLiteral("geometry"), saved);
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(available.contains(w.frameGeometry()),
                 qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                .arg(w.frameGeometry().x())
                                .arg(w.frameGeometry().y())
                                .arg(w.frameGeometry().width())
                                .arg(w.frameGeometry().height())));
        QVERIFY(w.width() >= 200 && w.height() >= 150);
        if (fillsScreen)
            QCOMPARE(w.frameGeometry(), available);
        if (client.isNull())
            client = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, available.size() * 3 / 4, available);
        if (client.isValid())
            QCOMPARE(w.geometry(), client);
    }

    void openDialog()
    {
        const QString sub = dir.filePath(QStringLiteral("picked"));
        QVERIFY(QDir().mkpath(sub));
        const QString picked = QDir(sub).filePath(QStringLiteral("field.test.log"));
        QFile::copy(goodLog(QStringLiteral("source.log")), picked);

        QString startDir;
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            startDir = dialog->directory().absolutePath();
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Open File"));
            QCOMPARE(dialog->nameFilters(), (QStringList{"Log Files (*.log)", "All Files(*.*)"}));
            chooseInDialog(dialog, picked);
        });
        menuAction(w, QStringLiteral("&File"), QStringLiteral("Open..."))->trigger();
        QCOMPARE(startDir, QDir(QStringLiteral(".")).absolutePath());
        QCOMPARE(tabTexts(w), QStringList{"field"});
        QCOMPARE(QSettings().value(QStringLiteral("LastDir")).toString(), QDir(sub).absolutePath());

        // The next dialog, also in a new window, starts where the last one ended.
        MirtLogFileAnalyzer again;
        WAIT_UNTIL_IDLE(again);
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            startDir = dialog->directory().absolutePath();
            dialog->reject();
        });
        menuAction(again, QStringLiteral("&File"), QStringLiteral("Open..."))->trigger();
        QCOMPARE(startDir, QDir(sub).absolutePath());
        QCOMPARE(tabsOf(again)->count(), 0);
    }

    void openDialogWithVanishedFile()
    {
        const QString doomed = goodLog(QStringLiteral("doomed.log"));
        QSettings().setValue(QStringLiteral("LastDir"), QStringLiteral("/"));
        MirtLogFileAnalyzer w;
        WAIT_UNTIL_IDLE(w);
        QString boxTitle, boxText;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            // The file disappears between the choice and the window's check.
            connect(dialog, &QDialog::accepted, [&] { QFile::remove(doomed); });
            QTimer::singleShot(0, this, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                boxTitle = box->windowTitle();
                boxText = box->text();
                QCOMPARE(box->icon(), QMessageBox::Critical);
                box->accept();
            });
            chooseInDialog(dialog, doomed);
        });
        menuAction(w, QStringLiteral("&File"), QStringLiteral("Open..."))->trigger();
        QCOMPARE(boxTitle, QStringLiteral("Error"));
        QCOMPARE(boxText, QStringLiteral("The path given does not exist"));
        QCOMPARE(tabsOf(w)->count(), 0);
        QCOMPARE(QSettings().value(QStringLiteral("LastDir")).toString(), QStringLiteral("/"));
    }

    void realProgramWithTwoFiles()
    {
        const QString program = qEnvironmentVariable("MIRT_BIN_DIR") + QStringLiteral("/MirtLogFileAnalyzer");
        if (!QFileInfo::exists(program))
            QSKIP("program binary not found");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QTemporaryDir config;
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        process.setProcessEnvironment(env);
        process.start(program, {goodLog(QStringLiteral("first.log")), goodLog(QStringLiteral("second.log"))});
        QVERIFY(process.waitForStarted());
        // It keeps running with its window open until it is closed.
        QVERIFY(!process.waitForFinished(1500));
        QCOMPARE(process.state(), QProcess::Running);
        // It restarted itself once with a huge-page heap, keeping its arguments.
        QFile environ(QStringLiteral("/proc/%1/environ").arg(process.processId()));
        const bool restarts = !qEnvironmentVariableIsSet("MIRT_HEAP_TUNED") && !qEnvironmentVariableIsSet("LD_PRELOAD")
            && !qEnvironmentVariable("GLIBC_TUNABLES").contains(QLatin1String("hugetlb"));
        if (restarts && environ.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> variables = environ.readAll().split('\0');
            QVERIFY(variables.contains("MIRT_HEAP_TUNED=1"));
        }
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(process.processId()));
        QVERIFY(cmdline.open(QIODevice::ReadOnly));
        QCOMPARE(cmdline.readAll().split('\0').size(), 4);
        process.terminate();
        QVERIFY(process.waitForFinished(5000));
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    setCommandLine({});
    QApplication app(appArgc, appArgv);
    TestApp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_app.moc"
