// The window's answers to the commands that act on the current tab:
// filtering, quick filters, moving to the next error or a time, expanding.

#include "mirtlogfileanalyzer.h"

#include "compiledfilter.h"
#include "filterline.h"
#include "logfileviewer.h"
#include "logtab.h"
#include "quickfilter.h"

#include <QAction>
#include <QInputDialog>
#include <QTabWidget>

#include <cmath>

void MirtLogFileAnalyzer::applyQuickFilter(LogTab *tab, const QString &clause)
{
    if (clause.isEmpty())
        return;
    if (tabs->currentWidget() != tab->viewer())
        tabs->setCurrentWidget(tab->viewer());
    // The whole expression goes into the filter line, where it can be read
    // and changed, and applies as if Return had been pressed.
    filterEdit->setText(quickfilter::combine(tab->viewer()->filterText(), clause));
    filterEntered();
}

void MirtLogFileAnalyzer::goToNext(int type, bool forward)
{
    LogFileViewer *viewer = currentViewer();
    if (!viewer || viewer->goToNext(EntryType(type), forward))
        return;
    const QString what = type == Error ? QStringLiteral("error") : QStringLiteral("warning");
    setStatus(forward ? QStringLiteral("no later %1 is shown").arg(what)
                      : QStringLiteral("no earlier %1 is shown").arg(what));
}

void MirtLogFileAnalyzer::goToTime()
{
    LogFileViewer *viewer = currentViewer();
    if (!viewer)
        return;
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("goToTimeDialog"));
    dialog.setWindowTitle(tr("Go to Time"));
    dialog.setLabelText(tr("Time in seconds, or a clock time (hh:mm:ss):"));
    if (dialog.exec() != QDialog::Accepted || !tabs->isAncestorOf(viewer))
        return;
    const QString text = dialog.textValue().trimmed();
    if (text.contains(QLatin1Char(':')))
        return goToClock(viewer, text);
    bool number = false;
    const double time = text.toDouble(&number);
    if (!number || !std::isfinite(time))
        setStatus(QStringLiteral("'%1' is not a time").arg(text));
    else if (viewer->isLoading())
        setStatus(QStringLiteral("the file is still being read"));
    else if (!viewer->goToTime(time))
        setStatus(QStringLiteral("no row shown at or after time %1").arg(text));
}

void MirtLogFileAnalyzer::viewExpandAll()
{
    if (LogFileViewer *viewer = currentViewer())
        viewer->expandAllRows();
}

void MirtLogFileAnalyzer::viewCollapseAll()
{
    if (LogFileViewer *viewer = currentViewer())
        viewer->collapseAllRows();
}

void MirtLogFileAnalyzer::filterEntered()
{
    const QString text = filterEdit->text();
    const QList<LogTab *> targets = applyToAllTabs->isChecked() ? openTabs() : QList<LogTab *>{currentTab()};
    if (text.isEmpty()) {
        setStatus(QStringLiteral("Ready"));
        for (LogTab *tab : targets) {
            if (!tab)
                continue;
            tab->takeFilterReport();
            setTabStatus(tab, QStringLiteral("Ready"));
            tab->viewer()->clearFilter();
        }
        return;
    }
    const std::shared_ptr<const CompiledFilter> compiled = CompiledFilter::compile(text);
    if (!compiled->isValid()) {
        filterEdit->setInvalid(true);
        setStatus(compiled->error());
        return;
    }
    filter = compiled;
    filterEdit->remember(text);
    settings.setValue(QStringLiteral("FilterHistory"), filterEdit->history());
    applyFilter();
    if (applyToAllTabs->isChecked()) {
        for (LogTab *tab : targets) {
            if (tab == currentTab())
                continue;
            tab->reportFilter();
            tab->viewer()->applyFilter(compiled);
        }
    }
}

void MirtLogFileAnalyzer::applyFilter()
{
    LogTab *tab = currentTab();
    if (!tab) {
        setStatus(QStringLiteral("Ready"));
        return;
    }
    // The viewer filters its own rows, off this thread; the status line
    // says what it did once it is done.
    tab->reportFilter();
    tab->viewer()->applyFilter(filter ? filter : CompiledFilter::compile(QString()));
}
