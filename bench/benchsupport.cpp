#include "benchsupport.h"

#include <QByteArray>
#include <QFile>

long statusMegabytes(const char *field)
{
    const long kilobytes = statusKilobytes(field);
    return kilobytes < 0 ? -1 : kilobytes / 1024;
}

long statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double lapSeconds(QElapsedTimer &timer)
{
    const double result = timer.nsecsElapsed() / 1e9;
    timer.restart();
    return result;
}
