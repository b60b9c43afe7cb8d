// A large file opened in the real window shows its first rows while it is
// still being read; the rows grow under the user's view without moving it,
// on the private layout path and on the public one alike.

#include "logfile.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>

namespace {

// Big enough that reading it takes many pieces of rows.
constexpr int largeLog = 400000;

QString rowText(const QTreeWidgetItem *item)
{
    QStringList cells;
    for (int column = 0; column < item->columnCount(); ++column)
        cells << item->text(column);
    return cells.join(QLatin1Char('|'));
}

// Whether the viewer's rows area shows nothing but its background.
bool plain(LogFileViewer &viewer)
{
    const QColor base = viewer.viewport()->palette().color(QPalette::Base);
    const QImage image = viewer.viewport()->grab().toImage();
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            if (image.pixelColor(x, y) != base)
                return false;
        }
    }
    return true;
}

int topEntry(LogFileViewer &viewer)
{
    const QTreeWidgetItem *top = viewer.itemAt(QPoint(0, 0));
    return top ? viewer.indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(top)) : -1;
}

} // namespace

class TestReading : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString large;

    // Opens the large log in a shown window; the viewer of its tab.
    LogFileViewer *open(MirtLogFileAnalyzer &w)
    {
        w.resize(900, 600);
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            return nullptr;
        w.openLogFile(large);
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabs"));
        return tabs ? qobject_cast<LogFileViewer *>(tabs->currentWidget()) : nullptr;
    }

private slots:
    void initTestCase() { large = writeTestFile(dir, QStringLiteral("large.log"), generatedLog(largeLog)); }

    // The first rows show, with their records' cells, while the window is
    // still busy reading the rest.
    void firstRowsShowWhileReading()
    {
        MirtLogFileAnalyzer w;
        LogFileViewer *viewer = open(w);
        QVERIFY(viewer);
        QVERIFY(w.isBusy());
        QTRY_VERIFY_WITH_TIMEOUT(viewer->topLevelItemCount() > 0, 30000);
        QVERIFY(viewer->isLoading());
        QVERIFY(w.isBusy());
        QVERIFY(viewer->topLevelItemCount() < largeLog);
        QVERIFY(!plain(*viewer));

        // The cells are those of a viewer of the same records built at once.
        QStringList errors;
        LogFileViewer reference(LogFile::load(writeTestFile(dir, QStringLiteral("head.log"), generatedLog(500)), errors));
        for (int row = 0; row < reference.topLevelItemCount(); row += 7)
            QCOMPARE(rowText(viewer->topLevelItem(row)), rowText(reference.topLevelItem(row)));
        WAIT_UNTIL_IDLE(w);
        QCOMPARE(viewer->topLevelItemCount(), largeLog);
    }

    // Rows are added below the user's view while the file is read: the
    // scroll position, the current row and its partner highlight stay.
    void viewStaysWhileRowsGrow_data()
    {
        QTest::addColumn<bool>("publicLayout");
        QTest::newRow("private layout") << false;
        QTest::newRow("public layout") << true;
    }

    void viewStaysWhileRowsGrow()
    {
        QFETCH(bool, publicLayout);
        qputenv("MIRT_PUBLIC_LAYOUT", publicLayout ? "1" : "0");
        MirtLogFileAnalyzer w;
        LogFileViewer *viewer = open(w);
        qunsetenv("MIRT_PUBLIC_LAYOUT");
        QVERIFY(viewer);
        QTRY_VERIFY_WITH_TIMEOUT(viewer->topLevelItemCount() > 3000, 30000);
        QVERIFY(viewer->isLoading());
        const int countThen = viewer->topLevelItemCount();
        // A start record, whose completion is a few rows down.
        const int start = 2997;
        QCOMPARE(viewer->topLevelItem(start)->text(4), QStringLiteral("Start"));
        viewer->scrollToItem(viewer->topLevelItem(2980), QAbstractItemView::PositionAtTop);
        viewer->setCurrentItem(viewer->topLevelItem(start));
        const int scrolled = viewer->verticalScrollBar()->value();
        const int top = topEntry(*viewer);
        QVERIFY(top > 0);
        const int partner = viewer->highlightedRow();
        QVERIFY(partner > start);

        WAIT_UNTIL_IDLE(w);
        QVERIFY(viewer->topLevelItemCount() > countThen);
        QCOMPARE(viewer->currentEntry(), start);
        QCOMPARE(viewer->verticalScrollBar()->value(), scrolled);
        QCOMPARE(topEntry(*viewer), top);
        QCOMPARE(viewer->highlightedRow(), partner);
        QVERIFY(!plain(*viewer));
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    int appArgc = 1;
    QApplication app(appArgc, argv);
    TestReading test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reading.moc"
