#pragma once

#include "entrylist.h"
#include "partnerindex.h"

#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class LogFile;
class LogFileEntry;
class QTreeWidgetItem;
class RobotAction;

// Rows on their way to a viewer, with whether each entry row has sub-action
// rows; rows nobody took are deleted with it.
struct RowPiece
{
    RowPiece() = default;
    ~RowPiece();
    Q_DISABLE_COPY_MOVE(RowPiece)

    QList<QTreeWidgetItem *> rows;
    std::vector<bool> hasChildren;
    // The entry of the first row.
    int first = 0;
    // The file's records up to the last of these rows, for a viewer that
    // shows them while their file is still being read (it may not look at
    // the file meanwhile); empty otherwise. They live as long as the file.
    EntryList entries;
    // The lines of the file those records start on, from entry `first`.
    std::vector<quint32> lines;
    // How many entry rows the whole file will likely have, so that room
    // for them is made once.
    int expectedRows = 0;
};

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

    // Rows built while the file is still being read: addRows() builds the
    // rows of the entries linked so far, finish() the rest and, unless the
    // viewer indexes the partners itself (`indexPartners` false), the index.
    static std::unique_ptr<ViewerRows> start(bool indexPartners = true);
    // Rows for the entries of a file that grows, from entry `entries` on,
    // after `subActionRows` sub-action rows built before; finish() builds
    // them, with `partners` the index of the entries before.
    static std::unique_ptr<ViewerRows> resume(int entries, int subActionRows);
    // Builds the rows of the entries not yet built, all of them linked, as
    // long as no budget a viewer can be given could cut them short.
    void addRows(const LogFile &file);
    // Builds the rows still missing with the file's own budget, then the
    // partner index. False when `cancelled` was set.
    bool finish(const LogFile &file, int budget, const std::atomic<bool> *cancelled = nullptr,
                std::atomic<int> *built = nullptr);
    ~ViewerRows();
    Q_DISABLE_COPY_MOVE(ViewerRows)

    // Gives `row`, the row of entry `number`, the sub-action rows of the
    // entry's action anew, within `budget` sub-action rows in all; returns
    // whether it has any. The rows it had are deleted and no longer counted.
    bool rebuildSubRows(QTreeWidgetItem *row, const LogFile &file, int number, int budget);

    // The entry rows, in entry order, each with its sub-action rows; the
    // caller owns them from now on.
    QList<QTreeWidgetItem *> takeRows();
    // The rows built since the last piece was taken.
    std::shared_ptr<RowPiece> takePiece();
    int rowsNotTaken() const { return rows.size(); }

    // Per entry, the row of the other end of its action.
    PartnerIndex partners;
    // Per entry from the first this builds, whether its row has sub-action
    // rows.
    std::vector<bool> hasChildren;
    // Sub-action rows built, not counting the rows that mark omissions.
    int subActionRows = 0;
    // A text as wide as the widest time of the file could be.
    QString widestTimeText;
    // The types and activities of the records built, a bit each, so that
    // their columns can be made wide enough for every name they show.
    unsigned typesSeen = 0;
    unsigned activitiesSeen = 0;

private:
    ViewerRows() = default;
    void addRow(const LogFile &file, int number, int budget);
    void addChildActions(QTreeWidgetItem *parent, int depth, const QList<const RobotAction *> &children, int budget);

    QList<QTreeWidgetItem *> rows;
    // Entries whose rows are built, and those handed on in pieces.
    int builtEntries = 0;
    int takenEntries = 0;
    // Entries built before this builder began.
    int firstEntry = 0;
    // addRows() stops for good at an entry whose rows could pass the least
    // budget; finish() builds from there.
    bool boundedOnly = true;
    bool indexPartners = true;
    double widestTime = 0;
    bool tinyTime = false;
};
