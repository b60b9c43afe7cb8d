#include "clocktime.h"

#include <QRegularExpression>

#include <cmath>

namespace clocktime {

namespace {

constexpr qint64 msecsPerDay = 86400000;
// 0001-01-01 and 10000-01-01, in milliseconds since 1970.
constexpr qint64 firstMsecs = -62135596800000LL;
constexpr qint64 endMsecs = 253402300800000LL;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Year, month and day of the day `days` after 1970-01-01, proleptic
// Gregorian (H. Hinnant's civil_from_days).
void civil(qint64 days, int &year, int &month, int &day)
{
    days += 719468;
    const qint64 era = floorDiv(days, 146097);
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shifted = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = int(shifted < 10 ? shifted + 3 : shifted - 9);
    year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

void put(char *&out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
    out += width;
}

} // namespace

std::optional<qint64> originMsecs(const QDateTime &origin)
{
    if (!origin.isValid())
        return std::nullopt;
    const qint64 msecs = QDateTime(origin.date(), origin.time(), Qt::UTC).toMSecsSinceEpoch();
    if (msecs < firstMsecs || msecs >= endMsecs)
        return std::nullopt;
    return msecs;
}

QDateTime fromMsecs(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

std::optional<qint64> clockMsecs(qint64 originMsecs, double time)
{
    // Beyond this no clock time of the years 1 to 9999 is reached.
    if (!std::isfinite(time) || std::abs(time) > 6.5e11)
        return std::nullopt;
    const qint64 msecs = originMsecs + std::llround(time * 1000.0);
    if (msecs < firstMsecs || msecs >= endMsecs)
        return std::nullopt;
    return msecs;
}

void formatMsecs(qint64 msecs, char *out)
{
    const qint64 days = floorDiv(msecs, msecsPerDay);
    qint64 ofDay = msecs - days * msecsPerDay;
    int year = 0, month = 0, day = 0;
    civil(days, year, month, day);
    put(out, year, 4);
    *out++ = '-';
    put(out, month, 2);
    *out++ = '-';
    put(out, day, 2);
    *out++ = ' ';
    put(out, int(ofDay / 3600000), 2);
    ofDay %= 3600000;
    *out++ = ':';
    put(out, int(ofDay / 60000), 2);
    ofDay %= 60000;
    *out++ = ':';
    put(out, int(ofDay / 1000), 2);
    *out++ = '.';
    put(out, int(ofDay % 1000), 3);
}

QString formatMsecs(qint64 msecs)
{
    char text[23];
    formatMsecs(msecs, text);
    return QString::fromLatin1(text, 23);
}

QString clockText(qint64 originMsecs, double time)
{
    const std::optional<qint64> msecs = clockMsecs(originMsecs, time);
    return msecs ? formatMsecs(*msecs) : QString();
}

Typed parse(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(?:(\d{4})-(\d{1,2})-(\d{1,2})[ T]+)?(\d{1,2}):(\d{2}):(\d{2})(?:[.,](\d{1,3}))?\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    Typed typed;
    if (!match.hasMatch())
        return typed;
    const int hour = match.capturedRef(4).toInt();
    const int minute = match.capturedRef(5).toInt();
    const int second = match.capturedRef(6).toInt();
    const QString fraction = match.captured(7);
    const int msec = fraction.isEmpty() ? 0 : (fraction + QStringLiteral("00")).left(3).toInt();
    if (hour > 23 || minute > 59 || second > 59)
        return typed;
    const qint64 ofDay = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
    if (match.capturedRef(1).isEmpty()) {
        typed.valid = true;
        typed.msecs = ofDay;
        return typed;
    }
    const QDate date(match.capturedRef(1).toInt(), match.capturedRef(2).toInt(), match.capturedRef(3).toInt());
    if (!date.isValid() || date.year() < 1)
        return typed;
    typed.valid = true;
    typed.hasDate = true;
    typed.msecs = QDateTime(date, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch() + ofDay;
    return typed;
}

bool looksLikeClock(const QString &text)
{
    return text.contains(QLatin1Char(':'));
}

qint64 resolve(const Typed &typed, qint64 originMsecs)
{
    if (typed.hasDate)
        return typed.msecs;
    const qint64 midnight = floorDiv(originMsecs, msecsPerDay) * msecsPerDay;
    const qint64 sameDay = midnight + typed.msecs;
    return sameDay < originMsecs ? sameDay + msecsPerDay : sameDay;
}

double timeAtOrAfter(qint64 originMsecs, qint64 clockMsecs)
{
    // A time rounds to this millisecond or a later one from half a
    // millisecond before it.
    return (double(clockMsecs - originMsecs) - 0.5) / 1000.0;
}

} // namespace clocktime
