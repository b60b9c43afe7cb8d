#include "logrowitem.h"

#include "logfileviewer.h"
#include "slotpool.h"

namespace {

class SubActionRowItem final : public LogRowItem
{
public:
    SubActionRowItem(const RobotAction *action, bool hasChildren)
        : LogRowItem(SubActionRow, 0, hasChildren)
        , action(action)
    {
    }
    Q_DISABLE_COPY_MOVE(SubActionRowItem)

    const RobotAction *const action;
};

SlotPool *poolFor(std::size_t size)
{
    // The two sizes rows have; found once.
    static SlotPool *const rows = SlotPool::forSize(sizeof(LogRowItem));
    static SlotPool *const subActionRows = SlotPool::forSize(sizeof(SubActionRowItem));
    if (rows && size == rows->slotSize())
        return rows;
    if (subActionRows && size == subActionRows->slotSize())
        return subActionRows;
    return nullptr;
}

} // namespace

LogRowItem::LogRowItem(Kind kind, qint32 number, bool hasChildren)
    : QTreeWidgetItem(int(kind))
    , m_number(number)
{
    // Rows without sub-actions say so, which spares the view expanding them.
    if (!hasChildren)
        setFlags(flags() | Qt::ItemNeverHasChildren);
}

void *LogRowItem::operator new(std::size_t size)
{
    if (SlotPool *pool = poolFor(size))
        return pool->allocate();
    return ::operator new(size);
}

void LogRowItem::operator delete(void *row, std::size_t size)
{
    if (SlotPool *pool = poolFor(size))
        pool->deallocate(row);
    else
        ::operator delete(row);
}

LogRowItem *LogRowItem::entryRow(int number, bool hasChildren)
{
    return new LogRowItem(EntryRow, number, hasChildren);
}

LogRowItem *LogRowItem::subActionRow(const RobotAction *action, bool hasChildren)
{
    return new SubActionRowItem(action, hasChildren);
}

LogRowItem *LogRowItem::omittedRow()
{
    return new LogRowItem(OmittedRow, 0, false);
}

const RobotAction *LogRowItem::subAction() const
{
    return type() == SubActionRow ? static_cast<const SubActionRowItem *>(this)->action : nullptr;
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
