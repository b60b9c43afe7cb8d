#include "logrowitem.h"

#include "logfileviewer.h"

LogRowItem::LogRowItem(Kind kind, quintptr value, bool hasChildren)
    : QTreeWidgetItem(int(kind))
    , m_value(value)
{
    // Rows without sub-actions say so, which spares the view expanding them.
    if (!hasChildren)
        setFlags(flags() | Qt::ItemNeverHasChildren);
}

LogRowItem *LogRowItem::entryRow(int number, bool hasChildren)
{
    return new LogRowItem(EntryRow, quintptr(number), hasChildren);
}

LogRowItem *LogRowItem::subActionRow(const RobotAction *action, bool hasChildren)
{
    return new LogRowItem(SubActionRow, reinterpret_cast<quintptr>(action), hasChildren);
}

LogRowItem *LogRowItem::omittedRow()
{
    return new LogRowItem(OmittedRow, 0, false);
}

QVariant LogRowItem::data(int column, int role) const
{
    // Rows live only in LogFileViewers; before one adopts them they show nothing.
    if (const auto *viewer = static_cast<const LogFileViewer *>(treeWidget())) {
        bool handled = false;
        const QVariant value = viewer->rowData(*this, column, role, handled);
        if (handled)
            return value;
    }
    return QTreeWidgetItem::data(column, role);
}
