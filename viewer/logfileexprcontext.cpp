#include "logfileexprcontext.h"

#include "exprnode.h"
#include "logfile.h"

#include <QTreeWidgetItem>

namespace {

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

const QStringList LogFileExprContext::variableNames = {
    QStringLiteral("time"),    QStringLiteral("type"),      QStringLiteral("action"),  QStringLiteral("activity"),
    QStringLiteral("message"), QStringLiteral("subsystem"), QStringLiteral("isaction"), QStringLiteral("text")};

LogFileExprContext::LogFileExprContext() = default;

LogFileExprContext::~LogFileExprContext() = default;

void LogFileExprContext::setLogFile(std::shared_ptr<LogFile> file)
{
    logFile = std::move(file);
}

void LogFileExprContext::setItem(QTreeWidgetItem *row)
{
    item = row;
}

bool LogFileExprContext::isVariable(const QString &name)
{
    return variableNames.contains(name.toLower());
}

QVariant LogFileExprContext::getVariable(const QString &name)
{
    if (!item)
        return QVariant();
    // Names are nearly always written in small letters already; only the
    // others pay for lowering.
    int index = variableNames.indexOf(name);
    if (index < 0)
        index = variableNames.indexOf(name.toLower());
    switch (index) {
    case 0: {
        // The entry's own time, not the six digits the cell may show: those
        // would merge records that are seconds apart in a long run.
        const LogFileEntry *entry = currentEntry();
        return entry ? QVariant(entry->time()) : QVariant(item->text(TimeColumn).toDouble());
    }
    case 1:
        return lowered(item->text(TypeColumn));
    case 2:
        return item->text(ActionColumn).toUInt(nullptr, 10);
    case 3:
        return lowered(item->text(ActivityColumn));
    case 4:
        return lowered(item->text(MessageColumn));
    case 5:
        return lowered(item->text(SubsystemColumn));
    case 6: {
        const LogFileEntry *entry = currentEntry();
        return entry && entry->hasAction();
    }
    case 7: {
        // The record's own message, also on action records whose Message
        // cell shows the action instead.
        const LogFileEntry *entry = currentEntry();
        return entry ? lowered(entry->message()) : QString();
    }
    default:
        return QVariant();
    }
}

const LogFileEntry *LogFileExprContext::currentEntry() const
{
    const int number = item->data(TimeColumn, Qt::UserRole).toInt();
    if (!logFile || number < 0 || number >= logFile->entries().size())
        return nullptr;
    return logFile->entries().at(number).get();
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
