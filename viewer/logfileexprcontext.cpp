#include "logfileexprcontext.h"

#include "exprnode.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "robotaction.h"

#include <QTreeWidgetItem>

namespace {

enum Variable { Time, Type, Action, Activity, Message, Subsystem, IsAction, Text };
enum Column { TimeColumn = 0, TypeColumn = 1, SubsystemColumn = 2, ActionColumn = 3, ActivityColumn = 4,
              MessageColumn = 5 };

// QString::toLower, with a quick path for the plain ASCII text that nearly
// every log holds: the filter lowers the message of every row it tests.
QString lowered(const QString &text)
{
    const int size = text.size();
    const QChar *data = text.constData();
    int first = 0;
    while (first < size && data[first].unicode() < 0x80
           && !(data[first].unicode() >= 'A' && data[first].unicode() <= 'Z'))
        ++first;
    if (first == size)
        return text; // nothing to change: share the text
    QString result = text;
    QChar *out = result.data();
    for (int i = first; i < size; ++i) {
        const ushort c = out[i].unicode();
        if (c >= 0x80)
            return text.toLower();
        if (c >= 'A' && c <= 'Z')
            out[i] = QChar(ushort(c + ('a' - 'A')));
    }
    return result;
}

} // namespace

const QString &LogFileExprContext::typeValue(EntryType type)
{
    static const QString names[] = {QStringLiteral("debug"), QStringLiteral("info"), QStringLiteral("warning"),
                                    QStringLiteral("error"), QStringLiteral("unknown")};
    const int index = int(type);
    return names[index >= Debug && index <= Error ? index : Unknown];
}

namespace {

const QString &loweredActivityName(ActionActivity activity)
{
    static const QString names[] = {QStringLiteral("start"), QStringLiteral("complete"), QStringLiteral("cancel"),
                                    QStringLiteral("unknown")};
    const int index = int(activity);
    return names[index >= Start && index <= Cancel ? index : 3];
}

} // namespace

const QStringList LogFileExprContext::variableNames = {
    QStringLiteral("time"),    QStringLiteral("type"),      QStringLiteral("action"),   QStringLiteral("activity"),
    QStringLiteral("message"), QStringLiteral("subsystem"), QStringLiteral("isaction"), QStringLiteral("text")};

LogFileExprContext::LogFileExprContext() = default;

LogFileExprContext::~LogFileExprContext() = default;

void LogFileExprContext::setLogFile(std::shared_ptr<LogFile> file)
{
    logFile = std::move(file);
    loweredSubsystems.clear();
}

void LogFileExprContext::setItem(QTreeWidgetItem *row)
{
    item = row;
    entryNumber = -1;
}

void LogFileExprContext::setEntry(int number)
{
    item = nullptr;
    entryNumber = number;
}

const LogFileEntry *LogFileExprContext::currentEntry() const
{
    if (!logFile)
        return nullptr;
    // A row without an entry number (a sub-action row) reads as entry 0.
    const int number = item ? item->data(TimeColumn, Qt::UserRole).toInt() : entryNumber;
    if (number < 0 || number >= logFile->entries().size())
        return nullptr;
    return logFile->entries().at(number).get();
}

bool LogFileExprContext::isVariable(const QString &name)
{
    return variableNames.contains(name.toLower());
}

int LogFileExprContext::variableIndex(const QString &name)
{
    const auto known = nameIndexes.constFind(name.constData());
    if (known != nameIndexes.constEnd() && known->name.size() == name.size())
        return known->index;
    int index = variableNames.indexOf(name);
    if (index < 0)
        index = variableNames.indexOf(name.toLower());
    if (nameIndexes.size() < 64)
        nameIndexes.insert(name.constData(), {name, index});
    return index;
}

const QString &LogFileExprContext::loweredSubsystem(const QString &subsystem)
{
    auto found = loweredSubsystems.find(subsystem.constData());
    if (found == loweredSubsystems.end() || found->name.size() != subsystem.size())
        found = loweredSubsystems.insert(subsystem.constData(), {subsystem, lowered(subsystem)});
    return found->lowered;
}

QVariant LogFileExprContext::getVariable(const QString &name)
{
    const int index = variableIndex(name);
    const LogFileEntry *entry = currentEntry();
    if (!entry)
        return index == IsAction && (item || entryNumber >= 0) ? QVariant(false) : cellVariable(index);
    const RobotAction *action = entry->action().get();
    switch (index) {
    case Time:
        // The entry's own time, not the digits its cell may show: those
        // would merge records that are seconds apart in a long run.
        return entry->time();
    case Type:
        return typeValue(entry->type());
    case Action:
        return action ? uint(action->id()) : 0u;
    case Activity:
        return action ? loweredActivityName(entry->activity()) : QString();
    case Message:
        return lowered(action ? LogFileViewer::actionText(*action) : entry->message());
    case Subsystem:
        return loweredSubsystem(entry->subsystem());
    case IsAction:
        return action != nullptr;
    case Text:
        // The record's own message, also on action records whose Message
        // cell shows the action instead.
        return lowered(entry->message());
    default:
        return QVariant();
    }
}

QVariant LogFileExprContext::cellVariable(int index) const
{
    // A row of some other tree, without a file: what its cells show.
    if (!item)
        return QVariant();
    switch (index) {
    case Time:
        return item->text(TimeColumn).toDouble();
    case Type:
        return lowered(item->text(TypeColumn));
    case Action:
        return item->text(ActionColumn).toUInt(nullptr, 10);
    case Activity:
        return lowered(item->text(ActivityColumn));
    case Message:
    case Text:
        return lowered(item->text(MessageColumn));
    case Subsystem:
        return lowered(item->text(SubsystemColumn));
    case IsAction:
        return false;
    default:
        return QVariant();
    }
}

bool LogFileExprContext::isFunction(const QString &name)
{
    return name == QLatin1String("contains");
}

QVariant LogFileExprContext::evalFunction(const QString &, std::vector<std::shared_ptr<mirt::expr::ExprNode>> args)
{
    if (args.size() != 2)
        return false;
    const QVariant haystack = args[0]->evaluate(*this);
    const QVariant needle = args[1]->evaluate(*this);
    if (haystack.type() != QVariant::String || needle.type() != QVariant::String)
        return false;
    return haystack.toString().indexOf(needle.toString(), 0, Qt::CaseSensitive) != -1;
}
