// Bookmarks driven through the real window: the commands and their keys, the
// marker in the first shown column, the Bookmarks panel, `bookmarked` in
// filters, and what becomes of bookmarks over Reload, Follow, a file written
// anew, a merged tab and a file still being read.

#include "bookmarkmodel.h"
#include "bookmarkspanel.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

namespace {

// Lines 1 to 8, a record each; errors on lines 2 and 6.
const QStringList plainLines = {"one",  "Error|drive|fault a", "three", "four",
                                "five", "Error|arm|fault b",   "seven", "eight"};

QTabWidget *tabsOf(QMainWindow &w) { return w.findChild<QTabWidget *>(QStringLiteral("tabs")); }
LogFileViewer *currentOf(QMainWindow &w) { return qobject_cast<LogFileViewer *>(tabsOf(w)->currentWidget()); }
QString statusOf(QMainWindow &w) { return w.statusBar()->findChild<QLabel *>()->text(); }
QAction *actionOf(QMainWindow &w, const QString &name) { return w.findChild<QAction *>(name); }

QList<qint64> markedLines(const LogFileViewer &viewer)
{
    QList<qint64> lines;
    for (const Bookmark &bookmark : viewer.bookmarks())
        lines << bookmark.line;
    return lines;
}

std::vector<Bookmark> marksOn(const QList<qint64> &lines)
{
    std::vector<Bookmark> marks;
    for (const qint64 line : lines)
        marks.push_back(Bookmark{0, line, QString()});
    return marks;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void appendTo(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::Append) || out.write(bytes) != bytes.size())
        qFatal("cannot append to %s", qPrintable(path));
}

} // namespace

class TestBookmarks final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    // A shown, active window with the file at `path` read.
    std::unique_ptr<MirtLogFileAnalyzer> windowWith(const QString &path)
    {
        auto w = std::make_unique<MirtLogFileAnalyzer>();
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("the window did not become active");
        w->openLogFiles({path}, true);
        return w;
    }

    static void filterBy(MirtLogFileAnalyzer &w, const QString &text)
    {
        w.findChild<QLineEdit *>(QStringLiteral("filterEdit"))->setText(text);
        w.filterEntered();
    }

private slots:
    // The commands through their keys: Ctrl+B marks and unmarks the current
    // record, F2 and Shift+F2 go round the bookmarked rows shown.
    void keys_data()
    {
        QTest::addColumn<QList<qint64>>("marks");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<qint64>>("marked");

        QTest::newRow("mark") << QList<qint64>{} << QString() << 2 << QStringList{"Ctrl+B"} << 2
                              << QList<qint64>{3};
        QTest::newRow("mark and unmark") << QList<qint64>{5} << QString() << 2 << QStringList{"Ctrl+B", "Ctrl+B"}
                                         << 2 << QList<qint64>{5};
        QTest::newRow("next") << QList<qint64>{2, 5, 7} << QString() << 2 << QStringList{"F2"} << 4
                              << QList<qint64>{2, 5, 7};
        QTest::newRow("next goes round") << QList<qint64>{2, 5} << QString() << 5 << QStringList{"F2"} << 1
                                         << QList<qint64>{2, 5};
        QTest::newRow("previous goes round") << QList<qint64>{5, 7} << QString() << 1 << QStringList{"Shift+F2"} << 6
                                             << QList<qint64>{5, 7};
        QTest::newRow("previous, twice") << QList<qint64>{1, 5, 7} << QString() << 7
                                         << QStringList{"Shift+F2", "Shift+F2"} << 4 << QList<qint64>{1, 5, 7};
        QTest::newRow("only shown rows") << QList<qint64>{3, 6, 8} << QStringLiteral("type == \"error\"") << 1
                                         << QStringList{"F2"} << 5 << QList<qint64>{3, 6, 8};
        QTest::newRow("the only one shown") << QList<qint64>{3, 6} << QStringLiteral("type == \"error\"") << 5
                                            << QStringList{"F2"} << 5 << QList<qint64>{3, 6};
    }

    void keys()
    {
        QFETCH(QList<qint64>, marks);
        QFETCH(QString, filter);
        QFETCH(int, start);
        QFETCH(QStringList, keys);
        QFETCH(int, current);
        QFETCH(QList<qint64>, marked);

        const QString path = writeTestFile(dir, QStringLiteral("keys.log"), records(plainLines));
        auto w = windowWith(path);
        WAIT_UNTIL_IDLE(*w);
        LogFileViewer *viewer = currentOf(*w);
        viewer->setBookmarks(marksOn(marks));
        filterBy(*w, filter);
        WAIT_UNTIL_IDLE(*w);
        viewer->showEntry(start);
        viewer->setFocus();
        for (const QString &key : keys)
            QTest::keySequence(viewer, QKeySequence(key));
        QCOMPARE(viewer->currentEntry(), current);
        QCOMPARE(markedLines(*viewer), marked);
    }

    // Ctrl+Shift+B asks for a note in a small dialog and makes the bookmark;
    // the marker and the note show in the first shown column, whichever
    // column is moved there.
    void noteAndMarker_data()
    {
        QTest::addColumn<int>("moved");
        QTest::newRow("columns as they are") << -1;
        QTest::newRow("Message moved first") << 5;
    }

    void noteAndMarker()
    {
        QFETCH(int, moved);
        const QString path = writeTestFile(dir, QStringLiteral("note.log"), records(plainLines));
        auto w = windowWith(path);
        WAIT_UNTIL_IDLE(*w);
        LogFileViewer *viewer = currentOf(*w);
        if (moved >= 0)
            viewer->header()->moveSection(viewer->header()->visualIndex(moved), 0);
        viewer->showEntry(3);
        viewer->setFocus();
        QTest::keySequence(viewer, QKeySequence(QStringLiteral("Ctrl+Shift+B")));
        QInputDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = viewer->findChild<QInputDialog *>(QStringLiteral("bookmarkNoteDialog"))) != nullptr);
        QVERIFY(markedLines(*viewer).isEmpty());
        dialog->setTextValue(QStringLiteral("gripper slipped here"));
        dialog->accept();
        QCOMPARE(markedLines(*viewer), QList<qint64>{4});
        QCOMPARE(viewer->bookmarks().front().note, QStringLiteral("gripper slipped here"));

        const int first = viewer->header()->logicalIndex(0);
        const QModelIndex marked = viewer->model()->index(3, first);
        QVERIFY(!marked.data(Qt::DecorationRole).value<QPixmap>().isNull());
        QCOMPARE(marked.data(Qt::ToolTipRole).toString(), QStringLiteral("gripper slipped here"));
        QVERIFY(marked.data(Qt::DisplayRole).isValid());
        // Nowhere else: not in another column, not on another row.
        for (int column = 0; column < viewer->columnCount(); ++column) {
            if (column != first)
                QVERIFY(viewer->model()->index(3, column).data(Qt::DecorationRole).isNull());
        }
        QVERIFY(viewer->model()->index(2, first).data(Qt::DecorationRole).isNull());

        // Without a note the cell keeps its own tooltip; Ctrl+B takes the mark away.
        viewer->setBookmarks(marksOn({4}));
        QVERIFY(viewer->model()->index(3, first).data(Qt::ToolTipRole).toString()
                != QStringLiteral("gripper slipped here"));
        QTest::keySequence(viewer, QKeySequence(QStringLiteral("Ctrl+B")));
        QVERIFY(viewer->model()->index(3, first).data(Qt::DecorationRole).isNull());
    }

    // The panel lists the current tab's bookmarks: Return goes to one, the
    // note is edited in place, Delete removes one; another tab shows its own.
    void panel()
    {
        const QString path = writeTestFile(dir, QStringLiteral("panel.log"), records(plainLines));
        auto w = windowWith(path);
        WAIT_UNTIL_IDLE(*w);
        LogFileViewer *viewer = currentOf(*w);
        actionOf(*w, QStringLiteral("viewBookmarks"))->trigger();
        auto *dock = w->findChild<QDockWidget *>(QStringLiteral("bookmarksPanel"));
        QTRY_VERIFY(dock->isVisible());
        auto *panel = dock->findChild<BookmarksPanel *>();
        QAbstractItemModelTester tester(panel->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);

        viewer->setBookmarks({Bookmark{0, 7, QStringLiteral("late")}, Bookmark{0, 2, QString()}});
        QTableView *table = panel->table();
        QCOMPARE(table->model()->rowCount(), 2);
        const BookmarkModel &model = *panel->model();
        const int lineColumn = model.columnOf(BookmarkModel::LineKind);
        const int noteColumn = model.columnOf(BookmarkModel::NoteKind);
        QCOMPARE(model.columnOf(BookmarkModel::SourceKind), -1);
        QCOMPARE(model.index(0, lineColumn).data().toLongLong(), 2);
        QCOMPARE(model.index(1, noteColumn).data().toString(), QStringLiteral("late"));
        QCOMPARE(model.index(0, model.columnOf(BookmarkModel::MessageKind)).data().toString(),
                 QStringLiteral("fault a"));
        QCOMPARE(model.index(1, model.columnOf(BookmarkModel::TimeKind)).data().toString(), QStringLiteral("7"));

        table->setFocus();
        table->setCurrentIndex(model.index(1, lineColumn));
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(viewer->currentEntry(), 6);

        QVERIFY(panel->model()->setData(model.index(0, noteColumn), QStringLiteral("first fault")));
        QCOMPARE(viewer->bookmarks().front().note, QStringLiteral("first fault"));
        QCOMPARE(viewer->model()->index(1, viewer->header()->logicalIndex(0)).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("first fault"));

        table->setCurrentIndex(model.index(1, lineColumn));
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(markedLines(*viewer), QList<qint64>{2});
        QCOMPARE(table->model()->rowCount(), 1);

        // Another tab: its own (none), then back.
        const QString other = writeTestFile(dir, QStringLiteral("other.log"), records({"a", "b"}));
        w->openLogFiles({other}, true);
        WAIT_UNTIL_IDLE(*w);
        QCOMPARE(table->model()->rowCount(), 0);
        tabsOf(*w)->setCurrentIndex(0);
        QCOMPARE(table->model()->rowCount(), 1);
    }

    // The row menu marks the row it was opened on.
    void rowMenu()
    {
        const QString path = writeTestFile(dir, QStringLiteral("menu.log"), records(plainLines));
        auto w = windowWith(path);
        WAIT_UNTIL_IDLE(*w);
        LogFileViewer *viewer = currentOf(*w);
        viewer->showEntry(0);
        const QModelIndex row = viewer->model()->index(2, 0);
        std::unique_ptr<QMenu> menu(viewer->createContextMenu(row));
        auto *toggle = menu->findChild<QAction *>(QStringLiteral("menuToggleBookmark"));
        QCOMPARE(toggle->text(), QStringLiteral("Add Bookmark"));
        toggle->trigger();
        QCOMPARE(markedLines(*viewer), QList<qint64>{3});
        QCOMPARE(viewer->currentEntry(), 2);
        menu.reset(viewer->createContextMenu(row));
        QCOMPARE(menu->findChild<QAction *>(QStringLiteral("menuToggleBookmark"))->text(),
                 QStringLiteral("Remove Bookmark"));
        menu->findChild<QAction *>(QStringLiteral("menuEditBookmarkNote"))->trigger();
        QTRY_VERIFY(viewer->findChild<QInputDialog *>(QStringLiteral("bookmarkNoteDialog")));
    }

    // Bookmarks given from outside go to the record their line belongs to;
    // lines no record holds are left out.
    void placing_data()
    {
        QTest::addColumn<QList<int>>("sources");
        QTest::addColumn<QList<qint64>>("lines");
        QTest::addColumn<QList<qint64>>("placed");
        QTest::addColumn<int>("left");

        QTest::newRow("record lines") << QList<int>{0, 0, 0} << QList<qint64>{5, 1, 3} << QList<qint64>{1, 3, 5} << 0;
        QTest::newRow("a continuation line") << QList<int>{0} << QList<qint64>{2} << QList<qint64>{1} << 0;
        QTest::newRow("a blank line") << QList<int>{0} << QList<qint64>{4} << QList<qint64>{3} << 0;
        QTest::newRow("two lines of one record") << QList<int>{0, 0} << QList<qint64>{2, 1} << QList<qint64>{1} << 0;
        QTest::newRow("no such line") << QList<int>{0, 0, 0} << QList<qint64>{0, -7, 6} << QList<qint64>{} << 3;
        QTest::newRow("no such source") << QList<int>{1, -1, 300} << QList<qint64>{1, 1, 1} << QList<qint64>{} << 3;
    }

    void placing()
    {
        QFETCH(QList<int>, sources);
        QFETCH(QList<qint64>, lines);
        QFETCH(QList<qint64>, placed);
        QFETCH(int, left);
        const QString path = writeTestFile(dir, QStringLiteral("placing.log"),
                                           "1.0 : Info : arm : a\n  more of a\n2.0 : Info : arm : b\n\n"
                                           "3.0 : Info : arm : c\n");
        QStringList errors;
        const std::shared_ptr<LogFile> file = LogFile::load(path, errors);
        std::vector<Bookmark> given;
        for (int index = 0; index < lines.size(); ++index)
            given.push_back(Bookmark{sources.at(index), lines.at(index), QStringLiteral("n%1").arg(index)});
        BookmarkSet set;
        QCOMPARE(set.place(*file, given), left);
        QList<qint64> got;
        for (const Bookmark &bookmark : set.list())
            got << bookmark.line;
        QCOMPARE(got, placed);
        for (const Bookmark &bookmark : set.list())
            QVERIFY(set.lineMarks()->contains(0, bookmark.line));
        QCOMPARE(set.lineMarks()->size(), placed.size());
    }

    // `bookmarked || type == "error"` keeps the errors and the bookmarked
    // rows, also as the bookmarks change.
    void filter()
    {
        const QString path = writeTestFile(dir, QStringLiteral("filter.log"), records(plainLines));
        auto w = windowWith(path);
        WAIT_UNTIL_IDLE(*w);
        LogFileViewer *viewer = currentOf(*w);
        viewer->setBookmarks(marksOn({4, 8}));
        filterBy(*w, QStringLiteral("bookmarked || type == \"error\""));
        WAIT_UNTIL_IDLE(*w);
        const auto shownRows = [viewer] {
            QList<int> rows;
            for (int row = 0; row < viewer->topLevelItemCount(); ++row) {
                if (!viewer->filteredOutRows().at(size_t(row)))
                    rows << row;
            }
            return rows;
        };
        QCOMPARE(shownRows(), (QList<int>{1, 3, 5, 7}));

        // Taken off a row the filter keeps for its bookmark only: it goes.
        viewer->showEntry(3);
        viewer->setFocus();
        QTest::keySequence(viewer, QKeySequence(QStringLiteral("Ctrl+B")));
        WAIT_UNTIL_IDLE(*w);
        QCOMPARE(shownRows(), (QList<int>{1, 5, 7}));
        // An error marked stays; a row marked from outside comes.
        viewer->showEntry(5);
        QTest::keySequence(viewer, QKeySequence(QStringLiteral("Ctrl+B")));
        WAIT_UNTIL_IDLE(*w);
        QCOMPARE(shownRows(), (QList<int>{1, 5, 7}));
        viewer->setBookmarks(marksOn({1, 6}));
        WAIT_UNTIL_IDLE(*w);
        QCOMPARE(shownRows(), (QList<int>{0, 1, 5}));
    }

    // Reload keeps the bookmarks on their lines while the file is the one
    // they were set on; a file written anew drops them and says so.
    void reload_data()
    {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("append");
        QTest::addColumn<QList<qint64>>("marked");

        QTest::newRow("unchanged") << QByteArray() << true << QList<qint64>{2, 5, 8};
        QTest::newRow("grown") << records({"x", "y"}).replace("1.0", "9.0").replace("2.0", "10.0") << true
                               << QList<qint64>{2, 5, 8};
        QTest::newRow("other records") << records({"u", "v", "w", "x", "y", "z", "zz", "zzz"}) << false
                                       << QList<qint64>{};
        QTest::newRow("cut shorter") << records(plainLines.mid(0, 6)) << false << QList<qint64>{};
        QStringList changed = plainLines;
        changed[4] = QStringLiteral("changed");
        QTest::newRow("one bookmarked record differs") << records(changed) << false << QList<qint64>{};
    }

    void reload()
    {
        QFETCH(QByteArray, after);
        QFETCH(bool, append);
        QFETCH(QList<qint64>, marked);

        const QString path = writeTestFile(dir, QStringLiteral("reloaded.log"), records(plainLines));
        auto w = windowWith(path);
        WAIT_UNTIL_IDLE(*w);
        currentOf(*w)->setBookmarks({Bookmark{0, 2, QStringLiteral("noted")}, Bookmark{0, 5, {}}, Bookmark{0, 8, {}}});
        if (append)
            appendTo(path, after);
        else
            writeFile(path, after);
        actionOf(*w, QStringLiteral("fileReload"))->trigger();
        WAIT_UNTIL_IDLE(*w);
        LogFileViewer *viewer = currentOf(*w);
        QCOMPARE(markedLines(*viewer), marked);
        if (marked.isEmpty()) {
            QCOMPARE(statusOf(*w), QStringLiteral("bookmarks dropped: reloaded.log was written anew"));
        } else {
            QCOMPARE(viewer->bookmarks().front().note, QStringLiteral("noted"));
            QVERIFY(!viewer->model()->index(4, viewer->header()->logicalIndex(0)).data(Qt::DecorationRole).isNull());
        }
    }

    // While following, appended lines leave the bookmarks where they are and
    // are judged with them; a file written anew drops them.
    void follow()
    {
        const QString path = writeTestFile(dir, QStringLiteral("followed.log"), records(plainLines));
        auto w = windowWith(path);
        WAIT_UNTIL_IDLE(*w);
        LogFileViewer *viewer = currentOf(*w);
        viewer->setBookmarks(marksOn({3}));
        filterBy(*w, QStringLiteral("bookmarked || contains(message, \"new\")"));
        WAIT_UNTIL_IDLE(*w);
        actionOf(*w, QStringLiteral("fileFollow"))->trigger();
        appendTo(path, "20.0 : Info : arm : new one\n21.0 : Info : arm : old\n");
        QTRY_COMPARE(viewer->topLevelItemCount(), 10);
        QCOMPARE(viewer->shownRowCount(), 2);
        QCOMPARE(markedLines(*viewer), QList<qint64>{3});
        viewer->showEntry(9);
        QVERIFY(viewer->goToBookmark(true));
        QCOMPARE(viewer->currentEntry(), 2);

        const QPointer<LogFileViewer> old(viewer);
        writeFile(path, records({"Error|arm|a different run", "b"}));
        QTRY_VERIFY_WITH_TIMEOUT(old.isNull(), 10000);
        WAIT_UNTIL_IDLE(*w);
        QTRY_COMPARE(statusOf(*w), QStringLiteral("bookmarks dropped: followed.log was written anew"));
        QVERIFY(currentOf(*w)->bookmarks().empty());
        QVERIFY(currentOf(*w)->isFollowing());
    }

    // A merged tab keys its bookmarks by file and line of that file; they
    // stay over a merge made anew and filter as in any tab.
    void merged()
    {
        const QString a = writeTestFile(dir, QStringLiteral("planner.log"),
                                        "1.0 : Info : planner : a1\n3.0 : Info : planner : a2\n");
        const QString b = writeTestFile(dir, QStringLiteral("drive.log"),
                                        "2.0 : Info : drive : b1\n4.0 : Error : drive : b2\n5.0 : Info : drive : b3\n");
        MirtLogFileAnalyzer w;
        w.show();
        w.openMerged({a, b});
        WAIT_UNTIL_IDLE(w);
        LogFileViewer *viewer = currentOf(w);
        viewer->showEntry(4); // b3: line 3 of drive
        viewer->setFocus();
        actionOf(w, QStringLiteral("toggleBookmark"))->trigger();
        viewer->setBookmarks({viewer->bookmarks().front(), Bookmark{0, 2, QStringLiteral("a2")}});
        const auto keys = [](const LogFileViewer &shown) {
            QStringList list;
            for (const Bookmark &bookmark : shown.bookmarks())
                list << QStringLiteral("%1:%2:%3").arg(bookmark.source).arg(bookmark.line).arg(bookmark.note);
            return list;
        };
        QCOMPARE(keys(*viewer), (QStringList{"0:2:a2", "1:3:"}));
        filterBy(w, QStringLiteral("bookmarked"));
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(viewer->shownRowCount(), 2);

        auto *panel = w.findChild<BookmarksPanel *>();
        QAbstractItemModelTester tester(panel->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const int sourceColumn = panel->model()->columnOf(BookmarkModel::SourceKind);
        QVERIFY(sourceColumn >= 0);
        QCOMPARE(panel->model()->index(1, sourceColumn).data().toString(), QStringLiteral("drive"));

        const QPointer<LogFileViewer> old(viewer);
        actionOf(w, QStringLiteral("fileReload"))->trigger();
        QTRY_VERIFY(old.isNull());
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(keys(*currentOf(w)), (QStringList{"0:2:a2", "1:3:"}));
        QCOMPARE(currentOf(w)->shownRowCount(), 2);
        QCOMPARE(panel->model()->rowCount(), 2);

        // One file written anew loses its own bookmarks only.
        writeFile(b, "2.0 : Info : drive : c1\n4.0 : Info : drive : c2\n5.0 : Info : drive : c3\n");
        const QPointer<LogFileViewer> merged(currentOf(w));
        actionOf(w, QStringLiteral("fileReload"))->trigger();
        QTRY_VERIFY(merged.isNull());
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(keys(*currentOf(w)), QStringList{"0:2:a2"});
        QCOMPARE(statusOf(w), QStringLiteral("bookmarks dropped: drive.log was written anew"));
    }

    // Bookmarks given while the file is read are kept as given and placed
    // once its lines are known: a continuation line goes to its record,
    // a line past the records is left out.
    void setWhileLoading()
    {
        const QString path = writeTestFile(dir, QStringLiteral("large.log"), generatedLog(300000));
        MirtLogFileAnalyzer w;
        w.openLogFiles({path}, true);
        LogFileViewer *viewer = currentOf(w);
        QVERIFY(viewer->isLoading());
        // generatedLog: record 7 has a continuation line, so record 7 is on
        // line 8 and record 8 on line 10.
        viewer->setBookmarks({Bookmark{0, 9, QStringLiteral("continued")}, Bookmark{0, 10, {}},
                              Bookmark{0, 99999999, {}}});
        QCOMPARE(markedLines(*viewer), (QList<qint64>{9, 10, 99999999}));
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(markedLines(*viewer), (QList<qint64>{8, 10}));
        QCOMPARE(viewer->bookmarks().front().note, QStringLiteral("continued"));
        QVERIFY(!viewer->model()->index(7, viewer->header()->logicalIndex(0)).data(Qt::DecorationRole).isNull());
        QVERIFY(!viewer->model()->index(8, viewer->header()->logicalIndex(0)).data(Qt::DecorationRole).isNull());
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    int appArgc = 1;
    QApplication app(appArgc, argv);
    TestBookmarks test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_bookmarks.moc"
