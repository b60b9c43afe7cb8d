#pragma once

#include "actionoccurrences.h"
#include "timelinelanes.h"
#include "timelinepacking.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QScrollBar;

// The action runs of a file against time: a bar per run, a strip of error
// and warning ticks and, above it, a histogram of records per stretch of
// time by level; a legend at the bottom. The runs that overlap the visible
// stretch are packed into lanes for it, the topmost first, sub-runs below
// their run; runs that never ended are folded into one summary lane at the
// bottom that shows how many run at each time, and a click on it unfolds
// them into lanes of their own (another folds them again). In a merged
// view the lanes of each file come together, in the order of the files,
// each group under a row with the file's name and colour.
// The wheel zooms around the pointer, dragging pans, a double-click shows
// everything; dragging on the histogram chooses a stretch of time, clicking
// a bar chooses its start record. Only what is visible is drawn, and bars
// narrower than a pixel are drawn together.
class ActionTimeline final : public QWidget
{
    Q_OBJECT

public:
    explicit ActionTimeline(QWidget *parent = nullptr);

    void setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<const TimelineLanes> lanes);
    // The colour that marks each file of a merged view, as elsewhere in the
    // window; grey without one.
    using SourceColour = QColor (*)(int source);
    void setSourceColours(SourceColour colour);
    const ActionAnalysis *shownAnalysis() const { return analysis.get(); }
    // The rows a filter hides: runs whose start and end records are hidden
    // are drawn faint.
    void setHiddenRows(std::vector<bool> hidden);
    // Only these runs are drawn and packed (per run; empty, or sized for
    // another analysis, draws every run): the ones the actions table keeps.
    void setShownRuns(std::vector<bool> shown);
    // Marks this run's bar as selected and brings it into view: centred
    // at the same zoom when it fits the visible stretch, else zoomed out to
    // it, and its lane scrolled to; a folded never-ended run is unfolded.
    // -1 clears the mark.
    void showRun(int run);
    // showRun for the run entry `row` starts or ends; -1 for other rows.
    void showRunOf(int row);
    // Whether never-ended runs are folded into the summary lane.
    bool isFolded() const { return folded; }
    void setFolded(bool fold);
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
    // The lanes of the visible stretch (scrolled or not).
    int laneCount() const;
    // The summary lane of the never-ended runs; empty when there are none.
    QRect summaryRect() const;

    struct AxisLabel
    {
        double time;
        QString text;
        QRect rect;
    };
    // The labels of the time axis, each whole within the plot.
    std::vector<AxisLabel> axisLabels() const;

    struct GroupLabel
    {
        int source;
        QString text;
        QRect rect; // the whole row it is drawn in
    };
    // The labels of the groups of lanes in view, from the top; none but in
    // a merged view.
    std::vector<GroupLabel> groupLabels() const;

    static constexpr int histogramHeight = 36;
    static constexpr int tickStripHeight = 8;
    static constexpr int axisHeight = 18;
    static constexpr int laneHeight = 14;
    static constexpr int summaryHeight = 2 * laneHeight;
    static constexpr int legendHeight = 18;
    static int lanesTop() { return histogramHeight + tickStripHeight + axisHeight; }

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
    int lanesBottom() const;
    // The rows of lanes and group labels there is room for.
    int visibleRows() const;
    // Whether each group of lanes starts with a row for its label.
    bool labelled() const;
    QString sourceName(int source) const;
    // The widest span shown: far wider than the file's, and bounded.
    double maximumSpan() const;
    double xOf(double time) const;
    double timeAt(double x) const;
    bool hasRecords() const;
    bool isShown(int run) const;
    // The lanes of the visible stretch, packed when first needed and kept
    // for a few stretches; the scroll bar follows their number.
    std::shared_ptr<const TimelinePacking> packing() const;
    void invalidatePackings();
    void updateScrollBar() const;
    void updateNeverEnded();
    // The never-ended runs (shown ones) running at `time`.
    int neverEndedAt(double time) const;
    void paintHistogram(QPainter &painter) const;
    void paintTicks(QPainter &painter) const;
    void paintAxis(QPainter &painter) const;
    void paintLanes(QPainter &painter) const;
    void paintLane(QPainter &painter, const TimelinePacking &lanes, int lane, int top) const;
    void paintGroupLabel(QPainter &painter, const GroupLabel &label, bool first) const;
    void paintSummary(QPainter &painter) const;
    void paintSelection(QPainter &painter) const;
    bool isFaint(const ActionOccurrence &run) const;
    QString toolTipAt(const QPoint &position) const;
    static QWidget *createLegend(QWidget *parent);

    std::shared_ptr<const ActionAnalysis> analysis;
    std::shared_ptr<const TimelineLanes> laneLayout;
    SourceColour sourceColour = nullptr;
    std::vector<bool> hiddenRows;
    std::vector<bool> shownRuns;
    // The start times of the shown never-ended runs, sorted.
    std::vector<double> neverEndedStarts;
    int neverEndedCount = 0; // of the whole analysis, shown or not
    bool folded = true;
    int selectedRun = -1;
    double from = 0;
    double to = 1;
    double cursor = 0;
    bool hasCursor = false;
    QScrollBar *scrollBar = nullptr;
    QWidget *legend = nullptr;

    struct CachedPacking
    {
        double from;
        double to;
        quint64 generation;
        std::shared_ptr<const TimelinePacking> lanes;
    };
    mutable std::vector<CachedPacking> packings; // the most recent last
    mutable const TimelinePacking *scrolledPacking = nullptr;
    quint64 generation = 0;

    enum Drag { NoDrag, Panning, Choosing };
    Drag drag = NoDrag;
    QPoint pressPosition;
    double pressFrom = 0;
    double pressTo = 0;
    int chooseStart = 0;
    int chooseEnd = 0;
};
