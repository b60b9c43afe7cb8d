#include "actionparser.h"

#include "robotaction.h"
#include "slotpool.h"

#include <algorithm>
#include <climits>

namespace {

const QString startPrefix = QStringLiteral("starting action:");
const QString completePrefix = QStringLiteral("completing action:");
const QString cancelPrefix = QStringLiteral("canceling action:");

void skipSpaces(QStringView text, int &position)
{
    while (position < text.size() && text.at(position).isSpace())
        ++position;
}

// Index of the first "[" or "," at or after `from`, or the text's size.
int findDelimiter(QStringView text, int from)
{
    const QChar *data = text.data();
    const int size = int(text.size());
    for (int i = from; i < size; ++i) {
        const ushort c = data[i].unicode();
        if (c == '[' || c == ',')
            return i;
    }
    return size;
}

} // namespace

QString matchActionPrefix(const QString &text, int &position)
{
    return matchActionPrefix(QStringView(text), position);
}

QString matchActionPrefix(QStringView text, int &position)
{
    skipSpaces(text, position);
    QString found;
    for (const QString *prefix : {&startPrefix, &completePrefix, &cancelPrefix}) {
        // At least one character must follow the prefix.
        if (text.size() - position > prefix->size()
            && text.mid(position, prefix->size()) == QStringView(*prefix)) {
            position += int(prefix->size());
            found = *prefix;
            break;
        }
    }
    skipSpaces(text, position);
    return found;
}

ActionActivity activityForPrefix(const QString &prefix)
{
    if (prefix == startPrefix)
        return Start;
    if (prefix == completePrefix)
        return Complete;
    if (prefix == cancelPrefix)
        return Cancel;
    return NoActivity;
}

int parseActionId(const QString &text, int &position)
{
    return parseActionId(QStringView(text), position);
}

int parseActionId(QStringView text, int &position, QStringView *rejected)
{
    const int start = position;
    while (position < text.size() && text.at(position).isNumber())
        ++position;
    if (position == start)
        return -1;
    const QStringView digits = text.mid(start, position - start);
    skipSpaces(text, position);
    if (position >= text.size() || text.at(position) != QLatin1Char(':'))
        return -1;
    ++position;
    skipSpaces(text, position);
    // Only ASCII digits within int: other number characters and numbers too
    // large would all read as one bogus action shared by unrelated records.
    qint64 id = 0;
    for (const QChar c : digits) {
        const ushort u = c.unicode();
        if (u < '0' || u > '9' || (id = id * 10 + (u - '0')) > INT_MAX) {
            if (rejected)
                *rejected = digits;
            return -1;
        }
    }
    return int(id);
}

BracketIndex::BracketIndex(QStringView text)
    : m_text(text)
{
}

void BracketIndex::build()
{
    m_built = true;
    std::vector<int> stack;
    const QChar *data = m_text.data();
    const int size = int(m_text.size());
    for (int i = 0; i < size; ++i) {
        const ushort c = data[i].unicode();
        if (c == '[') {
            stack.push_back(int(m_opens.size()));
            m_opens.push_back(i);
            m_closes.push_back(-1);
        } else if (c == ']' && !stack.empty()) {
            m_closes[size_t(stack.back())] = i;
            stack.pop_back();
        }
    }
}

const QChar *BracketIndex::closing(const QChar *open, const QChar *end)
{
    if (!m_built)
        build();
    const int offset = int(open - m_text.data());
    const auto it = std::lower_bound(m_opens.begin(), m_opens.end(), offset);
    if (it == m_opens.end() || *it != offset)
        return nullptr;
    const int close = m_closes[size_t(it - m_opens.begin())];
    if (close < 0)
        return nullptr;
    const QChar *result = m_text.data() + close;
    return result < end ? result : nullptr;
}

std::shared_ptr<RobotAction> parseActionDescription(const QString &text, int &position, int id,
                                                    QString &childText)
{
    BracketIndex brackets(text);
    QStringView children;
    auto action = parseActionDescription(QStringView(text), position, id, children, brackets);
    childText = children.toString();
    return action;
}

QString SharedTexts::get(QStringView text)
{
    if (text.isEmpty() || text.size() > maxLength)
        return text.toString();
    const auto found = m_texts.constFind(text);
    if (found != m_texts.constEnd())
        return found.value();
    const QString copy = text.toString();
    if (m_texts.size() < maxTexts)
        m_texts.insert(QStringView(copy), copy);
    return copy;
}

std::shared_ptr<RobotAction> parseActionDescription(QStringView text, int &position, int id,
                                                    QStringView &childText, BracketIndex &brackets,
                                                    SharedTexts *shared)
{
    const auto textOf = [shared](QStringView part) { return shared ? shared->get(part) : part.toString(); };
    childText = QStringView();
    const int size = int(text.size());
    if (position >= size)
        return nullptr;

    const int nameEnd = findDelimiter(text, position);
    // The action and its count in one slot of a pool: a file has millions.
    auto action = std::allocate_shared<RobotAction>(SlotAllocator<RobotAction>(), id,
                                                    textOf(text.mid(position, nameEnd - position)));
    position = nameEnd;

    for (;;) {
        if (position < size && text.at(position) == QLatin1Char(','))
            ++position;
        skipSpaces(text, position);
        if (position >= size)
            break;
        if (text.at(position) == QLatin1Char('[')) {
            const QChar *open = text.data() + position;
            const QChar *close = brackets.closing(open, text.data() + size);
            const int begin = position + 1;
            if (close) {
                const int end = int(close - text.data());
                childText = text.mid(begin, end - begin);
                position = end + 1;
            } else {
                // No matching bracket: the child list runs to the end of the text.
                childText = text.mid(begin);
                position = size;
            }
            break;
        }
        const int argumentEnd = findDelimiter(text, position);
        action->addArgument(textOf(text.mid(position, argumentEnd - position)));
        position = argumentEnd;
    }
    return action;
}
