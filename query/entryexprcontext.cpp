#include "entryexprcontext.h"

#include "entrypresentation.h"
#include "exprnode.h"
#include "linemarks.h"
#include "logfileentry.h"
#include "robotaction.h"

const QStringList EntryExprContext::variableNames = {
    QStringLiteral("time"),    QStringLiteral("type"),      QStringLiteral("action"),   QStringLiteral("activity"),
    QStringLiteral("message"), QStringLiteral("subsystem"), QStringLiteral("isaction"), QStringLiteral("text"),
    QStringLiteral("source"),  QStringLiteral("line"),      QStringLiteral("bookmarked")};

EntryExprContext::EntryExprContext() = default;

EntryExprContext::~EntryExprContext() = default;

void EntryExprContext::setSources(const QStringList &shortNames)
{
    sources.clear();
    for (const QString &name : shortNames)
        sources.append(name.toLower());
}

bool EntryExprContext::isVariable(const QString &name)
{
    return variableNames.contains(name.toLower());
}

int EntryExprContext::variableIndex(const QString &name)
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

const QString &EntryExprContext::loweredSubsystem(const QString &subsystem)
{
    auto found = loweredSubsystems.find(subsystem.constData());
    if (found == loweredSubsystems.end() || found->name.size() != subsystem.size())
        found = loweredSubsystems.insert(subsystem.constData(), {subsystem, EntryPresentation::lowered(subsystem)});
    return found->lowered;
}

QVariant EntryExprContext::getVariable(const QString &name)
{
    const int index = variableIndex(name);
    if (!record)
        return valueWithoutRecord(index);
    const RobotAction *action = record->action();
    switch (index) {
    case Time:
        // The entry's own time, not the digits its cell may show: those
        // would merge records that are seconds apart in a long run.
        return record->time();
    case Type:
        return EntryPresentation::typeValue(record->type());
    case Action:
        return action ? uint(action->id()) : 0u;
    case Activity:
        return action ? EntryPresentation::activityValue(record->activity()) : QString();
    case Message:
        return EntryPresentation::lowered(EntryPresentation::messageText(*record));
    case Subsystem:
        return loweredSubsystem(record->subsystem());
    case IsAction:
        return action != nullptr;
    case Text:
        // The record's own message, also on action records whose Message
        // cell shows the action instead.
        return EntryPresentation::lowered(record->message());
    case Source:
        return record->source() < sources.size() ? sources.at(record->source()) : QString();
    case Line:
        return recordLine;
    case Bookmarked:
        return lineMarks && recordLine > 0 && lineMarks->contains(record->source(), recordLine);
    default:
        return QVariant();
    }
}

QVariant EntryExprContext::valueWithoutRecord(int) const
{
    return QVariant();
}

bool EntryExprContext::isFunction(const QString &name)
{
    return name == QLatin1String("contains");
}

QVariant EntryExprContext::evalFunction(const QString &, std::vector<std::shared_ptr<mirt::expr::ExprNode>> args)
{
    if (args.size() != 2)
        return false;
    const QVariant haystack = args[0]->evaluate(*this);
    const QVariant needle = args[1]->evaluate(*this);
    if (haystack.type() != QVariant::String || needle.type() != QVariant::String)
        return false;
    return haystack.toString().indexOf(needle.toString(), 0, Qt::CaseSensitive) != -1;
}
