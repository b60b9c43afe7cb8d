// The LogFileViewer of several files merged by time: how it reads them, its
// Source column, the row menu's entries about a record's source, and
// following by watching the files.

#include "logfileviewer.h"

#include "logfile.h"
#include "logfileentry.h"
#include "logrowitem.h"
#include "quickfilter.h"
#include "sourcewatch.h"
#include "viewerrows.h"
#include "viewhiddenset.h"

#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace {

// Colours told apart at a glance, one per source in turn.
constexpr QRgb sourceColours[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0x9467bd, 0x8c564b, 0x17becf, 0xe377c2, 0xbcbd22};

QPixmap markerOf(int source)
{
    static QHash<int, QPixmap> markers;
    const int index = source % int(std::size(sourceColours));
    auto found = markers.find(index);
    if (found == markers.end()) {
        QPixmap marker(10, 10);
        marker.fill(Qt::transparent);
        QPainter painter(&marker);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(sourceColours[index]));
        painter.drawRoundedRect(QRectF(0.5, 0.5, 9, 9), 2, 2);
        painter.end();
        found = markers.insert(index, marker);
    }
    return *found;
}

// The clause of a quick filter about a source; none for a name the filter
// language cannot quote (it knows no escapes).
QString sourceClause(const QString &name, bool only)
{
    const QString lowered = name.toLower();
    if (lowered.contains(QLatin1Char('"')))
        return QString();
    return QStringLiteral("source %1 \"%2\"").arg(only ? QStringLiteral("==") : QStringLiteral("!="), lowered);
}

} // namespace

QColor LogFileViewer::sourceColour(int source)
{
    return QColor(sourceColours[std::max(source, 0) % int(std::size(sourceColours))]);
}

LogFileViewer::LogFileViewer(std::vector<MergedLoad::Member> members, QWidget *parent)
    : QTreeWidget(parent)
    , filePath(members.empty() ? QString() : members.front().path)
    , mergedView(true)
{
    initialize();
    setUpSourceColumn();
    startProgress();
    QPointer<LogFileViewer> self(this);
    load = RowLoad::startMerged(std::move(members), *work,
                                [self](std::shared_ptr<LogFile> loaded, std::shared_ptr<ViewerRows> rows) {
                                    if (self)
                                        self->install(std::move(loaded), *rows);
                                });
    showProgress();
    updateBusy();
}

void LogFileViewer::setUpSourceColumn()
{
    setColumnCount(EntryPresentation::ColumnCount + 1);
    QStringList labels = EntryPresentation::headerLabels();
    labels << QStringLiteral("Source");
    setHeaderLabels(labels);
    // First after Time; the other columns keep their numbers.
    header()->moveSection(sourceColumn, EntryPresentation::TimeColumn + 1);
}

QVariant LogFileViewer::sourceData(const LogRowItem &row, int role, bool &handled) const
{
    handled = true;
    if (!mergedView || !file || row.type() != LogRowItem::EntryRow)
        return QVariant();
    const int number = row.entryNumber();
    if (number < 0 || number >= file->entries().size())
        return QVariant();
    const int source = file->entries().at(number)->source();
    switch (role) {
    case Qt::DisplayRole:
        return size_t(source) < file->sources().size() ? file->sources()[size_t(source)].name : QString();
    case Qt::DecorationRole:
        return markerOf(source);
    case Qt::ToolTipRole:
        return size_t(source) < file->sources().size() ? file->sources()[size_t(source)].path : QString();
    default:
        // Coloured as the rest of the row.
        return presenter.data(records(), visibility, row, EntryPresentation::TimeColumn, role, handled);
    }
}

QString LogFileViewer::quickClause(int kind, const LogFileEntry &entry, const RobotAction *subAction) const
{
    const QString clause = quickfilter::clause(quickfilter::Kind(kind), entry, subAction);
    if (!mergedView || kind != quickfilter::OnlyAction || clause.isEmpty() || !file
        || size_t(entry.source()) >= file->sources().size())
        return clause;
    const QString source = sourceClause(file->sources()[size_t(entry.source())].name, true);
    return source.isEmpty() ? clause : clause + QStringLiteral(" && ") + source;
}

void LogFileViewer::addSourceEntries(QMenu *menu, const LogFileEntry *entry)
{
    menu->addSeparator();
    const QString name = entry && file && size_t(entry->source()) < file->sources().size()
        ? file->sources()[size_t(entry->source())].name
        : QString();
    const auto add = [&](const QString &title, const QString &objectName, bool only) {
        QAction *action = menu->addAction(title);
        action->setObjectName(objectName);
        const QString clause = name.isEmpty() ? QString() : sourceClause(name, only);
        action->setEnabled(!clause.isEmpty());
        connect(action, &QAction::triggered, this, [this, clause] { emit quickFilterChosen(clause); });
    };
    add(QStringLiteral("Only this source"), QStringLiteral("quickFilterOnlySource"), true);
    add(QStringLiteral("Hide this source"), QStringLiteral("quickFilterHideSource"), false);
    QAction *shift = menu->addAction(QStringLiteral("Shift Time of This Source..."));
    shift->setObjectName(QStringLiteral("shiftSourceTime"));
    shift->setEnabled(entry != nullptr);
    const int source = entry ? entry->source() : -1;
    connect(shift, &QAction::triggered, this, [this, source] { emit shiftSourceRequested(source); });
}

void LogFileViewer::setWatching(bool on)
{
    if (!mergedView || !file)
        return;
    if (!watch) {
        QStringList paths;
        for (const LogFile::Source &source : file->sources())
            paths << source.path;
        watch = new SourceWatch(paths, this);
        connect(watch, &SourceWatch::changed, this, &LogFileViewer::noteReloadReason);
        connect(watch, &SourceWatch::changed, this, &LogFileViewer::reloadNeeded);
    }
    watch->setActive(on);
}
