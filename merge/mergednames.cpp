#include "mergednames.h"

#include "localpath.h"

namespace mergednames {

namespace {

double shiftAt(const std::vector<double> &shifts, int index)
{
    return index >= 0 && size_t(index) < shifts.size() ? shifts[size_t(index)] : 0.0;
}

} // namespace

QString tabName(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << shortFileName(path);
    QString name = names.join(QLatin1Char('+'));
    if (name.size() > maxTabNameLength) {
        int length = maxTabNameLength - 1;
        if (name.at(length - 1).isHighSurrogate())
            --length;
        name = name.left(length) + QChar(0x2026);
    }
    return name;
}

QString shiftText(double seconds)
{
    return (seconds >= 0 ? QStringLiteral("+") : QString()) + QString::number(seconds, 'g', 12) + QStringLiteral(" s");
}

QString tabToolTip(const QStringList &paths, const std::vector<double> &shifts)
{
    QStringList lines;
    for (int index = 0; index < paths.size(); ++index) {
        QString line = displayPath(paths.at(index));
        if (shiftAt(shifts, index) != 0)
            line += QStringLiteral(" (time shifted %1)").arg(shiftText(shiftAt(shifts, index)));
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

QString shiftSummary(const QStringList &paths, const std::vector<double> &shifts)
{
    QStringList parts;
    for (int index = 0; index < paths.size(); ++index) {
        if (shiftAt(shifts, index) != 0)
            parts << shortFileName(paths.at(index)) + QLatin1Char(' ') + shiftText(shiftAt(shifts, index));
    }
    return parts.isEmpty() ? QString() : QStringLiteral("time shifts: ") + parts.join(QStringLiteral(", "));
}

} // namespace mergednames
