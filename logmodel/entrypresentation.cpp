#include "entrypresentation.h"

#include "logfileentry.h"
#include "robotaction.h"
#include "rowcolours.h"

#include <QHash>
#include <QLocale>
#include <QStringBuilder>

#include <algorithm>
#include <cmath>

const QStringList &EntryPresentation::headerLabels()
{
    static const QStringList labels{QStringLiteral("Time"),     QStringLiteral("Type"),
                                    QStringLiteral("Subsystem"), QStringLiteral("Action"),
                                    QStringLiteral("Activity"),  QStringLiteral("Message")};
    return labels;
}

QString EntryPresentation::timeText(double time)
{
    // Six significant digits would show 9449.923 as 9449.92 and a time stamp
    // in epoch seconds as 1.7e+09; from 1000 s on every integer digit shows,
    // with up to three decimals.
    if (!(std::fabs(time) >= 1000))
        return QString::number(time, 'g', 6);
    QString text = QString::number(time, 'f', 3);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

// Display names are shared strings, so no cell makes copies of them.
const QString &EntryPresentation::typeName(EntryType type)
{
    static const QString names[] = {QStringLiteral("Debug"), QStringLiteral("Info"), QStringLiteral("Warning"),
                                    QStringLiteral("Error"), QStringLiteral("Unknown")};
    const int index = static_cast<int>(type);
    return names[index >= Debug && index <= Error ? index : Unknown];
}

const QString &EntryPresentation::activityName(ActionActivity activity)
{
    static const QString names[] = {QStringLiteral("Start"), QStringLiteral("Complete"), QStringLiteral("Cancel"),
                                    QStringLiteral("Unknown")};
    const int index = static_cast<int>(activity);
    return names[index >= Start && index <= Cancel ? index : 3];
}

QString EntryPresentation::actionText(const RobotAction &action)
{
    int length = action.name().size();
    for (const QString &argument : action.arguments())
        length += 2 + argument.size();
    QString text;
    text.reserve(length);
    text += action.name();
    for (const QString &argument : action.arguments()) {
        text += QLatin1String(", ");
        text += argument;
    }
    return text;
}

QString EntryPresentation::messageText(const LogFileEntry &entry)
{
    const RobotAction *action = entry.action();
    return action ? actionText(*action) : entry.message();
}

QString EntryPresentation::cellText(const LogFileEntry &entry, int column)
{
    const RobotAction *action = entry.action();
    switch (column) {
    case TimeColumn:
        return timeText(entry.time());
    case TypeColumn:
        return typeName(entry.type());
    case SubsystemColumn:
        return entry.subsystem();
    case ActionColumn:
        return action ? QString::number(action->id()) : QString();
    case ActivityColumn:
        return action ? activityName(entry.activity()) : QString();
    case MessageColumn:
        return action ? actionText(*action) : entry.message();
    default:
        return QString();
    }
}

namespace {

QString capped(const QString &text)
{
    if (text.size() <= EntryPresentation::maxShownLength)
        return text;
    int length = EntryPresentation::maxShownLength;
    // Never split a surrogate pair.
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + QChar(0x2026);
}

bool isInvisible(uint codePoint)
{
    if (codePoint >= 0x20 && codePoint < 0x7f)
        return false;
    if (codePoint == '\t')
        return false;
    switch (QChar::category(codePoint)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

bool EntryPresentation::isShownAsMarker(uint codePoint)
{
    return isInvisible(codePoint);
}

QString EntryPresentation::withVisibleControls(const QString &text)
{
    const int size = text.size();
    const QChar *data = text.constData();
    QString result;
    int copied = 0;
    for (int i = 0; i < size; ++i) {
        uint codePoint = data[i].unicode();
        int length = 1;
        if (QChar::isHighSurrogate(codePoint) && i + 1 < size && data[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(data[i], data[i + 1]);
            length = 2;
        }
        if (isShownAsMarker(codePoint)) {
            if (result.isNull())
                result.reserve(size + 16);
            result.append(data + copied, i - copied);
            result += QStringLiteral("<U+%1>").arg(codePoint, 4, 16, QLatin1Char('0')).toUpper();
            copied = i + length;
        }
        i += length - 1;
    }
    if (result.isNull())
        return text;
    result.append(data + copied, size - copied);
    return result;
}

QString EntryPresentation::shownText(const QString &text)
{
    // Capped first, so a huge cell is never scanned whole; markers lengthen
    // the text, so it is capped again.
    return capped(withVisibleControls(capped(text)));
}

QString EntryPresentation::recordToolTip(const QString &message)
{
    QString text = message.size() > maxToolTipLength ? message.left(maxToolTipLength) + QChar(0x2026) : message;
    return withVisibleControls(text);
}

QString EntryPresentation::partnerToolTip(const LogFileEntry &partner)
{
    // One allocation for the whole text.
    return QStringLiteral("Time ") % timeText(partner.time()) % QStringLiteral(", ")
        % activityName(partner.activity());
}

QString EntryPresentation::startToolTip(const LogFileEntry *partner, bool restarted)
{
    // The outcomes as the analysis panels name them.
    const QString outcome = restarted ? QStringLiteral("Restarted")
        : !partner                    ? QStringLiteral("Never ended")
        : partner->activity() == Complete ? QStringLiteral("Completed")
                                          : QStringLiteral("Cancelled");
    if (!partner)
        return QStringLiteral("Outcome: ") + outcome;
    return partnerToolTip(*partner) % QStringLiteral("\nOutcome: ") % outcome;
}

quint32 EntryPresentation::severityColour(EntryType type)
{
    switch (type) {
    case Error: return RowColours::current().error;
    case Warning: return RowColours::current().warning;
    default: return noColour;
    }
}

quint32 EntryPresentation::activityColour(ActionActivity activity)
{
    switch (activity) {
    case Start: return RowColours::current().start;
    case Complete: return RowColours::current().complete;
    case Cancel: return RowColours::current().cancel;
    default: return noColour;
    }
}

quint32 EntryPresentation::messageColour(const LogFileEntry &entry)
{
    return entry.hasAction() ? activityColour(entry.activity()) : severityColour(entry.type());
}

QString EntryPresentation::lowered(const QString &text)
{
    // QString::toLower, with a quick path for the plain ASCII text that
    // nearly every log holds: the filter lowers the message of every row it
    // tests.
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

const QString &EntryPresentation::typeValue(EntryType type)
{
    static const QString names[] = {QStringLiteral("debug"), QStringLiteral("info"), QStringLiteral("warning"),
                                    QStringLiteral("error"), QStringLiteral("unknown")};
    const int index = int(type);
    return names[index >= Debug && index <= Error ? index : Unknown];
}

const QString &EntryPresentation::activityValue(ActionActivity activity)
{
    static const QString names[] = {QStringLiteral("start"), QStringLiteral("complete"), QStringLiteral("cancel"),
                                    QStringLiteral("unknown")};
    const int index = int(activity);
    return names[index >= Start && index <= Cancel ? index : 3];
}

QByteArray EntryPresentation::recordLine(const LogFileEntry &entry)
{
    return recordLine(entry, entry.message());
}

QByteArray EntryPresentation::recordLine(const LogFileEntry &entry, const QString &message)
{
    static const char *const levels[] = {"Debug", "Info", "Warning", "Error"};
    // The shortest digits that read back as the same time, with the point a
    // record line needs.
    QByteArray time = QByteArray::number(entry.time(), 'f', QLocale::FloatingPointShortest);
    if (!time.contains('.'))
        time += ".0";
    QByteArray line = time + " : " + levels[std::clamp(int(entry.type()), 0, 3)] + " : "
        + entry.subsystem().toUtf8() + " : " + message.toUtf8();
    // A reader drops one carriage return before a line feed: a message
    // ending in one keeps it with a second.
    if (message.endsWith(QLatin1Char('\r')))
        line += '\r';
    line += '\n';
    return line;
}

namespace {

double luminance(quint32 rgb)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(int((rgb >> 16) & 0xff)) + 0.7152 * channel(int((rgb >> 8) & 0xff))
        + 0.0722 * channel(int(rgb & 0xff));
}

} // namespace

double EntryPresentation::contrast(quint32 first, quint32 second)
{
    const double a = luminance(first) + 0.05;
    const double b = luminance(second) + 0.05;
    return a > b ? a / b : b / a;
}

quint32 EntryPresentation::contextTextColour(quint32 background)
{
    return RowColours::current().contextText(background);
}
