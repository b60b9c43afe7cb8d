#include "actiontimeline.h"

#include "entrypresentation.h"
#include "robotaction.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int scrollBarWidth = 14;
// Packings kept for stretches shown lately: going back and forth between a
// few zooms, or a selection and back, packs nothing again.
constexpr size_t keptPackings = 4;

// The times the view reaches, and the widest span it shows: far enough
// from the largest double that spans, positions and the times under the
// pointer stay finite, whatever the times of a file.
constexpr double timeLimit = std::numeric_limits<double>::max() / 8;

double bounded(double time)
{
    return std::clamp(timelineTime(time), -timeLimit, timeLimit);
}

// The narrowest span shown around `time`: a microsecond, or wider where
// times are so large that doubles no longer tell a pixel from the next.
double minimumSpanAt(double time)
{
    return std::max(1e-6, std::fabs(time) * 1e-11);
}

} // namespace

ActionTimeline::ActionTimeline(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("actionTimeline"));
    setMouseTracking(true);
    setMinimumHeight(lanesTop() + 4 * laneHeight + summaryHeight + legendHeight);
    laneLayout = std::make_shared<const TimelineLanes>();
    scrollBar = new QScrollBar(Qt::Vertical, this);
    scrollBar->setObjectName(QStringLiteral("timelineLanes"));
    connect(scrollBar, &QScrollBar::valueChanged, this, [this] { update(); });
    legend = createLegend(this);
}

void ActionTimeline::setAnalysis(std::shared_ptr<const ActionAnalysis> result, std::shared_ptr<const TimelineLanes> lanes)
{
    analysis = std::move(result);
    laneLayout = lanes && analysis && lanes->index.runCount() == int(analysis->occurrences.size())
        ? std::move(lanes)
        : std::make_shared<const TimelineLanes>(TimelineLanes::layOut(analysis ? analysis->occurrences
                                                                                 : std::vector<ActionOccurrence>()));
    hiddenRows.clear();
    if (!analysis || selectedRun >= int(analysis->occurrences.size()))
        selectedRun = -1;
    neverEndedCount = 0;
    if (analysis) {
        for (const ActionOccurrence &run : analysis->occurrences)
            neverEndedCount += run.outcome == ActionOccurrence::NeverEnded;
    }
    updateNeverEnded();
    invalidatePackings();
    fitAll();
    resizeEvent(nullptr);
}

void ActionTimeline::setSourceColours(SourceColour colour)
{
    sourceColour = colour;
    update();
}

bool ActionTimeline::labelled() const
{
    return analysis && !analysis->sourceNames.empty();
}

QString ActionTimeline::sourceName(int source) const
{
    if (analysis && source >= 0 && size_t(source) < analysis->sourceNames.size())
        return analysis->sourceNames[size_t(source)];
    return tr("File %1").arg(source + 1);
}

void ActionTimeline::setHiddenRows(std::vector<bool> hidden)
{
    hiddenRows = std::move(hidden);
    update();
}

void ActionTimeline::setShownRuns(std::vector<bool> shown)
{
    shownRuns = std::move(shown);
    updateNeverEnded();
    invalidatePackings();
}

bool ActionTimeline::isShown(int run) const
{
    return !analysis || shownRuns.size() != analysis->occurrences.size() || shownRuns[size_t(run)];
}

void ActionTimeline::updateNeverEnded()
{
    neverEndedStarts.clear();
    if (!analysis)
        return;
    const auto &runs = analysis->occurrences;
    for (size_t run = 0; run < runs.size(); ++run) {
        if (runs[run].outcome == ActionOccurrence::NeverEnded && isShown(int(run)))
            neverEndedStarts.push_back(timelineTime(runs[run].startTime));
    }
    std::sort(neverEndedStarts.begin(), neverEndedStarts.end());
}

int ActionTimeline::neverEndedAt(double time) const
{
    // They all run to the end of the file.
    if (!analysis || time > analysis->lastTime)
        return 0;
    return int(std::upper_bound(neverEndedStarts.begin(), neverEndedStarts.end(), time) - neverEndedStarts.begin());
}

void ActionTimeline::setFolded(bool fold)
{
    if (fold == folded)
        return;
    folded = fold;
    invalidatePackings();
}

void ActionTimeline::invalidatePackings()
{
    ++generation;
    packings.clear();
    scrolledPacking = nullptr;
    update();
}

std::shared_ptr<const TimelinePacking> ActionTimeline::packing() const
{
    // The runs overlapping a stretch are those overlapping the part of it
    // that any run reaches: views of all of the file share one packing.
    const TimelineRunIndex &index = laneLayout->index;
    const double start = std::max(from, index.earliest());
    const double end = std::min(to, index.latest());
    const auto same = [&](const CachedPacking &kept) {
        return kept.generation == generation && ((kept.from == start && kept.to == end) || (kept.from > kept.to && start > end));
    };
    auto kept = std::find_if(packings.begin(), packings.end(), same);
    if (kept != packings.end()) {
        std::rotate(kept, kept + 1, packings.end());
    } else {
        auto lanes = std::make_shared<const TimelinePacking>(
            analysis ? TimelinePacking::pack(analysis->occurrences, index.overlapping(start, end, !folded, shownRuns))
                     : TimelinePacking());
        if (packings.size() >= keptPackings)
            packings.erase(packings.begin());
        packings.push_back({start, end, generation, std::move(lanes)});
    }
    const auto &current = packings.back().lanes;
    if (scrolledPacking != current.get()) {
        scrolledPacking = current.get();
        updateScrollBar();
    }
    return current;
}

int ActionTimeline::laneCount() const
{
    return packing()->laneCount();
}

void ActionTimeline::fitAll()
{
    if (!hasRecords()) {
        from = 0;
        to = 1;
    } else {
        const double first = bounded(analysis->firstTime);
        const double last = bounded(analysis->lastTime);
        const double span = std::max(last - first, minimumSpanAt(last));
        from = first - span * 0.01;
        to = last + span * 0.01;
    }
    update();
}

bool ActionTimeline::hasRecords() const
{
    if (!analysis)
        return false;
    if (!analysis->occurrences.empty())
        return true;
    return std::any_of(std::begin(analysis->levelTimes), std::end(analysis->levelTimes),
                       [](const std::vector<double> &times) { return !times.empty(); });
}

double ActionTimeline::maximumSpan() const
{
    const double whole = hasRecords() ? bounded(analysis->lastTime) - bounded(analysis->firstTime) : 0;
    return std::min(10 * std::max(whole, 1.0), 2 * timeLimit);
}

void ActionTimeline::setVisibleRange(double start, double end)
{
    if (!std::isfinite(start) || !std::isfinite(end))
        return;
    start = bounded(start);
    end = bounded(end);
    // Zoomed in or out as far as it goes, around the middle of the range.
    const double middle = start / 2 + end / 2;
    const double least = minimumSpanAt(middle);
    const double most = maximumSpan();
    if (!(end - start >= least) || end - start > most) {
        const double span = end - start > most ? most : least;
        start = middle - span / 2;
        end = middle + span / 2;
    }
    from = start;
    to = end;
    update();
}

void ActionTimeline::setCursorTime(double time)
{
    cursor = time;
    hasCursor = true;
    if (time < from || time > to) {
        const double span = to - from;
        setVisibleRange(bounded(time) - span / 2, bounded(time) + span / 2);
    }
    update();
}

void ActionTimeline::showRunOf(int row)
{
    if (!analysis || row < 0 || size_t(row) >= analysis->occurrenceOfRow.size())
        showRun(-1);
    else
        showRun(analysis->occurrenceOfRow[size_t(row)]);
}

void ActionTimeline::showRun(int run)
{
    if (!analysis || run < 0 || size_t(run) >= analysis->occurrences.size()) {
        selectedRun = -1;
        update();
        return;
    }
    selectedRun = run;
    const ActionOccurrence &occurrence = analysis->occurrences[size_t(run)];
    if (occurrence.outcome == ActionOccurrence::NeverEnded && isShown(run))
        setFolded(false);
    const double start = bounded(occurrence.startTime);
    const double end = std::max(start, bounded(occurrence.endTime));
    const double span = to - from;
    if (start < from || end > to) {
        if (end - start <= span * 0.9) {
            const double middle = start / 2 + end / 2;
            setVisibleRange(middle - span / 2, middle + span / 2);
        } else {
            const double margin = std::max((end - start) * 0.05, minimumSpanAt(end));
            setVisibleRange(start - margin, end + margin);
        }
    }
    const auto lanes = packing();
    const int row = lanes->rowOfLane(lanes->laneOf[size_t(run)], labelled());
    const int first = scrollBar->value();
    if (row >= 0 && (row < first || row >= first + visibleRows()))
        scrollBar->setValue(row - visibleRows() / 2);
    update();
}

int ActionTimeline::plotWidth() const
{
    return std::max(1, width() - scrollBarWidth);
}

int ActionTimeline::lanesBottom() const
{
    const int bottom = height() - legendHeight - (neverEndedCount > 0 ? summaryHeight : 0);
    return std::max(lanesTop() + laneHeight, bottom);
}

int ActionTimeline::visibleRows() const
{
    return std::max(1, (lanesBottom() - lanesTop()) / laneHeight);
}

QRect ActionTimeline::summaryRect() const
{
    if (neverEndedCount == 0)
        return QRect();
    return QRect(0, lanesBottom(), plotWidth(), summaryHeight);
}

double ActionTimeline::xOf(double time) const
{
    // Bounded so that no difference of times overflows.
    return (std::clamp(timelineTime(time), -4 * timeLimit, 4 * timeLimit) - from) / (to - from) * plotWidth();
}

double ActionTimeline::timeAt(double x) const
{
    return from + x / plotWidth() * (to - from);
}

void ActionTimeline::updateScrollBar() const
{
    const int rows = scrolledPacking ? scrolledPacking->rowCount(labelled()) : 0;
    scrollBar->setRange(0, std::max(0, rows - visibleRows()));
    scrollBar->setPageStep(visibleRows());
}

void ActionTimeline::resizeEvent(QResizeEvent *event)
{
    if (event)
        QWidget::resizeEvent(event);
    scrollBar->setGeometry(width() - scrollBarWidth, lanesTop(), scrollBarWidth, lanesBottom() - lanesTop());
    legend->setGeometry(0, height() - legendHeight, width(), legendHeight);
    updateScrollBar();
}

bool ActionTimeline::isFaint(const ActionOccurrence &run) const
{
    if (hiddenRows.empty())
        return false;
    const auto hidden = [this](int row) { return row < 0 || (size_t(row) < hiddenRows.size() && hiddenRows[size_t(row)]); };
    return hidden(run.startRow) && hidden(run.endRow);
}

QRect ActionTimeline::barRect(int run) const
{
    if (!analysis || run < 0 || size_t(run) >= analysis->occurrences.size())
        return QRect();
    const ActionOccurrence &occurrence = analysis->occurrences[size_t(run)];
    const auto lanes = packing();
    const int packed = lanes->rowOfLane(lanes->laneOf[size_t(run)], labelled());
    const int row = packed - scrollBar->value();
    const int top = lanesTop() + row * laneHeight;
    if (packed < 0 || row < 0 || top + laneHeight > lanesBottom())
        return QRect();
    const double x0 = std::max(xOf(occurrence.startTime), -1.0);
    const double x1 = std::min(xOf(std::max(occurrence.endTime, occurrence.startTime)), double(plotWidth()) + 1);
    if (x1 < 0 || x0 > plotWidth())
        return QRect();
    return QRect(QPoint(int(x0), top + 1), QPoint(std::max(int(x0) + 1, int(x1)), top + laneHeight - 2));
}

int ActionTimeline::runAt(const QPoint &position) const
{
    if (!analysis || position.y() < lanesTop() || position.y() >= lanesBottom() || position.x() > plotWidth())
        return -1;
    const auto lanes = packing();
    const int lane = lanes->laneAtRow((position.y() - lanesTop()) / laneHeight + scrollBar->value(), labelled());
    if (lane < 0)
        return -1;
    // Two pixels either way, so that a thin bar can be hit.
    const double start = timeAt(position.x() - 2);
    const double end = timeAt(position.x() + 2);
    const auto &runs = lanes->runsInLane[size_t(lane)];
    const auto &occurrences = analysis->occurrences;
    const auto endOf = [&occurrences](int run) {
        const ActionOccurrence &occurrence = occurrences[size_t(run)];
        return std::max(timelineTime(occurrence.endTime), timelineTime(occurrence.startTime));
    };
    auto it = std::lower_bound(runs.begin(), runs.end(), start, [&](int run, double time) { return endOf(run) < time; });
    if (it != runs.end() && timelineTime(occurrences[size_t(*it)].startTime) <= end)
        return *it;
    return -1;
}

void ActionTimeline::wheelEvent(QWheelEvent *event)
{
    if (!analysis || event->position().x() > plotWidth()) {
        QWidget::wheelEvent(event);
        return;
    }
    // Around the pointer: the time under it stays where it is.
    const double anchor = timeAt(event->position().x());
    // At most as far as zooming goes, so that the anchor stays put there too.
    const double span = to - from;
    const double most = maximumSpan() / span;
    const double factor = std::clamp(std::pow(1.25, -event->angleDelta().y() / 120.0),
                                     std::min(minimumSpanAt(anchor) * 1.001 / span, most), most);
    setVisibleRange(anchor - (anchor - from) * factor, anchor + (to - anchor) * factor);
    event->accept();
}

void ActionTimeline::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pressPosition = event->pos();
    pressFrom = from;
    pressTo = to;
    if (event->pos().y() < histogramHeight + tickStripHeight) {
        drag = Choosing;
        chooseStart = chooseEnd = event->pos().x();
    } else {
        drag = Panning;
    }
}

void ActionTimeline::mouseMoveEvent(QMouseEvent *event)
{
    if (drag == Panning) {
        const double shift = (event->pos().x() - pressPosition.x()) * (pressTo - pressFrom) / plotWidth();
        setVisibleRange(pressFrom - shift, pressTo - shift);
    } else if (drag == Choosing) {
        chooseEnd = std::clamp(event->pos().x(), 0, plotWidth());
        update();
    }
}

void ActionTimeline::mouseReleaseEvent(QMouseEvent *event)
{
    const Drag was = drag;
    drag = NoDrag;
    const bool moved = (event->pos() - pressPosition).manhattanLength() > 3;
    if (was == Choosing && moved) {
        chooseEnd = std::clamp(event->pos().x(), 0, plotWidth());
        const double a = timeAt(std::min(chooseStart, chooseEnd));
        const double b = timeAt(std::max(chooseStart, chooseEnd));
        update();
        if (std::isfinite(a) && std::isfinite(b))
            emit rangeChosen(a, b);
        return;
    }
    update();
    if (was != Panning || moved)
        return;
    if (summaryRect().contains(event->pos())) {
        setFolded(!folded);
        return;
    }
    const int run = runAt(event->pos());
    if (run >= 0) {
        const ActionOccurrence &occurrence = analysis->occurrences[size_t(run)];
        emit recordChosen(occurrence.startRow >= 0 ? occurrence.startRow : occurrence.endRow);
    }
}

void ActionTimeline::mouseDoubleClickEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    fitAll();
}

bool ActionTimeline::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && analysis) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

QString ActionTimeline::toolTipAt(const QPoint &position) const
{
    if (summaryRect().contains(position)) {
        return tr("%1 never-ended runs running at %2\n%3")
            .arg(neverEndedAt(timeAt(position.x())))
            .arg(EntryPresentation::timeText(timeAt(position.x())),
                 folded ? tr("Click to show them in lanes") : tr("Click to fold them into this lane"));
    }
    const int run = runAt(position);
    if (run < 0)
        return QString();
    const ActionOccurrence &occurrence = analysis->occurrences[size_t(run)];
    QStringList lines;
    lines << EntryPresentation::recordToolTip(occurrence.action ? EntryPresentation::actionText(*occurrence.action) : QString());
    lines << QStringLiteral("Start: %1").arg(occurrence.startRow >= 0 ? EntryPresentation::timeText(occurrence.startTime)
                                                                       : QStringLiteral("none"));
    lines << QStringLiteral("End: %1").arg(occurrence.endRow >= 0 ? EntryPresentation::timeText(occurrence.endTime)
                                                                   : QStringLiteral("none"));
    lines << QStringLiteral("Duration: %1").arg(occurrence.hasDuration()
                                                    ? QString::number(occurrence.duration(), 'f', 3) + QStringLiteral(" s")
                                                    : ActionOccurrence::outcomeText(occurrence.outcome).toLower());
    if (labelled())
        lines << QStringLiteral("File: %1").arg(sourceName(occurrence.source));
    return lines.join(QLatin1Char('\n'));
}
