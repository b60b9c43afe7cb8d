#pragma once

#include "backgroundwork.h"
#include "comparisonmodels.h"

#include <QString>
#include <QWidget>

#include <memory>

class LogFile;
class QLabel;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

// A page comparing two runs of a mission (`runComparison`): A, the good
// one, and B, the one under suspicion. The analysis of each side and the
// three tables are made off the GUI thread, with a progress bar and a
// Cancel button; destroying the page cancels the work. Then it shows the
// tables by action name (`comparisonByName`), the aligned sequence of
// top-level runs (`comparisonSequence`, its first difference selected) and
// B's new error templates (`comparisonNewErrors`). Ctrl+C copies the
// selected rows of a table as tab-separated text, "Export CSV..."
// (`comparisonExportCsv`) writes the shown table, and a double-click asks
// for a record of one side through recordRequested().
class RunComparisonView final : public QWidget
{
    Q_OBJECT

public:
    // One side: a file loaded already, or the path of one to read.
    struct Source
    {
        std::shared_ptr<LogFile> file;
        QString path;
    };

    RunComparisonView(Source a, Source b, QWidget *parent = nullptr);
    ~RunComparisonView() override;
    Q_DISABLE_COPY_MOVE(RunComparisonView)

    bool isBusy() const { return running; }
    const Source &source(int side) const { return side == 0 ? sourceA : sourceB; }
    // What the status line says while this page shows.
    const QString &statusText() const { return status; }
    QTabWidget *tables() const { return pages; }
    void cancel();

    // Writes the shown table to `path`, on this thread: tables are small.
    bool exportCsvTo(const QString &path) const;
    // The selected rows of the shown table as tab-separated text, header first.
    QString selectedText() const;

signals:
    void busyChanged(bool busy);
    void statusChanged(const QString &text);
    // A double-click on a row: record `row` of side 0 (A) or 1 (B).
    void recordRequested(int side, int row);

private:
    QTableView *addTable(ComparisonModel *model, const QString &objectName, const QString &title);
    void start();
    void finish(const std::shared_ptr<const RunComparison> &comparison, const QString &failure);
    void setStatus(const QString &text);
    QTableView *shownTable() const;

    Source sourceA;
    Source sourceB;
    BackgroundWork *work;
    CancelToken token;
    std::shared_ptr<std::atomic<int>> progressValue;
    QProgressBar *progress;
    QPushButton *cancelButton;
    QPushButton *exportButton;
    QLabel *summary;
    QTabWidget *pages;
    ComparisonByNameModel *byName;
    ComparisonSequenceModel *sequence;
    ComparisonNewErrorsModel *newErrors;
    QString status;
    bool running = false;
};
