#pragma once

#include <QTreeWidgetItem>

#include <cstddef>

class LogFileViewer;
class RobotAction;

// One row of a LogFileViewer: an entry row, a sub-action row, or the row that
// marks sub-action rows left out. It stores only what it shows (an entry
// number or a sub-action) and answers data() from the viewer's file when it
// is asked, so a million rows cost little more than the toolkit's own items.
// Rows are made on any thread before they are added to a viewer.
//
// Rows live in slots of a SlotPool, one pool per size of row: an entry row
// is no larger than the toolkit's item (its number fits in the item's own
// padding), a sub-action row holds a pointer more.
class LogRowItem : public QTreeWidgetItem
{
public:
    enum Kind { EntryRow = QTreeWidgetItem::UserType + 1, SubActionRow, OmittedRow };

    static LogRowItem *entryRow(int number, bool hasChildren);
    static LogRowItem *subActionRow(const RobotAction *action, bool hasChildren);
    static LogRowItem *omittedRow();
    Q_DISABLE_COPY_MOVE(LogRowItem)

    QVariant data(int column, int role) const override;

    // The entry an entry row shows; -1 for other rows.
    int entryNumber() const { return type() == EntryRow ? int(m_number) : -1; }
    // The action a sub-action row shows; null for other rows.
    const RobotAction *subAction() const;

    // The toolkit deletes rows with a plain delete, on whatever thread
    // frees them; the size is that of the row's own class.
    static void *operator new(std::size_t size);
    static void operator delete(void *row, std::size_t size);

protected:
    LogRowItem(Kind kind, qint32 number, bool hasChildren);

private:
    const qint32 m_number;
};
