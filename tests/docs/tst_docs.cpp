// The README names the window's parts by their object names and menu
// entries; this checks that every one it names still exists, so that the
// page cannot drift from the program.

#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "windowtestenvironment.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QMenuBar>
#include <QRegularExpression>
#include <QInputDialog>
#include <QTimer>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

namespace {

QString readme()
{
    QFile file(qEnvironmentVariable("MIRT_SOURCE_DIR") + QStringLiteral("/README.md"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString plain(QString text)
{
    return text.remove(QLatin1Char('&')).trimmed();
}

// The action of a menu path such as "File > Open Recent > Clear List".
QAction *menuEntry(QMenuBar *bar, const QStringList &path)
{
    QList<QAction *> actions = bar->actions();
    QAction *found = nullptr;
    for (const QString &step : path) {
        found = nullptr;
        for (QAction *action : actions) {
            if (plain(action->text()) == step) {
                found = action;
                break;
            }
        }
        if (!found)
            return nullptr;
        actions = found->menu() ? found->menu()->actions() : QList<QAction *>();
    }
    return found;
}

} // namespace

class TestDocs final : public QObject
{
    Q_OBJECT

private:
    WindowTestEnvironment environment;

    // A window with a file open and every part that comes on demand made:
    // the panels, the find bar, the row menu, the filter guide.
    void makeEverything(MirtLogFileAnalyzer &w, std::unique_ptr<QMenu> &rowMenu, std::unique_ptr<QMenu> &mergedMenu)
    {
        w.openLogFiles({qEnvironmentVariable("MIRT_SOURCE_DIR") + QStringLiteral("/samples/pick_and_place.log")}, true);
        WAIT_UNTIL_IDLE(w);
        w.findChild<QAction *>(QStringLiteral("viewActions"))->setChecked(true);
        w.findChild<QAction *>(QStringLiteral("viewTimeline"))->setChecked(true);
        w.findChild<QAction *>(QStringLiteral("editFind"))->trigger();
        w.findChild<QAction *>(QStringLiteral("helpFilterLanguage"))->trigger();
        // A run's details open on a double-click.
        auto *actions = w.findChild<QTableView *>(QStringLiteral("actionTable"));
        QTRY_VERIFY(actions && actions->model()->rowCount() > 0);
        emit actions->doubleClicked(actions->model()->index(0, 1));
        auto *viewer = qobject_cast<LogFileViewer *>(w.findChild<QTabWidget *>(QStringLiteral("tabs"))->currentWidget());
        rowMenu.reset(viewer->createContextMenu(viewer->model()->index(0, 0)));
        // A comparison of the sample with another, chosen in its dialog.
        w.openLogFiles({qEnvironmentVariable("MIRT_SOURCE_DIR") + QStringLiteral("/samples/navigation.log")});
        WAIT_UNTIL_IDLE(w);
        QTimer::singleShot(0, &w, [] {
            if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget()))
                dialog->accept();
        });
        w.compareTabWith(0);
        WAIT_UNTIL_IDLE(w);
        // The row menu of a merged tab has entries about the source.
        w.openMerged({qEnvironmentVariable("MIRT_SOURCE_DIR") + QStringLiteral("/samples/pick_and_place.log"),
                      qEnvironmentVariable("MIRT_SOURCE_DIR") + QStringLiteral("/samples/navigation.log")});
        WAIT_UNTIL_IDLE(w);
        auto *merged = qobject_cast<LogFileViewer *>(w.findChild<QTabWidget *>(QStringLiteral("tabs"))->currentWidget());
        mergedMenu.reset(merged->createContextMenu(merged->model()->index(0, 0)));
    }

private slots:
    void objectNamesExist()
    {
        const QString text = readme();
        QVERIFY(!text.isEmpty());
        MirtLogFileAnalyzer w;
        std::unique_ptr<QMenu> rowMenu;
        std::unique_ptr<QMenu> mergedMenu;
        makeEverything(w, rowMenu, mergedMenu);
        // A name of the table, "name" with numbers given as "x0 to x9".
        QStringList missing;
        int names = 0;
        const QRegularExpression table(QStringLiteral("^\\|[^|]*\\|([^|]*)\\|$"), QRegularExpression::MultilineOption);
        const int start = text.indexOf(QStringLiteral("find the window's parts by their object names"));
        QVERIFY(start > 0);
        for (auto rows = table.globalMatch(text, start); rows.hasNext();) {
            const QString cells = rows.next().captured(1);
            for (auto it = QRegularExpression(QStringLiteral("`([A-Za-z0-9]+)`")).globalMatch(cells); it.hasNext();) {
                const QString name = it.next().captured(1);
                ++names;
                if (!w.findChild<QObject *>(name) && !(rowMenu && rowMenu->findChild<QObject *>(name))
                    && !(mergedMenu && mergedMenu->findChild<QObject *>(name))
                    && name != QLatin1String("tabs"))
                    missing << name;
            }
            // The table ends with its last row of names.
            if (!cells.contains(QLatin1Char('`')) && names > 0)
                break;
        }
        QVERIFY(names > 40);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }

    void menuEntriesExist()
    {
        const QString text = readme();
        MirtLogFileAnalyzer w;
        QMenuBar *bar = w.findChild<QMenuBar *>();
        QStringList missing;
        int entries = 0;
        // **File > Open...**, **View > Expand All / Collapse All**.
        const QRegularExpression bold(QStringLiteral("\\*\\*([A-Z][^*]* > [^*]+)\\*\\*"));
        for (auto it = bold.globalMatch(text); it.hasNext();) {
            QStringList path = it.next().captured(1).simplified().split(QStringLiteral(" > "));
            const QStringList last = path.takeLast().split(QStringLiteral(" / "));
            for (const QString &entry : last) {
                ++entries;
                if (!menuEntry(bar, path + QStringList{entry}))
                    missing << (path + QStringList{entry}).join(QStringLiteral(" > "));
            }
        }
        QVERIFY(entries > 15);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(TestDocs)
#include "tst_docs.moc"
