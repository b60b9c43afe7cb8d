#include "actiontimeline.h"

#include "logfile.h"
#include "logfileentry.h"
#include "entrypresentation.h"
#include "robotaction.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int scrollBarWidth = 14;

// The times the view reaches, and the widest span it shows: far enough
// from the largest double that spans, positions and the times under the
// pointer stay finite, whatever the times of a file.
constexpr double timeLimit = std::numeric_limits<double>::max() / 8;

double bounded(double time)
{
    return std::clamp(time, -timeLimit, timeLimit);
}

// The narrowest span shown around `time`: a microsecond, or wider where
// times are so large that doubles no longer tell a pixel from the next.
double minimumSpanAt(double time)
{
    return std::max(1e-6, std::fabs(time) * 1e-11);
}

// The colours of the Message cells of the records that end each kind of run.
QColor colourOf(ActionOccurrence::Outcome outcome)
{
    const quint32 colour = EntryPresentation::activityColour(ActionOccurrence::colourActivity(outcome));
    return colour != EntryPresentation::noColour ? QColor(QRgb(colour)) : QColor(200, 200, 200);
}

// A tick step of 1, 2 or 5 times a power of ten, at least `least` long.
double niceStep(double least)
{
    const double power = std::pow(10.0, std::floor(std::log10(std::max(least, 1e-12))));
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (power * factor >= least)
            return power * factor;
    }
    return power * 10;
}

QString tickLabel(double time, double step)
{
    if (step >= 1 || std::fabs(time) >= 1000)
        return EntryPresentation::timeText(std::round(time / step) * step);
    const int decimals = std::min(9, int(std::ceil(-std::log10(step))));
    return QString::number(time, 'f', decimals);
}

} // namespace

ActionTimeline::ActionTimeline(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("actionTimeline"));
    setMouseTracking(true);
    setMinimumHeight(lanesTop() + 4 * laneHeight);
    laneLayout = std::make_shared<const TimelineLanes>();
    scrollBar = new QScrollBar(Qt::Vertical, this);
    scrollBar->setObjectName(QStringLiteral("timelineLanes"));
    connect(scrollBar, &QScrollBar::valueChanged, this, [this] { update(); });
}

void ActionTimeline::setAnalysis(std::shared_ptr<const ActionAnalysis> result, std::shared_ptr<const TimelineLanes> lanes)
{
    analysis = std::move(result);
    laneLayout = lanes ? std::move(lanes) : std::make_shared<const TimelineLanes>();
    hiddenRows.clear();
    fitAll();
    updateScrollBar();
}

void ActionTimeline::setHiddenRows(std::vector<bool> hidden)
{
    hiddenRows = std::move(hidden);
    update();
}

void ActionTimeline::fitAll()
{
    if (!analysis) {
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

double ActionTimeline::maximumSpan() const
{
    const double whole = analysis ? bounded(analysis->lastTime) - bounded(analysis->firstTime) : 0;
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

int ActionTimeline::plotWidth() const
{
    return std::max(1, width() - scrollBarWidth);
}

double ActionTimeline::xOf(double time) const
{
    // Bounded so that no difference of times overflows.
    return (std::clamp(time, -4 * timeLimit, 4 * timeLimit) - from) / (to - from) * plotWidth();
}

double ActionTimeline::timeAt(double x) const
{
    return from + x / plotWidth() * (to - from);
}

void ActionTimeline::updateScrollBar()
{
    const int visibleLanes = std::max(1, (height() - lanesTop()) / laneHeight);
    scrollBar->setGeometry(width() - scrollBarWidth, lanesTop(), scrollBarWidth, std::max(0, height() - lanesTop()));
    scrollBar->setRange(0, std::max(0, laneLayout->laneCount - visibleLanes));
    scrollBar->setPageStep(visibleLanes);
}

void ActionTimeline::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
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
    const int lane = laneLayout->laneOf[size_t(run)] - scrollBar->value();
    const int top = lanesTop() + lane * laneHeight;
    if (lane < 0 || top >= height())
        return QRect();
    const double x0 = std::max(xOf(occurrence.startTime), -1.0);
    const double x1 = std::min(xOf(occurrence.endTime), double(plotWidth()) + 1);
    if (x1 < 0 || x0 > plotWidth())
        return QRect();
    return QRect(QPoint(int(x0), top + 1), QPoint(std::max(int(x0) + 1, int(x1)), top + laneHeight - 2));
}

int ActionTimeline::runAt(const QPoint &position) const
{
    if (!analysis || position.y() < lanesTop() || position.x() > plotWidth())
        return -1;
    const int lane = (position.y() - lanesTop()) / laneHeight + scrollBar->value();
    if (lane < 0 || lane >= laneLayout->laneCount)
        return -1;
    // Two pixels either way, so that a thin bar can be hit.
    const double start = timeAt(position.x() - 2);
    const double end = timeAt(position.x() + 2);
    const auto &runs = laneLayout->runsInLane[size_t(lane)];
    const auto &occurrences = analysis->occurrences;
    auto it = std::lower_bound(runs.begin(), runs.end(), start,
                               [&occurrences](int run, double time) { return occurrences[size_t(run)].endTime < time; });
    for (; it != runs.end() && occurrences[size_t(*it)].startTime <= end; ++it)
        return *it;
    return -1;
}

void ActionTimeline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (!analysis)
        return;
    painter.setClipRect(0, 0, plotWidth(), height());
    paintHistogram(painter);
    paintTicks(painter);
    paintAxis(painter);
    paintLanes(painter);
    if (hasCursor && cursor >= from && cursor <= to) {
        const int x = int(xOf(cursor));
        painter.setPen(QPen(QColor(252, 144, 0), 2));
        painter.drawLine(x, 0, x, height());
    }
    if (drag == Choosing) {
        const int left = std::min(chooseStart, chooseEnd);
        painter.fillRect(QRect(left, 0, std::abs(chooseEnd - chooseStart), height()), QColor(80, 140, 255, 60));
    }
}

void ActionTimeline::paintHistogram(QPainter &painter) const
{
    static const QColor levelColours[] = {QColor(170, 170, 170), QColor(120, 160, 220), QColor(235, 200, 0),
                                          QColor(220, 40, 40)};
    const int bucketWidth = 3;
    const int buckets = std::max(1, plotWidth() / bucketWidth);
    std::vector<std::array<int, 4>> counts(static_cast<size_t>(buckets));
    int highest = 1;
    for (int bucket = 0; bucket < buckets; ++bucket) {
        const double start = timeAt(bucket * bucketWidth);
        const double end = timeAt((bucket + 1) * bucketWidth);
        int total = 0;
        for (int level = 0; level < 4; ++level) {
            const auto &times = analysis->levelTimes[level];
            const int n = int(std::lower_bound(times.begin(), times.end(), end)
                              - std::lower_bound(times.begin(), times.end(), start));
            counts[size_t(bucket)][size_t(level)] = n;
            total += n;
        }
        highest = std::max(highest, total);
    }
    const int base = histogramHeight - 2;
    for (int bucket = 0; bucket < buckets; ++bucket) {
        double y = base;
        for (int level = 0; level < 4; ++level) {
            const double h = double(counts[size_t(bucket)][size_t(level)]) * (histogramHeight - 4) / highest;
            if (h <= 0)
                continue;
            painter.fillRect(QRectF(bucket * bucketWidth, y - h, bucketWidth - 0.5, h), levelColours[level]);
            y -= h;
        }
    }
}

void ActionTimeline::paintTicks(QPainter &painter) const
{
    const int top = histogramHeight;
    for (int level : {2, 3}) {
        painter.setPen(level == 3 ? QColor(220, 0, 0) : QColor(220, 190, 0));
        const auto &times = analysis->levelTimes[level];
        int lastX = -1;
        for (auto it = std::lower_bound(times.begin(), times.end(), from); it != times.end() && *it <= to; ++it) {
            const int x = int(xOf(*it));
            if (x == lastX)
                continue; // one line a pixel
            painter.drawLine(x, top + 1, x, top + tickStripHeight - 1);
            lastX = x;
        }
    }
}

void ActionTimeline::paintAxis(QPainter &painter) const
{
    const int top = histogramHeight + tickStripHeight;
    const QFontMetrics metrics(font());
    // Labels at least as far apart as the widest of them needs.
    const QString widest = EntryPresentation::timeText(std::max(std::fabs(from), std::fabs(to))) + QStringLiteral(".000");
    const double step = niceStep((metrics.horizontalAdvance(widest) + 24) * (to - from) / plotWidth());
    painter.setPen(palette().text().color());
    painter.drawLine(0, top, plotWidth(), top);
    // Counted, not summed: a step below the doubles' resolution near `from`
    // would never reach `to`.
    const double first = std::ceil(from / step);
    const double ticks = std::min(std::floor(to / step) - first, double(plotWidth()));
    for (int i = 0; i <= ticks; ++i) {
        const double tick = (first + i) * step;
        const int x = int(xOf(tick));
        painter.drawLine(x, top, x, top + 4);
        painter.drawText(QRect(x + 2, top + 2, 200, axisHeight - 2), Qt::AlignLeft | Qt::AlignTop, tickLabel(tick, step));
    }
}

void ActionTimeline::paintLanes(QPainter &painter) const
{
    const auto &occurrences = analysis->occurrences;
    const int firstLane = scrollBar->value();
    const int lastLane = std::min(laneLayout->laneCount, firstLane + (height() - lanesTop()) / laneHeight + 1);
    const QFontMetrics metrics(font());
    for (int lane = firstLane; lane < lastLane; ++lane) {
        const int top = lanesTop() + (lane - firstLane) * laneHeight;
        const auto &runs = laneLayout->runsInLane[size_t(lane)];
        // Bars in a lane do not overlap, so their ends are in order too.
        auto it = std::lower_bound(runs.begin(), runs.end(), from,
                                   [&occurrences](int run, double time) { return occurrences[size_t(run)].endTime < time; });
        // Bars narrower than a pixel gather into one.
        double mergedStart = 0;
        double mergedEnd = -1;
        QColor mergedColour;
        const auto flush = [&] {
            if (mergedEnd >= mergedStart)
                painter.fillRect(QRectF(mergedStart, top + 1, std::max(1.0, mergedEnd - mergedStart), laneHeight - 2),
                                 mergedColour.darker(115));
            mergedEnd = -1;
        };
        for (; it != runs.end() && occurrences[size_t(*it)].startTime <= to; ++it) {
            const ActionOccurrence &run = occurrences[size_t(*it)];
            const double x0 = xOf(run.startTime);
            const double x1 = xOf(run.endTime);
            QColor colour = colourOf(run.outcome);
            if (isFaint(run))
                colour.setAlpha(50);
            if (x1 - x0 < 1) {
                if (mergedEnd >= mergedStart && x0 > mergedEnd + 1)
                    flush();
                if (mergedEnd < mergedStart) {
                    mergedStart = x0;
                    mergedColour = colour;
                }
                mergedEnd = std::max(mergedEnd, x1);
                continue;
            }
            flush();
            const QRectF bar(x0, top + 1, x1 - x0, laneHeight - 2);
            painter.fillRect(bar, colour);
            if (run.outcome == ActionOccurrence::NeverEnded)
                painter.fillRect(bar, QBrush(QColor(0, 120, 0, isFaint(run) ? 40 : 160), Qt::BDiagPattern));
            if (bar.width() > 40) {
                painter.setPen(QColor(0, 0, 0, isFaint(run) ? 80 : 255));
                const QRectF visible = bar.intersected(QRectF(0, 0, plotWidth(), height()));
                painter.drawText(visible.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                                 metrics.elidedText(run.action ? run.action->name().trimmed() : QString(),
                                                    Qt::ElideRight, int(visible.width()) - 5));
            }
        }
        flush();
    }
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
    if (was == Panning && !moved) {
        const int run = runAt(event->pos());
        if (run >= 0) {
            const ActionOccurrence &occurrence = analysis->occurrences[size_t(run)];
            emit recordChosen(occurrence.startRow >= 0 ? occurrence.startRow : occurrence.endRow);
        }
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
        const int run = runAt(help->pos());
        if (run < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
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
        QToolTip::showText(help->globalPos(), lines.join(QLatin1Char('\n')), this);
        return true;
    }
    return QWidget::event(event);
}

void ActionTimeline::setShownRuns(std::vector<bool> shown)
{
    shownRuns = std::move(shown);
    update();
}

void ActionTimeline::showRun(int run)
{
    selectedRun = run;
    update();
}
