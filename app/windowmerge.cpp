// Several files in one tab: File > Open Merged..., the tab bar's "Merge
// With...", --merge, reading a merged tab again and shifting a source's time.

#include "mirtlogfileanalyzer.h"

#include "localpath.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "logtab.h"
#include "mergednames.h"
#include "problemreport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include <unistd.h>

namespace {

// The most seconds a source can be shifted by, either way: about 30 years.
constexpr double maxShift = 1e9;

} // namespace

void MirtLogFileAnalyzer::fileOpenMerged()
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, tr("Open Merged"), lastDir,
                                                            QStringLiteral("Log Files (*.log);;All Files(*.*)"));
    if (paths.isEmpty())
        return;
    lastDir = QFileInfo(paths.first()).absolutePath();
    openMerged(paths);
}

void MirtLogFileAnalyzer::openMerged(const QStringList &paths)
{
    if (paths.size() < 2) {
        openLogFiles(paths, true);
        return;
    }
    if (LogTab *tab = openMergedAt(paths, {}, -1, false))
        tabs->setCurrentWidget(tab->viewer());
    rememberRecent(paths);
}

LogTab *MirtLogFileAnalyzer::openMergedAt(const QStringList &paths, const std::vector<double> &shifts, int index,
                                          bool followed)
{
    if (paths.size() > LogFile::maxSources) {
        showStatus(tr("%1 files cannot be merged: at most %2 can").arg(paths.size()).arg(LogFile::maxSources));
        return nullptr;
    }
    std::vector<MergedLoad::Member> members;
    QStringList failures;
    QStringList failedNames;
    for (int i = 0; i < paths.size(); ++i) {
        QString error;
        const int fd = openLogFileDescriptor(paths.at(i), error);
        if (fd < 0) {
            failures << error;
            failedNames << QFileInfo(displayPath(paths.at(i))).fileName();
            continue;
        }
        members.push_back({paths.at(i), fd, size_t(i) < shifts.size() ? shifts[size_t(i)] : 0.0});
    }
    const auto report = [&](LogTab *tab) {
        if (failures.isEmpty())
            return;
        const QString text = problemreport::openFailures(failures, failedNames);
        if (tab)
            setTabStatus(tab, text, failures.join(QLatin1Char('\n')));
        else
            showStatus(text, failures.join(QLatin1Char('\n')));
    };
    if (members.empty()) {
        report(nullptr);
        return nullptr;
    }
    auto batch = std::make_shared<OpenBatch>();
    batch->loading = 1;
    batch->failures = !failures.isEmpty();
    LogTab *tab = nullptr;
    if (members.size() == 1) {
        // One file left: a tab of its own, as if it had been opened alone.
        if (LogTab *open = tabOfFile(members.front().fd)) {
            ::close(members.front().fd);
            report(open);
            return open;
        }
        tab = addTab(members.front().path, members.front().fd, batch, index, followed);
    } else {
        tab = new LogTab(std::move(members), this, followed);
        attachTab(tab, batch, index, mergednames::tabToolTip(tab->paths(), tab->shifts()));
        const QString shifted = mergednames::shiftSummary(tab->paths(), tab->shifts());
        if (!shifted.isEmpty())
            setTabStatus(tab, shifted);
    }
    report(tab);
    updateBusy();
    return tab;
}

void MirtLogFileAnalyzer::reloadMerged(LogTab *tab, const std::vector<double> &shifts, const QString &note)
{
    LogFileViewer *viewer = tab->viewer();
    const int index = tabs->indexOf(viewer);
    if (index < 0)
        return;
    const bool current = tabs->currentIndex() == index;
    const LogFileViewer::ViewState state = viewer->viewState();
    LogTab *fresh = openMergedAt(tab->paths(), shifts, index, state.following);
    if (!fresh)
        return;
    const QString refusal = replaceTab(viewer, fresh, state, current);
    if (!refusal.isEmpty())
        setTabStatus(fresh, refusal);
    else if (!note.isEmpty())
        setTabStatus(fresh, note);
    updateBusy();
}

void MirtLogFileAnalyzer::shiftSource(LogTab *tab, int source)
{
    if (!tab->isMerged() || source < 0 || source >= tab->paths().size())
        return;
    const QString name = shortFileName(tab->paths().at(source));
    std::vector<double> shifts = tab->shifts();
    shifts.resize(size_t(tab->paths().size()), 0.0);
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("shiftSourceDialog"));
    dialog.setWindowTitle(tr("Shift Time of This Source"));
    dialog.setLabelText(tr("Seconds to add to every time of '%1' (negative moves it earlier):").arg(name));
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setDoubleRange(-maxShift, maxShift);
    dialog.setDoubleDecimals(6);
    dialog.setDoubleValue(shifts[size_t(source)]);
    if (dialog.exec() != QDialog::Accepted || dialog.doubleValue() == shifts[size_t(source)])
        return;
    shifts[size_t(source)] = dialog.doubleValue();
    QString note = mergednames::shiftSummary(tab->paths(), shifts);
    if (note.isEmpty())
        note = tr("no time shifts");
    reloadMerged(tab, shifts, note);
}

void MirtLogFileAnalyzer::mergeTabWith(int index)
{
    LogTab *first = tabOf(tabs->widget(index));
    if (!first)
        return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("mergeWithDialog"));
    dialog.setWindowTitle(tr("Merge With"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(tr("Show '%1' merged by time with:").arg(first->name())));
    auto *list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("mergeWithList"));
    QList<LogTab *> others;
    for (LogTab *tab : openTabs()) {
        if (tab == first)
            continue;
        others << tab;
        auto *item = new QListWidgetItem(tab->name() + QStringLiteral(" \u2014 ") + displayPath(tab->path()), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const auto pathsOf = [](LogTab *tab) { return tab->isMerged() ? tab->paths() : QStringList{tab->path()}; };
    QStringList paths = pathsOf(first);
    std::vector<double> shifts = first->shifts();
    shifts.resize(size_t(paths.size()), 0.0);
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->checkState() != Qt::Checked)
            continue;
        const QStringList more = pathsOf(others.at(row));
        std::vector<double> moreShifts = others.at(row)->shifts();
        moreShifts.resize(size_t(more.size()), 0.0);
        paths << more;
        shifts.insert(shifts.end(), moreShifts.begin(), moreShifts.end());
    }
    if (paths.size() < 2)
        return;
    if (LogTab *tab = openMergedAt(paths, shifts, -1, false))
        tabs->setCurrentWidget(tab->viewer());
}
