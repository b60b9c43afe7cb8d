#include "problemreport.h"

#include "logfile.h"

namespace problemreport {

QString groupedNumber(qint64 value)
{
    QString digits = QString::number(value);
    for (int i = digits.size() - 3; i > (value < 0 ? 1 : 0); i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

QString summary(qint64 count, const QString &name)
{
    return count == 1 ? QStringLiteral("1 line of %1 could not be read").arg(name)
                      : QStringLiteral("%1 lines of %2 could not be read").arg(count).arg(name);
}

QStringList listed(const LogFile &file, int limit)
{
    QStringList lines = file.messages().mid(0, limit);
    const qint64 more = file.problemCount() - lines.size();
    if (more > 0)
        lines << QStringLiteral("(%1 more)").arg(more);
    return lines;
}

QString tabToolTip(const QString &path, const LogFile &file)
{
    const qint64 count = file.problemCount();
    const QString counted = count == 1 ? QStringLiteral("1 line could not be read")
                                       : QStringLiteral("%1 lines could not be read").arg(count);
    return counted + QLatin1Char('\n') + path + QLatin1Char('\n')
        + listed(file, maxTabListedMessages).join(QLatin1Char('\n'));
}

QString openFailures(const QStringList &messages, const QStringList &names)
{
    if (messages.size() == 1)
        return messages.first();
    return QStringLiteral("could not open %1 files: %2").arg(messages.size()).arg(names.join(QStringLiteral(", ")));
}

} // namespace problemreport
