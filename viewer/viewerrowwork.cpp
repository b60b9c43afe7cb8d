// The viewer's work on rows it already has: filtering them, finding in them,
// moving through them, copying and exporting them, and following the file
// they come from.

#include "logfileviewer.h"

#include "backgroundwork.h"
#include "cappedtextdelegate.h"
#include "compiledfilter.h"
#include "filterpass.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logrowitem.h"
#include "recordexport.h"
#include "rowload.h"
#include "rowmatcher.h"
#include "viewerrows.h"
#include "viewhiddenset.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

int filterThreads = 0;

const std::shared_ptr<const CompiledFilter> &noFilter()
{
    static const std::shared_ptr<const CompiledFilter> none = CompiledFilter::compile(QString());
    return none;
}

int entryOf(const QTreeWidgetItem *item)
{
    while (item && item->parent())
        item = item->parent();
    return item && item->type() == LogRowItem::EntryRow ? static_cast<const LogRowItem *>(item)->entryNumber() : -1;
}

} // namespace

void LogFileViewer::setFilterThreadCount(int count)
{
    filterThreads = std::max(count, 0);
}

const QString &LogFileViewer::filterText() const
{
    return (filter ? filter : noFilter())->text();
}

bool LogFileViewer::applyFilter(const QString &expression, QString *error)
{
    std::shared_ptr<const CompiledFilter> compiled = CompiledFilter::compile(expression);
    if (!compiled->isValid()) {
        if (error)
            *error = compiled->error();
        return false;
    }
    return applyFilter(std::move(compiled));
}

bool LogFileViewer::applyFilter(std::shared_ptr<const CompiledFilter> compiled)
{
    if (!compiled || !compiled->isValid())
        return false;
    filter = std::move(compiled);
    filterPass.cancel();
    filtering = false;
    if (loading || !file) {
        // The rows a filter would hide never show in passing: while one
        // waits for the file, no rows do.
        if (loading)
            veil(!filter->isEmpty());
        updateBusy();
        return true;
    }
    startFilterPass();
    return true;
}

void LogFileViewer::startFilterPass()
{
    if (!filter || filter->isEmpty()) {
        applyKeptRows(std::vector<char>(size_t(file->entries().size()), 1));
        return;
    }
    filtering = true;
    filterPass = FilterPass::start(
        file, filter, filterThreads, *work,
        [this](std::vector<char> &&kept) {
            filtering = false;
            applyKeptRows(std::move(kept));
        },
        marked.lineMarks());
    updateBusy();
}

std::vector<char> LogFileViewer::judge(int first) const
{
    const int count = file->entries().size();
    std::vector<char> verdicts(size_t(std::max(count - first, 0)), 1);
    if (!filter || filter->isEmpty())
        return verdicts;
    FilterJudge judgeOf(filter, file->sourceNames(), marked.lineMarks());
    for (int row = first; row < count; ++row)
        verdicts[size_t(row - first)] = judgeOf.keeps(*file->entries().at(row), file->lineOf(row)) ? 1 : 0;
    return verdicts;
}

void LogFileViewer::applyKeptRows(std::vector<char> &&kept)
{
    // Entries a followed file gained while the pass ran are judged here.
    const int judged = int(kept.size());
    const std::vector<char> later = judge(judged);
    kept.insert(kept.end(), later.begin(), later.end());
    visibility.setKept(std::move(kept));
    showVisibleRows();
    unveil();
}

void LogFileViewer::setContextRows(int rows)
{
    visibility.setContextRows(rows);
    if (file && !loading && visibility.hasFilterResult() && !filtering) {
        visibility.update();
        showVisibleRows();
    }
}

void LogFileViewer::showVisibleRows()
{
    // The row that was current stays current, or gives way to the nearest
    // row that still shows.
    const int current = currentEntry();
    ++filterGeneration;
    // The rows show at the next layout; the view's record of hidden rows
    // follows a piece at a time.
    scheduleDelayedItemsLayout();
    hiddenSet->startSync(visibility.hiddenRows(), [this] { scheduleHiddenSync(); });
    scheduleHiddenSync();
    const int nearest = visibility.nearestShown(current);
    if (nearest >= 0) {
        // Laid out now, so that the row can be centred.
        executeDelayedItemsLayout();
        showEntry(nearest);
    }
    restorePosition();
    viewport()->update();
    // A search looks at the rows shown.
    if (search.isActive())
        startFind();
    updateBusy();
    emit filterApplied(visibility.shownCount(), visibility.rowCount());
}

void LogFileViewer::scheduleHiddenSync()
{
    if (!syncScheduled && !hiddenSet->isWaitingForRoom()) {
        syncScheduled = true;
        QTimer::singleShot(0, this, &LogFileViewer::syncHiddenSet);
    }
}

void LogFileViewer::syncHiddenSet()
{
    syncScheduled = false;
    if (disposing || hiddenSet->isWaitingForRoom())
        return;
    if (hiddenSet->syncStep(visibility.hiddenRows())) {
        syncScheduled = true;
        QTimer::singleShot(0, this, &LogFileViewer::syncHiddenSet);
        return;
    }
    updateBusy();
}

QString LogFileViewer::selectedRowsText() const
{
    // In the order of the tree: by entry, then by the path below it (empty
    // for the entry's own row, so a million selected rows sort quickly).
    // Read from the selection's ranges: listing a million selected rows
    // cell by cell, as selectedItems() does, takes seconds.
    const auto path = [](const QTreeWidgetItem *item) {
        QVector<int> key;
        for (const QTreeWidgetItem *up = item; up->parent(); up = up->parent())
            key.prepend(up->parent()->indexOfChild(const_cast<QTreeWidgetItem *>(up)));
        return std::make_pair(entryOf(item), key);
    };
    std::vector<std::pair<std::pair<int, QVector<int>>, QTreeWidgetItem *>> ordered;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        if (range.left() > 0)
            continue; // the same rows again, in other columns
        const QModelIndex parent = range.parent();
        for (int row = range.top(); row <= range.bottom(); ++row) {
            QTreeWidgetItem *item = itemFromIndex(model()->index(row, 0, parent));
            if (!item)
                continue;
            if (!parent.isValid()) {
                if (visibility.isHidden(row))
                    continue;
                ordered.emplace_back(std::make_pair(entryOf(item), QVector<int>()), item);
            } else if (!item->isHidden()) {
                ordered.emplace_back(path(item), item);
            }
        }
    }
    std::sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QString text;
    for (const auto &row : ordered) {
        // In the order the columns show.
        bool first = true;
        for (int column = 0; column < columnCount(); ++column) {
            const int logical = header()->logicalIndex(column);
            if (header()->isSectionHidden(logical))
                continue;
            if (!std::exchange(first, false))
                text += QLatin1Char('\t');
            text += row.second->text(logical);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

QString LogFileViewer::currentCellText() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.data().toString() : QString();
}

void LogFileViewer::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copyRows();
        event->accept();
        return;
    }
    if (QKeySequence(int(event->modifiers() & ~Qt::KeypadModifier) | event->key()) == originalLinesKey()) {
        copyOriginalLines();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void LogFileViewer::copyRows()
{
    const QString text = selectedRowsText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void LogFileViewer::copyCell()
{
    QGuiApplication::clipboard()->setText(currentCellText());
}

bool LogFileViewer::exportShownRows(QIODevice &device, QString *error) const
{
    if (!file || loading) {
        if (error)
            *error = QStringLiteral("the file is still being read");
        return false;
    }
    return RecordExport::write(device, *file, visibility.hiddenRows(), error);
}

void LogFileViewer::exportShownRows(const QString &path, RecordExport::Form form)
{
    if (!file || loading || exporting) {
        emit exportFinished(false, 0, path,
                            exporting ? QStringLiteral("an export is still being written")
                                      : QStringLiteral("the file is still being read"));
        return;
    }
    exporting = true;
    updateBusy();
    RecordExport::Done done = exportDone();
    // The rows shown now are what is written, whatever changes meanwhile.
    if (exportRunner)
        exportRunner(file, visibility.hiddenRows(), visibility.shownCount(), path, std::move(done), form);
    else
        RecordExport::start(file, visibility.hiddenRows(), visibility.shownCount(), path, *work, std::move(done), form);
}

void LogFileViewer::find(const QString &text, bool caseSensitive, bool regularExpression)
{
    auto made = text.isEmpty() ? nullptr : std::make_shared<RowMatcher>(text, caseSensitive, regularExpression);
    if (made)
        addExtraCells(*made);
    const std::shared_ptr<const RowMatcher> matcher = made;
    search.setMatcher(matcher);
    // Marks go only into rows the search counted, so that painting never
    // runs the search over rows that hold nothing.
    static_cast<CappedTextDelegate *>(itemDelegate())
        ->setHighlight(matcher && matcher->isValid() ? matcher : nullptr,
                       [this](int entry) { return search.matches(entry); });
    viewport()->update();
    startFind();
}

void LogFileViewer::startFind()
{
    search.cancel();
    if (!file || loading || !search.isActive() || !search.isValid()) {
        search.start(nullptr, visibility, *work, {});
        emit findCounted(0);
        return;
    }
    // The shown rows are taken as they are now.
    search.start(file, visibility, *work, [this] {
        // Onto a match, the first from the current row on.
        if (findIndex() < 0 && search.count() > 0)
            findNext(true);
        viewport()->update();
        emit findCounted(search.count());
    });
}

bool LogFileViewer::findNext(bool forward)
{
    const int target = search.next(currentEntry(), forward);
    if (target < 0)
        return false;
    showEntry(target);
    return true;
}

bool LogFileViewer::goToTime(double time)
{
    if (!file || loading)
        return false;
    const int row = visibility.firstAtOrAfter(*file, time);
    if (row < 0)
        return false;
    showEntry(row);
    return true;
}

bool LogFileViewer::goToPartner()
{
    if (presenter.highlightedRow() < 0)
        return false;
    showEntry(presenter.highlightedRow());
    return true;
}

bool LogFileViewer::goToNext(EntryType type, bool forward)
{
    if (!file || loading)
        return false;
    const int row = visibility.nextOfType(*file, currentEntry(), type, forward);
    if (row < 0)
        return false;
    showEntry(row);
    return true;
}

void LogFileViewer::setFollowing(bool on)
{
    if (on == following)
        return;
    following = on;
    if (mergedView) {
        setWatching(on && !loading);
        return;
    }
    // A file still being read keeps a half-written last line for following.
    if (on && loading && load)
        load->leavePartialLastLine();
    if (on && !follow)
        startFollowSession();
    if (follow)
        follow->setActive(on);
}

void LogFileViewer::startFollowSession()
{
    if (mergedView) {
        setWatching(following);
        return;
    }
    // A file handed over already read has no place to follow from.
    if (!file || !source)
        return;
    follow = new FollowSession(file, *source, this);
    // Entries are not added while a filter, a load or the view's record of
    // hidden rows counts them.
    follow->setGate([this] { return !busy && !disposing; });
    connect(follow, &FollowSession::lastEntryContinued, this, &LogFileViewer::showContinuedRow);
    connect(follow, &FollowSession::entriesAdded, this, &LogFileViewer::appendFollowedRows);
    connect(follow, &FollowSession::reloadNeeded, this, [this](ReloadReason reason) {
        // Still following: the viewer that reads the file again goes on.
        follow->deleteLater();
        follow = nullptr;
        noteReloadReason(reason);
        emit reloadNeeded(reason);
    });
}

void LogFileViewer::appendFollowedRows(int first, int count)
{
    if (first >= count || disposing)
        return;
    // The rows, and the other ends of the new records' actions, built on
    // from the index of the rows before.
    std::unique_ptr<ViewerRows> builder = ViewerRows::resume(first, subActionRows);
    builder->partners = std::move(presenter.partners());
    builder->finish(*file, defaultSubActionBudget(count));
    presenter.setPartners(std::move(builder->partners));
    subActionRows = builder->subActionRows;
    std::shared_ptr<RowPiece> piece = builder->takePiece();

    QScrollBar *scroll = verticalScrollBar();
    const bool atEnd = scroll->value() >= scroll->maximum();
    hasChildren.insert(hasChildren.end(), piece->hasChildren.begin(), piece->hasChildren.end());
    hasChildren.resize(size_t(count), false);
    visibility.addRows(count - first);
    hiddenSet->addRows(count - first);

    // The filter judges the new entries; rows before them may now show as
    // their context.
    if (visibility.hasFilterResult())
        visibility.setKeptFrom(first, judge(first));
    highlightFrom(first);
    const std::vector<int> context = visibility.updateFrom(first);
    if (!context.empty()) {
        hiddenSet->apply(context, false);
        // Rows already laid out changed: the whole layout is made again.
        ++filterGeneration;
        scheduleDelayedItemsLayout();
    }

    // The new rows are laid out on their own, hidden as the filter says,
    // and then go into the view's hidden set.
    addTopLevelItems(piece->rows);
    piece->rows.clear();
    std::vector<int> hide;
    for (int row = first; row < count; ++row) {
        if (visibility.isHidden(row))
            hide.push_back(row);
    }
    hiddenSet->apply(hide, true);
    // The columns grow for wider times and names the new rows bring.
    fitTimeColumn(builder->widestTimeText);
    fitNameColumns(builder->typesSeen, builder->activitiesSeen);
    if (atEnd)
        scrollToBottom();

    // A start whose end just came gets its partner highlighted.
    if (QTreeWidgetItem *current = currentItem())
        onCurrentItemChanged(current, nullptr);

    if (search.isActive()) {
        if (search.isCounting()) {
            startFind();
        } else if (search.isValid()) {
            search.addRows(file, visibility, context, first, count, *work, [this] {
                viewport()->update();
                emit findCounted(search.count());
            });
        }
    }
    viewport()->update();
    emit rowsAppended(count - first, visibility.shownCount(), count);
}

void LogFileViewer::showContinuedRow(int row)
{
    if (disposing || row < 0 || row >= topLevelItemCount() || row != presenter.partners().size() - 1)
        return;
    const LogFileEntry &entry = *file->entries().at(row);
    // Its action may be another now: the other ends and the sub-action
    // rows are made again, the row keeps its place.
    presenter.partners().removeLast();
    presenter.partners().add(entry, row);
    std::unique_ptr<ViewerRows> builder = ViewerRows::resume(row + 1, subActionRows);
    const bool children = builder->rebuildSubRows(topLevelItem(row), *file, row, subActionBudget);
    subActionRows = builder->subActionRows;
    const bool layoutChanged = children != bool(hasChildren[size_t(row)]) || children;
    hasChildren[size_t(row)] = children;

    // The filter judges it again; rows around it may show or hide as its
    // context.
    std::vector<int> changed;
    if (visibility.hasFilterResult())
        changed = visibility.rejudge(row, judge(row).front() != 0);
    highlightFrom(row);
    std::vector<int> hide;
    std::vector<int> show;
    for (const int at : changed)
        (visibility.isHidden(at) ? hide : show).push_back(at);
    hiddenSet->apply(hide, true);
    hiddenSet->apply(show, false);
    if (layoutChanged || !changed.empty()) {
        ++filterGeneration;
        scheduleDelayedItemsLayout();
    }
    fitNameColumns(1u << std::clamp(int(entry.type()), 0, 4),
                   entry.hasAction() ? 1u << std::clamp(int(entry.activity()), 0, 3) : 0u);
    if (QTreeWidgetItem *current = currentItem())
        onCurrentItemChanged(current, nullptr);
    if (search.isActive() && search.isValid())
        search.recheck(file, visibility, row, *work, [this] {
            viewport()->update();
            emit findCounted(search.count());
        });
    viewport()->update();
    emit rowsAppended(0, visibility.shownCount(), topLevelItemCount());
}

LogFileViewer::ViewState LogFileViewer::viewState() const
{
    ViewState state;
    state.filter = filterText();
    state.contextRows = visibility.contextRows();
    state.following = following;
    state.currentEntry = currentEntry();
    state.topEntry = entryOf(itemAt(QPoint(0, 0)));
    const QScrollBar *scroll = verticalScrollBar();
    state.atEnd = scroll->maximum() > 0 && scroll->value() >= scroll->maximum();
    state.timeOrigin = timeOrigin();
    state.bookmarks = waitingBookmarks;
    if (file && !loading) {
        auto carried = std::make_shared<BookmarkCarry>(marked.carry(*file));
        carried->writtenAnew = writtenAnew;
        state.bookmarks = std::move(carried);
    }
    return state;
}

void LogFileViewer::restoreViewState(const ViewState &state)
{
    visibility.setContextRows(state.contextRows);
    if (state.bookmarks && !state.bookmarks->bookmarks.empty()) {
        waitingBookmarks = state.bookmarks;
        if (file && !loading)
            placeBookmarks();
    }
    applyFilter(state.filter);
    setFollowing(state.following);
    setTimeOrigin(state.timeOrigin);
    pendingRestore = std::make_unique<ViewState>(state);
    if (file && !loading && !filtering)
        restorePosition();
}

void LogFileViewer::restorePosition()
{
    if (!pendingRestore)
        return;
    const std::unique_ptr<ViewState> state = std::move(pendingRestore);
    const int count = topLevelItemCount();
    const auto shown = [&](int row) { return row >= 0 && row < count && visibility.isShown(row); };
    executeDelayedItemsLayout();
    if (shown(state->currentEntry))
        setCurrentItem(topLevelItem(state->currentEntry));
    if (state->atEnd)
        scrollToBottom();
    else if (shown(state->topEntry))
        scrollToItem(topLevelItem(state->topEntry), QAbstractItemView::PositionAtTop);
}

RecordExport::Done LogFileViewer::exportDone()
{
    return [self = QPointer<LogFileViewer>(this)](const RecordExport::Result &result) {
        if (!self)
            return;
        self->exporting = false;
        self->updateBusy();
        emit self->exportFinished(result.written, result.rows, result.path, result.error);
    };
}
