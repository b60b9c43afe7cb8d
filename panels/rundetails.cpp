#include "rundetails.h"

#include "runcolumns.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace {

enum DetailColumn { NameColumn, ArgumentsColumn, OutcomeColumn, DurationColumn, CauseColumn, ColumnCount };
constexpr int runRole = Qt::UserRole;

} // namespace

RunDetails::RunDetails(std::shared_ptr<const ActionAnalysis> result, std::shared_ptr<const RunTexts> runTexts,
                       int shownRun, QWidget *parent)
    : QDialog(parent)
    , analysis(std::move(result))
    , texts(std::move(runTexts))
    , run(shownRun)
{
    setObjectName(QStringLiteral("runDetails"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Run details: %1").arg(texts->names[size_t(run)]));
    const ActionOccurrence &occurrence = analysis->occurrences[size_t(run)];
    auto *summary = new QLabel(
        tr("%1 %2, %3 to %4, %5")
            .arg(texts->names[size_t(run)], texts->arguments[size_t(run)],
                 RunColumns::cellText(*analysis, *texts, run, RunColumns::Start),
                 RunColumns::cellText(*analysis, *texts, run, RunColumns::End),
                 ActionOccurrence::outcomeText(occurrence.outcome)),
        this);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    runs = new QTreeWidget(this);
    runs->setObjectName(QStringLiteral("runDetailsTree"));
    runs->setHeaderLabels({tr("Name"), tr("Arguments"), tr("Outcome"), tr("Duration"), tr("Cause")});
    runs->setUniformRowHeights(true);
    connect(runs, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        const ActionOccurrence &chosen = analysis->occurrences[size_t(item->data(0, runRole).toInt())];
        emit recordChosen(chosen.startRow >= 0 ? chosen.startRow : chosen.endRow);
    });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *records = buttons->addButton(tr("Show this run's records"), QDialogButtonBox::ActionRole);
    records->setObjectName(QStringLiteral("showRunRecords"));
    connect(records, &QPushButton::clicked, this, [this] { emit filterRequested(recordsFilter(*analysis, run)); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(runs);
    layout->addWidget(buttons);
    fill();
    resize(900, 400);
}

void RunDetails::fill()
{
    // Walked with a stack: a hostile log may nest runs very deep.
    std::vector<std::pair<int, QTreeWidgetItem *>> open{{run, nullptr}};
    while (!open.empty()) {
        const auto [next, parentItem] = open.back();
        open.pop_back();
        auto *item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(runs);
        item->setData(0, runRole, next);
        item->setText(NameColumn, texts->names[size_t(next)]);
        item->setText(ArgumentsColumn, texts->arguments[size_t(next)]);
        item->setText(OutcomeColumn, RunColumns::cellText(*analysis, *texts, next, RunColumns::Outcome));
        item->setText(DurationColumn, RunColumns::cellText(*analysis, *texts, next, RunColumns::Duration));
        item->setTextAlignment(DurationColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(CauseColumn, texts->causes[size_t(next)]);
        item->setToolTip(CauseColumn, texts->causeChains[size_t(next)]);
        if (size_t(next) < analysis->subRuns.size()) {
            const std::vector<int> &below = analysis->subRuns[size_t(next)];
            for (auto sub = below.rbegin(); sub != below.rend(); ++sub)
                open.emplace_back(*sub, item);
        }
    }
    runs->expandAll();
    for (int column = 0; column < ColumnCount - 1; ++column)
        runs->resizeColumnToContents(column);
}

QString RunDetails::recordsFilter(const ActionAnalysis &analysis, int run)
{
    const ActionOccurrence &occurrence = analysis.occurrences[size_t(run)];
    const double from = occurrence.startRow >= 0 ? occurrence.startTime : occurrence.endTime;
    return QStringLiteral("time >= %1 && time <= %2")
        .arg(RunColumns::exactNumber(from), RunColumns::exactNumber(occurrence.endTime));
}
