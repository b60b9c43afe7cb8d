// The LogFileViewer's line numbers and clock time: the Line column, the
// time origin and its Clock column, Go to Line, and the rows shown exported
// as their cells.

#include "logfileviewer.h"

#include "cellexport.h"
#include "clocktime.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logrowitem.h"
#include "rowmatcher.h"

#include <QHeaderView>
#include <QPointer>
#include <QStyle>

#include <algorithm>

namespace {

// A text as wide as the widest line number of a file of `lines` lines.
QString widestLineText(qint64 lines)
{
    return QString(int(QString::number(std::max<qint64>(lines, 99999)).size()), QLatin1Char('0'));
}

} // namespace

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
    // Line and Clock too: fitting to the rows in view would cut the numbers
    // further down.
    fitExtraColumns();
}

void LogFileViewer::fitExtraColumns()
{
    const QFontMetrics metrics(font());
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const auto fit = [&](int column, const QString &widest) {
        if (column < 0 || header()->isSectionHidden(column))
            return;
        // The tree's branches take room in the first column.
        const int needed = metrics.horizontalAdvance(widest) + 4 * margin
            + (rootIsDecorated() && header()->visualIndex(column) == 0 ? indentation() : 0);
        header()->resizeSection(column, std::max(needed, header()->sectionSize(column)));
    };
    const qint64 lines = source ? source->nextFileLine : lineOfEntry(records().size() - 1);
    fit(columns.lineColumn, widestLineText(lines));
    fit(columns.clockColumn, QStringLiteral("0000-00-00 00:00:00.000"));
}

int LogFileViewer::addColumn(const QString &label, int visualIndex)
{
    const int logical = columnCount();
    setColumnCount(logical + 1);
    headerItem()->setText(logical, label);
    header()->moveSection(header()->visualIndex(logical), visualIndex);
    return logical;
}

void LogFileViewer::setLineNumbersShown(bool on)
{
    if (on == columns.lineNumbers)
        return;
    columns.lineNumbers = on;
    if (on && columns.lineColumn < 0)
        columns.lineColumn = addColumn(QStringLiteral("Line"), 0);
    updateLineColumn();
    refreshFind();
}

void LogFileViewer::updateLineColumn()
{
    if (columns.lineColumn < 0)
        return;
    const bool shown = columns.lineNumbers && !columns.lineHiddenByUser;
    header()->setSectionHidden(columns.lineColumn, !shown);
    fitExtraColumns();
}

void LogFileViewer::setTimeOrigin(const QDateTime &origin)
{
    const std::optional<qint64> msecs = clocktime::originMsecs(origin);
    columns.origin = msecs ? clocktime::fromMsecs(*msecs) : QDateTime();
    columns.originMsecs = msecs.value_or(0);
    if (msecs && columns.clockColumn < 0)
        columns.clockColumn = addColumn(QStringLiteral("Clock"), header()->visualIndex(EntryPresentation::TimeColumn) + 1);
    if (columns.clockColumn >= 0)
        header()->setSectionHidden(columns.clockColumn, !msecs);
    fitExtraColumns();
    viewport()->update();
    refreshFind();
}

qint64 LogFileViewer::lineOfEntry(int number) const
{
    if (file)
        return file->lineOf(number);
    return number >= 0 && size_t(number) < columns.readLines.size() ? qint64(columns.readLines[size_t(number)]) : 0;
}

QVariant LogFileViewer::lineData(const LogRowItem &row, int role, bool &handled) const
{
    handled = true;
    const int number = row.entryNumber();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        // Sub-action rows show nothing here.
        const qint64 line = row.type() == LogRowItem::EntryRow ? lineOfEntry(number) : 0;
        return line > 0 ? QString::number(line) : QString();
    }
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        return QVariant();
    default:
        // Coloured as the rest of the row.
        return presenter.data(records(), visibility, row, EntryPresentation::TimeColumn, role, handled);
    }
}

QVariant LogFileViewer::clockData(const LogRowItem &row, int role, bool &handled) const
{
    handled = true;
    const int number = row.entryNumber();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const RowRecords shown = records();
        if (!columns.origin.isValid() || number < 0 || number >= shown.size())
            return QString();
        return clocktime::clockText(columns.originMsecs, shown.at(number).time());
    }
    case Qt::ToolTipRole:
        return QVariant();
    default:
        return presenter.data(records(), visibility, row, EntryPresentation::TimeColumn, role, handled);
    }
}

void LogFileViewer::addExtraCells(RowMatcher &matcher) const
{
    matcher.setLineCells(columns.lineColumn >= 0 && !header()->isSectionHidden(columns.lineColumn));
    matcher.setClockCells(columns.origin.isValid(), columns.originMsecs);
}

void LogFileViewer::refreshFind()
{
    // The cells searched changed: the same search, anew.
    const std::shared_ptr<const RowMatcher> current = search.matcher();
    if (current)
        find(current->text(), current->isCaseSensitive(), current->isRegularExpression());
}

LogFileViewer::LineTarget LogFileViewer::goToLine(qint64 line, int fileSource)
{
    LineTarget target;
    if (!file || loading || line < 1)
        return target;
    const auto &entries = file->entries();
    const int count = std::min(entries.size(), visibility.rowCount());
    // The last record of the file that starts on the line or before it (a
    // continuation line is its record's); before the first record, the
    // first. A file's own records keep their order, so their lines grow.
    int found = -1;
    int first = -1;
    if (!mergedView || fileSource < 0) {
        int low = 0;
        int high = count;
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (file->lineOf(middle) <= line)
                low = middle + 1;
            else
                high = middle;
        }
        found = low - 1;
        first = count > 0 ? 0 : -1;
    } else {
        for (int number = 0; number < count; ++number) {
            if (entries.at(number)->source() != fileSource)
                continue;
            if (first < 0)
                first = number;
            if (file->lineOf(number) > line)
                break;
            found = number;
        }
    }
    if (found < 0)
        found = first;
    if (found < 0)
        return target;
    target.pastEnd = !mergedView && source && line >= source->nextFileLine && line > file->lineOf(found);
    // Hidden by the filter: the nearest shown row after it, else before it.
    target.hidden = !visibility.isShown(found);
    int shown = found;
    while (shown < count && !visibility.isShown(shown))
        ++shown;
    if (shown >= count)
        for (shown = found; shown >= 0 && !visibility.isShown(shown); --shown) {
        }
    if (shown < 0)
        return target;
    target.entry = shown;
    showEntry(shown);
    return target;
}

void LogFileViewer::exportShownCells(const QString &path)
{
    if (!file || loading) {
        emit exportFinished(false, 0, path, QStringLiteral("the file is still being read"));
        return;
    }
    CellExport::Columns cells;
    cells.originMsecs = columns.originMsecs;
    for (int visual = 0; visual < columnCount(); ++visual) {
        const int logical = header()->logicalIndex(visual);
        if (header()->isSectionHidden(logical))
            continue;
        const int cell = logical == columns.lineColumn ? int(CellExport::LineCell)
            : logical == columns.clockColumn           ? int(CellExport::ClockCell)
            : logical == sourceColumn && mergedView    ? int(CellExport::SourceCell)
                                                       : logical;
        if (cell >= EntryPresentation::ColumnCount)
            continue;
        cells.cells.push_back(cell);
        cells.labels << headerItem()->text(logical);
    }
    exporting = true;
    updateBusy();
    RecordExport::Done done = exportDone();
    CellExport::start(file, visibility.hiddenRows(), visibility.shownCount(), std::move(cells), path, *work,
                      std::move(done));
}
