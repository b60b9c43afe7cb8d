#include "logfile.h"

#include "actionparser.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>

namespace {

// Compiled once and shared by every file that is read.
const QRegularExpression recordPattern(
    QStringLiteral("([0-9]+\\.[0-9]+) *: *(Info|Debug|Warning|Error) *: *([a-zA-Z0-9]+) *: *(.*)"));
const QRegularExpression continuationPattern(QStringLiteral(" *([a-zA-Z0-9]+) *: *(.*)"));

EntryType entryTypeFor(QStringView levelWord)
{
    const QString lower = levelWord.toString().toLower();
    if (lower == QLatin1String("debug"))
        return Debug;
    if (lower == QLatin1String("info"))
        return Info;
    if (lower == QLatin1String("warning"))
        return Warning;
    if (lower == QLatin1String("error"))
        return Error;
    return Unknown;
}

QString ignoredMessage(int lineNumber, const QString &line)
{
    return QStringLiteral("line ") + QString::number(lineNumber) + QStringLiteral(" ignored - '")
        + line + QLatin1Char('\'');
}

} // namespace

LogFile::LogFile(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
}

LogFile::~LogFile()
{
    // Every action is held by the map, so dropping the child links first lets
    // each action go on its own; a long chain of parents would otherwise be
    // released recursively, one stack frame per link.
    for (const auto &action : qAsConst(m_actions))
        action->releaseChildren();
}

std::shared_ptr<LogFile> LogFile::load(const QString &path, QStringList &errors)
{
    auto file = std::make_shared<LogFile>(path);

    const QFileInfo info(path);
    if (!info.exists()) {
        errors.append(QStringLiteral("file '") + path + QStringLiteral("' does not exist"));
        return nullptr;
    }
    if (!info.isFile()) {
        errors.append(QStringLiteral("file '") + path + QStringLiteral("' is not a regular file"));
        return nullptr;
    }
    QFile device(path);
    if (!device.open(QIODevice::ReadOnly)) {
        errors.append(QStringLiteral("cannot open '") + path + QStringLiteral("' for reading"));
        return nullptr;
    }

    QTextStream stream(&device);
    int lineNumber = 1;
    std::shared_ptr<LogFileEntry> previous;
    // Subsystem names repeat on almost every line; one shared copy of each saves memory.
    QHash<QString, QString> subsystems;
    QString line;

    while (!stream.atEnd()) {
        stream.readLineInto(&line);
        if (line.isEmpty())
            continue;

        if (line.at(0).isSpace()) {
            const QRegularExpressionMatch match = continuationPattern.match(line);
            if (!match.hasMatch()) {
                errors.append(ignoredMessage(lineNumber, line));
            } else if (previous && match.capturedRef(1) == previous->subsystem()) {
                previous->appendMessage(match.captured(2));
            } else {
                errors.append(QStringLiteral("line ") + QString::number(lineNumber)
                              + QStringLiteral(" invalid continuatio line - '") + line + QLatin1Char('\''));
            }
        } else {
            const QRegularExpressionMatch match = recordPattern.match(line);
            if (!match.hasMatch()) {
                errors.append(ignoredMessage(lineNumber, line));
            } else {
                const double time = match.capturedRef(1).toDouble();
                const EntryType type = entryTypeFor(match.capturedView(2));
                QString subsystem = match.captured(3);
                auto known = subsystems.constFind(subsystem);
                if (known == subsystems.constEnd())
                    known = subsystems.insert(subsystem, subsystem);
                auto entry = std::make_shared<LogFileEntry>(time, type, known.value());
                entry->appendMessage(match.captured(4));
                file->m_entries.append(entry);
                previous = std::move(entry);
            }
        }
        // Only non-empty lines count, so a message names the line's position
        // among the file's non-empty lines.
        ++lineNumber;
    }

    file->linkActions();
    return file;
}

void LogFile::linkActions()
{
    for (const auto &entry : qAsConst(m_entries)) {
        const QString &message = entry->message();
        int position = 0;
        const ActionActivity activity = activityForPrefix(matchActionPrefix(message, position));
        if (activity == NoActivity)
            continue;
        if (auto action = findOrParseAction(message, position))
            entry->setAction(std::move(action), activity);
    }
}

std::shared_ptr<RobotAction> LogFile::findOrParseAction(const QString &text, int &position)
{
    BracketIndex brackets(text);
    std::vector<const RobotAction *> ancestors;
    return findOrParseAction(QStringView(text), position, brackets, ancestors);
}

std::shared_ptr<RobotAction> LogFile::findOrParseAction(QStringView text, int &position,
                                                        BracketIndex &brackets,
                                                        std::vector<const RobotAction *> &ancestors)
{
    const int id = parseActionId(text, position);
    if (id < 0)
        return nullptr;

    const auto known = m_actions.constFind(id);
    if (known != m_actions.constEnd())
        return known.value();

    QStringView childText;
    auto action = parseActionDescription(text, position, id, childText, brackets);
    if (!action)
        return nullptr;
    // Registered before the child list is read: a malformed list leaves it known.
    m_actions.insert(id, action);
    if (childText.isEmpty())
        return action;
    if (int(ancestors.size()) >= maxActionDepth)
        return nullptr;

    ancestors.push_back(action.get());
    std::shared_ptr<RobotAction> result = action;
    int childPosition = 0;
    for (;;) {
        auto child = findOrParseAction(childText, childPosition, brackets, ancestors);
        // A child that is this action or one of its ancestors would make the
        // action its own descendant; it is left out.
        if (child && std::find(ancestors.begin(), ancestors.end(), child.get()) == ancestors.end())
            action->addChild(child);
        if (childPosition >= childText.size())
            break;
        if (childText.at(childPosition) != QLatin1Char(',')) {
            result = nullptr;
            break;
        }
        ++childPosition;
        if (childPosition >= childText.size())
            break;
    }
    ancestors.pop_back();
    return result;
}
