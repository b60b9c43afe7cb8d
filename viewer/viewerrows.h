#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class LogFile;
class QTreeWidgetItem;
class RobotAction;

// The rows of a log file viewer and what the viewer looks up per row, built
// from a loaded file on any thread: one row per entry, the sub-action rows
// below action records, and for each entry the other end of its action.
class ViewerRows final
{
public:
    // Builds the rows of `file`, with at most `budget` sub-action rows.
    // Returns nothing when `cancelled` is set before it is done; `built`
    // (when given) counts the entries done.
    static std::unique_ptr<ViewerRows> build(const LogFile &file, int budget,
                                             const std::atomic<bool> *cancelled = nullptr,
                                             std::atomic<int> *built = nullptr);
    ~ViewerRows();
    Q_DISABLE_COPY_MOVE(ViewerRows)

    // The entry rows, in entry order, each with its sub-action rows; the
    // caller owns them from now on.
    QList<QTreeWidgetItem *> takeRows();

    // Per entry, the row of the other end of its action: for a start the
    // nearest later completion or cancellation of the same action id, for
    // the others the nearest earlier start; -1 when there is none.
    std::vector<int> nextEnd;
    std::vector<int> previousStart;
    // Per entry, whether its row has sub-action rows.
    std::vector<bool> hasChildren;
    // Sub-action rows built, not counting the rows that mark omissions.
    int subActionRows = 0;
    // A text as wide as the widest time of the file could be.
    QString widestTimeText;

private:
    ViewerRows() = default;
    void indexPartners(const LogFile &file);
    void addChildActions(QTreeWidgetItem *parent, int depth, const QList<std::shared_ptr<RobotAction>> &children);

    QList<QTreeWidgetItem *> rows;
    int budget = 0;
};
