#include "logfile.h"

#include "actionparser.h"
#include "localpath.h"
#include "loginput.h"
#include "logreader.h"
#include "originallines.h"

#include <algorithm>
#include <limits>

LogFile::LogFile(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_sources{{path, shortFileName(path), 0.0}}
{
}

// Actions name their sub-actions without owning them, so each goes on its
// own, however long a chain of parents is.
LogFile::~LogFile() = default;

std::shared_ptr<LogFile> LogFile::load(const QString &path, QStringList &errors)
{
    auto file = std::make_shared<LogFile>(path);
    QString failure;
    const std::unique_ptr<LogInput> input = LogInput::openPath(path, failure);
    if (!input) {
        errors.append(failure);
        return nullptr;
    }
    // Up to the size a plain file has now: lines a writer adds meanwhile are
    // left for a later read. Pseudo-files that claim no size, and compressed
    // files, are read to their end.
    file->setIdentity(OriginalLines::identityOf(path));
    LogReader reader(*file);
    reader.read(input->device(), input->readLimit());
    file->setStorage(input->compression(), input->textBytesRead());
    reader.finish();
    file->linkActions();
    errors.append(file->m_messages);
    return file;
}

QString LogFile::cutMessage(const QString &text)
{
    if (text.size() <= maxMessageLength)
        return text;
    int length = maxMessageLength;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + QChar(0x2026);
}

void LogFile::addProblem(qint64 lineNumber, const QString &message, bool always)
{
    if (lineNumber <= 0 || lineNumber != m_lastProblemLine)
        ++m_problemCount;
    m_lastProblemLine = lineNumber;
    if ((always || keepsMoreMessages()) && !message.isEmpty())
        m_messages.append(cutMessage(message));
}

namespace {

// Ids below this, or below a few per entry, index the vector of actions.
constexpr int denseActionIds = 1 << 20;
constexpr int denseActionIdsPerEntry = 4;

} // namespace

std::shared_ptr<RobotAction> LogFile::knownAction(int id) const
{
    if (id >= 0 && size_t(id) < m_denseActions.size() && m_denseActions[size_t(id)])
        return m_denseActions[size_t(id)];
    // An id kept in the hash stays there when the vector grows past it.
    return m_sparseActions.isEmpty() ? nullptr : m_sparseActions.value(id);
}

void LogFile::addAction(int id, const std::shared_ptr<RobotAction> &action)
{
    ++m_actionCount;
    m_lastLinked.registered.push_back(id);
    if (m_addedIds)
        m_addedIds->push_back(id);
    if (id >= 0 && qint64(id) < std::max<qint64>(denseActionIds, qint64(m_entries.size()) * denseActionIdsPerEntry)) {
        // The vector's room grows in steps; only the places up to the
        // highest id are filled.
        if (size_t(id) >= m_denseActions.size())
            m_denseActions.resize(size_t(id) + 1);
        m_denseActions[size_t(id)] = action;
        return;
    }
    m_sparseActions.insert(id, action);
}

std::vector<const RobotAction *> LogFile::actionList() const
{
    if (isMerged()) {
        std::vector<const RobotAction *> all;
        for (const auto &part : m_mergedFrom) {
            const std::vector<const RobotAction *> own = part->actionList();
            all.insert(all.end(), own.begin(), own.end());
        }
        return all;
    }
    std::vector<const RobotAction *> list;
    list.reserve(size_t(m_actionCount));
    for (const auto &action : m_denseActions) {
        if (action)
            list.push_back(action.get());
    }
    for (const auto &action : m_sparseActions)
        list.push_back(action.get());
    return list;
}

const QMap<int, std::shared_ptr<RobotAction>> &LogFile::actions() const
{
    if (m_mappedActions == m_actionCount)
        return m_actions;
    // In increasing order of id, each added at the end, where the map's
    // insertion needs no search.
    std::vector<std::pair<int, std::shared_ptr<RobotAction>>> all;
    all.reserve(size_t(m_actionCount));
    for (size_t id = 0; id < m_denseActions.size(); ++id) {
        if (m_denseActions[id])
            all.emplace_back(int(id), m_denseActions[id]);
    }
    for (auto it = m_sparseActions.cbegin(); it != m_sparseActions.cend(); ++it)
        all.emplace_back(it.key(), it.value());
    std::sort(all.begin(), all.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    m_actions.clear();
    for (const auto &entry : all)
        m_actions.insert(m_actions.cend(), entry.first, entry.second);
    m_mappedActions = m_actionCount;
    return m_actions;
}

const EntryList &LogFile::entries() const
{
    Q_ASSERT_X(!appendingElsewhere(), "LogFile::entries", "read without a ReadAccess while another thread appends");
    return m_entries.list();
}

bool LogFile::appendingElsewhere() const
{
    const Qt::HANDLE appending = m_appendingThread.load(std::memory_order_relaxed);
    return appending && appending != QThread::currentThreadId();
}

void LogFile::linkActions()
{
    linkActions(nullptr);
}

LogFileEntry &LogFile::appendEntry(LogFileEntry &&entry, EntryLines lines)
{
    m_unlinkedLineNumbers.push_back(lines.counted);
    m_fileLines.push_back(quint32(std::clamp<qint64>(lines.inFile, 0, std::numeric_limits<quint32>::max())));
    const bool placed = lines.textBegin >= 0 && lines.textEnd >= lines.textBegin;
    m_textBegins.push_back(placed ? lines.textBegin : -1);
    m_textLengths.push_back(placed ? quint32(std::min(lines.textEnd - lines.textBegin, maxTextLength)) : 0);
    return m_entries.append(std::move(entry));
}

void LogFile::extendLastText(qint64 end)
{
    if (m_textBegins.empty() || m_textBegins.back() < 0 || end < m_textBegins.back())
        return;
    m_textLengths.back() = quint32(std::min(end - m_textBegins.back(), maxTextLength));
}

const LogFile *LogFile::sourceFile(int source) const
{
    if (!isMerged())
        return source == 0 ? this : nullptr;
    return source >= 0 && size_t(source) < m_mergedFrom.size() ? m_mergedFrom[size_t(source)].get() : nullptr;
}

void LogFile::reserveEntries(int count)
{
    if (count > m_entries.size()) {
        m_entries.reserve(count);
        m_fileLines.reserve(size_t(count));
        m_textBegins.reserve(size_t(count));
        m_textLengths.reserve(size_t(count));
    }
}

void LogFile::linkActions(const std::atomic<bool> *cancelled)
{
    const int first = m_linkedEntries;
    const auto lineNumber = [this, first](int entry) {
        const size_t index = size_t(entry - first);
        return index < m_unlinkedLineNumbers.size() ? m_unlinkedLineNumbers[index] : qint64(0);
    };
    for (; m_linkedEntries < m_entries.size(); ++m_linkedEntries) {
        if ((m_linkedEntries & 0xffff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            break;
        LogFileEntry &entry = m_entries.at(m_linkedEntries);
        const QString message = entry.message();
        // What linking the last entry did, so that it can be done again when
        // a followed record is continued.
        m_lastLinked.registered.clear();
        m_lastLinked.line = lineNumber(m_linkedEntries);
        int position = 0;
        const ActionActivity activity = activityForPrefix(matchActionPrefix(message, position));
        if (activity == NoActivity)
            continue;
        BracketIndex brackets(message);
        std::vector<const RobotAction *> ancestors;
        QStringView rejected;
        if (auto action = findOrParseAction(QStringView(message), position, brackets, ancestors, &rejected))
            entry.setAction(action.get(), activity);
        if (!rejected.isNull()) {
            const qint64 line = lineNumber(m_linkedEntries);
            QString text = QStringLiteral("line ") + QString::number(line) + QStringLiteral(": action number '")
                + rejected.left(maxMessageLength).toString()
                + QStringLiteral("' is not a number from 0 to 2147483647 and names no action");
            if (m_holdLinkProblems)
                m_heldProblems.push_back({line, std::move(text)});
            else if (!m_messages.contains(text))
                addProblem(line, text);
        }
    }
    // Line numbers of entries linked now are no longer needed.
    const size_t done = std::min(size_t(m_linkedEntries - first), m_unlinkedLineNumbers.size());
    m_unlinkedLineNumbers.erase(m_unlinkedLineNumbers.begin(), m_unlinkedLineNumbers.begin() + long(done));
    if (m_unlinkedLineNumbers.empty())
        std::vector<qint64>().swap(m_unlinkedLineNumbers);
}

std::shared_ptr<RobotAction> LogFile::findOrParseAction(const QString &text, int &position)
{
    BracketIndex brackets(text);
    std::vector<const RobotAction *> ancestors;
    return findOrParseAction(QStringView(text), position, brackets, ancestors, nullptr);
}

std::shared_ptr<RobotAction> LogFile::findOrParseAction(const QString &text, int &position, std::vector<int> &added)
{
    m_addedIds = &added;
    auto action = findOrParseAction(text, position);
    m_addedIds = nullptr;
    return action;
}

void LogFile::forgetActions(const std::vector<int> &ids)
{
    for (const int id : ids) {
        std::shared_ptr<RobotAction> action;
        if (id >= 0 && size_t(id) < m_denseActions.size() && m_denseActions[size_t(id)])
            action = std::exchange(m_denseActions[size_t(id)], nullptr);
        else
            action = m_sparseActions.take(id);
        if (!action)
            continue;
        --m_actionCount;
        // Once the file links entries, one of them may name it: then it
        // stays, no longer found by its id, for as long as the entries do.
        if (m_linkedEntries > 0)
            m_retiredActions.push_back(std::move(action));
    }
    // The map is made again when next asked for.
    m_mappedActions = -1;
}

std::shared_ptr<RobotAction> LogFile::findOrParseAction(QStringView text, int &position,
                                                        BracketIndex &brackets,
                                                        std::vector<const RobotAction *> &ancestors,
                                                        QStringView *rejected)
{
    const int id = parseActionId(text, position, rejected);
    if (id < 0)
        return nullptr;

    if (auto known = knownAction(id))
        return known;

    QStringView childText;
    auto action = parseActionDescription(text, position, id, childText, brackets, &m_sharedTexts);
    if (!action)
        return nullptr;
    // Registered before the child list is read: a malformed list leaves it known.
    addAction(id, action);
    if (childText.isEmpty())
        return action;
    if (int(ancestors.size()) >= maxActionDepth)
        return nullptr;

    ancestors.push_back(action.get());
    std::shared_ptr<RobotAction> result = action;
    int childPosition = 0;
    for (;;) {
        auto child = findOrParseAction(childText, childPosition, brackets, ancestors, rejected);
        // A child that is this action or one of its ancestors would make the
        // action its own descendant; it is left out.
        if (child && std::find(ancestors.begin(), ancestors.end(), child.get()) == ancestors.end())
            action->addChild(child.get());
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

LogFile::ReadAccess::ReadAccess(const LogFile &file)
    : m_file(file)
    , m_lock(file.m_accessLock)
{
}

LogFile::Appender::Appender(LogFile &file)
    : m_file(file)
    , m_lock(file.m_accessLock)
{
    m_file.m_appendingThread.store(QThread::currentThreadId(), std::memory_order_relaxed);
}

LogFile::Appender::Appender(LogFile &file, std::try_to_lock_t)
    : m_file(file)
    , m_lock(file.m_accessLock, std::try_to_lock)
{
    if (m_lock.owns_lock())
        m_file.m_appendingThread.store(QThread::currentThreadId(), std::memory_order_relaxed);
}

LogFile::Appender::~Appender()
{
    if (m_lock.owns_lock())
        m_file.m_appendingThread.store(nullptr, std::memory_order_relaxed);
}

int LogFile::Appender::append(Batch &batch, const std::atomic<bool> *cancelled)
{
    Q_ASSERT(ownsLock());
    const int first = m_file.m_entries.size();
    for (auto &entry : batch)
        m_file.appendEntry(std::move(entry.first), entry.second);
    batch.clear();
    m_file.linkActions(cancelled);
    return first;
}

void LogFile::Appender::holdLinkProblems(bool held)
{
    m_file.m_holdLinkProblems = held;
    if (held)
        return;
    for (const Problem &problem : m_file.m_heldProblems)
        m_file.addProblem(problem.lineNumber, problem.message);
    std::vector<Problem>().swap(m_file.m_heldProblems);
}

std::vector<std::shared_ptr<RobotAction>> LogFile::Appender::relinkLast()
{
    Q_ASSERT(ownsLock());
    LogFile &file = m_file;
    std::vector<std::shared_ptr<RobotAction>> dropped;
    if (file.m_entries.isEmpty() || file.m_linkedEntries != file.m_entries.size())
        return dropped;
    // The actions first named by the last record are forgotten: no other
    // record can name them yet, as it is the last.
    for (const int id : file.m_lastLinked.registered) {
        std::shared_ptr<RobotAction> action;
        if (id >= 0 && size_t(id) < file.m_denseActions.size() && file.m_denseActions[size_t(id)])
            action = std::exchange(file.m_denseActions[size_t(id)], nullptr);
        else
            action = file.m_sparseActions.take(id);
        if (!action)
            continue;
        --file.m_actionCount;
        dropped.push_back(std::move(action));
    }
    file.m_mappedActions = -1;
    LogFileEntry &last = file.m_entries.last();
    last.setAction(nullptr, NoActivity);
    --file.m_linkedEntries;
    file.m_unlinkedLineNumbers.assign(1, file.m_lastLinked.line);
    file.linkActions(nullptr);
    return dropped;
}
