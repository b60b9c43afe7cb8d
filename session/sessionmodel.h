#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// What a .mirtsession file holds: the open tabs in order, which one is
// current, and per tab its files and how it was looked at. Plain values;
// sessionjson reads and writes them, bounding what it reads.

// What is known of a file when the session was saved, to tell later
// whether it changed: its size, its modification time, and a SHA-256 of
// its first bytes (at most FileFingerprint::hashedBytes of them).
struct FileFingerprint
{
    qint64 size = -1;
    // Milliseconds since the epoch, UTC.
    qint64 modifiedMs = 0;
    // How many bytes from the start the hash covers, and the hash in hex.
    qint64 hashedLength = 0;
    QByteArray sha256;

    bool isKnown() const { return size >= 0 && !sha256.isEmpty(); }
    bool operator==(const FileFingerprint &other) const
    {
        return size == other.size && modifiedMs == other.modifiedMs && hashedLength == other.hashedLength
            && sha256 == other.sha256;
    }
};

// One file of a tab: its absolute path (relative only in the file itself),
// the seconds its times are shifted by in a merged tab, and its
// fingerprint.
struct SessionFile
{
    QString path;
    double shift = 0;
    FileFingerprint fingerprint;
};

// A place the user marked in a tab: the record's line in its file, a note,
// and in a merged tab the index of that file among the tab's files.
struct SessionBookmark
{
    qint64 line = 0;
    QString note;
    int source = 0;

    bool operator==(const SessionBookmark &other) const
    {
        return line == other.line && note == other.note && source == other.source;
    }
};

struct SessionTab
{
    // One file, or the members of a merged tab in their order.
    std::vector<SessionFile> files;
    bool merged = false;
    QString filter;
    int contextRows = 0;
    bool following = false;
    // The current record as its line in its file (from 1; 0 for none),
    // and in a merged tab the index of that file among `files`.
    qint64 currentLine = 0;
    int currentSource = 0;
    // The analysis panels shown while this tab was current.
    bool showActions = false;
    bool showTimeline = false;
    std::vector<SessionBookmark> bookmarks;
    // The wall-clock date and time of time 0, to the millisecond.
    std::optional<QDateTime> timeOrigin;
};

struct Session
{
    std::vector<SessionTab> tabs;
    // The index of the current tab; -1 for none.
    int current = -1;
};
