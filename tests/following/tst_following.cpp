// Following a log that a writer appends to, through the real window: a
// record continued after it was shown, a half-written last line, and a file
// that is for a while no readable file at all.

#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "robotaction.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QTabWidget *tabsOf(QMainWindow &w) { return w.findChild<QTabWidget *>(QStringLiteral("tabs")); }
QLabel *statusOf(QMainWindow &w) { return w.statusBar()->findChild<QLabel *>(); }
LogFileViewer *currentOf(QMainWindow &w) { return qobject_cast<LogFileViewer *>(tabsOf(w)->currentWidget()); }

void appendTo(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::Append) || out.write(bytes) != bytes.size())
        qFatal("cannot append to %s", qPrintable(path));
}

// Everything a viewer shows of its records: cells, partners, sub-action rows
// and which rows the filter hides.
QStringList shown(const LogFileViewer &viewer)
{
    QStringList rows;
    for (int row = 0; row < viewer.topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = viewer.topLevelItem(row);
        QStringList cells;
        for (int column = 0; column < viewer.columnCount(); ++column)
            cells << item->text(column);
        QStringList children;
        for (int child = 0; child < item->childCount(); ++child)
            children << item->child(child)->text(3) + QLatin1Char(' ') + item->child(child)->text(5).trimmed();
        const LogFileEntry &entry = *viewer.logFile()->entries().at(row);
        rows << cells.join(QLatin1Char('|')) + QStringLiteral(" partner %1 [%2] %3")
                    .arg(viewer.findPartner(row, entry.activity()))
                    .arg(children.join(QLatin1Char(',')))
                    .arg(viewer.filteredOutRows().at(size_t(row)) ? QStringLiteral("hidden") : QStringLiteral("shown"));
    }
    return rows;
}

} // namespace

class TestFollowing final : public QObject
{
    Q_OBJECT

private:
    WindowTestEnvironment environment;
    QTemporaryDir dir;

    // A window following the file at `path`, with `filter` applied.
    std::unique_ptr<MirtLogFileAnalyzer> followed(const QString &path, const QString &filter)
    {
        auto w = std::make_unique<MirtLogFileAnalyzer>();
        w->openLogFiles({path}, true);
        waitUntilIdle(*w);
        auto *line = w->findChild<QLineEdit *>(QStringLiteral("filterEdit"));
        line->setText(filter);
        w->filterEntered();
        waitUntilIdle(*w);
        w->findChild<QAction *>(QStringLiteral("fileFollow"))->trigger();
        return w;
    }

    static void waitUntilIdle(MirtLogFileAnalyzer &w)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!w.property("busy").toBool(), 60000);
    }

private slots:
    // A record continued after it was shown is shown whole in its own row,
    // linked as a load of the whole file links it; the tab is not read again.
    void continuedRecordsChangeInPlace_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("continuation");
        QTest::addColumn<QString>("filter");
        const QByteArray before = "1.0 : Info : planner : starting action: 1: Pick [2: Grip []]\n"
                                  "2.0 : Info : arm : starting action: 2:\n";
        QTest::newRow("a message") << before + "3.0 : Warning : arm : pressure" << QByteArray("    arm :  low\n")
                                   << QString();
        QTest::newRow("an action's arguments") << before + "3.0 : Info : drive : starting action: 7: Move"
                                               << QByteArray("    drive : , 0.5, 1.2\n") << QString();
        QTest::newRow("an action's sub-actions") << before + "3.0 : Info : drive : starting action: 7: Move "
                                                 << QByteArray("    drive : [8: Turn [],9: Stop []]\n") << QString();
        QTest::newRow("an end that finds its start") << before + "3.0 : Info : arm : completing action: 2"
                                                     << QByteArray("    arm : :\n") << QString();
        QTest::newRow("the filter's verdict") << before + "3.0 : Info : arm : all"
                                              << QByteArray("    arm :  fine\n")
                                              << QStringLiteral("contains(message, \"fine\")");
        QTest::newRow("context of a row it now hides") << before + "3.0 : Info : arm : hot"
                                                       << QByteArray("    arm : ter\n")
                                                       << QStringLiteral("contains(message, \"hot\") || isaction");
    }

    void continuedRecordsChangeInPlace()
    {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, continuation);
        QFETCH(QString, filter);
        const QString path = writeTestFile(dir, QStringLiteral("continued.log"), record + "\n");
        auto w = followed(path, filter);
        LogFileViewer *viewer = currentOf(*w);
        const int rows = viewer->topLevelItemCount();
        appendTo(path, continuation);
        QTRY_VERIFY(viewer->logFile()->entries().last()->message().endsWith(
            QString::fromUtf8(continuation.mid(continuation.indexOf(':') + 1).trimmed())));
        WAIT_UNTIL_IDLE(*w);
        QCOMPARE(currentOf(*w), viewer);
        QCOMPARE(viewer->topLevelItemCount(), rows);

        QStringList errors;
        LogFileViewer fresh(LogFile::load(path, errors));
        QVERIFY(fresh.applyFilter(filter));
        QTRY_VERIFY(!fresh.isBusy());
        QCOMPARE(shown(*viewer), shown(fresh));
        QCOMPARE(viewer->shownRowCount(), fresh.shownRowCount());
    }

    // A half-written last line is not shown, neither while following nor
    // after the tab is read again: it shows once its line end comes.
    void halfWrittenLastLine()
    {
        const QString path = writeTestFile(dir, QStringLiteral("half.log"), "1.0 : Info : a : one\n");
        auto w = followed(path, QString());
        LogFileViewer *viewer = currentOf(*w);
        appendTo(path, "2.0 : Info : a : tw");
        // Read again (F5) while following: the half line waits.
        w->reloadViewer(viewer);
        WAIT_UNTIL_IDLE(*w);
        viewer = currentOf(*w);
        QVERIFY(viewer->isFollowing());
        QCOMPARE(viewer->topLevelItemCount(), 1);
        appendTo(path, "o\n3.0 : Info : a : three\n");
        QTRY_COMPARE(viewer->topLevelItemCount(), 3);
        QCOMPARE(viewer->topLevelItem(1)->text(5), QStringLiteral("two"));
        QCOMPARE(currentOf(*w), viewer);
    }

    // A followed file that is replaced by something that is no readable
    // file keeps being looked at, and is read from its start once it is one
    // again.
    void waitsForAReadableFile_data()
    {
        QTest::addColumn<bool>("pipe");
        QTest::newRow("a folder") << false;
        QTest::newRow("a named pipe") << true;
    }

    void waitsForAReadableFile()
    {
        QFETCH(bool, pipe);
        const QString path = writeTestFile(dir, QStringLiteral("swapped.log"), "1.0 : Info : a : one\n");
        auto w = followed(path, QString());
        appendTo(path, "2.0 : Info : a : two\n3.0 : Info : a : three\n");
        QTRY_COMPARE(currentOf(*w)->topLevelItemCount(), 3);
        QVERIFY(QFile::remove(path));
        const QByteArray name = QFile::encodeName(path);
        QCOMPARE(pipe ? ::mkfifo(name.constData(), 0600) : ::mkdir(name.constData(), 0700), 0);
        QTRY_COMPARE(statusOf(*w)->text(), QStringLiteral("waiting for swapped to be a readable file again"));
        QVERIFY(tabsOf(*w)->tabToolTip(0).startsWith(QStringLiteral("waiting for swapped to be a readable file again")));
        QVERIFY(currentOf(*w)->isFollowing());

        QCOMPARE(pipe ? ::unlink(name.constData()) : ::rmdir(name.constData()), 0);
        writeTestFile(dir, QStringLiteral("swapped.log"), "5.0 : Info : b : new\n6.0 : Info : b : lines\n");
        QTRY_COMPARE(currentOf(*w)->topLevelItemCount(), 2);
        WAIT_UNTIL_IDLE(*w);
        QCOMPARE(currentOf(*w)->topLevelItem(0)->text(5), QStringLiteral("new"));
        QVERIFY(currentOf(*w)->isFollowing());
        QVERIFY(!tabsOf(*w)->tabToolTip(0).contains(QStringLiteral("waiting")));
        // And it is followed still.
        appendTo(path, "7.0 : Info : b : more\n8.0 : Info : b : still\n");
        QTRY_COMPARE(currentOf(*w)->topLevelItemCount(), 3);
    }
};

QTEST_MAIN(TestFollowing)
#include "tst_following.moc"
