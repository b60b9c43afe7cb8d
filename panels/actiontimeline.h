#pragma once

#include "actionoccurrences.h"
#include "timelinelanes.h"

#include <QWidget>

#include <memory>
#include <vector>

class QScrollBar;

// The action runs of a file against time: a bar per run, sub-action runs in
// lanes below their run, a strip of error and warning ticks and, above it, a
// histogram of records per stretch of time by level. The wheel zooms around
// the pointer, dragging pans, a double-click shows everything; dragging on
// the histogram chooses a stretch of time, clicking a bar chooses its start
// record. Only what is visible is drawn, and bars narrower than a pixel are
// drawn together.
class ActionTimeline final : public QWidget
{
    Q_OBJECT

public:
    explicit ActionTimeline(QWidget *parent = nullptr);

    void setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<const TimelineLanes> lanes);
    // The rows a filter hides: runs whose start and end records are hidden
    // are drawn faint.
    void setHiddenRows(std::vector<bool> hidden);
    // Only these runs are drawn (per run; empty draws every run): the ones
    // the actions table keeps.
    void setShownRuns(std::vector<bool> shown);
    // Marks this run's bar as selected and brings it into view, zooming
    // out when it is off screen; -1 clears the mark.
    void showRun(int run);
    // A vertical line at `time`, which is scrolled into view.
    void setCursorTime(double time);
    void fitAll();
    void setVisibleRange(double from, double to);
    double visibleFrom() const { return from; }
    double visibleTo() const { return to; }

    // Where a run's bar is drawn, in this widget; empty when it is not in view.
    QRect barRect(int run) const;
    // The run whose bar is at `position`; -1 for none.
    int runAt(const QPoint &position) const;

    static constexpr int histogramHeight = 36;
    static constexpr int tickStripHeight = 8;
    static constexpr int axisHeight = 18;
    static constexpr int laneHeight = 14;

signals:
    // A bar was clicked: its run's start record (or its end, without a start).
    void recordChosen(int row);
    // A stretch of time was chosen on the histogram.
    void rangeChosen(double from, double to);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    int plotWidth() const;
    // The widest span shown: far wider than the file's, and bounded.
    double maximumSpan() const;
    int lanesTop() const { return histogramHeight + tickStripHeight + axisHeight; }
    double xOf(double time) const;
    double timeAt(double x) const;
    void updateScrollBar();
    void paintHistogram(QPainter &painter) const;
    void paintTicks(QPainter &painter) const;
    void paintAxis(QPainter &painter) const;
    void paintLanes(QPainter &painter) const;
    bool isFaint(const ActionOccurrence &run) const;

    std::shared_ptr<const ActionAnalysis> analysis;
    std::shared_ptr<const TimelineLanes> laneLayout;
    std::vector<bool> hiddenRows;
    std::vector<bool> shownRuns;
    int selectedRun = -1;
    double from = 0;
    double to = 1;
    double cursor = 0;
    bool hasCursor = false;
    QScrollBar *scrollBar = nullptr;

    enum Drag { NoDrag, Panning, Choosing };
    Drag drag = NoDrag;
    QPoint pressPosition;
    double pressFrom = 0;
    double pressTo = 0;
    int chooseStart = 0;
    int chooseEnd = 0;
};
