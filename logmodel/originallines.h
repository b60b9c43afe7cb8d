#pragma once

#include "logfile.h"
#include "loginput.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

// The records' own text, read back from their files: the bytes of each
// record line and its continuation lines as the file holds them (a CR LF
// stays a CR LF), by the places the reader kept (LogFile::textOf()).
// A file that changed since it was read (another file under its name,
// shorter now, or other bytes where a record was) gives a message instead
// of wrong text. Compressed files are expanded again from their start.
// Reads files: for worker threads, or for a few records of a plain file.
class OriginalLines final
{
public:
    // Where the records lie: taken from the file while it holds still (on
    // the thread that appends to it, or through a ReadAccess), and read
    // later without holding it.
    struct Place
    {
        int source = 0;
        qint64 begin = -1;
        qint64 length = 0;
    };
    struct SourceFile
    {
        QString path;
        LogFile::Identity identity;
        LogCompression compression = LogCompression::None;
    };
    struct Request
    {
        std::vector<Place> places;
        std::vector<SourceFile> sources;
        qint64 bytes = 0;
    };
    // The places of `entries` (entry numbers), each entry once, in entry
    // order: the file's order, and in a merged file the order of its rows.
    static Request request(const LogFile &file, std::vector<int> entries);

    struct Result
    {
        // The records' bytes (read()) or their text, decoded as the reader
        // decodes each file (readText()).
        QByteArray bytes;
        QString text;
        int records = 0;
        // Why nothing was read; empty when all was.
        QString error;
    };
    // Each record's bytes go to `sink` in the order of the request, a line
    // feed of its file's encoding added to one that has none (a last line)
    // when another follows. Stops at the first message (a refused sink
    // sets it) or once `cancelled` is set; returns the message. `withMark`
    // puts the byte order mark of the first record's file (if any) before
    // it, so that the bytes read back as that file does.
    using Sink = std::function<bool(const QByteArray &bytes, QString *error)>;
    static QString read(const Request &request, const Sink &sink, const std::atomic<bool> *cancelled = nullptr,
                        bool withMark = false);
    static Result readBytes(const Request &request, const std::atomic<bool> *cancelled = nullptr);
    static Result readText(const Request &request, const std::atomic<bool> *cancelled = nullptr);

    // What a file is now, for LogFile::setIdentity().
    static LogFile::Identity identityOf(int fd);
    static LogFile::Identity identityOf(const QString &path);

private:
    // The records' bytes, or their text decoded, gathered in memory.
    static Result gather(const Request &request, const std::atomic<bool> *cancelled, bool decoded);
};
