#pragma once

#include "sessionmodel.h"

#include <QString>

// What a session keeps of a file to tell later whether it changed, and the
// telling. A log that only grew since (a followed log) is not changed: the
// records it had keep their lines.
namespace fingerprints {

// How much of a file's start the hash covers: enough to tell time-stamped
// logs apart, little enough that saving the session of 64 tabs on quit
// does not keep the window waiting.
constexpr qint64 hashedBytes = 64 * 1024;

// The fingerprint of the file at `path` now; not known when it cannot be read.
FileFingerprint take(const QString &path);

enum class Change
{
    // As it was, or nothing was known of it.
    Same,
    // Longer, with the same bytes at its start.
    Grew,
    // Shorter, other bytes at its start, or rewritten at the same size.
    Changed,
    // Gone, or not a file that can be read.
    Missing,
};
// How the file at `path` differs from what `saved` knew of it.
Change compare(const QString &path, const FileFingerprint &saved);

} // namespace fingerprints
