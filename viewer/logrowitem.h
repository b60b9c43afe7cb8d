#pragma once

#include <QTreeWidgetItem>

class LogFileViewer;
class RobotAction;

// One row of a LogFileViewer: an entry row, a sub-action row, or the row that
// marks sub-action rows left out. It stores only what it shows (an entry
// number or a sub-action) and answers data() from the viewer's file when it
// is asked, so a million rows cost little more than the toolkit's own items.
// Rows are made on any thread before they are added to a viewer.
class LogRowItem final : public QTreeWidgetItem
{
public:
    enum Kind { EntryRow = QTreeWidgetItem::UserType + 1, SubActionRow, OmittedRow };

    static LogRowItem *entryRow(int number, bool hasChildren);
    static LogRowItem *subActionRow(const RobotAction *action, bool hasChildren);
    static LogRowItem *omittedRow();

    QVariant data(int column, int role) const override;

    // The entry an entry row shows; -1 for other rows.
    int entryNumber() const { return type() == EntryRow ? int(m_value) : -1; }
    // The action a sub-action row shows; null for other rows.
    const RobotAction *subAction() const
    {
        return type() == SubActionRow ? reinterpret_cast<const RobotAction *>(m_value) : nullptr;
    }

private:
    LogRowItem(Kind kind, quintptr value, bool hasChildren);

    const quintptr m_value;
};
