#pragma once

#include "sessionmodel.h"

#include <QString>
#include <QStringList>

// Reads and writes a Session as the JSON of a .mirtsession file. Paths
// below the session file's folder are written relative to it, so that a
// folder of logs with its session can be moved or sent; others absolute.
// What is read is bounded: a file too large is refused before it is
// parsed, a tab that cannot be read is left out, and every limit reached
// is said in a note.
namespace sessionjson {

inline const QString extension = QStringLiteral(".mirtsession");
constexpr int formatVersion = 1;

// Bounds of what is read.
constexpr qint64 maxFileBytes = 4 * 1024 * 1024;
constexpr int maxTabs = 64;
// As many files as one merged tab takes.
constexpr int maxFilesPerTab = 64;
constexpr int maxPathLength = 4096;
constexpr int maxFilterLength = 64 * 1024;
constexpr int maxContextRows = 50;
constexpr double maxShift = 1e9;
constexpr int maxBookmarks = 10000;
constexpr int maxNoteLength = 4096;
// A record's line in its file is counted in 32 bits.
constexpr qint64 maxLine = 0xffffffffLL;

struct ReadResult
{
    // False when the file was refused as a whole; `error` says why.
    bool ok = false;
    Session session;
    QString error;
    // What was left out or cut, for the user.
    QStringList notes;
};

// Whether `path` names a session file (by its extension).
bool isSessionFile(const QString &path);

// `path` as written in a session file in `folder`.
QString storedPath(const QString &path, const QString &folder);
// A path read from a session file in `folder`, made absolute.
QString resolvedPath(const QString &stored, const QString &folder);

QByteArray toJson(const Session &session, const QString &folder);
// Reads the JSON of a session file that lies in `folder`.
ReadResult fromJson(const QByteArray &json, const QString &folder);

// Writes the file whole or not at all.
bool write(const Session &session, const QString &path, QString *error);
ReadResult read(const QString &path);

} // namespace sessionjson
