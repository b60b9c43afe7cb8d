#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <memory>

class QIODevice;

// How the bytes of a log are stored. Known by the data's first bytes,
// whatever the file's name says.
enum class LogCompression { None, Gzip, Bzip2, Xz, Zstd };

// "gzip", "bzip2", "xz", "zstd"; empty for None.
QString compressionName(LogCompression compression);
// The compression whose magic bytes begin `head` (at least six bytes are
// needed to tell them all apart).
LogCompression compressionOfHead(const QByteArray &head);
// The compression of the data in the open file `fd`, read at its start
// without moving its offset.
LogCompression compressionOfFile(int fd);

class CompressedLogDevice;
class StoredBytes;

// A log opened for reading: the text of a plain file, or the expanded text
// of a compressed one, as one QIODevice. The window's loads, LogFile::load
// and a command-line tool all open their logs through it, by path, by an
// open file descriptor, or from a device such as standard input.
//
// A compressed stream that is cut short or damaged makes device() fail a
// read after the text that came before the damage; damageMessage() then
// says so in the reader's words.
class LogInput final
{
public:
    // Opens `path` with the checks of openLogFileDescriptor().
    static std::unique_ptr<LogInput> openPath(const QString &path, QString &error);
    // Takes `fd`, open for reading, which it closes. `path` names the file in
    // messages.
    static std::unique_ptr<LogInput> openFileDescriptor(int fd, const QString &path, QString &error);
    // Reads from `source`, open for reading (a pipe too). `name` names it in
    // messages ("stdin").
    static std::unique_ptr<LogInput> openDevice(std::unique_ptr<QIODevice> source, const QString &name,
                                                QString &error);
    ~LogInput();
    Q_DISABLE_COPY_MOVE(LogInput)

    // The text, to be read in order.
    QIODevice &device() { return *text; }
    LogCompression compression() const { return kind; }
    bool isCompressed() const { return kind != LogCompression::None; }
    // The size of the stored data when it was opened; -1 where unknown (a pipe).
    qint64 storedSize() const { return stored; }
    // The stored bytes taken so far (compressed bytes for compressed data).
    // Safe to read from another thread while reading.
    qint64 storedBytesRead() const;
    // The text handed out so far: the expanded size once all is read. Safe
    // to read from another thread but for a plain regular file.
    qint64 textBytesRead() const;
    // How much a reader should take: the size a plain file has now (a
    // writer's later lines are left for a later read), or -1 for all.
    qint64 readLimit() const;
    // Follows storedBytesRead() in `progress` as the data is read (compressed
    // data only: the text of a plain file is its stored bytes). The atomic
    // must live as long as the reading.
    void followProgress(std::atomic<qint64> *progress);

    // Whether a read failed because the compressed data is damaged or cut
    // short.
    bool isDamaged() const;
    // What the text of `device` will likely come to, for reserving room:
    // for compressed data, judged by what it expanded to so far, and at most
    // maxExpansion times its stored size, so that a few kilobytes cannot
    // make room for gigabytes. -1 where unknown.
    static constexpr qint64 maxExpansion = 32;
    static qint64 expectedTextSize(const QIODevice &device);
    // "NAME: compressed data is damaged after line N", for the device of a
    // damaged input; empty for any other device.
    static QString damageMessage(const QIODevice &device, qint64 lastLine);

private:
    LogInput() = default;
    bool start(std::unique_ptr<QIODevice> source, const QString &name, QString &error);

    LogCompression kind = LogCompression::None;
    qint64 stored = -1;
    std::unique_ptr<QIODevice> plain;
    std::unique_ptr<StoredBytes> counted;
    std::unique_ptr<CompressedLogDevice> expanded;
    QIODevice *text = nullptr;
};
