#include "robotloggenerator.h"

#include "benchsupport.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

struct Subsystem
{
    const char *name;
    const char *const *normal; // Debug and Info texts
    int normalCount;
    const char *const *trouble; // Warning and Error texts
    int troubleCount;
};

// In message templates '#' becomes an integer, '$' a decimal number and '@'
// a percentage.
const char *const driveNormal[] = {"velocity set to $ m/s", "wheel odometry left=# right=#",
                                   "motor current # mA", "heading correction $ deg",
                                   "segment # done"};
const char *const driveTrouble[] = {"Obstacle detected at # cm, slowing down",
                                    "wheel slip on left side: # ticks", "motor overcurrent: # mA"};
const char *const armNormal[] = {"joint # at $ deg", "trajectory segment # of # done",
                                 "tool frame updated", "inverse kinematics solved in # us"};
const char *const armTrouble[] = {"torque limit reached on joint #", "joint # lagging by $ deg",
                                  "collision check failed: link #"};
const char *const visionNormal[] = {"frame # processed in # ms", "detected # objects",
                                    "exposure set to # us", "marker # at $ m"};
const char *const visionTrouble[] = {"camera timeout: retrying", "low confidence $ on object #",
                                     "dropped # frames"};
const char *const plannerNormal[] = {"replanning: # waypoints", "goal reached within # mm",
                                     "cost map updated (# cells)", "task queue length #"};
const char *const plannerTrouble[] = {"no path found to waypoint #", "plan took # ms, over budget"};
const char *const gripperNormal[] = {"grip force # N", "finger position #", "object seated"};
const char *const gripperTrouble[] = {"object slipped", "finger # not responding"};
const char *const batteryNormal[] = {"voltage $ V", "state of charge @%", "temperature # C"};
const char *const batteryTrouble[] = {"voltage low: $ V", "cell # temperature high: # C"};
const char *const navNormal[] = {"pose x=$ y=$ theta=$", "localization confidence @%",
                                 "waypoint # reached", "map tile # loaded"};
const char *const navTrouble[] = {"localization lost for # ms", "pose jump of $ m"};
const char *const safetyNormal[] = {"heartbeat #", "zone # clear", "speed limit $ m/s"};
const char *const safetyTrouble[] = {"protective stop: zone # occupied", "emergency stop pressed"};
const char *const commsNormal[] = {"message # sent", "link quality @%", "ack # received"};
const char *const commsTrouble[] = {"packet # lost", "reconnecting: attempt #"};

#define MIRT_SUBSYSTEM(name, prefix)                                                      \
    Subsystem{name, prefix##Normal, int(sizeof(prefix##Normal) / sizeof(*prefix##Normal)), \
              prefix##Trouble, int(sizeof(prefix##Trouble) / sizeof(*prefix##Trouble))}

const Subsystem subsystems[] = {
    MIRT_SUBSYSTEM("drive", drive),     MIRT_SUBSYSTEM("arm", arm),
    MIRT_SUBSYSTEM("vision", vision),   MIRT_SUBSYSTEM("planner", planner),
    MIRT_SUBSYSTEM("gripper", gripper), MIRT_SUBSYSTEM("battery", battery),
    MIRT_SUBSYSTEM("nav", nav),         MIRT_SUBSYSTEM("safety", safety),
    MIRT_SUBSYSTEM("comms", comms),
};
#undef MIRT_SUBSYSTEM

struct ActionKind
{
    const char *name;
    const char *subsystem;
    int maxArguments;
};

const ActionKind actionKinds[] = {
    {"PickPlace", "planner", 2}, {"MoveArm", "arm", 3},   {"Grip", "gripper", 1},
    {"Release", "gripper", 0},   {"Navigate", "nav", 2},  {"DriveTo", "drive", 3},
    {"Turn", "drive", 1},        {"Dock", "nav", 0},      {"Scan", "vision", 1},
    {"Detect", "vision", 2},     {"Charge", "battery", 1}, {"Calibrate", "arm", 0},
};

const char *const argumentWords[] = {"bin3", "shelfA", "fast", "slow", "left", "right",
                                     "station2", "home", "precise", "conveyor"};

struct ActionNode
{
    int id = 0;
    const ActionKind *kind = nullptr;
    QByteArray arguments; // ", a, b"
    std::vector<ActionNode> children;
};

enum EventKind { StartEvent, CompleteEvent, CancelEvent };

struct ActionEvent
{
    EventKind kind;
    int id;
    const char *subsystem;
    QByteArray text; // what follows "<id>: " in the record
};

// The remaining records of one top-level action, emitted one at a time.
struct ActionScript
{
    std::vector<ActionEvent> events;
    size_t next = 0;
};

class Generator final
{
public:
    Generator(const RobotLogOptions &options, QFile &out)
        : options(options)
        , random(options.variant ^ 0x6D6972744C6F6721ULL)
        , out(out)
    {
        buffer.reserve(flushSize + 4096);
    }

    bool run(RobotLogStats &stats);

private:
    static constexpr int flushSize = 1 << 20;

    static void appendNumber(QByteArray &target, qint64 value)
    {
        char digits[24];
        const int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
        target.append(digits, length);
    }
    void appendNumber(qint64 value) { appendNumber(buffer, value); }
    void appendDecimal(QByteArray &target) // a number with two decimals, like 12.07
    {
        appendNumber(target, random.below(200));
        target.append('.');
        const int cents = random.below(100);
        target.append(char('0' + cents / 10));
        target.append(char('0' + cents % 10));
    }
    void appendTemplate(const char *text)
    {
        for (; *text; ++text) {
            if (*text == '#')
                appendNumber(random.below(1000));
            else if (*text == '$')
                appendDecimal(buffer);
            else if (*text == '@')
                appendNumber(random.below(101));
            else
                buffer.append(*text);
        }
    }
    void beginRecord(const char *level, const char *subsystem)
    {
        time += 1 + random.below(170);
        appendNumber(time / 1000);
        buffer.append('.');
        const int millis = int(time % 1000);
        buffer.append(char('0' + millis / 100));
        buffer.append(char('0' + millis / 10 % 10));
        buffer.append(char('0' + millis % 10));
        // Most writers put blanks around the colons; some do not.
        const char *separator = random.percent(90) ? " : " : ":";
        buffer.append(separator);
        buffer.append(level);
        buffer.append(separator);
        buffer.append(subsystem);
        buffer.append(separator);
        ++stats->records;
    }
    bool endLine()
    {
        buffer.append('\n');
        ++stats->lines;
        if (buffer.size() >= flushSize)
            return flush();
        return true;
    }
    bool flush()
    {
        if (!buffer.isEmpty() && out.write(buffer) != buffer.size())
            return false;
        buffer.clear();
        return true;
    }

    bool writeOrdinaryRecord();
    bool writeUnusableLine();
    bool writeEvent(const ActionEvent &event);
    ActionNode makeAction(int depth);
    void describe(const ActionNode &node, bool inChildList, QByteArray &text) const;
    void script(const ActionNode &node, std::vector<ActionEvent> &events) const;
    ActionScript makeScript();

    const RobotLogOptions &options;
    Random random;
    QFile &out;
    QByteArray buffer;
    RobotLogStats *stats = nullptr;
    qint64 time = 0; // milliseconds
    int nextId = 1;
};

bool Generator::writeOrdinaryRecord()
{
    const Subsystem &subsystem = random.pick(subsystems);
    const int roll = random.below(100);
    const char *level = roll < 35 ? "Debug" : roll < 80 ? "Info" : roll < 93 ? "Warning" : "Error";
    const bool trouble = roll >= 80;
    beginRecord(level, subsystem.name);
    appendTemplate(trouble ? subsystem.trouble[random.below(subsystem.troubleCount)]
                           : subsystem.normal[random.below(subsystem.normalCount)]);
    if (!endLine())
        return false;
    // Long messages are wrapped onto continuation lines naming the subsystem.
    if (random.percent(3)) {
        const int parts = 1 + random.below(2);
        for (int i = 0; i < parts && stats->lines < options.lines; ++i) {
            buffer.append("    ");
            buffer.append(subsystem.name);
            buffer.append(" : ");
            buffer.append(random.percent(50) ? " detail " : " context ");
            appendNumber(random.below(100000));
            if (!endLine())
                return false;
        }
    }
    return true;
}

bool Generator::writeUnusableLine()
{
    switch (random.below(4)) {
    case 0: buffer.append("#### watchdog reset ####"); break;
    case 1: // no decimal point in the time
        appendNumber(time / 1000);
        buffer.append(" : Info : drive : truncated time stamp");
        break;
    case 2: buffer.append("    bogus : continuation of nothing"); break;
    default: // a level word the reader does not know
        appendNumber(time / 1000);
        buffer.append(".000 : Trace : comms : verbose output");
        break;
    }
    return endLine();
}

ActionNode Generator::makeAction(int depth)
{
    ActionNode node;
    node.id = nextId++;
    ++stats->actions;
    node.kind = &random.pick(actionKinds);
    const int arguments = random.below(node.kind->maxArguments + 1);
    for (int i = 0; i < arguments; ++i) {
        node.arguments.append(", ");
        if (random.percent(50)) {
            node.arguments.append(random.pick(argumentWords));
        } else {
            appendDecimal(node.arguments);
        }
    }
    if (depth < 3 && random.percent(depth == 0 ? 45 : 25)) {
        const int children = 1 + random.below(3);
        for (int i = 0; i < children; ++i)
            node.children.push_back(makeAction(depth + 1));
    }
    return node;
}

// "<id>: <name>, <args> [<child>,<child>]"; inside a child list every child
// ends with its own list, as the reader needs to keep siblings apart.
void Generator::describe(const ActionNode &node, bool inChildList, QByteArray &text) const
{
    text.append(QByteArray::number(node.id));
    text.append(": ");
    text.append(node.kind->name);
    text.append(node.arguments);
    if (node.children.empty() && !inChildList)
        return;
    text.append(" [");
    for (size_t i = 0; i < node.children.size(); ++i) {
        if (i > 0)
            text.append(',');
        describe(node.children[i], true, text);
    }
    text.append(']');
}

void Generator::script(const ActionNode &node, std::vector<ActionEvent> &events) const
{
    // Sub-actions are already described by their parent's record, so their
    // own records repeat only the name and arguments.
    QByteArray text = QByteArray::number(node.id) + ": " + node.kind->name + node.arguments;
    events.push_back({StartEvent, node.id, node.kind->subsystem, text});
    for (const ActionNode &child : node.children)
        script(child, events);
    events.push_back({CompleteEvent, node.id, node.kind->subsystem,
                      QByteArray::number(node.id) + ":"});
}

ActionScript Generator::makeScript()
{
    const ActionNode root = makeAction(0);
    ActionScript result;
    script(root, result.events);
    result.events.front().text.clear();
    describe(root, false, result.events.front().text);

    const bool randomAbandon = options.neverCompleted < 0;
    const int roll = random.below(100);
    if (roll < 12 || (randomAbandon && roll < 17)) {
        // Cut the script somewhere after the start: a cancel closes what is
        // open, innermost first; an abandoned action just stops.
        const size_t cut = 1 + size_t(random.below(int(result.events.size()) - 1));
        std::vector<ActionEvent> open;
        for (size_t i = 0; i < cut; ++i) {
            if (result.events[i].kind == StartEvent)
                open.push_back(result.events[i]);
            else
                open.pop_back();
        }
        result.events.resize(cut);
        if (roll < 12) {
            for (auto it = open.rbegin(); it != open.rend(); ++it)
                result.events.push_back({CancelEvent, it->id, it->subsystem,
                                         QByteArray::number(it->id) + ":"});
        } else {
            stats->openActions += qint64(open.size());
        }
    }
    return result;
}

bool Generator::writeEvent(const ActionEvent &event)
{
    beginRecord(event.kind == CancelEvent ? "Warning" : "Info", event.subsystem);
    buffer.append(event.kind == StartEvent      ? "starting action: "
                  : event.kind == CompleteEvent ? "completing action: "
                                                : "canceling action: ");
    buffer.append(event.text);
    return endLine();
}

bool Generator::run(RobotLogStats &result)
{
    stats = &result;
    time = random.below(1000);
    std::vector<ActionScript> running;
    // Standalone starts that never end, at even distances.
    const qint64 neverCompleted = std::max<qint64>(options.neverCompleted, 0);
    const qint64 spacing = neverCompleted > 0 ? std::max<qint64>(1, options.lines / neverCompleted) : 0;
    qint64 standaloneWritten = 0;

    while (stats->lines < options.lines) {
        if (spacing > 0 && standaloneWritten < neverCompleted
            && stats->lines >= standaloneWritten * spacing) {
            ++standaloneWritten;
            ++stats->openActions;
            ++stats->actions;
            QByteArray text = QByteArray::number(nextId++) + ": Wait, ";
            text.append(QByteArray::number(random.below(60)));
            if (!writeEvent({StartEvent, 0, "planner", text}))
                return false;
            continue;
        }
        const int roll = random.below(1000);
        bool ok = true;
        if (roll < 2) {
            ok = writeUnusableLine();
        } else if (roll < 280) {
            if (running.size() < 6 && (running.empty() || random.percent(20))) {
                running.push_back(makeScript());
            }
            const size_t index = size_t(random.below(int(running.size())));
            ActionScript &current = running[index];
            ok = writeEvent(current.events[current.next++]);
            if (current.next == current.events.size()) {
                std::swap(running[index], running.back());
                running.pop_back();
            }
        } else {
            ok = writeOrdinaryRecord();
        }
        if (!ok)
            return false;
    }
    // Actions still running when the log ends never complete either.
    for (const ActionScript &pending : running) {
        int open = 0;
        for (size_t i = 0; i < pending.next; ++i)
            open += pending.events[i].kind == StartEvent ? 1 : -1;
        stats->openActions += open;
    }
    return flush();
}

} // namespace

bool writeRobotLog(const QString &path, const RobotLogOptions &options, RobotLogStats *stats,
                   QString *error)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("cannot write '%1': %2").arg(path, out.errorString());
        return false;
    }
    RobotLogStats local;
    Generator generator(options, out);
    const bool ok = generator.run(local) && out.flush();
    if (!ok && error)
        *error = QStringLiteral("cannot write '%1': %2").arg(path, out.errorString());
    if (stats)
        *stats = local;
    return ok;
}
