// Which rows a viewer shows: the widget-free unit that works it out, and the
// two ways the view is brought in line with it (through the toolkit's
// private state, or through public calls only).

#include "compiledfilter.h"
#include "entrypresentation.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "rowvisibility.h"
#include "testfiles.h"
#include "treeviewlayout.h"

#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// "1" for a kept row, "." for one not kept, as a vector of verdicts.
std::vector<char> verdicts(const QByteArray &pattern)
{
    std::vector<char> kept;
    for (const char c : pattern)
        kept.push_back(c == '1' ? 1 : 0);
    return kept;
}

// "s" for a shown row, "c" for a context row, "-" for a hidden one.
QByteArray picture(const RowVisibility &rows)
{
    QByteArray out;
    for (int row = 0; row < rows.rowCount(); ++row)
        out += rows.isHidden(row) ? '-' : rows.isContextRow(row) ? 'c' : 's';
    return out;
}

// Per top-level row shown, in the order the view shows it: its row, and
// each sub-action row below it that shows, by its path.
QStringList shownOrder(QTreeView &view)
{
    QStringList order;
    int first = 0;
    while (first < view.model()->rowCount() && view.isRowHidden(first, QModelIndex()))
        ++first;
    for (QModelIndex index = view.model()->index(first, 0); index.isValid(); index = view.indexBelow(index)) {
        QStringList path;
        for (QModelIndex up = index; up.isValid(); up = up.parent())
            path.prepend(QString::number(up.row()));
        order << path.join(QLatin1Char('/'));
    }
    return order;
}

} // namespace

class TestRows final : public QObject
{
    Q_OBJECT

private slots:
    void visibility_data()
    {
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<int>("context");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("no context") << QByteArray("..1...1.") << 0 << QByteArray("--s---s-");
        QTest::newRow("one row of context") << QByteArray("..1...1.") << 1 << QByteArray("-csc-csc");
        QTest::newRow("context meets") << QByteArray("1...1") << 2 << QByteArray("scccs");
        QTest::newRow("at both ends") << QByteArray("1......1") << 3 << QByteArray("sccccccs");
        QTest::newRow("nothing kept") << QByteArray("....") << 5 << QByteArray("----");
        QTest::newRow("bounded context") << QByteArray("1") + QByteArray(60, '.') << 99
                                         << QByteArray("s") + QByteArray(50, 'c') + QByteArray(10, '-');
    }

    void visibility()
    {
        QFETCH(QByteArray, kept);
        QFETCH(int, context);
        QFETCH(QByteArray, shown);
        RowVisibility rows;
        rows.addRows(kept.size());
        QVERIFY(!rows.hasFilterResult());
        QCOMPARE(rows.shownCount(), kept.size());
        rows.setContextRows(context);
        rows.setKept(verdicts(kept));
        QCOMPARE(picture(rows), shown);
        QCOMPARE(rows.shownCount(), int(shown.size() - shown.count('-')));
    }

    // Rows that come later are judged on their own; rows before them that
    // show now as their context are named, so that the view shows them.
    void rowsAddedLater_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("added");
        QTest::addColumn<int>("context");
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<QList<int>>("nowShown");
        QTest::newRow("kept row after") << QByteArray("1....") << QByteArray(".1") << 2 << QByteArray("scc-ccs")
                                        << QList<int>{4};
        QTest::newRow("nothing kept") << QByteArray("1....") << QByteArray("..") << 1 << QByteArray("sc-----")
                                      << QList<int>{};
        QTest::newRow("no context") << QByteArray("1..") << QByteArray("1") << 0 << QByteArray("s--s")
                                    << QList<int>{};
    }

    void rowsAddedLater()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, added);
        QFETCH(int, context);
        QFETCH(QByteArray, shown);
        QFETCH(QList<int>, nowShown);
        RowVisibility rows;
        rows.setContextRows(context);
        rows.addRows(before.size());
        rows.setKept(verdicts(before));
        rows.addRows(added.size());
        rows.setKeptFrom(before.size(), verdicts(added));
        const std::vector<int> changed = rows.updateFrom(before.size());
        QCOMPARE(QList<int>(changed.begin(), changed.end()), nowShown);
        QCOMPARE(picture(rows), shown);
        QCOMPARE(rows.shownCount(), int(shown.size() - shown.count('-')));
        // The same as working it all out at once.
        RowVisibility whole;
        whole.setContextRows(context);
        whole.addRows(before.size() + added.size());
        whole.setKept(verdicts(before + added));
        QCOMPARE(picture(whole), shown);
    }

    void moving()
    {
        QTemporaryDir dir;
        QStringList errors;
        const auto file = LogFile::load(writeTestFile(dir, QStringLiteral("m.log"),
                                                      "1.0 : Error : a : x\n2.0 : Info : a : y\n"
                                                      "3.0 : Error : a : z\n4.0 : Warning : a : w\n"
                                                      "5.0 : Error : a : v\n"),
                                        errors);
        RowVisibility rows;
        rows.addRows(5);
        rows.setKept(verdicts("11011"));
        QCOMPARE(rows.nextOfType(*file, -1, Error, true), 0);
        QCOMPARE(rows.nextOfType(*file, 0, Error, true), 4); // row 2 is hidden
        QCOMPARE(rows.nextOfType(*file, 4, Error, true), -1);
        QCOMPARE(rows.nextOfType(*file, -1, Error, false), 4);
        QCOMPARE(rows.firstAtOrAfter(*file, 2.5), 3);
        QCOMPARE(rows.firstAtOrAfter(*file, 5.5), -1);
        QCOMPARE(rows.nearestShown(2), 1);
        rows.setKept(verdicts("00001"));
        QCOMPARE(rows.nearestShown(1), 4);
        rows.setKept(verdicts("00000"));
        QCOMPARE(rows.nearestShown(1), -1);
    }

    // Rows shown only as context are lighter, but stay readable on every
    // colour a cell can have.
    void contextRowsStayReadable_data()
    {
        QTest::addColumn<quint32>("background");
        QTest::newRow("none") << EntryPresentation::noColour;
        QTest::newRow("error") << EntryPresentation::severityColour(Error);
        QTest::newRow("warning") << EntryPresentation::severityColour(Warning);
        QTest::newRow("start") << EntryPresentation::activityColour(Start);
        QTest::newRow("complete") << EntryPresentation::activityColour(Complete);
        QTest::newRow("cancel") << EntryPresentation::activityColour(Cancel);
        QTest::newRow("partner") << EntryPresentation::partnerColour;
    }

    void contextRowsStayReadable()
    {
        QFETCH(quint32, background);
        const quint32 text = EntryPresentation::contextTextColour(background);
        const quint32 cell = background == EntryPresentation::noColour ? 0xFFFFFF : background;
        QVERIFY(EntryPresentation::contrast(text, cell) >= 4.5);
        // Still lighter than the text of other rows where the cell allows.
        if (background == EntryPresentation::noColour)
            QVERIFY((text & 0xFF) >= 0x60);
    }

    // A type or an activity that first shows far down the file still fits
    // its column, after the load and as followed rows come.
    void namesFitTheirColumns()
    {
        QByteArray log;
        for (int i = 0; i < 3000; ++i)
            log += QByteArray::number(i) + ".0 : Info : a : plain\n";
        log += "4000.0 : Warning : a : starting action: 1: X\n4001.0 : Warning : a : completing action: 1:\n";
        QTemporaryDir dir;
        QStringList errors;
        LogFileViewer viewer(LogFile::load(writeTestFile(dir, QStringLiteral("n.log"), log), errors));
        viewer.show();
        const QFontMetrics metrics(viewer.font());
        QVERIFY(viewer.header()->sectionSize(1) >= metrics.horizontalAdvance(QStringLiteral("Warning")));
        QVERIFY(viewer.header()->sectionSize(4) >= metrics.horizontalAdvance(QStringLiteral("Complete")));
    }

    // Expand All and Collapse All keep the current row in view.
    void expandingKeepsTheCurrentRow()
    {
        QTemporaryDir dir;
        QStringList errors;
        LogFileViewer viewer(LogFile::load(writeTestFile(dir, QStringLiteral("e.log"), generatedLog(6000)), errors));
        viewer.resize(600, 300);
        viewer.show();
        viewer.showEntry(4500);
        const auto inView = [&] {
            return viewer.viewport()->rect().intersects(viewer.visualItemRect(viewer.currentItem()));
        };
        QVERIFY(inView());
        viewer.expandAllRows();
        QCOMPARE(viewer.currentEntry(), 4500);
        QVERIFY(inView());
        viewer.setCurrentItem(viewer.topLevelItem(4500)->child(0) ? viewer.topLevelItem(4500)->child(0)
                                                                   : viewer.topLevelItem(4500));
        viewer.collapseAllRows();
        QCOMPARE(viewer.currentEntry(), 4500);
        QVERIFY(inView());
    }

    // A filter asked for while the file is read hides every row, from then
    // until it has applied, also rows that showed before it was asked for:
    // the rows it hides never show in passing.
    void rowsShowOnlyFiltered_data()
    {
        QTest::addColumn<bool>("afterFirstRows");
        QTest::newRow("asked for at once") << false;
        QTest::newRow("asked for once rows show") << true;
    }

    void rowsShowOnlyFiltered()
    {
        QFETCH(bool, afterFirstRows);
        QTemporaryDir dir;
        const QString path = writeTestFile(dir, QStringLiteral("f.log"), generatedLog(200000));
        QString error;
        LogFileViewer viewer(path, openLogFileDescriptor(path, error));
        viewer.resize(600, 300);
        viewer.show();
        QVERIFY(viewer.viewport()->updatesEnabled());
        const QColor base = viewer.viewport()->palette().color(QPalette::Base);
        const auto plain = [&] {
            const QImage image = viewer.viewport()->grab().toImage();
            for (int y = 0; y < image.height(); y += 3) {
                for (int x = 0; x < image.width(); x += 3) {
                    if (image.pixelColor(x, y) != base)
                        return false;
                }
            }
            return true;
        };
        if (afterFirstRows) {
            QTRY_VERIFY_WITH_TIMEOUT(viewer.topLevelItemCount() > 0, 30000);
            QVERIFY(viewer.isLoading());
            QVERIFY(!plain());
        }
        QVERIFY(viewer.applyFilter(QStringLiteral("type == \"error\"")));
        QVERIFY(plain());
        bool plainWhenRead = false;
        connect(&viewer, &LogFileViewer::loaded, this, [&] { plainWhenRead = plain(); });
        QSignalSpy loaded(&viewer, &LogFileViewer::loaded);
        QVERIFY(loaded.wait(30000));
        QVERIFY(plainWhenRead);
        QTRY_VERIFY_WITH_TIMEOUT(!viewer.isBusy(), 30000);
        QVERIFY(!plain());
        const QTreeWidgetItem *top = viewer.itemAt(QPoint(0, 0));
        QVERIFY(top);
        QCOMPARE(top->text(EntryPresentation::TypeColumn), QStringLiteral("Error"));
    }

    // The viewer keeps to public calls where the toolkit that runs is not
    // the one it was built against, or when asked to; the rows it shows are
    // the same either way.
    void bothLayoutPathsShowTheSameRows_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<int>("context");
        QTest::addColumn<bool>("expand");
        QTest::newRow("no filter") << QString() << 0 << false;
        QTest::newRow("filter") << QStringLiteral("type == \"error\" || isaction") << 0 << false;
        QTest::newRow("filter and context") << QStringLiteral("subsystem == \"vision\"") << 2 << false;
        QTest::newRow("filter, expanded") << QStringLiteral("activity == \"start\"") << 1 << true;
    }

    void bothLayoutPathsShowTheSameRows()
    {
        QFETCH(QString, expression);
        QFETCH(int, context);
        QFETCH(bool, expand);
        QTemporaryDir dir;
        QStringList errors;
        const auto file = LogFile::load(writeTestFile(dir, QStringLiteral("g.log"), generatedLog(4000)), errors);
        QStringList orders[2];
        QList<bool> hidden[2];
        for (const bool publicOnly : {false, true}) {
            qputenv("MIRT_PUBLIC_LAYOUT", publicOnly ? "1" : "0");
            LogFileViewer viewer(file);
            viewer.resize(600, 400);
            viewer.show();
            viewer.setContextRows(context);
            QVERIFY(viewer.applyFilter(expression));
            QTRY_VERIFY_WITH_TIMEOUT(!viewer.isBusy(), 30000);
            if (expand)
                viewer.expandAllRows();
            viewer.doItemsLayout();
            for (int row = 0; row < viewer.topLevelItemCount(); ++row)
                hidden[publicOnly] << viewer.topLevelItem(row)->isHidden();
            orders[publicOnly] = shownOrder(viewer);
        }
        qunsetenv("MIRT_PUBLIC_LAYOUT");
        QVERIFY(treeviewlayout::privateStateUsable());
        QCOMPARE(hidden[1], hidden[0]);
        QCOMPARE(orders[1], orders[0]);
        QVERIFY(!orders[0].isEmpty());
    }

    // Once a filter has applied and the viewer is no longer busy, the view
    // hides exactly the rows the filter does (isHidden() answers from it):
    // also where the room for the view's record of hidden rows is made on a
    // worker thread (more than 100,000 rows to hide), where that record held
    // rows before, and where a new filter comes while the room is made.
    void hiddenRowsAreRightWhenNoLongerBusy_data()
    {
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<bool>("waitBetween");
        const QString few = QStringLiteral("type != \"warning\" || time > 1000");
        const QString most = QStringLiteral("type == \"error\"");
        const QString half = QStringLiteral("subsystem == \"vision\" || isaction");
        QTest::newRow("most rows hidden") << QStringList{most} << true;
        QTest::newRow("a few rows hidden before") << QStringList{few, most} << true;
        QTest::newRow("most, then shown again") << QStringList{most, QString()} << true;
        QTest::newRow("a new filter once rows show") << QStringList{most, half} << false;
        QTest::newRow("three, once rows show") << QStringList{most, few, half} << false;
    }

    void hiddenRowsAreRightWhenNoLongerBusy()
    {
        QFETCH(QStringList, filters);
        QFETCH(bool, waitBetween);
        QTemporaryDir dir;
        QStringList errors;
        const auto file = LogFile::load(writeTestFile(dir, QStringLiteral("h.log"), generatedLog(150000)), errors);
        LogFileViewer viewer(file);
        viewer.resize(600, 300);
        viewer.show();
        for (const QString &filter : filters) {
            QSignalSpy applied(&viewer, &LogFileViewer::filterApplied);
            QVERIFY(viewer.applyFilter(filter));
            if (waitBetween)
                QTRY_VERIFY_WITH_TIMEOUT(!viewer.isBusy(), 60000);
            else
                QVERIFY(applied.wait(60000));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!viewer.isBusy(), 60000);
        const auto compiled = CompiledFilter::compile(filters.last());
        FilterJudge judge(compiled);
        int wrong = 0;
        int hidden = 0;
        for (int row = 0; row < viewer.topLevelItemCount(); ++row) {
            const bool expected = !filters.last().isEmpty() && !judge.keeps(*file->entries().at(row));
            hidden += expected ? 1 : 0;
            wrong += viewer.isRowHidden(row, QModelIndex()) != expected ? 1 : 0;
        }
        QCOMPARE(wrong, 0);
        QVERIFY(filters.last().isEmpty() || hidden > 0);
    }
};

QTEST_MAIN(TestRows)
#include "tst_rows.moc"
