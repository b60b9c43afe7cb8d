#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The wall-clock time of a record: a tab's time origin (the clock time of
// time 0) plus the record's time, to the millisecond. The origin is a plain
// wall-clock value: its date and time are taken as they read, in no time
// zone (held as UTC, so that no daylight saving shift ever applies).
namespace clocktime {

// Milliseconds since 1970-01-01 00:00:00 of the date and time `origin`
// reads; nothing for an invalid one.
std::optional<qint64> originMsecs(const QDateTime &origin);
// The same as a QDateTime in UTC.
QDateTime fromMsecs(qint64 msecs);

// The clock time of `time` seconds after the origin, in milliseconds
// (rounded to the nearest); nothing when it falls outside the years 1 to
// 9999 or the time is not finite.
std::optional<qint64> clockMsecs(qint64 originMsecs, double time);
// "YYYY-MM-DD hh:mm:ss.zzz"; empty when clockMsecs() gives nothing.
QString clockText(qint64 originMsecs, double time);
QString formatMsecs(qint64 msecs);
// The same 23 characters written to `out`, for a search that makes no string.
void formatMsecs(qint64 msecs, char *out);

// A clock time typed by the user: "YYYY-MM-DD hh:mm:ss" (or a "T" between
// them) or "hh:mm:ss", each with optional ".z", ".zz" or ".zzz".
struct Typed
{
    bool valid = false;
    bool hasDate = false;
    // Since 1970 with a date; since midnight without one.
    qint64 msecs = 0;
};
Typed parse(const QString &text);
// Whether `text` looks like a clock time rather than seconds.
bool looksLikeClock(const QString &text);

// The clock time `typed` means for a tab whose origin is `originMsecs`: a
// time without a date is on the origin's day, or the next day when that is
// before the origin (a run over midnight).
qint64 resolve(const Typed &typed, qint64 originMsecs);

// The first record time whose clock time (rounded to the millisecond) is at
// or after `clockMsecs`.
double timeAtOrAfter(qint64 originMsecs, qint64 clockMsecs);

} // namespace clocktime
