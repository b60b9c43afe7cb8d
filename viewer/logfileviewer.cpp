#include "logfileviewer.h"

#include "backgroundwork.h"
#include "cappedtextdelegate.h"
#include "compiledfilter.h"
#include "entrypresentation.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logrowitem.h"
#include "quickfilter.h"
#include "robotaction.h"
#include "rowload.h"
#include "viewerrows.h"
#include "viewhiddenset.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <climits>

namespace {

// Rows added per turn of the event loop while a file's rows come in: each
// piece takes a few tens of milliseconds, so the window keeps answering.
constexpr int rowsPerInsertion = 50000;
// Records whose partners are indexed in one turn of the event loop once the
// file is read: some tens of milliseconds.
constexpr int partnersPerTurn = 200000;
constexpr int persistentRowsDroppedPerTurn = 200000;
// A viewer with more rows than this is taken apart a piece at a time.
constexpr int largeViewerRows = 50000;
constexpr int progressInterval = 50; // ms

// The entry of the record a row belongs to, without the toolkit's search of
// every top-level row; -1 for none.
int entryOf(const QTreeWidgetItem *item)
{
    while (item && item->parent())
        item = item->parent();
    return item && item->type() == LogRowItem::EntryRow ? static_cast<const LogRowItem *>(item)->entryNumber() : -1;
}

} // namespace

QString LogFileViewer::timeText(double time)
{
    return EntryPresentation::timeText(time);
}

const QString &LogFileViewer::typeName(EntryType type)
{
    return EntryPresentation::typeName(type);
}

const QString &LogFileViewer::activityName(ActionActivity activity)
{
    return EntryPresentation::activityName(activity);
}

QString LogFileViewer::actionText(const RobotAction &action)
{
    return EntryPresentation::actionText(action);
}

int LogFileViewer::defaultSubActionBudget(int entryCount)
{
    // Computed in 64 bits: four times a huge entry count overflows an int.
    const qint64 perEntries = qint64(subActionBudgetPerEntry) * std::max(entryCount, 0);
    return int(std::min<qint64>(std::max<qint64>(minSubActionBudget, perEntries), INT_MAX));
}

const QString &LogFileViewer::omittedRowsText()
{
    static const QString text(QChar(0x2026));
    return text;
}

LogFileViewer::LogFileViewer(std::shared_ptr<LogFile> file, QWidget *parent)
    : LogFileViewer(file, parent, defaultSubActionBudget(file ? file->entries().size() : 0))
{
}

LogFileViewer::LogFileViewer(std::shared_ptr<LogFile> loaded, QWidget *parent, int budget)
    : QTreeWidget(parent)
    , filePath(loaded ? loaded->path() : QString())
    , subActionBudget(std::max(budget, 0))
{
    initialize();
    if (!loaded)
        return;
    const std::unique_ptr<ViewerRows> rows = ViewerRows::build(*loaded, subActionBudget);
    install(std::move(loaded), *rows);
}

LogFileViewer::LogFileViewer(const QString &path, int fd, QWidget *parent, bool followed)
    : QTreeWidget(parent)
    , filePath(path)
{
    initialize();
    startLoading(fd, followed);
}

void LogFileViewer::initialize()
{
    work = new BackgroundWork(this);
    hiddenSet = std::make_unique<ViewHiddenSet>(this);
    setColumnCount(EntryPresentation::ColumnCount);
    setHeaderLabels(EntryPresentation::headerLabels());
    // Every row is one line of text; without this the view asks each row for
    // its height.
    setUniformRowHeights(true);
    setItemDelegate(new CappedTextDelegate(this));
    initializeLook();
    connect(this, &QTreeWidget::currentItemChanged, this, &LogFileViewer::onCurrentItemChanged);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto *copy = new QAction(tr("Copy"), this);
    copy->setObjectName(QStringLiteral("copyRows"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &LogFileViewer::copyRows);
    addAction(copy);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        QMenu *menu = createContextMenu(indexAt(position));
        menu->exec(viewport()->mapToGlobal(position));
        delete menu;
    });
}

void LogFileViewer::startLoading(int fd, bool followed)
{
    startProgress();

    // Rows come in while the file is read, with their records, and show as
    // they come; the file and its partner index come once it is all read.
    QPointer<LogFileViewer> self(this);
    // The budget depends on the entry count, which is known only once read.
    load = RowLoad::start(
        filePath, fd, -1, *work,
        [self](std::shared_ptr<RowPiece> piece) {
            if (self)
                self->queueRows(*piece);
        },
        [self](std::shared_ptr<LogFile> loaded, std::shared_ptr<ViewerRows> rows) {
            if (self)
                self->install(std::move(loaded), *rows);
        },
        followed);
    showProgress();
    updateBusy();
}

void LogFileViewer::startProgress()
{
    loading = true;
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("loadProgress"));
    progressBar->setRange(0, 1000);
    progressBar->setFormat(QStringLiteral("Reading %p%"));
    progressTimer = new QTimer(this);
    progressTimer->setInterval(progressInterval);
    connect(progressTimer, &QTimer::timeout, this, &LogFileViewer::showProgress);
    progressTimer->start();
}

void LogFileViewer::showEntry(int row)
{
    QTreeWidgetItem *item = row >= 0 && row < topLevelItemCount() ? topLevelItem(row) : nullptr;
    if (!item)
        return;
    // Only this row is selected, whatever keys are held.
    setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

int LogFileViewer::currentEntry() const
{
    return entryOf(currentItem());
}

QMenu *LogFileViewer::createContextMenu(const QModelIndex &index)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("rowMenu"));
    QAction *copy = menu->addAction(tr("Copy"), this, &LogFileViewer::copyRows);
    copy->setObjectName(QStringLiteral("menuCopy"));
    QAction *copyCellAction = menu->addAction(tr("Copy Cell"), this, &LogFileViewer::copyCell);
    copyCellAction->setObjectName(QStringLiteral("menuCopyCell"));
    QAction *exportAction = menu->addAction(tr("Export..."), this, &LogFileViewer::exportRequested);
    exportAction->setObjectName(QStringLiteral("menuExport"));
    addOriginalLinesEntry(menu);
    addBookmarkEntries(menu, index);
    QTreeWidgetItem *item = itemFromIndex(index);
    const int row = entryOf(item);
    const RowRecords shown = records();
    const LogFileEntry *entry = !veiled && row >= 0 && row < shown.size() ? &shown.at(row) : nullptr;
    const RobotAction *subAction = item && item->type() == LogRowItem::SubActionRow
        ? static_cast<const LogRowItem *>(item)->subAction()
        : nullptr;
    for (int kind = 0; kind < quickfilter::KindCount; ++kind) {
        QAction *action = menu->addAction(quickfilter::title(quickfilter::Kind(kind)));
        action->setObjectName(QStringLiteral("quickFilter%1").arg(kind));
        const QString clause = entry ? quickClause(quickfilter::Kind(kind), *entry, subAction) : QString();
        action->setEnabled(!clause.isEmpty());
        connect(action, &QAction::triggered, this, [this, clause] { emit quickFilterChosen(clause); });
    }
    if (mergedView)
        addSourceEntries(menu, entry);
    return menu;
}

LogFileViewer::~LogFileViewer()
{
    // The view deletes the rows it holds, not those still to go in.
    qDeleteAll(takeUninsertedRows());
    delete follow;
    follow = nullptr;
    search.cancel();
    filterPass.cancel();
    if (load)
        load->cancel();
}

void LogFileViewer::showProgress()
{
    if (!progressBar)
        return;
    // The last part is the rows going into the view, a piece at a time.
    const bool showing = loadDone && !pendingRows.isEmpty();
    const int value = showing ? 950 + 50 * pendingInserted / std::max(pendingRows.size(), 1)
                              : (load ? load->progress() : 1000);
    progressBar->setFormat((showing || !load ? QStringLiteral("Showing rows") : load->stage())
                           + QStringLiteral(" %p%"));
    progressBar->setValue(value);
    // In the middle of an empty view; at the foot of the rows once they show.
    const QSize size(std::min(400, std::max(width() - 40, 100)), progressBar->sizeHint().height());
    const QRect rows = viewport()->geometry();
    const int top = !veiled && topLevelItemCount() > 0 ? std::max(rows.top(), rows.bottom() - size.height() - 8)
                                                       : (height() - size.height()) / 2;
    progressBar->setGeometry(QRect(QPoint((width() - size.width()) / 2, top), size));
    progressBar->show();
    emit loadProgressChanged(value / 10);
}

void LogFileViewer::install(std::shared_ptr<LogFile> loaded, ViewerRows &rows)
{
    file = std::move(loaded);
    if (load)
        subActionBudget = defaultSubActionBudget(file->entries().size());
    if (load && !mergedView)
        source = std::make_unique<const LogLoader::Source>(load->source());
    if (load && !mergedView) {
        // The index of the rows read so far goes on over the rest: a slice
        // now, and while the file is still shown as loading, a slice per
        // turn of the event loop until it is complete.
        indexPartners(loading ? partnersPerTurn : std::numeric_limits<int>::max());
    } else {
        presenter.setPartners(std::move(rows.partners));
    }
    readEntries = EntryList();
    std::vector<quint32>().swap(columns.readLines);
    subActionRows = rows.subActionRows;
    widestTimeText = rows.widestTimeText;
    typesSeen = rows.typesSeen;
    activitiesSeen = rows.activitiesSeen;
    queueRows(*rows.takePiece());
    loadDone = true;
    if (!loading) {
        insertPendingRows();
        return;
    }
    // A start whose end was read since it became current gets it highlighted.
    if (QTreeWidgetItem *current = currentItem())
        onCurrentItemChanged(current, nullptr);
}

void LogFileViewer::queueRows(RowPiece &piece)
{
    hasChildren.insert(hasChildren.end(), piece.hasChildren.begin(), piece.hasChildren.end());
    visibility.addRows(int(piece.hasChildren.size()));
    hiddenSet->addRows(int(piece.hasChildren.size()));
    expectedRows = std::max(expectedRows, piece.expectedRows);
    presenter.partners().reserve(expectedRows);
    // Records handed over while the file is read: the rows show them, and
    // the partners among them are indexed as far as they are read.
    if (!file && piece.entries.size() > readEntries.size()) {
        const int first = readEntries.size();
        readEntries = std::move(piece.entries);
        columns.readLines.insert(columns.readLines.end(), piece.lines.begin(), piece.lines.end());
        for (int number = first; number < readEntries.size(); ++number)
            presenter.partners().add(*readEntries.at(number), number);
    }
    pendingRows += piece.rows;
    piece.rows.clear();
    if (loading && !insertionScheduled) {
        // Added at the next turn of the event loop, a piece at a time.
        insertionScheduled = true;
        QTimer::singleShot(0, this, &LogFileViewer::insertPendingRows);
    }
}

QList<QTreeWidgetItem *> LogFileViewer::takeUninsertedRows()
{
    QList<QTreeWidgetItem *> rows = pendingRows.mid(pendingInserted);
    pendingRows.clear();
    pendingInserted = 0;
    return rows;
}

void LogFileViewer::insertPendingRows()
{
    insertionScheduled = false;
    if (disposing)
        return;
    const int total = pendingRows.size();
    const int piece = loading ? rowsPerInsertion : total;
    if (pendingInserted < total) {
        const int count = std::min(piece, total - pendingInserted);
        // All rows known so far, so that the layout makes room for them once.
        rowsComing = topLevelItemCount() + total - pendingInserted;
        addTopLevelItems(pendingInserted == 0 && count == total ? pendingRows : pendingRows.mid(pendingInserted, count));
        pendingInserted += count;
    }
    if (loading)
        showRowsReadSoFar();
    if (pendingInserted < total) {
        insertionScheduled = true;
        QTimer::singleShot(0, this, &LogFileViewer::insertPendingRows);
        return;
    }
    pendingRows.clear();
    pendingInserted = 0;
    if (!loadDone)
        return;
    if (loading) {
        if (!indexPartners(partnersPerTurn)) {
            insertionScheduled = true;
            QTimer::singleShot(0, this, &LogFileViewer::insertPendingRows);
            return;
        }
        finishLoading();
        return;
    }
    fitColumns();
}

bool LogFileViewer::indexPartners(int limit)
{
    if (!file)
        return true;
    const auto &entries = file->entries();
    const int from = presenter.partners().size();
    const int end = int(std::min<qint64>(entries.size(), qint64(from) + limit));
    for (int number = from; number < end; ++number)
        presenter.partners().add(*entries.at(number), number);
    return presenter.partners().size() >= entries.size();
}

void LogFileViewer::fitColumns()
{
    // Measuring the cells of a tab nobody sees would hold up the window
    // for every file of a large batch that finishes loading at once.
    if (isHidden() && parentWidget()) {
        columnsUnfitted = true;
        return;
    }
    columnsUnfitted = false;
    for (int column = 0; column < columnCount(); ++column)
        resizeColumnToContents(column);
    fitTimeColumn(widestTimeText);
    fitNameColumns(typesSeen, activitiesSeen);
}

void LogFileViewer::fitNameColumns(unsigned types, unsigned activities)
{
    // The view measures only the rows near those shown; a type or an
    // activity further down would be cut.
    const QFontMetrics metrics(font());
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    const auto fit = [&](int column, unsigned seen, int count, const QString &(*name)(int)) {
        int needed = 0;
        for (int value = 0; value < count; ++value) {
            if (seen & (1u << value))
                needed = std::max(needed, metrics.horizontalAdvance(name(value)) + margin);
        }
        if (header()->sectionSize(column) < needed)
            header()->resizeSection(column, needed);
    };
    fit(EntryPresentation::TypeColumn, types, 5,
        [](int value) -> const QString & { return EntryPresentation::typeName(EntryType(value)); });
    fit(EntryPresentation::ActivityColumn, activities, 3,
        [](int value) -> const QString & { return EntryPresentation::activityName(ActionActivity(value)); });
}

void LogFileViewer::showEvent(QShowEvent *event)
{
    QTreeWidget::showEvent(event);
    if (columnsUnfitted)
        fitColumns();
}

void LogFileViewer::showRowsReadSoFar()
{
    if (veiled || topLevelItemCount() == 0)
        return;
    // The columns fit the first rows that show, measuring only the rows on
    // screen, and again once all are in.
    if (!columnsFittedWhileLoading) {
        columnsFittedWhileLoading = true;
        const int precision = header()->resizeContentsPrecision();
        header()->setResizeContentsPrecision(0);
        fitColumns();
        header()->setResizeContentsPrecision(precision);
    }
    // A reload's position is kept as soon as its rows are in.
    if (pendingRestore && !pendingRestore->atEnd
        && std::max(pendingRestore->currentEntry, pendingRestore->topEntry) < topLevelItemCount())
        restorePosition();
}

void LogFileViewer::veil(bool on)
{
    if (on == veiled)
        return;
    veiled = on;
    viewport()->update();
    if (loading) {
        showProgress();
        showRowsReadSoFar();
    }
}

void LogFileViewer::finishLoading()
{
    // The rows showed as they came, unless a filter waits for them: then
    // they show once it has applied, so that the rows it hides never show
    // in passing.
    loading = false;
    fitColumns();
    load.reset();
    if (progressTimer)
        progressTimer->deleteLater();
    progressTimer = nullptr;
    veil(filter && !filter->isEmpty());
    if (progressBar && veiled) {
        progressBar->setRange(0, 0);
        progressBar->setFormat(QStringLiteral("Filtering"));
    } else {
        dropProgressBar();
    }
    placeBookmarks();
    emit loadProgressChanged(100);
    // Follow asked for while the file was read starts from where it ends.
    if (following && !follow) {
        startFollowSession();
        if (follow)
            follow->setActive(true);
    }
    if (filter && !filter->isEmpty()) {
        startFilterPass();
    } else {
        restorePosition();
        // A search asked for while the file was read counts now.
        if (search.isActive())
            startFind();
    }
    updateBusy();
    emit loaded();
}

void LogFileViewer::dropProgressBar()
{
    if (progressBar)
        progressBar->deleteLater();
    progressBar = nullptr;
}

void LogFileViewer::unveil()
{
    if (!veiled)
        return;
    veiled = false;
    dropProgressBar();
    viewport()->update();
}

void LogFileViewer::paintEvent(QPaintEvent *event)
{
    // While the rows wait for their filter, the tree shows its background
    // and no rows.
    if (veiled) {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), viewport()->palette().brush(QPalette::Base));
        return;
    }
    QTreeWidget::paintEvent(event);
}

int LogFileViewer::findPartner(int row, ActionActivity activity) const
{
    return presenter.findPartner(row, activity);
}

QString LogFileViewer::partnerToolTip(int row) const
{
    return presenter.partnerToolTip(records(), row);
}

RowRecords LogFileViewer::records() const
{
    return file ? RowRecords(*file) : RowRecords(readEntries);
}

QVariant LogFileViewer::rowData(const LogRowItem &row, int column, int role, bool &handled) const
{
    handled = false;
    // A viewer taken apart shows nothing; rows waiting for their filter
    // give no tooltips.
    if (disposing || (veiled && role == Qt::ToolTipRole)) {
        handled = true;
        return QVariant();
    }
    // A bookmark's marker goes in whichever column shows first.
    if (role == Qt::DecorationRole || role == Qt::ToolTipRole) {
        QVariant mark = markedData(row, column, role, handled);
        if (handled)
            return mark;
    }
    // A single file's Line or Clock column may take the number of Source.
    if (column == columns.lineColumn || column == columns.clockColumn)
        return column == columns.lineColumn ? lineData(row, role, handled) : clockData(row, role, handled);
    if (column == sourceColumn)
        return sourceData(row, role, handled);
    return presenter.data(records(), visibility, row, column, role, handled);
}

void LogFileViewer::onCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous)
{
    Q_UNUSED(previous)
    if (!current || disposing)
        return;

    // A sub-action row stands for the entry row it hangs under.
    const int row = entryOf(current);
    emit currentEntryChanged(row);
    // The cells changed without the model knowing: repaint.
    if (presenter.highlightPartnerOf(records(), row))
        viewport()->update();
}

void LogFileViewer::doItemsLayout()
{
    if (!hiddenSet->usesPrivateState() || topLevelItemCount() == 0) {
        QTreeWidget::doItemsLayout();
        return;
    }
    const QModelIndex first = model()->index(0, 0);
    const int rowHeight = first.isValid() ? indexRowSizeHint(first) : 0;
    hiddenSet->layOut(visibility.hiddenRows(), hasChildren, rowHeight, filterGeneration, visibility.shownCount());
    QAbstractItemView::doItemsLayout();
    header()->doItemsLayout();
}

void LogFileViewer::rowsInserted(const QModelIndex &parent, int start, int end)
{
    if (!parent.isValid() && end == topLevelItemCount() - 1) {
        const QModelIndex first = model()->index(0, 0);
        const int expected = std::max({end + 1, rowsComing, expectedRows});
        if (hiddenSet->appendRows(start, end, visibility.hiddenRows(), hasChildren, indexRowSizeHint(first), expected,
                                  filterGeneration)) {
            QAbstractItemView::rowsInserted(parent, start, end);
            updateGeometries();
            viewport()->update();
            return;
        }
    }
    QTreeWidget::rowsInserted(parent, start, end);
}

void LogFileViewer::expandAllRows()
{
    // The toolkit's expansion asks the view's hidden set about every row,
    // so it waits until that set is complete.
    if (busy) {
        expandWhenIdle = true;
        return;
    }
    expandAll();
    keepCurrentInView();
}

void LogFileViewer::collapseAllRows()
{
    // A sub-action row that is current gives way to its record's row.
    QTreeWidgetItem *current = currentItem();
    while (current && current->parent())
        current = current->parent();
    collapseAll();
    if (current && current != currentItem())
        setCurrentItem(current);
    keepCurrentInView();
}

void LogFileViewer::keepCurrentInView()
{
    if (QTreeWidgetItem *current = currentItem()) {
        executeDelayedItemsLayout();
        scrollToItem(current, QAbstractItemView::PositionAtCenter);
    }
}

void LogFileViewer::updateBusy()
{
    const bool now = !disposing
        && (loading || filtering || highlighting || hiddenSet->isSyncing() || exporting || copyingOriginal);
    if (now == busy)
        return;
    busy = now;
    if (!busy && expandWhenIdle) {
        expandWhenIdle = false;
        expandAll();
        keepCurrentInView();
    }
    emit busyChanged(busy);
}

void LogFileViewer::dispose()
{
    if (disposing)
        return;
    hide();
    setParent(nullptr);
    disposing = true;
    const bool wasBusy = busy;
    busy = false;
    if (wasBusy)
        emit busyChanged(false);
    // Following stops where it is: nothing more is added.
    following = false;
    delete follow;
    follow = nullptr;
    // No result of work on other threads reaches the viewer any more.
    work->handoff()->close();
    work->cancelAll();
    if (load)
        load->cancel();
    hiddenSet->stopSync();
    if (topLevelItemCount() + pendingRows.size() < largeViewerRows) {
        deleteLater();
        return;
    }
    continueDisposing();
}

void LogFileViewer::abandon()
{
    work->handoff()->close();
    work->abandonAll();
    setFollowing(false);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    if (topLevelItemCount() + pendingRows.size() >= largeViewerRows) {
        // Never deleted: freeing millions of rows would hold up the exit.
        hide();
        setParent(nullptr);
        disposing = true;
    }
#endif
}

void LogFileViewer::continueDisposing()
{
    // The view's persistent rows go first, a piece at a time: with them gone
    // the rows come out of the view in one cheap step.
    if (hiddenSet->dropPersistentRows(persistentRowsDroppedPerTurn) > 0) {
        QTimer::singleShot(0, this, &LogFileViewer::continueDisposing);
        return;
    }
    QList<QTreeWidgetItem *> rows = invisibleRootItem()->takeChildren();
    rows += takeUninsertedRows();
    std::shared_ptr<LogFile> released = std::move(file);
    // Freed off this thread: millions of rows and entries take a while.
    BackgroundWork::detach([rows, released]() mutable {
        qDeleteAll(rows);
        released.reset();
    });
    deleteLater();
}
