// The bookmarks of a LogFileViewer: marking records and giving them notes,
// moving from one to the next, the marker in the first shown column, and
// what filters, reloads and following make of them.

#include "logfileviewer.h"

#include "highlightrules.h"

#include "compiledfilter.h"
#include "highlightrules.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logrowitem.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

// A small flag on a pole.
const QPixmap &bookmarkMarker()
{
    static const QPixmap marker = [] {
        QPixmap pixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.2));
        painter.drawLine(QPointF(2.5, 1), QPointF(2.5, 11.5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x1e, 0x6f, 0xd9));
        const QPointF flag[] = {QPointF(3, 1), QPointF(11, 4), QPointF(3, 7.5)};
        painter.drawPolygon(flag, 3);
        return pixmap;
    }();
    return marker;
}

int entryOfItem(const QTreeWidgetItem *item)
{
    while (item && item->parent())
        item = item->parent();
    return item && item->type() == LogRowItem::EntryRow ? static_cast<const LogRowItem *>(item)->entryNumber() : -1;
}

// Whether what a filter keeps can change with the bookmarks: it names them.
bool asksBookmarks(const std::shared_ptr<const CompiledFilter> &filter)
{
    return filter && !filter->isEmpty() && filter->text().contains(QLatin1String("bookmarked"), Qt::CaseInsensitive);
}

bool rulesAskBookmarks(const std::shared_ptr<const HighlightRuleSet> &rules)
{
    if (!rules)
        return false;
    for (int rule = 0; rule < int(rules->rules().size()); ++rule)
        if (asksBookmarks(rules->compiled(rule)))
            return true;
    return false;
}

} // namespace

std::vector<Bookmark> LogFileViewer::bookmarks() const
{
    if (waitingBookmarks)
        return waitingBookmarks->bookmarks;
    return marked.list();
}

void LogFileViewer::setBookmarks(std::vector<Bookmark> marks)
{
    if (marks.size() > size_t(BookmarkSet::maxCount))
        marks.resize(size_t(BookmarkSet::maxCount));
    if (!file || loading) {
        auto waiting = std::make_shared<BookmarkCarry>();
        waiting->bookmarks = std::move(marks);
        waitingBookmarks = std::move(waiting);
        return;
    }
    waitingBookmarks.reset();
    marked.place(*file, marks);
    bookmarksEdited(true);
}

void LogFileViewer::placeBookmarks()
{
    viewport()->update();
    if (!waitingBookmarks || !file)
        return;
    const std::shared_ptr<const BookmarkCarry> carried = std::move(waitingBookmarks);
    const std::vector<int> anew = marked.placeCarried(*file, *carried);
    emit bookmarksChanged();
    if (anew.empty())
        return;
    QStringList names;
    for (const int source : anew) {
        const bool ofSource = mergedView && size_t(source) < file->sources().size();
        const QString path = ofSource ? file->sources()[size_t(source)].path : filePath;
        names << QFileInfo(path).fileName();
    }
    emit bookmarksDropped(names.join(QStringLiteral(", ")));
}

void LogFileViewer::bookmarksEdited(bool refilter)
{
    viewport()->update();
    emit bookmarksChanged();
    // `bookmarked` asks the marks of the pass: the filter applies again,
    // and so do the highlight rules that ask it.
    if (refilter && file && !loading && asksBookmarks(filter))
        applyFilter(filter);
    if (file && !loading && rulesAskBookmarks(presenter.ruleSet()))
        startHighlightPass();
}

void LogFileViewer::noteReloadReason(ReloadReason reason)
{
    if (reason != ReloadReason::Continued)
        writtenAnew = true;
}

bool LogFileViewer::toggleBookmark(bool *nowMarked)
{
    const int entry = currentEntry();
    if (!file || loading || entry < 0 || entry >= file->entries().size() || file->lineOf(entry) <= 0)
        return false;
    const bool on = marked.toggle(entry, file->entries().at(entry)->source(), file->lineOf(entry));
    if (nowMarked)
        *nowMarked = on;
    bookmarksEdited(true);
    return true;
}

bool LogFileViewer::editBookmarkNote()
{
    const int entry = currentEntry();
    if (!file || loading || entry < 0 || entry >= file->entries().size() || file->lineOf(entry) <= 0)
        return false;
    const int source = file->entries().at(entry)->source();
    const qint64 line = file->lineOf(entry);
    auto *dialog = new QInputDialog(this);
    dialog->setObjectName(QStringLiteral("bookmarkNoteDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Bookmark Note"));
    dialog->setLabelText(tr("Note for line %1:").arg(line));
    const QString *note = marked.noteOfEntry(entry);
    dialog->setTextValue(note ? *note : QString());
    connect(dialog, &QInputDialog::textValueSelected, this, [this, entry, source, line](const QString &text) {
        const bool made = !marked.contains(source, line);
        marked.setNote(entry, source, line, text);
        bookmarksEdited(made);
    });
    dialog->open();
    return true;
}

bool LogFileViewer::setBookmarkNote(int source, qint64 line, const QString &note)
{
    if (!marked.changeNote(source, line, note))
        return false;
    bookmarksEdited(false);
    return true;
}

bool LogFileViewer::removeBookmark(int source, qint64 line)
{
    if (!marked.remove(source, line))
        return false;
    bookmarksEdited(true);
    return true;
}

bool LogFileViewer::goToBookmark(bool forward)
{
    if (!file || loading || marked.isEmpty())
        return false;
    const std::vector<int> &entries = marked.entries();
    const int count = int(entries.size());
    const int current = currentEntry();
    // From the first bookmark past the current row, round the ends; the
    // current row's own bookmark comes last.
    const int start = forward ? int(std::upper_bound(entries.begin(), entries.end(), current) - entries.begin())
                              : int(std::lower_bound(entries.begin(), entries.end(), current) - entries.begin()) - 1;
    for (int step = 0; step < count; ++step) {
        const int index = ((forward ? start + step : start - step) % count + count) % count;
        const int entry = entries[size_t(index)];
        if (entry < topLevelItemCount() && visibility.isShown(entry)) {
            showEntry(entry);
            return true;
        }
    }
    return false;
}

bool LogFileViewer::showBookmark(int source, qint64 line)
{
    const int entry = marked.entryOf(source, line);
    if (!file || loading || entry < 0 || entry >= topLevelItemCount() || !visibility.isShown(entry))
        return false;
    showEntry(entry);
    return true;
}

QVariant LogFileViewer::markedData(const LogRowItem &row, int column, int role, bool &handled) const
{
    if ((role == Qt::DecorationRole || role == Qt::ToolTipRole) && !marked.isEmpty()
        && row.type() == LogRowItem::EntryRow && column == header()->logicalIndex(0)) {
        if (const QString *note = marked.noteOfEntry(row.entryNumber())) {
            if (role == Qt::DecorationRole) {
                handled = true;
                return bookmarkMarker();
            }
            if (!note->isEmpty()) {
                handled = true;
                return *note;
            }
        }
    }
    return QVariant();
}

void LogFileViewer::addBookmarkEntries(QMenu *menu, const QModelIndex &index)
{
    menu->addSeparator();
    const int entry = entryOfItem(itemFromIndex(index));
    const bool usable = file && !loading && !veiled && entry >= 0 && entry < file->entries().size();
    const bool has = usable && marked.noteOfEntry(entry) != nullptr;
    // The row clicked becomes the current one, which the bookmark commands act on.
    const auto onRow = [this, entry](auto command) {
        return [this, entry, command] {
            if (currentEntry() != entry && entry >= 0 && entry < topLevelItemCount())
                setCurrentItem(topLevelItem(entry));
            command();
        };
    };
    QAction *toggle = menu->addAction(has ? tr("Remove Bookmark") : tr("Add Bookmark"));
    toggle->setObjectName(QStringLiteral("menuToggleBookmark"));
    toggle->setEnabled(usable);
    connect(toggle, &QAction::triggered, this, onRow([this] { toggleBookmark(); }));
    QAction *note = menu->addAction(tr("Edit Bookmark Note..."));
    note->setObjectName(QStringLiteral("menuEditBookmarkNote"));
    note->setEnabled(usable);
    connect(note, &QAction::triggered, this, onRow([this] { editBookmarkNote(); }));
    menu->addSeparator();
}
