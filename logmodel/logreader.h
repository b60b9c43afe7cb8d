#pragma once

#include <QHash>
#include <QString>

#include <memory>

class LogFile;
class LogFileEntry;
class QIODevice;
class QTextDecoder;

// Reads the lines of a log into a LogFile: one entry per record line,
// continuation lines joined to the record before them, and a reader message
// for each line it cannot use. It reads any QIODevice in large blocks, and
// can be given the data in several calls.
//
// Lines, and messages joined from continuation lines, are cut at
// maxLineLength characters: the toolkit's strings end near 2^30 characters,
// and a run of NUL bytes that a crashed writer leaves is one "line".
class LogReader final
{
public:
    static constexpr int defaultMaxLineLength = 64 * 1024 * 1024;
    static constexpr qint64 blockSize = 4 * 1024 * 1024;

    explicit LogReader(LogFile &file, int maxLineLength = defaultMaxLineLength);
    ~LogReader();
    Q_DISABLE_COPY_MOVE(LogReader)

    // Reads from the device until a read returns nothing (the end, whatever
    // size the device claimed), `limit` bytes have been read (negative: no
    // limit), or a read fails. A failure keeps what was read, adds the
    // message "read error after line N: <reason>" and returns false.
    bool read(QIODevice &device, qint64 limit = -1);
    // Takes bytes that were read by other means.
    void addData(const char *data, qint64 size);
    // Handles a last line that ended without a line feed.
    void finish();

    qint64 bytesRead() const { return m_bytesRead; }

private:
    void startDecoding();
    void takeLines(const QString &text);
    void appendPending(QStringView text);
    // Handles the line gathered in m_pending, now that its end has come.
    void completeLine();
    void handleLine(const QString &line);
    void handleRecord(const QString &line);
    void handleContinuation(const QString &line);
    void report(const QString &message) const;

    LogFile &m_file;
    const int m_maxLineLength;
    std::unique_ptr<QTextDecoder> m_decoder;
    // The first bytes, until there are enough to recognise a byte order mark.
    QByteArray m_head;
    // The start of a line whose line feed has not been read yet.
    QString m_pending;
    bool m_pendingCut = false;
    qint64 m_lineNumber = 1;
    qint64 m_bytesRead = 0;
    LogFileEntry *m_previous = nullptr;
    // Subsystem names repeat on almost every line; one shared copy of each.
    QHash<QString, QString> m_subsystems;
};
