#pragma once

#include "logfile.h"
#include "logtypes.h"

#include <QList>
#include <QString>
#include <QTreeWidget>

#include <memory>
#include <vector>

class QTreeWidgetItem;
class RobotAction;

// Shows one loaded log file as a six-column tree: top-level row i is entry i,
// the sub-actions of an action record hang below its row, and while the user
// moves through the rows, the other end of the current row's action (its
// start, or its completion or cancellation) is highlighted.
//
// Top-level rows carry the entry number in column 0 under Qt::UserRole and
// are never reordered, so filters can map rows back to entries.
class LogFileViewer final : public QTreeWidget
{
    Q_OBJECT

public:
    // Sub-action rows are made by walking shared action objects, so a crafted
    // file can ask for any number of them. These bound what one viewer builds;
    // whatever is left out is marked by a child row reading omittedRowsText.
    static constexpr int maxSubActionDepth = 64;
    static constexpr int minSubActionBudget = 1000000;
    static constexpr int subActionBudgetPerEntry = 4;
    // The number of sub-action rows a viewer of `entryCount` entries may build:
    // max(minSubActionBudget, subActionBudgetPerEntry * entryCount).
    static int defaultSubActionBudget(int entryCount);
    static const QString &omittedRowsText();
    // Tooltips quote at most this much of a record's own message.
    static constexpr int maxToolTipLength = 1000;

    // The Time column's text: six significant digits below 1000 s, and from
    // 1000 s on every integer digit and up to three decimals, never an
    // exponent.
    static QString timeText(double time);
    // The tooltip of an action record's Message cell: the record's own text.
    static QString recordToolTip(const QString &message);

    explicit LogFileViewer(std::shared_ptr<LogFile> file, QWidget *parent = nullptr);
    // The same, with another bound for the number of sub-action rows.
    LogFileViewer(std::shared_ptr<LogFile> file, QWidget *parent, int budget);
    ~LogFileViewer() override;
    Q_DISABLE_COPY_MOVE(LogFileViewer)

    // The row of the other end of the action of entry `row`: for Start the
    // nearest later Complete or Cancel record of the same action id, for any
    // other activity the nearest earlier Start record; -1 when there is none.
    int findPartner(int row, ActionActivity activity) const;
    // "Time <partner time>, <partner activity>" for an action row; empty when
    // the row has no partner.
    QString partnerToolTip(int row) const;

    const std::shared_ptr<LogFile> &logFile() const { return file; }
    // The highlighted top-level row, -1 when none is.
    int highlightedRow() const { return partnerRow; }
    // Sub-action rows built, not counting the rows that mark omissions.
    int subActionRowCount() const { return subActionRows; }

private:
    struct RowPrototypes;

    void indexPartners();
    void populate();
    void addChildActions(QTreeWidgetItem *parent, int indent, ActionActivity activity,
                         const QList<std::shared_ptr<RobotAction>> &children,
                         const QTreeWidgetItem *twin = nullptr, ActionActivity twinActivity = NoActivity);
    void addOmittedRow(QTreeWidgetItem *parent, ActionActivity activity);
    void fitTimeColumn(const QString &longest);
    void onCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);

    std::shared_ptr<LogFile> file;
    int partnerRow = -1;

    // Per entry, the answers of findPartner for Start and for the other
    // activities, computed once per id in two passes over the entries.
    std::vector<int> nextEnd;
    std::vector<int> previousStart;

    int subActionBudget;
    int subActionRows = 0;
    // Only while populate() runs.
    const RowPrototypes *prototypes = nullptr;
};
