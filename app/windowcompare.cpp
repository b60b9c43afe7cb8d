// Comparing two runs: File > Compare Runs..., the tab bar's "Compare
// With...", the comparison pages and the records they lead to.

#include "mirtlogfileanalyzer.h"

#include "logfile.h"
#include "logfileviewer.h"
#include "logtab.h"
#include "runcomparisonview.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>

void MirtLogFileAnalyzer::compareRuns()
{
    const QString filter = QStringLiteral("Log Files (*.log);;All Files(*.*)");
    const QString good =
        QFileDialog::getOpenFileName(this, QStringLiteral("Compare Runs: Good Run (A)"), lastDir, filter);
    if (good.isEmpty())
        return;
    lastDir = QFileInfo(good).absolutePath();
    const QString doubtful =
        QFileDialog::getOpenFileName(this, QStringLiteral("Compare Runs: Run Under Suspicion (B)"), lastDir, filter);
    if (doubtful.isEmpty())
        return;
    compareFiles(good, doubtful);
}

void MirtLogFileAnalyzer::compareFiles(const QString &good, const QString &doubtful)
{
    openComparison({nullptr, good}, {nullptr, doubtful});
}

void MirtLogFileAnalyzer::compareTabWith(int index)
{
    LogTab *good = tabOf(tabs->widget(index));
    if (!good || !good->viewer()->logFile())
        return;
    QList<LogTab *> others;
    QStringList names;
    for (LogTab *tab : openTabs()) {
        if (tab != good && tab->viewer()->logFile()) {
            others << tab;
            names << tab->name() + QStringLiteral(" \u2014 ") + QFileInfo(tab->path()).fileName();
        }
    }
    if (others.isEmpty()) {
        showStatus(tr("no other loaded tab to compare '%1' with").arg(good->name()));
        return;
    }
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("compareWithDialog"));
    dialog.setWindowTitle(tr("Compare With"));
    dialog.setLabelText(tr("Compare '%1' (A, the good run) with the run under suspicion (B):").arg(good->name()));
    dialog.setComboBoxItems(names);
    dialog.setComboBoxEditable(false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int chosen = names.indexOf(dialog.textValue());
    if (chosen < 0)
        return;
    openComparison({good->viewer()->logFile(), QString()}, {others[chosen]->viewer()->logFile(), QString()});
}

void MirtLogFileAnalyzer::openComparison(RunComparisonView::Source a, RunComparisonView::Source b)
{
    const auto nameOf = [](const RunComparisonView::Source &source) {
        return QFileInfo(source.file ? source.file->path() : source.path).baseName();
    };
    const QString title = nameOf(a) + QStringLiteral(" \u2194 ") + nameOf(b);
    auto *view = new RunComparisonView(std::move(a), std::move(b), tabs);
    connect(view, &RunComparisonView::busyChanged, this, &MirtLogFileAnalyzer::updateBusy);
    connect(view, &RunComparisonView::statusChanged, this, [this, view](const QString &text) {
        if (tabs->currentWidget() == view)
            showStatus(text);
    });
    connect(view, &RunComparisonView::recordRequested, this,
            [this, view](int side, int row) { showComparedRecord(view, side, row); });
    tabs->setCurrentIndex(tabs->addTab(view, title));
    const auto pathOf = [view](int side) {
        const RunComparisonView::Source &source = view->source(side);
        return source.file ? source.file->path() : source.path;
    };
    tabs->setTabToolTip(tabs->indexOf(view), tr("A: %1\nB: %2").arg(pathOf(0), pathOf(1)));
    updateBusy();
}

bool MirtLogFileAnalyzer::comparisonsBusy() const
{
    for (const RunComparisonView *view : tabs->findChildren<RunComparisonView *>())
        if (view->isBusy())
            return true;
    return false;
}

void MirtLogFileAnalyzer::closeComparison(int index)
{
    auto *view = qobject_cast<RunComparisonView *>(tabs->widget(index));
    if (!view)
        return;
    tabs->removeTab(index);
    // Closing the page cancels its work.
    view->cancel();
    view->deleteLater();
    updateBusy();
}

void MirtLogFileAnalyzer::showComparedRecord(RunComparisonView *view, int side, int row)
{
    const RunComparisonView::Source &source = view->source(side);
    const auto show = [](LogFileViewer *viewer, int entry) {
        viewer->showEntry(entry);
    };
    if (source.path.isEmpty()) {
        // Compared from open tabs: the tab of that file, if it is still open.
        for (LogTab *tab : openTabs()) {
            if (tab->viewer()->logFile() == source.file) {
                tabs->setCurrentWidget(tab->viewer());
                show(tab->viewer(), row);
                return;
            }
        }
        showStatus(tr("the tab of run %1 is closed").arg(side == 0 ? QStringLiteral("A") : QStringLiteral("B")));
        return;
    }
    openLogFiles({source.path}, true);
    LogTab *tab = currentTab();
    if (!tab)
        return;
    if (tab->viewer()->logFile() && !tab->viewer()->isBusy()) {
        show(tab->viewer(), row);
        return;
    }
    // Shown once the file is read.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(tab, &LogTab::loaded, this, [connection, show, row](LogTab *loaded) {
        QObject::disconnect(*connection);
        if (loaded->viewer())
            show(loaded->viewer(), row);
    });
}

void MirtLogFileAnalyzer::showTabBarMenu(const QPoint &position)
{
    const int index = tabs->tabBar()->tabAt(position);
    if (index < 0)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("tabBarMenu"));
    QAction *compare = menu.addAction(tr("Compare With..."), this, [this, index] { compareTabWith(index); });
    compare->setObjectName(QStringLiteral("tabCompareWith"));
    compare->setEnabled(tabOf(tabs->widget(index)) != nullptr && openTabs().size() > 1);
    QAction *merge = menu.addAction(tr("Merge With..."), this, [this, index] { mergeTabWith(index); });
    merge->setObjectName(QStringLiteral("tabMergeWith"));
    merge->setEnabled(compare->isEnabled());
    menu.addAction(tr("Close"), this, [this, index] { closeTab(index); });
    menu.exec(tabs->tabBar()->mapToGlobal(position));
}
