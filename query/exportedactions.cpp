#include "exportedactions.h"

#include "actionparser.h"
#include "logfile.h"
#include "logfileentry.h"
#include "robotaction.h"

#include <QSet>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace {

// Per source of `file`, the numbers its actions get where an earlier source
// uses them already; empty for one file.
std::vector<QHash<int, int>> renumberingOf(const LogFile &file)
{
    std::vector<QHash<int, int>> renumbering(file.sources().size());
    if (!file.isMerged())
        return renumbering;
    std::vector<std::vector<int>> ids(file.sources().size());
    QSet<int> used;
    qint64 highest = -1;
    for (size_t source = 0; source < ids.size(); ++source) {
        for (const RobotAction *action : file.actionListOf(int(source))) {
            ids[source].push_back(action->id());
            highest = std::max<qint64>(highest, action->id());
        }
        std::sort(ids[source].begin(), ids[source].end());
    }
    for (size_t source = 0; source < ids.size(); ++source) {
        QSet<int> own;
        for (const int id : ids[source]) {
            if (used.contains(id) && highest < std::numeric_limits<int>::max())
                renumbering[source].insert(id, int(++highest));
            own.insert(renumbering[source].value(id, id));
        }
        used.unite(own);
    }
    return renumbering;
}

} // namespace

ExportedActions::ExportedActions(const LogFile &file)
    : links(std::make_unique<LogFile>(QString()))
    , renumbering(renumberingOf(file))
{
    if (!renumbers())
        return;
    for (const LogFileEntry *entry : file.entries()) {
        if (entry->action() && size_t(entry->source()) < renumbering.size()
            && !renumbering[size_t(entry->source())].isEmpty() && !describedBy.contains(entry->action()))
            describedBy.insert(entry->action(), entry);
    }
}

bool ExportedActions::renumbers() const
{
    for (const QHash<int, int> &numbers : renumbering) {
        if (!numbers.isEmpty())
            return true;
    }
    return false;
}

int ExportedActions::idOf(const RobotAction &action) const
{
    return current ? current->value(action.id(), action.id()) : action.id();
}

QString ExportedActions::renumberedMessage(const LogFileEntry &entry, const QString &prefix)
{
    const QString &text = entry.message();
    const RobotAction *wanted = entry.action();
    // The record's own words: after its description where it is the record
    // that describes the action, else after the number.
    int after = 0;
    matchActionPrefix(text, after);
    if (describedBy.value(wanted) == &entry) {
        LogFile scratch{QString()};
        scratch.findOrParseAction(text, after);
    } else if (parseActionId(text, after) < 0) {
        after = text.size();
    }
    QString own = text.mid(after);
    if (!own.isEmpty() && !own.at(0).isSpace())
        own.prepend(QLatin1Char(' '));
    const int id = idOf(*wanted);
    QString rebuilt = prefix + QLatin1Char(' ') + QString::number(id) + QLatin1Char(':');
    if (links->action(id))
        return rebuilt + own;
    rebuilt += QLatin1Char(' ');
    QSet<int> written;
    describe(*wanted, 0, written, rebuilt);
    if (!own.trimmed().isEmpty()) {
        if (!rebuilt.endsWith(QLatin1Char(']')))
            rebuilt += QStringLiteral("[]");
        rebuilt += own;
    }
    int start = 0;
    matchActionPrefix(rebuilt, start);
    links->findOrParseAction(rebuilt, start);
    return rebuilt;
}

ExportedActions::~ExportedActions() = default;

QString ExportedActions::message(const LogFileEntry &entry)
{
    const QString &text = entry.message();
    int position = 0;
    const QString prefix = matchActionPrefix(text, position);
    if (prefix.isEmpty())
        return text;
    const RobotAction *wanted = entry.action();
    current = size_t(entry.source()) < renumbering.size() && !renumbering[size_t(entry.source())].isEmpty()
        ? &renumbering[size_t(entry.source())]
        : nullptr;
    if (wanted && current)
        return renumberedMessage(entry, prefix);
    if (!wanted || links->action(wanted->id())) {
        // The record is linked as a reader links it. An action a reader
        // knows already cannot be told anew; it is the shown one unless the
        // shown file's own descriptions contradict each other.
        links->findOrParseAction(text, position);
        return text;
    }
    std::vector<int> added;
    const std::shared_ptr<RobotAction> linked = links->findOrParseAction(text, position, added);
    if (linked && linked->id() == wanted->id() && matches(*wanted))
        return text;
    // The record does not describe its action as the shown file knows it
    // (its describing record is hidden): what it made a reader think is
    // taken back, and the record tells its action itself.
    links->forgetActions(added);
    QString rebuilt = prefix + QLatin1Char(' ') + QString::number(wanted->id()) + QStringLiteral(": ");
    QSet<int> written;
    describe(*wanted, 0, written, rebuilt);
    // The record's own words (a reason for a cancellation, say) stay, after
    // the list that ends the description, where a reader passes them by.
    int after = 0;
    matchActionPrefix(text, after);
    const QString own = parseActionId(text, after) >= 0 ? text.mid(after) : QString();
    if (!own.trimmed().isEmpty()) {
        if (!rebuilt.endsWith(QLatin1Char(']')))
            rebuilt += QStringLiteral("[]");
        rebuilt += QLatin1Char(' ') + own;
    }
    int start = 0;
    matchActionPrefix(rebuilt, start);
    links->findOrParseAction(rebuilt, start);
    return rebuilt;
}

bool ExportedActions::matches(const RobotAction &wanted)
{
    // The actions form a graph without cycles in which sub-actions may be
    // shared and chains may be long: walked with a list, each id once.
    // The actions of `links` live as long as it: only those a trial added
    // are forgotten, and none of them is confirmed.
    std::vector<std::pair<const RobotAction *, const RobotAction *>> pending;
    std::vector<const RobotAction *> checked;
    QSet<int> seen;
    const auto visit = [&](const RobotAction *known, const RobotAction &original) {
        const auto found = confirmed.constFind(original.id());
        if ((found != confirmed.constEnd() && found.value() == known) || seen.contains(original.id()))
            return;
        seen.insert(original.id());
        pending.emplace_back(known, &original);
    };
    const RobotAction *known = links->action(wanted.id()).get();
    if (!known)
        return false;
    visit(known, wanted);
    while (!pending.empty()) {
        const auto [action, original] = pending.back();
        pending.pop_back();
        const auto &children = action->children();
        const auto &originalChildren = original->children();
        if (action->id() != original->id() || action->name() != original->name()
            || action->arguments() != original->arguments() || children.size() != originalChildren.size())
            return false;
        for (int i = 0; i < children.size(); ++i) {
            if (children.at(i)->id() != originalChildren.at(i)->id())
                return false;
            visit(children.at(i), *originalChildren.at(i));
        }
        checked.push_back(action);
    }
    for (const RobotAction *action : checked)
        confirmed.insert(action->id(), action);
    return true;
}

void ExportedActions::describe(const RobotAction &action, int depth, QSet<int> &written, QString &text) const
{
    // A reader knows the action from here on, before it reads the
    // sub-actions.
    written.insert(idOf(action));
    const int start = text.size();
    // The name runs to the first "," or "[", and each argument from its
    // "," to the next: written verbatim, they read back the same.
    text += action.name();
    const QStringList &arguments = action.arguments();
    for (const QString &argument : arguments) {
        text += QLatin1Char(',');
        text += argument;
    }
    // A last argument that is empty is read only with a "," after it.
    if (!arguments.isEmpty() && arguments.last().isEmpty())
        text += QLatin1Char(',');
    const auto &children = action.children();
    // A sub-action always gets its list, so that the arguments of one never
    // run into the next; so does an action whose description would be
    // empty, which reads as no action at all.
    if (depth == 0 && children.isEmpty() && text.size() > start)
        return;
    text += QLatin1Char('[');
    // Deeper lists than a reader follows are left empty.
    for (int i = 0; depth < LogFile::maxActionDepth && i < children.size(); ++i) {
        const RobotAction &child = *children.at(i);
        if (i > 0)
            text += QLatin1Char(',');
        text += QString::number(idOf(child));
        text += QLatin1Char(':');
        // An action a reader knows already is named by its number alone.
        if (written.contains(idOf(child)) || links->action(idOf(child)))
            continue;
        text += QLatin1Char(' ');
        describe(child, depth + 1, written, text);
    }
    text += QLatin1Char(']');
}
