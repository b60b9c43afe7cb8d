// The LogFileViewer's Copy Original Lines: the selected records' exact text
// read back from their files, in the order the rows show.

#include "logfileviewer.h"

#include "logfile.h"
#include "originallines.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>

namespace {

// Up to this much is read on the GUI thread, from plain files only: a few
// screens of records come at once, and anything more waits on a worker.
constexpr qint64 maxBytesHere = 256 * 1024;
constexpr size_t maxRecordsHere = 2000;

bool readsQuickly(const OriginalLines::Request &request)
{
    if (request.bytes > maxBytesHere || request.places.size() > maxRecordsHere)
        return false;
    for (const OriginalLines::SourceFile &source : request.sources) {
        if (source.compression != LogCompression::None)
            return false;
    }
    return true;
}

} // namespace

QKeySequence LogFileViewer::originalLinesKey()
{
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
}

void LogFileViewer::addOriginalLinesEntry(QMenu *menu)
{
    auto *action = new QAction(tr("Copy Original Lines"), menu);
    action->setObjectName(QStringLiteral("copyOriginalLines"));
    // Shown in the menu; the key itself is the tree's (keyPressEvent).
    action->setShortcut(originalLinesKey());
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, &LogFileViewer::copyOriginalLines);
    // After the other copies, before Export.
    QAction *before = menu->findChild<QAction *>(QStringLiteral("menuExport"));
    menu->insertAction(before, action);
    menu->addSeparator();
}

std::vector<int> LogFileViewer::selectedEntries() const
{
    std::vector<int> entries;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        if (range.left() > 0)
            continue; // the same rows again, in other columns
        const QModelIndex parent = range.parent();
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!parent.isValid()) {
                if (!visibility.isHidden(row))
                    entries.push_back(row);
                continue;
            }
            // A sub-action row stands for its record, the row at the top.
            const QTreeWidgetItem *item = itemFromIndex(model()->index(row, 0, parent));
            if (!item || item->isHidden())
                continue;
            QModelIndex top = parent;
            while (top.parent().isValid())
                top = top.parent();
            entries.push_back(top.row());
        }
    }
    return entries;
}

void LogFileViewer::copyOriginalLines()
{
    if (!file || loading) {
        emit originalLinesCopied(0, QStringLiteral("the file is still being read"));
        return;
    }
    const std::vector<int> entries = selectedEntries();
    if (entries.empty())
        return;
    // A copy still being read gives way to this one.
    originalLinesCopy.cancel();
    if (copyingOriginal) {
        copyingOriginal = false;
        updateBusy();
    }
    // Taken now, on the thread that appends to the file: the places hold
    // whatever Follow adds meanwhile.
    OriginalLines::Request request = OriginalLines::request(*file, entries);
    const auto deliver = [this](const OriginalLines::Result &result) {
        if (result.error.isEmpty())
            QGuiApplication::clipboard()->setText(result.text);
        emit originalLinesCopied(result.records, result.error);
    };
    if (readsQuickly(request)) {
        deliver(OriginalLines::readText(request));
        return;
    }
    copyingOriginal = true;
    updateBusy();
    QPointer<LogFileViewer> self(this);
    originalLinesCopy = work->run(
        [request = std::move(request)](const CancelToken &token) {
            return OriginalLines::readText(request, token.flag());
        },
        [self, deliver](const OriginalLines::Result &result) {
            if (!self)
                return;
            self->copyingOriginal = false;
            self->updateBusy();
            deliver(result);
        });
}
