#include "quickfilter.h"

#include "logfileentry.h"
#include "entrypresentation.h"
#include "robotaction.h"

#include <QLocale>

namespace quickfilter {

namespace {

// The shortest digits that read back as the same time, never an exponent:
// the filter compares the entry's own time.
QString timeLiteral(double time)
{
    return QString::number(time, 'f', QLocale::FloatingPointShortest);
}

} // namespace

QString title(Kind kind)
{
    switch (kind) {
    case OnlySubsystem: return QStringLiteral("Only this subsystem");
    case HideSubsystem: return QStringLiteral("Hide this subsystem");
    case OnlyType: return QStringLiteral("Only this type");
    case OnlyAction: return QStringLiteral("Only this action");
    case FromTime: return QStringLiteral("From this time on");
    default: return QStringLiteral("Up to this time");
    }
}

QString clause(Kind kind, const LogFileEntry &entry, const RobotAction *action)
{
    // Subsystems are letters and digits, so they need no escaping.
    switch (kind) {
    case OnlySubsystem:
        return QStringLiteral("subsystem == \"%1\"").arg(entry.subsystem().toLower());
    case HideSubsystem:
        return QStringLiteral("subsystem != \"%1\"").arg(entry.subsystem().toLower());
    case OnlyType:
        return QStringLiteral("type == \"%1\"").arg(EntryPresentation::typeValue(entry.type()));
    case OnlyAction:
        if (!action)
            action = entry.action();
        return action ? QStringLiteral("action == %1").arg(action->id()) : QString();
    case FromTime:
        return QStringLiteral("time >= ") + timeLiteral(entry.time());
    default:
        return QStringLiteral("time <= ") + timeLiteral(entry.time());
    }
}

QString combine(const QString &current, const QString &clause)
{
    const QString base = current.trimmed();
    if (base.isEmpty())
        return clause;
    if (base.contains(QLatin1String("||")))
        return QLatin1Char('(') + base + QStringLiteral(") && ") + clause;
    return base + QStringLiteral(" && ") + clause;
}

} // namespace quickfilter
