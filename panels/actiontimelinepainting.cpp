// The painting of the timeline and its legend.
#include "actiontimeline.h"

#include "entrypresentation.h"
#include "robotaction.h"
#include "rowcolours.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The colours of the Message cells of the records that end each kind of run.
QColor colourOf(ActionOccurrence::Outcome outcome)
{
    const quint32 colour = EntryPresentation::activityColour(ActionOccurrence::colourActivity(outcome));
    return colour != EntryPresentation::noColour ? QColor(QRgb(colour)) : QColor(200, 200, 200);
}

// The hatch over a bar that tells its outcome apart from another of the
// same colour: never-ended runs lean one way, restarted ones the other.
QBrush hatchOf(ActionOccurrence::Outcome outcome, bool faint)
{
    if (outcome == ActionOccurrence::NeverEnded)
        return QBrush(QColor(0, 120, 0, faint ? 40 : 160), Qt::BDiagPattern);
    if (outcome == ActionOccurrence::Restarted)
        return QBrush(QColor(60, 0, 0, faint ? 40 : 170), Qt::FDiagPattern);
    return QBrush();
}

void paintBar(QPainter &painter, const QRectF &bar, ActionOccurrence::Outcome outcome, bool faint)
{
    QColor colour = colourOf(outcome);
    if (faint)
        colour.setAlpha(50);
    painter.fillRect(bar, colour);
    const QBrush hatch = hatchOf(outcome, faint);
    if (hatch.style() != Qt::NoBrush)
        painter.fillRect(bar, hatch);
}

const QColor errorTick(220, 0, 0);
const QColor warningTick(220, 190, 0);

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

// The colours and ticks of the timeline, in a row under it
// (`timelineLegend`); its accessible description lists them.
class TimelineLegend final : public QWidget
{
public:
    explicit TimelineLegend(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("timelineLegend"));
        QStringList names;
        for (const auto outcome : outcomes)
            names << ActionOccurrence::outcomeText(outcome);
        names << tr("Error") << tr("Warning");
        setAccessibleDescription(names.join(QStringLiteral(", ")));
    }
    Q_DISABLE_COPY_MOVE(TimelineLegend)

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const int swatch = height() - 8;
        int x = 4;
        const auto label = [&](const QString &text) {
            painter.setPen(palette().text().color());
            painter.drawText(QRect(x, 0, metrics.horizontalAdvance(text) + 2, height()), Qt::AlignVCenter, text);
            x += metrics.horizontalAdvance(text) + 12;
        };
        for (const auto outcome : outcomes) {
            paintBar(painter, QRectF(x, 4, 2 * swatch, swatch), outcome, false);
            x += 2 * swatch + 4;
            label(ActionOccurrence::outcomeText(outcome));
        }
        for (const auto &[colour, text] : {std::pair{errorTick, tr("Error")}, std::pair{warningTick, tr("Warning")}}) {
            painter.setPen(QPen(colour, 2));
            painter.drawLine(x + 2, 3, x + 2, height() - 3);
            x += 8;
            label(text);
        }
    }

private:
    static constexpr std::array<ActionOccurrence::Outcome, 5> outcomes{
        ActionOccurrence::Completed, ActionOccurrence::Cancelled, ActionOccurrence::Restarted,
        ActionOccurrence::NeverEnded, ActionOccurrence::NoStart};
};

} // namespace

QWidget *ActionTimeline::createLegend(QWidget *parent)
{
    return new TimelineLegend(parent);
}

void ActionTimeline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setClipRect(0, 0, plotWidth(), height());
    paintAxis(painter);
    if (!analysis)
        return;
    paintHistogram(painter);
    paintTicks(painter);
    painter.setClipRect(0, lanesTop(), plotWidth(), lanesBottom() - lanesTop());
    paintLanes(painter);
    paintSelection(painter);
    painter.setClipRect(0, 0, plotWidth(), height());
    paintSummary(painter);
    if (hasCursor && cursor >= from && cursor <= to) {
        const int x = int(xOf(cursor));
        painter.setPen(QPen(QColor(252, 144, 0), 2));
        painter.drawLine(x, 0, x, lanesBottom() + (summaryRect().isEmpty() ? 0 : summaryHeight));
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
    // Scaled to the tallest bucket in view.
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
        painter.setPen(level == 3 ? errorTick : warningTick);
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

std::vector<ActionTimeline::AxisLabel> ActionTimeline::axisLabels() const
{
    const int top = histogramHeight + tickStripHeight;
    const QFontMetrics metrics(font());
    // Labels at least as far apart as the widest of them needs.
    const QString widest = EntryPresentation::timeText(std::max(std::fabs(from), std::fabs(to))) + QStringLiteral(".000");
    const double step = niceStep((metrics.horizontalAdvance(widest) + 24) * (to - from) / plotWidth());
    std::vector<AxisLabel> labels;
    // Counted, not summed: a step below the doubles' resolution near `from`
    // would never reach `to`.
    const double first = std::ceil(from / step);
    const double ticks = std::min(std::floor(to / step) - first, double(plotWidth()));
    for (int i = 0; i <= ticks; ++i) {
        const double tick = (first + i) * step;
        const QString text = tickLabel(tick, step);
        const int width = metrics.horizontalAdvance(text) + 2;
        // Right of its tick, or left of it where the plot ends; one that
        // would run into the one before it is left out.
        QRect place(int(xOf(tick)) + 2, top + 2, width, axisHeight - 2);
        if (place.right() >= plotWidth())
            place.moveRight(plotWidth() - 1);
        if (place.left() < 0 || (!labels.empty() && place.left() < labels.back().rect.right() + 6))
            continue;
        labels.push_back({tick, text, place});
    }
    return labels;
}

void ActionTimeline::paintAxis(QPainter &painter) const
{
    const int top = histogramHeight + tickStripHeight;
    painter.setPen(palette().text().color());
    painter.drawLine(0, top, plotWidth(), top);
    for (const AxisLabel &label : axisLabels()) {
        const int x = int(xOf(label.time));
        painter.drawLine(x, top, x, top + 4);
        painter.drawText(label.rect, Qt::AlignLeft | Qt::AlignTop, label.text);
    }
}

std::vector<ActionTimeline::GroupLabel> ActionTimeline::groupLabels() const
{
    std::vector<GroupLabel> labels;
    if (!labelled())
        return labels;
    const auto lanes = packing();
    const int firstRow = scrollBar->value();
    const int rows = visibleRows();
    for (int group = 0; group < int(lanes->groups.size()); ++group) {
        const int row = lanes->labelRow(group) - firstRow;
        if (row < 0)
            continue;
        const int top = lanesTop() + row * laneHeight;
        if (row >= rows || top + laneHeight > lanesBottom())
            break;
        const int source = lanes->groups[size_t(group)].source;
        labels.push_back({source, sourceName(source), QRect(0, top, plotWidth(), laneHeight)});
    }
    return labels;
}

void ActionTimeline::paintLanes(QPainter &painter) const
{
    const auto lanes = packing();
    const bool withLabels = labelled();
    const int firstRow = scrollBar->value();
    const int lastRow = std::min(lanes->rowCount(withLabels), firstRow + visibleRows() + 1);
    // Labels in a font that fits the lane.
    QFont labelFont = font();
    labelFont.setPixelSize(laneHeight - 4);
    painter.save();
    painter.setFont(labelFont);
    for (int row = firstRow; row < lastRow; ++row) {
        const int top = lanesTop() + (row - firstRow) * laneHeight;
        int group = -1;
        const int lane = lanes->laneAtRow(row, withLabels, &group);
        if (lane >= 0) {
            paintLane(painter, *lanes, lane, top);
        } else if (group >= 0) {
            const int source = lanes->groups[size_t(group)].source;
            paintGroupLabel(painter, {source, sourceName(source), QRect(0, top, plotWidth(), laneHeight)}, group == 0);
        }
    }
    painter.restore();
}

void ActionTimeline::paintGroupLabel(QPainter &painter, const GroupLabel &label, bool first) const
{
    // A thin line parts a group from the one above it.
    if (!first) {
        painter.setPen(palette().mid().color());
        painter.drawLine(label.rect.topLeft(), label.rect.topRight());
    }
    const int side = laneHeight - 6;
    const QRect marker(label.rect.left() + 4, label.rect.top() + 3, side, side);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(sourceColour ? sourceColour(label.source) : palette().mid().color());
    painter.drawRoundedRect(QRectF(marker).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(palette().text().color());
    const QRect text = label.rect.adjusted(marker.right() + 5, 0, 0, 0);
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(label.text, Qt::ElideRight, text.width()));
}

void ActionTimeline::paintLane(QPainter &painter, const TimelinePacking &lanes, int lane, int top) const
{
    const auto &occurrences = analysis->occurrences;
    const QFontMetrics metrics = painter.fontMetrics();
    // Every run packed overlaps the view. Bars narrower than a pixel
    // gather into one.
    double mergedStart = 0;
    double mergedEnd = -1;
    QColor mergedColour;
    const auto flush = [&] {
        if (mergedEnd >= mergedStart)
            painter.fillRect(QRectF(mergedStart, top + 1, std::max(1.0, mergedEnd - mergedStart), laneHeight - 2),
                             mergedColour.darker(115));
        mergedEnd = -1;
    };
    for (const int index : lanes.runsInLane[size_t(lane)]) {
        const ActionOccurrence &run = occurrences[size_t(index)];
        const double x0 = std::max(xOf(run.startTime), -2.0);
        const double x1 = std::min(xOf(std::max(run.endTime, run.startTime)), plotWidth() + 2.0);
        const bool faint = isFaint(run);
        if (x1 - x0 < 1) {
            if (mergedEnd >= mergedStart && x0 > mergedEnd + 1)
                flush();
            if (mergedEnd < mergedStart) {
                mergedStart = x0;
                mergedColour = colourOf(run.outcome);
                if (faint)
                    mergedColour.setAlpha(50);
            }
            mergedEnd = std::max(mergedEnd, x1);
            continue;
        }
        flush();
        const QRectF bar(x0, top + 1, x1 - x0, laneHeight - 2);
        paintBar(painter, bar, run.outcome, faint);
        if (bar.width() > 40) {
            // The rows' text colour reads on the rows' colours.
            QColor text(QRgb(RowColours::current().text));
            text.setAlpha(faint ? 80 : 255);
            painter.setPen(text);
            painter.drawText(bar.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             metrics.elidedText(run.action ? run.action->name().trimmed() : QString(), Qt::ElideRight,
                                                int(bar.width()) - 5));
        }
    }
    flush();
}

void ActionTimeline::paintSelection(QPainter &painter) const
{
    const QRect bar = barRect(selectedRun);
    if (bar.isEmpty())
        return;
    // At least a few pixels wide, so that a short run's mark shows.
    QRect mark = bar.adjusted(-1, -1, 1, 1);
    if (mark.width() < 7)
        mark.adjust(-(7 - mark.width()) / 2, 0, (8 - mark.width()) / 2, 0);
    painter.setPen(QPen(palette().highlight().color(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(mark);
}

void ActionTimeline::paintSummary(QPainter &painter) const
{
    const QRect area = summaryRect();
    if (area.isEmpty())
        return;
    painter.fillRect(area, palette().alternateBase());
    painter.setPen(palette().mid().color());
    painter.drawLine(area.topLeft(), area.topRight());
    // How many run at each time, against all of them shown.
    const int total = std::max<int>(1, int(neverEndedStarts.size()));
    const int room = area.height() - 4;
    const QBrush hatch = hatchOf(ActionOccurrence::NeverEnded, false);
    const QColor colour = colourOf(ActionOccurrence::NeverEnded);
    for (int x = 0; x < area.width(); x += 2) {
        const int running = neverEndedAt(timeAt(x + 1));
        if (running == 0)
            continue;
        const int h = std::max(1, int(std::lround(double(running) * room / total)));
        const QRect column(x, area.bottom() - 1 - h, 2, h);
        painter.fillRect(column, colour);
        painter.fillRect(column, hatch);
    }
    const QString text = folded ? tr("%1 never-ended runs, folded: click to show them").arg(neverEndedStarts.size())
                                : tr("%1 never-ended runs in lanes: click to fold").arg(neverEndedStarts.size());
    const QFontMetrics metrics(font());
    const QRect place(area.left() + 4, area.top() + 2, metrics.horizontalAdvance(text) + 6, metrics.height());
    QColor backing = palette().base().color();
    backing.setAlpha(200);
    painter.fillRect(place, backing);
    painter.setPen(palette().text().color());
    painter.drawText(place.adjusted(3, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
}
