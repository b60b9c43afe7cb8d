#pragma once

#include <QByteArray>
#include <QString>

// File names on Linux are bytes. A name that is not valid in the locale's
// encoding (a Latin-1 "prüfung.log" on a UTF-8 system) would lose those bytes
// in a QString, and the file could not be opened again. These functions keep
// every byte: an undecodable byte b travels as the lone surrogate U+DC00 + b,
// which no valid text contains.

// The name as a QString, with undecodable bytes escaped.
QString decodeLocalPath(const QByteArray &bytes);
// The bytes of a name made by decodeLocalPath (or any ordinary QString path).
QByteArray encodeLocalPath(const QString &path);
// The name as it can be shown: each escaped byte becomes U+FFFD.
QString displayPath(const QString &path);
// The short name of a log file, as its tab and the filter's `source` know
// it: the shown file name up to its first dot ("robot" for ".../robot.log").
QString shortFileName(const QString &path);

// Checks `path` and opens it for reading as a log file: returns a file
// descriptor open for reading, which the caller closes, or -1 with `error`
// set to the reader's message: the path does not exist, is a symbolic link
// loop, is not a regular file, or cannot be opened. Compressed files open
// too: LogInput reads them (loginput.h).
int openLogFileDescriptor(const QString &path, QString &error);
