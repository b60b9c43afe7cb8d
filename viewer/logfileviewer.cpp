#include "logfileviewer.h"

#include "cappedtextdelegate.h"
#include "expr.h"
#include "exprvalue.h"
#include "filterpass.h"
#include "handoff.h"
#include "logfileentry.h"
#include "logfileexprcontext.h"
#include "logfollower.h"
#include "logloadtask.h"
#include "logrowitem.h"
#include "quickfilter.h"
#include "rowmatcher.h"
#include "robotaction.h"
#include "treeviewlayout.h"
#include "viewerrows.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QSaveFile>
#include <QScrollBar>
#include <QStringBuilder>
#include <QStyle>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidgetItem>

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>
#include <shared_mutex>

#include <unistd.h>

namespace {

constexpr int viewerColumns = 6;
constexpr int messageColumn = 5;
constexpr int activityColumn = 4;
constexpr int actionColumn = 3;

// Rows added per turn of the event loop while a file's rows come in, and
// changes to the view's hidden set per turn: each piece takes a few tens of
// milliseconds, so the window keeps answering.
constexpr int rowsPerInsertion = 100000;
constexpr int hiddenChangesPerTurn = 40000;
constexpr int rowsScannedPerTurn = 2000000;
constexpr int persistentRowsDroppedPerTurn = 200000;
// A viewer with more rows than this is taken apart a piece at a time.
constexpr int largeViewerRows = 50000;
constexpr int progressInterval = 50; // ms
// A followed file is looked at this often, and a look reads at most this
// much, so that a writer that appends a lot at once never holds up the
// window: what is left is read at the next turn of the event loop.
constexpr int followInterval = 250; // ms
constexpr qint64 followBytesPerTurn = 512 * 1024;

int filterThreads = 0;

const QStringList &headerLabels()
{
    static const QStringList labels{QStringLiteral("Time"),   QStringLiteral("Type"),
                                    QStringLiteral("Subsystem"), QStringLiteral("Action"),
                                    QStringLiteral("Activity"), QStringLiteral("Message")};
    return labels;
}

// A brush per colour, made once: every cell that uses it shares its data.
struct Brushes
{
    QBrush error{QColor(255, 0, 0, 255)};
    QBrush warning{QColor(255, 255, 0, 255)};
    QBrush start{QColor(192, 255, 192, 255)};
    QBrush complete{QColor(192, 192, 255, 255)};
    QBrush cancel{QColor(255, 192, 192, 255)};
    QBrush highlight{QColor(252, 144, 0, 255)};
    QBrush cleared{QColor(255, 255, 255, 255)};
};

const Brushes &brushes()
{
    static const Brushes instance;
    return instance;
}

const QBrush *severityBrush(EntryType type)
{
    switch (type) {
    case Error: return &brushes().error;
    case Warning: return &brushes().warning;
    default: return nullptr;
    }
}

int rgbValue(const QBrush *brush)
{
    if (!brush)
        return 0;
    const QColor color = brush->color();
    return color.red() * 65536 + color.green() * 256 + color.blue();
}

} // namespace

const QBrush *LogFileViewer::activityBrush(ActionActivity activity)
{
    switch (activity) {
    case Start: return &brushes().start;
    case Complete: return &brushes().complete;
    case Cancel: return &brushes().cancel;
    default: return nullptr;
    }
}

QString LogFileViewer::timeText(double time)
{
    // Six significant digits would show 9449.923 as 9449.92 and a time stamp
    // in epoch seconds as 1.7e+09; from 1000 s on every integer digit shows,
    // with up to three decimals.
    if (!(std::fabs(time) >= 1000))
        return QString::number(time, 'g', 6);
    QString text = QString::number(time, 'f', 3);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QString LogFileViewer::recordToolTip(const QString &message)
{
    QString text = message.size() > maxToolTipLength ? message.left(maxToolTipLength) + QChar(0x2026) : message;
    return CappedTextDelegate::withVisibleControls(text);
}

QString LogFileViewer::actionText(const RobotAction &action)
{
    int length = action.name().size();
    for (const QString &argument : action.arguments())
        length += 2 + argument.size();
    QString text;
    text.reserve(length);
    text += action.name();
    for (const QString &argument : action.arguments()) {
        text += QLatin1String(", ");
        text += argument;
    }
    return text;
}

// Display names are shared strings, so no cell makes copies of them.
const QString &LogFileViewer::typeName(EntryType type)
{
    static const QString names[] = {QStringLiteral("Debug"), QStringLiteral("Info"),
                                    QStringLiteral("Warning"), QStringLiteral("Error"),
                                    QStringLiteral("Unknown")};
    const int index = static_cast<int>(type);
    return names[index >= Debug && index <= Error ? index : Unknown];
}

const QString &LogFileViewer::activityName(ActionActivity activity)
{
    static const QString names[] = {QStringLiteral("Start"), QStringLiteral("Complete"),
                                    QStringLiteral("Cancel"), QStringLiteral("Unknown")};
    const int index = static_cast<int>(activity);
    return names[index >= Start && index <= Cancel ? index : 3];
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

void LogFileViewer::setFilterThreadCount(int count)
{
    filterThreads = std::max(count, 0);
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

LogFileViewer::LogFileViewer(const QString &path, int fd, QWidget *parent)
    : QTreeWidget(parent)
    , filePath(path)
{
    initialize();
    loading = true;
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("loadProgress"));
    progressBar->setRange(0, 1000);
    progressBar->setFormat(QStringLiteral("Reading %p%"));
    progressTimer = new QTimer(this);
    progressTimer->setInterval(progressInterval);
    connect(progressTimer, &QTimer::timeout, this, &LogFileViewer::showProgress);
    progressTimer->start();
    showProgress();

    // Rows come in while the file is read, before their file and index can
    // be looked at: nothing of them is painted or asked until it is read.
    viewport()->setUpdatesEnabled(false);
    QPointer<LogFileViewer> self(this);
    // The budget depends on the entry count, which is known only once read.
    loadTask = LogLoadTask::start(
        path, fd, -1, handoff,
        [self](std::shared_ptr<RowPiece> piece) {
            if (self)
                self->queueRows(*piece);
        },
        [self](std::shared_ptr<LogFile> loaded, std::shared_ptr<ViewerRows> rows) {
            if (self)
                self->install(std::move(loaded), *rows);
        });
    updateBusy();
}

void LogFileViewer::initialize()
{
    handoff = std::make_shared<Handoff>(this);
    setColumnCount(viewerColumns);
    setHeaderLabels(headerLabels());
    // Every row is one line of text; without this the view asks each row for
    // its height.
    setUniformRowHeights(true);
    setItemDelegate(new CappedTextDelegate(this));
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

void LogFileViewer::showEntry(int row)
{
    QTreeWidgetItem *item = row >= 0 && row < topLevelItemCount() ? topLevelItem(row) : nullptr;
    if (!item)
        return;
    // Only this row is selected, whatever keys are held.
    setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

namespace {

// The entry of the record a row belongs to, without the toolkit's search of
// every top-level row; -1 for none.
int entryOf(const QTreeWidgetItem *item)
{
    while (item && item->parent())
        item = item->parent();
    return item && item->type() == LogRowItem::EntryRow ? static_cast<const LogRowItem *>(item)->entryNumber() : -1;
}

} // namespace

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
    menu->addSeparator();
    QTreeWidgetItem *item = itemFromIndex(index);
    const int row = entryOf(item);
    const LogFileEntry *entry = file && !loading && row >= 0 && row < file->entries().size()
        ? file->entries().at(row).get()
        : nullptr;
    const RobotAction *subAction = item && item->type() == LogRowItem::SubActionRow
        ? static_cast<const LogRowItem *>(item)->subAction()
        : nullptr;
    for (int kind = 0; kind < quickfilter::KindCount; ++kind) {
        QAction *action = menu->addAction(quickfilter::title(quickfilter::Kind(kind)));
        action->setObjectName(QStringLiteral("quickFilter%1").arg(kind));
        const QString clause = entry ? quickfilter::clause(quickfilter::Kind(kind), *entry, subAction) : QString();
        action->setEnabled(!clause.isEmpty());
        connect(action, &QAction::triggered, this, [this, clause] { emit quickFilterChosen(clause); });
    }
    return menu;
}

LogFileViewer::~LogFileViewer()
{
    // The view deletes the rows it holds, not those still to go in.
    qDeleteAll(takeUninsertedRows());
    follower.reset();
    if (findCancelled)
        findCancelled->store(true);
    handoff->close();
    if (loadTask)
        loadTask->cancel();
    if (filterPass)
        filterPass->cancel();
}

void LogFileViewer::showProgress()
{
    if (!progressBar)
        return;
    // The last part is the rows going into the view, a piece at a time.
    const bool showing = loadDone && !pendingRows.isEmpty();
    const int value = showing ? 950 + 50 * pendingInserted / std::max(pendingRows.size(), 1)
                              : (loadTask ? loadTask->progress() : 1000);
    progressBar->setFormat((showing || !loadTask ? QStringLiteral("Showing rows") : loadTask->stage())
                           + QStringLiteral(" %p%"));
    progressBar->setValue(value);
    const QSize size(std::min(400, std::max(width() - 40, 100)), progressBar->sizeHint().height());
    progressBar->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
    progressBar->show();
    emit loadProgressChanged(value / 10);
}

void LogFileViewer::install(std::shared_ptr<LogFile> loaded, ViewerRows &rows)
{
    file = std::move(loaded);
    if (loadTask) {
        subActionBudget = defaultSubActionBudget(file->entries().size());
        source = std::make_unique<const LogLoadTask::Source>(loadTask->source());
    }
    partners = std::move(rows.partners);
    subActionRows = rows.subActionRows;
    widestTimeText = rows.widestTimeText;
    queueRows(*rows.takePiece());
    loadDone = true;
    if (!loading)
        insertPendingRows();
}

void LogFileViewer::queueRows(RowPiece &piece)
{
    hasChildren.insert(hasChildren.end(), piece.hasChildren.begin(), piece.hasChildren.end());
    const size_t rows = hasChildren.size();
    clearedRows.resize(rows, false);
    hiddenRows.resize(rows, false);
    viewHidden.resize(rows, false);
    shownRows += piece.rows.size();
    expectedRows = std::max(expectedRows, piece.expectedRows);
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
        finishLoading();
        return;
    }
    for (int column = 0; column < viewerColumns; ++column)
        resizeColumnToContents(column);
    fitTimeColumn(widestTimeText);
}

void LogFileViewer::finishLoading()
{
    // The rows were laid out as they came; now they can show.
    loading = false;
    viewport()->setUpdatesEnabled(true);
    for (int column = 0; column < viewerColumns; ++column)
        resizeColumnToContents(column);
    fitTimeColumn(widestTimeText);
    loadTask.reset();
    if (progressTimer)
        progressTimer->deleteLater();
    progressTimer = nullptr;
    if (progressBar)
        progressBar->deleteLater();
    progressBar = nullptr;
    emit loadProgressChanged(100);
    if (!currentFilter.isEmpty()) {
        startFilterPass();
    } else {
        restorePosition();
        // A search asked for while the file was read counts now.
        if (finder)
            startFind();
    }
    updateBusy();
    emit loaded();
}

void LogFileViewer::fitTimeColumn(const QString &widest)
{
    // Measured with every digit as wide as the widest one, so that any time
    // of that length fits.
    const QFontMetrics metrics(font());
    int digitWidth = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        digitWidth = std::max(digitWidth, metrics.horizontalAdvance(QLatin1Char(digit)));
    int width = 0;
    for (const QChar c : widest)
        width += c.isDigit() ? digitWidth : metrics.horizontalAdvance(c);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int needed = width + 2 * margin + (rootIsDecorated() ? indentation() : 0);
    if (header()->sectionSize(0) < needed)
        header()->resizeSection(0, needed);
}

int LogFileViewer::findPartner(int row, ActionActivity activity) const
{
    return activity == Start ? partners.nextEndOf(row) : partners.previousStartOf(row);
}

QString LogFileViewer::partnerToolTip(int row) const
{
    if (!file || row < 0 || row >= file->entries().size())
        return QString();
    const int partner = findPartner(row, file->entries().at(row)->activity());
    if (partner < 0)
        return QString();
    const LogFileEntry &other = *file->entries().at(partner);
    // One allocation for the whole text.
    return QStringLiteral("Time ") % timeText(other.time()) % QStringLiteral(", ") % activityName(other.activity());
}

QVariant LogFileViewer::rowData(const LogRowItem &row, int column, int role, bool &handled) const
{
    handled = false;
    // Rows that come in while their file is read show nothing yet.
    if (loading) {
        handled = true;
        return QVariant();
    }
    if (!file || column < 0 || column >= viewerColumns)
        return QVariant();
    if (row.type() == LogRowItem::EntryRow)
        return entryRowData(row.entryNumber(), column, role, handled);
    return subRowData(row, column, role, handled);
}

QVariant LogFileViewer::entryRowData(int number, int column, int role, bool &handled) const
{
    if (number < 0 || number >= file->entries().size())
        return QVariant();
    const LogFileEntry &entry = *file->entries().at(number);
    const RobotAction *action = entry.action().get();
    const QBrush *colour = action ? activityBrush(entry.activity()) : severityBrush(entry.type());
    handled = true;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case 0:
            return timeText(entry.time());
        case 1:
            return typeName(entry.type());
        case 2:
            return entry.subsystem();
        case actionColumn:
            return action ? QString::number(action->id()) : QString();
        case activityColumn:
            return action ? activityName(entry.activity()) : QString();
        default:
            return action ? actionText(*action) : entry.message();
        }
    case Qt::BackgroundRole:
        if (number == partnerRow)
            return brushes().highlight;
        if (size_t(number) < clearedRows.size() && clearedRows[size_t(number)]) {
            // A cleared highlight leaves white, and the row's own colour, set.
            if (column < messageColumn)
                return brushes().cleared;
            const int rgb = rgbValue(colour);
            return QBrush(QColor((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff, 255));
        }
        return column == messageColumn && colour ? QVariant(*colour) : QVariant();
    case Qt::ToolTipRole:
        if (!action)
            return QVariant();
        if (column == activityColumn)
            return partnerToolTip(number);
        // The cell shows the action; the record's own words (a failure
        // reason, say) are one hover away.
        if (column == messageColumn)
            return recordToolTip(entry.message());
        return QVariant();
    case Qt::UserRole:
        if (column == 0)
            return number;
        if (column == messageColumn)
            return rgbValue(colour);
        return QVariant();
    case Qt::ForegroundRole:
        // Rows shown only as context of the rows the filter keeps.
        if (isContextRow(number))
            return QBrush(QColor(150, 150, 150));
        return QVariant();
    default:
        handled = false;
        return QVariant();
    }
}

ActionActivity LogFileViewer::topLevelActivity(const QTreeWidgetItem *row) const
{
    const int number = entryOf(row);
    if (number < 0 || number >= file->entries().size())
        return NoActivity;
    return file->entries().at(number)->activity();
}

QVariant LogFileViewer::subRowData(const LogRowItem &row, int column, int role, bool &handled) const
{
    handled = true;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (row.type() == LogRowItem::OmittedRow)
            return column == messageColumn ? omittedRowsText() : QString();
        if (column == actionColumn)
            return QString::number(row.subAction()->id());
        if (column == messageColumn) {
            // Indented four spaces a level, on top of the tree's own indentation.
            int depth = 0;
            for (const QTreeWidgetItem *up = row.parent(); up; up = up->parent())
                ++depth;
            return QString(4 * depth, QLatin1Char(' ')) + actionText(*row.subAction());
        }
        return QString();
    case Qt::BackgroundRole:
        // Sub-action rows take the colour of the activity of their record.
        if (column == messageColumn) {
            if (const QBrush *colour = activityBrush(topLevelActivity(&row)))
                return *colour;
        }
        return QVariant();
    case Qt::ToolTipRole:
    case Qt::UserRole:
        return QVariant();
    default:
        handled = false;
        return QVariant();
    }
}

void LogFileViewer::onCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous)
{
    Q_UNUSED(previous)
    if (!current || !file || loading)
        return;

    // A sub-action row stands for the entry row it hangs under.
    const int row = entryOf(current);
    int partner = -1;
    if (row >= 0 && row < file->entries().size()) {
        const LogFileEntry &entry = *file->entries().at(row);
        if (entry.hasAction())
            partner = findPartner(row, entry.activity());
    }
    emit currentEntryChanged(row);
    if (partner == partnerRow)
        return;
    if (partnerRow >= 0 && size_t(partnerRow) < clearedRows.size())
        clearedRows[size_t(partnerRow)] = true;
    partnerRow = partner;
    // The cells changed without the model knowing: repaint.
    viewport()->update();
}

void LogFileViewer::doItemsLayout()
{
    if (topLevelItemCount() == 0) {
        QTreeWidget::doItemsLayout();
        return;
    }
    const QModelIndex first = model()->index(0, 0);
    const int rowHeight = first.isValid() ? indexRowSizeHint(first) : 0;
    const LayoutSource source = currentLayoutSource();
    // A style change or a font asks for a layout as well; when the rows are
    // the same, only the metrics are new.
    if (source == laidOut && treeviewlayout::hiddenSetSize(this) == viewHiddenCount
        && (treeviewlayout::layoutSize(this) > 0 || shownRows == 0)) {
        treeviewlayout::refreshMetrics(this, rowHeight);
    } else {
        treeviewlayout::layOut(this, effectiveHiddenRows(), hasChildren, rowHeight);
        laidOut = source;
    }
    QAbstractItemView::doItemsLayout();
    header()->doItemsLayout();
}

LogFileViewer::LayoutSource LogFileViewer::currentLayoutSource() const
{
    return {topLevelItemCount(), treeviewlayout::expandedSetSize(this), filterGeneration};
}

void LogFileViewer::rowsInserted(const QModelIndex &parent, int start, int end)
{
    // Rows added at the end are laid out on their own: laying out a million
    // rows again for every piece that comes in would freeze the window.
    if (!parent.isValid() && end == topLevelItemCount() - 1
        && treeviewlayout::hiddenSetSize(this) == viewHiddenCount) {
        const QModelIndex first = model()->index(0, 0);
        const int expected = std::max({end + 1, rowsComing, expectedRows});
        const bool current = laidOut == LayoutSource{start, treeviewlayout::expandedSetSize(this), filterGeneration}
            || (start == 0 && treeviewlayout::layoutSize(this) == 0);
        if (current && treeviewlayout::appendTopLevelRows(this, start, end, hiddenRows, hasChildren,
                                                          indexRowSizeHint(first), expected)) {
            laidOut = currentLayoutSource();
            QAbstractItemView::rowsInserted(parent, start, end);
            updateGeometries();
            viewport()->update();
            return;
        }
    }
    QTreeWidget::rowsInserted(parent, start, end);
}

std::vector<bool> LogFileViewer::effectiveHiddenRows() const
{
    // The view's hidden set may also hold rows someone else hid; those are
    // looked up, among the rows this viewer shows, only when the set holds
    // more than this viewer put there.
    if (treeviewlayout::hiddenSetSize(this) == viewHiddenCount)
        return hiddenRows;
    std::vector<bool> hidden = hiddenRows;
    const int count = topLevelItemCount();
    hidden.resize(size_t(count), false);
    for (int row = 0; row < count; ++row) {
        const bool ours = size_t(row) < viewHidden.size() && viewHidden[size_t(row)];
        if (!hidden[size_t(row)] && !ours && isRowHidden(row, QModelIndex()))
            hidden[size_t(row)] = true;
    }
    return hidden;
}

bool LogFileViewer::applyFilter(const QString &expression, QString *error)
{
    if (!expression.isEmpty()) {
        mirt::expr::Expr check;
        LogFileExprContext context;
        QString message;
        if (!check.parse(context, expression, message)) {
            if (error)
                *error = message;
            return false;
        }
    }
    currentFilter = expression;
    if (filterPass) {
        filterPass->cancel();
        filterPass.reset();
    }
    if (loading || !file) {
        updateBusy();
        return true;
    }
    startFilterPass();
    return true;
}

void LogFileViewer::startFilterPass()
{
    if (currentFilter.isEmpty()) {
        applyShownRows(std::vector<char>(size_t(file->entries().size()), 1));
        return;
    }
    QPointer<LogFileViewer> self(this);
    filterPass = FilterPass::start(file, currentFilter, filterThreads, handoff,
                                   [self](const std::vector<char> &shown) {
                                       if (self) {
                                           self->filterPass.reset();
                                           self->applyShownRows(shown);
                                       }
                                   });
    updateBusy();
}

void LogFileViewer::applyShownRows(const std::vector<char> &shown)
{
    keptRows = shown;
    // Entries a followed file gained while the pass ran are judged here.
    keepNewEntries(int(keptRows.size()));
    showKeptRows();
}

void LogFileViewer::keepNewEntries(int first)
{
    const int count = file->entries().size();
    if (first >= count)
        return;
    keptRows.resize(size_t(count), 1);
    if (currentFilter.isEmpty())
        return;
    FilterJudge judge(file, currentFilter);
    for (int row = first; row < count; ++row)
        keptRows[size_t(row)] = judge.keeps(row) ? 1 : 0;
}

void LogFileViewer::setContextRows(int rows)
{
    contextRows = std::clamp(rows, 0, 50);
    if (file && !loading && !keptRows.empty() && !filterPass)
        showKeptRows();
}

bool LogFileViewer::isContextRow(int row) const
{
    return contextRows > 0 && row >= 0 && size_t(row) < keptRows.size() && !keptRows[size_t(row)]
        && size_t(row) < hiddenRows.size() && !hiddenRows[size_t(row)];
}

void LogFileViewer::markContextRows(int from, int to)
{
    const int count = int(std::min(keptRows.size(), hiddenRows.size()));
    to = std::min(to, count);
    // A row shows when a kept row lies within `contextRows` of it: the
    // distance to the nearest kept row, from either side, in two passes.
    int sinceKept = INT_MAX / 2;
    for (int row = std::max(0, from - contextRows); row < to; ++row) {
        sinceKept = keptRows[size_t(row)] ? 0 : sinceKept + 1;
        if (row >= from)
            hiddenRows[size_t(row)] = sinceKept > contextRows;
    }
    int untilKept = INT_MAX / 2;
    for (int row = std::min(count, to + contextRows) - 1; row >= from; --row) {
        untilKept = keptRows[size_t(row)] ? 0 : untilKept + 1;
        if (row < to && untilKept <= contextRows)
            hiddenRows[size_t(row)] = false;
    }
}

void LogFileViewer::showKeptRows()
{
    const int count = int(std::min(keptRows.size(), hiddenRows.size()));
    // The row that was current stays current, or gives way to the nearest
    // row that still shows.
    const int current = currentEntry();
    ++filterGeneration;
    markContextRows(0, count);
    // Room in the view's hidden set for all the rows it is to take, made
    // once: growing it a piece at a time would rebuild it again and again.
    shownRows = 0;
    int syncToHide = 0;
    for (int row = 0; row < count; ++row) {
        shownRows += hiddenRows[size_t(row)] ? 0 : 1;
        syncToHide += hiddenRows[size_t(row)] && !viewHidden[size_t(row)] ? 1 : 0;
    }
    // The rows show at the next layout; the view's record of hidden rows
    // follows a piece at a time.
    scheduleDelayedItemsLayout();
    const bool syncing = syncPosition >= 0;
    syncPosition = 0;
    if (syncToHide > 0)
        treeviewlayout::reserveHidden(this, syncToHide);
    if (!syncing)
        QTimer::singleShot(0, this, &LogFileViewer::syncHiddenSet);
    if (current >= 0 && current < count) {
        int nearest = -1;
        for (int distance = 0; nearest < 0 && (current - distance >= 0 || current + distance < count); ++distance) {
            if (current - distance >= 0 && !hiddenRows[size_t(current - distance)])
                nearest = current - distance;
            else if (current + distance < count && !hiddenRows[size_t(current + distance)])
                nearest = current + distance;
        }
        if (nearest >= 0) {
            // Laid out now, so that the row can be centred.
            executeDelayedItemsLayout();
            showEntry(nearest);
        }
    }
    restorePosition();
    viewport()->update();
    // A search looks at the rows shown.
    if (finder)
        startFind();
    updateBusy();
    emit filterApplied(shownRows, count);
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
                if (size_t(row) < hiddenRows.size() && hiddenRows[size_t(row)])
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
        for (int column = 0; column < viewerColumns; ++column) {
            if (column > 0)
                text += QLatin1Char('\t');
            text += row.second->text(column);
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

namespace {

// The records of the entries not hidden, as record lines.
bool writeRecords(QIODevice &device, const LogFile &file, const std::vector<bool> &hidden, QString *error)
{
    static const char *const levels[] = {"Debug", "Info", "Warning", "Error"};
    const auto &entries = file.entries();
    QByteArray chunk;
    for (int row = 0; row < entries.size(); ++row) {
        if (size_t(row) < hidden.size() && hidden[size_t(row)])
            continue;
        const LogFileEntry &entry = *entries.at(row);
        // The shortest digits that read back as the same time, with the
        // point a record line needs.
        QByteArray time = QByteArray::number(entry.time(), 'f', QLocale::FloatingPointShortest);
        if (!time.contains('.'))
            time += ".0";
        chunk += time + " : " + levels[std::clamp(int(entry.type()), 0, 3)] + " : " + entry.subsystem().toUtf8()
            + " : " + entry.message().toUtf8();
        // A reader drops one carriage return before a line feed: a message
        // ending in one keeps it with a second.
        if (entry.message().endsWith(QLatin1Char('\r')))
            chunk += '\r';
        chunk += '\n';
        if (chunk.size() >= (1 << 20)) {
            if (device.write(chunk) != chunk.size()) {
                if (error)
                    *error = device.errorString();
                return false;
            }
            chunk.clear();
        }
    }
    bool written = true;
    if (!chunk.isEmpty())
        written = device.write(chunk) == chunk.size();
    if (!written && error)
        *error = device.errorString();
    return written;
}

} // namespace

bool LogFileViewer::exportShownRows(QIODevice &device, QString *error) const
{
    if (!file || loading) {
        if (error)
            *error = QStringLiteral("the file is still being read");
        return false;
    }
    return writeRecords(device, *file, hiddenRows, error);
}

void LogFileViewer::exportShownRows(const QString &path)
{
    if (!file || loading || exporting) {
        emit exportFinished(false, 0, path,
                            exporting ? QStringLiteral("an export is still being written")
                                      : QStringLiteral("the file is still being read"));
        return;
    }
    exporting = true;
    updateBusy();
    // The rows shown now are what is written, whatever changes meanwhile.
    std::shared_ptr<LogFile> source = file;
    std::vector<bool> hidden = hiddenRows;
    hidden.resize(size_t(source->entries().size()), false);
    const int rows = shownRows;
    std::shared_ptr<Handoff> receiver = handoff;
    QPointer<LogFileViewer> self(this);
    QThreadPool::globalInstance()->start([source, hidden = std::move(hidden), rows, path, receiver, self] {
        QString error;
        bool written;
        {
            const std::shared_lock<std::shared_mutex> reading(source->accessLock());
            QSaveFile out(path);
            written = out.open(QIODevice::WriteOnly) && writeRecords(out, *source, hidden, &error) && out.commit();
            if (!written && error.isEmpty())
                error = out.errorString();
        }
        receiver->post([self, written, rows, path, error] {
            if (!self)
                return;
            self->exporting = false;
            self->updateBusy();
            emit self->exportFinished(written, written ? rows : 0, path, error);
        });
    });
}

void LogFileViewer::find(const QString &text, bool caseSensitive, bool regularExpression)
{
    finder = text.isEmpty() ? nullptr : std::make_shared<const RowMatcher>(text, caseSensitive, regularExpression);
    static_cast<CappedTextDelegate *>(itemDelegate())->setHighlight(finder && finder->isValid() ? finder : nullptr);
    viewport()->update();
    startFind();
}

bool LogFileViewer::isFindValid() const
{
    return !finder || finder->isValid();
}

void LogFileViewer::startFind()
{
    if (findCancelled)
        findCancelled->store(true);
    findCancelled.reset();
    matches.clear();
    if (!finder || !finder->isValid() || !file || loading) {
        emit findCounted(0);
        return;
    }
    // The shown rows are taken as they are now: the threads look at their
    // own copy, in chunks, each keeping the matches of its chunks.
    struct Search
    {
        std::shared_ptr<LogFile> file;
        std::shared_ptr<const RowMatcher> matcher;
        std::vector<bool> hidden;
        std::vector<std::vector<int>> found;
        std::atomic<int> nextChunk{0};
        std::atomic<int> running{0};
        std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    };
    constexpr int chunk = 16384;
    auto search = std::make_shared<Search>();
    search->file = file;
    search->matcher = finder;
    search->hidden = hiddenRows;
    const int count = file->entries().size();
    const int chunks = (count + chunk - 1) / chunk;
    search->found.resize(size_t(chunks));
    findCancelled = search->cancelled;
    const int workers = std::max(1, std::min(FilterPass::defaultThreadCount(), chunks));
    search->running.store(workers);
    std::shared_ptr<Handoff> receiver = handoff;
    QPointer<LogFileViewer> self(this);
    for (int worker = 0; worker < workers; ++worker) {
        QThreadPool::globalInstance()->start([search, count, chunks, receiver, self] {
            std::shared_lock<std::shared_mutex> reading(search->file->accessLock());
            const auto &entries = search->file->entries();
            for (int at = search->nextChunk.fetch_add(1); at < chunks && !search->cancelled->load();
                 at = search->nextChunk.fetch_add(1)) {
                std::vector<int> &found = search->found[size_t(at)];
                for (int row = at * chunk; row < std::min(count, (at + 1) * chunk); ++row) {
                    if (!(size_t(row) < search->hidden.size() && search->hidden[size_t(row)])
                        && search->matcher->matches(*entries.at(row)))
                        found.push_back(row);
                }
            }
            reading.unlock();
            if (search->running.fetch_sub(1) != 1 || search->cancelled->load())
                return;
            receiver->post([search, self] {
                if (!self || search->cancelled->load())
                    return;
                std::vector<int> all;
                for (const auto &found : search->found)
                    all.insert(all.end(), found.begin(), found.end());
                self->matches = std::move(all);
                self->findCancelled.reset();
                // Onto a match, the first from the current row on.
                if (self->findIndex() < 0 && !self->matches.empty())
                    self->findNext(true);
                emit self->findCounted(int(self->matches.size()));
            });
        });
    }
}

int LogFileViewer::findIndex() const
{
    const int current = currentEntry();
    const auto it = std::lower_bound(matches.begin(), matches.end(), current);
    return it != matches.end() && *it == current ? int(it - matches.begin()) : -1;
}

bool LogFileViewer::findNext(bool forward)
{
    if (matches.empty())
        return false;
    const int current = currentEntry();
    int target;
    if (forward) {
        const auto it = std::upper_bound(matches.begin(), matches.end(), current);
        target = it == matches.end() ? matches.front() : *it;
    } else {
        const auto it = std::lower_bound(matches.begin(), matches.end(), current);
        target = it == matches.begin() ? matches.back() : *(it - 1);
    }
    showEntry(target);
    return true;
}

bool LogFileViewer::goToTime(double time)
{
    if (!file || loading)
        return false;
    const auto &entries = file->entries();
    for (int row = 0; row < entries.size(); ++row) {
        if (!hiddenRows[size_t(row)] && entries.at(row)->time() >= time) {
            showEntry(row);
            return true;
        }
    }
    return false;
}

bool LogFileViewer::goToPartner()
{
    if (partnerRow < 0)
        return false;
    showEntry(partnerRow);
    return true;
}

bool LogFileViewer::goToNext(EntryType type, bool forward)
{
    if (!file || loading)
        return false;
    const auto &entries = file->entries();
    const int count = entries.size();
    const int current = currentEntry();
    for (int row = current < 0 ? (forward ? 0 : count - 1) : current + (forward ? 1 : -1); row >= 0 && row < count;
         row += forward ? 1 : -1) {
        if (!hiddenRows[size_t(row)] && entries.at(row)->type() == type) {
            showEntry(row);
            return true;
        }
    }
    return false;
}

void LogFileViewer::syncHiddenSet()
{
    if (syncPosition < 0 || disposing)
        return;
    const int count = int(std::min(hiddenRows.size(), viewHidden.size()));
    std::vector<int> hide;
    std::vector<int> show;
    int row = syncPosition;
    const int scanEnd = int(std::min<qint64>(count, qint64(row) + rowsScannedPerTurn));
    for (; row < scanEnd && int(hide.size() + show.size()) < hiddenChangesPerTurn; ++row) {
        const bool wanted = hiddenRows[size_t(row)];
        if (wanted == viewHidden[size_t(row)])
            continue;
        (wanted ? hide : show).push_back(row);
        viewHidden[size_t(row)] = wanted;
        viewHiddenCount += wanted ? 1 : -1;
    }
    if (!hide.empty())
        treeviewlayout::hideRows(this, hide.data(), int(hide.size()), true);
    if (!show.empty())
        treeviewlayout::hideRows(this, show.data(), int(show.size()), false);
    syncPosition = row;
    if (row < count) {
        QTimer::singleShot(0, this, &LogFileViewer::syncHiddenSet);
        return;
    }
    syncPosition = -1;
    updateBusy();
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
}

void LogFileViewer::updateBusy()
{
    const bool now = !disposing && (loading || filterPass || syncPosition >= 0 || exporting);
    if (now == busy)
        return;
    busy = now;
    if (!busy && expandWhenIdle) {
        expandWhenIdle = false;
        expandAll();
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
    handoff->close();
    setFollowing(false);
    if (loadTask)
        loadTask->cancel();
    if (filterPass)
        filterPass->cancel();
    syncPosition = -1;
    if (topLevelItemCount() + pendingRows.size() < largeViewerRows) {
        deleteLater();
        return;
    }
    continueDisposing();
}

void LogFileViewer::abandon()
{
    handoff->close();
    setFollowing(false);
    if (loadTask)
        loadTask->cancel();
    if (filterPass)
        filterPass->cancel();
#if !defined(__SANITIZE_ADDRESS__)
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
    if (treeviewlayout::dropPersistentRows(this, persistentRowsDroppedPerTurn) > 0) {
        QTimer::singleShot(0, this, &LogFileViewer::continueDisposing);
        return;
    }
    QList<QTreeWidgetItem *> rows = invisibleRootItem()->takeChildren();
    rows += takeUninsertedRows();
    std::shared_ptr<LogFile> released = std::move(file);
    // Freed off this thread: millions of rows and entries take a while.
    QThreadPool::globalInstance()->start([rows, released]() mutable {
        qDeleteAll(rows);
        released.reset();
    });
    deleteLater();
}

void LogFileViewer::setFollowing(bool on)
{
    if (on == following)
        return;
    following = on;
    if (!on) {
        if (followTimer)
            followTimer->stop();
        // Kept, so that following again goes on from where it stopped; the
        // record it held back for continuation lines shows now.
        handOnHeldRecord();
        return;
    }
    if (!followTimer) {
        followTimer = new QTimer(this);
        followTimer->setInterval(followInterval);
        connect(followTimer, &QTimer::timeout, this, &LogFileViewer::followTick);
    }
    followTimer->start();
}

void LogFileViewer::followTick()
{
    // A file read in the background, or a filter at work, is looked at
    // next time.
    if (!following || disposing || !file || busy || !source)
        return;
    // Work on other threads may be reading the file (an analysis, a search);
    // then it does not grow this time either.
    std::unique_lock<std::shared_mutex> changing(file->accessLock(), std::try_to_lock);
    if (!changing.owns_lock())
        return;
    if (!follower)
        follower = std::make_unique<LogFollower>(*file, filePath, source->bytes, source->nextLine, source->device,
                                                 source->inode, source->tail);
    LogFollower::Batch batch;
    QString reason;
    const LogFollower::Poll poll = follower->poll(followBytesPerTurn, batch, reason);
    if (poll == LogFollower::Poll::Reload) {
        changing.unlock();
        // Still following: the viewer that reads the file again goes on.
        followTimer->stop();
        follower.reset();
        emit reloadNeeded(reason);
        return;
    }
    addFollowedEntries(batch, changing);
    if (poll == LogFollower::Poll::More)
        QTimer::singleShot(0, this, &LogFileViewer::followTick);
}

void LogFileViewer::handOnHeldRecord()
{
    if (following || !follower || !file || disposing)
        return;
    std::unique_lock<std::shared_mutex> changing(file->accessLock(), std::defer_lock);
    if (busy || !changing.try_lock()) {
        // A filter pass, a search or an analysis is at work: a little later.
        QTimer::singleShot(100, this, &LogFileViewer::handOnHeldRecord);
        return;
    }
    LogFollower::Batch batch;
    follower->handOnHeld(batch);
    addFollowedEntries(batch, changing);
}

void LogFileViewer::addFollowedEntries(std::vector<std::pair<std::shared_ptr<LogFileEntry>, qint64>> &batch,
                                       std::unique_lock<std::shared_mutex> &changing)
{
    if (batch.empty())
        return;
    const int first = file->entries().size();
    file->appendEntries(batch);
    file->linkActions();
    changing.unlock();
    appendFollowedRows(first);
}

void LogFileViewer::appendFollowedRows(int first)
{
    const int count = file->entries().size();
    if (first >= count)
        return;
    // The rows, and the other ends of the new records' actions, built on
    // from the index of the rows before.
    std::unique_ptr<ViewerRows> builder = ViewerRows::resume(first, subActionRows);
    builder->partners = std::move(partners);
    builder->finish(*file, defaultSubActionBudget(count));
    partners = std::move(builder->partners);
    subActionRows = builder->subActionRows;
    std::shared_ptr<RowPiece> piece = builder->takePiece();

    QScrollBar *scroll = verticalScrollBar();
    const bool atEnd = scroll->value() >= scroll->maximum();
    hasChildren.insert(hasChildren.end(), piece->hasChildren.begin(), piece->hasChildren.end());
    hasChildren.resize(size_t(count), false);
    clearedRows.resize(size_t(count), false);
    hiddenRows.resize(size_t(count), false);
    viewHidden.resize(size_t(count), false);

    // The filter judges the new entries; rows before them may now show as
    // their context.
    // New rows can only show earlier ones, as their context.
    std::vector<int> changed;
    if (!keptRows.empty()) {
        keepNewEntries(first);
        const int from = std::max(0, first - contextRows);
        markContextRows(from, count);
        for (int row = from; row < first; ++row) {
            if (!hiddenRows[size_t(row)] && viewHidden[size_t(row)])
                changed.push_back(row);
        }
    }
    if (!changed.empty()) {
        treeviewlayout::hideRows(this, changed.data(), int(changed.size()), false);
        for (const int row : changed)
            viewHidden[size_t(row)] = false;
        viewHiddenCount -= int(changed.size());
        shownRows += int(changed.size());
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
        if (hiddenRows[size_t(row)])
            hide.push_back(row);
        else
            ++shownRows;
    }
    if (!hide.empty()) {
        treeviewlayout::hideRows(this, hide.data(), int(hide.size()), true);
        for (const int row : hide)
            viewHidden[size_t(row)] = true;
        viewHiddenCount += int(hide.size());
    }
    fitTimeColumn(builder->widestTimeText);
    if (atEnd)
        scrollToBottom();

    // A start whose end just came gets its partner highlighted.
    if (QTreeWidgetItem *current = currentItem())
        onCurrentItemChanged(current, nullptr);

    if (finder) {
        if (findCancelled) {
            startFind();
        } else if (finder->isValid()) {
            // Rows that show now as context of the new ones, then those.
            for (const int row : changed) {
                if (!hiddenRows[size_t(row)] && finder->matches(*file->entries().at(row)))
                    matches.insert(std::lower_bound(matches.begin(), matches.end(), row), row);
            }
            for (int row = first; row < count; ++row) {
                if (!hiddenRows[size_t(row)] && finder->matches(*file->entries().at(row)))
                    matches.push_back(row);
            }
            emit findCounted(int(matches.size()));
        }
    }
    viewport()->update();
    emit rowsAppended(count - first, shownRows, count);
}

LogFileViewer::ViewState LogFileViewer::viewState() const
{
    ViewState state;
    state.filter = currentFilter;
    state.contextRows = contextRows;
    state.following = following;
    state.currentEntry = currentEntry();
    state.topEntry = entryOf(itemAt(QPoint(0, 0)));
    const QScrollBar *scroll = verticalScrollBar();
    state.atEnd = scroll->maximum() > 0 && scroll->value() >= scroll->maximum();
    return state;
}

void LogFileViewer::restoreViewState(const ViewState &state)
{
    contextRows = std::clamp(state.contextRows, 0, 50);
    applyFilter(state.filter);
    setFollowing(state.following);
    pendingRestore = std::make_unique<ViewState>(state);
    if (file && !loading && !filterPass)
        restorePosition();
}

void LogFileViewer::restorePosition()
{
    if (!pendingRestore)
        return;
    const std::unique_ptr<ViewState> state = std::move(pendingRestore);
    const int count = topLevelItemCount();
    const auto shown = [&](int row) { return row >= 0 && row < count && !hiddenRows[size_t(row)]; };
    executeDelayedItemsLayout();
    if (shown(state->currentEntry))
        setCurrentItem(topLevelItem(state->currentEntry));
    if (state->atEnd)
        scrollToBottom();
    else if (shown(state->topEntry))
        scrollToItem(topLevelItem(state->topEntry), QAbstractItemView::PositionAtTop);
}
