#pragma once

#include "actionoccurrences.h"
#include "runtexts.h"

#include <QDialog>

#include <memory>

class QTreeWidget;

// One run and the runs below it (`runDetails`): a tree of its sub-runs with
// their outcome, duration and cause, and "Show this run's records"
// (`showRunRecords`), which asks the tab for the records of the run's time.
// Double-clicking a run chooses its start record.
class RunDetails final : public QDialog
{
    Q_OBJECT

public:
    RunDetails(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<const RunTexts> texts, int run,
               QWidget *parent = nullptr);

    QTreeWidget *tree() const { return runs; }
    // The filter that keeps the records from the run's start to its end.
    static QString recordsFilter(const ActionAnalysis &analysis, int run);

signals:
    void filterRequested(const QString &filter);
    void recordChosen(int row);

private:
    void fill();

    std::shared_ptr<const ActionAnalysis> analysis;
    std::shared_ptr<const RunTexts> texts;
    int run;
    QTreeWidget *runs = nullptr;
};
