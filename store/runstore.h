#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

class QIODevice;
struct PreparedLog;

// The records and action runs of many logs in one SQLite database, which
// any SQL tool can query (README, "A store of many runs"). Files are kept
// by absolute path; indexing a file again replaces its rows when it
// changed and skips it when it did not. Each file is written in one
// transaction, so a write that is interrupted (killed, cancelled, out of
// disk space) leaves the database as it was.
//
// A store is used from the thread that opened it; files are read on other
// threads meanwhile. The SQLite driver is a plugin of Qt SQL, which loads
// only once a QCoreApplication exists.
class RunStore final
{
public:
    // What became of one file. Skipped: the store holds it already, with
    // the same size, modification time and SHA-256. Failed: it could not be
    // read or written, or indexing was cancelled ("cancelled"); the store
    // keeps whatever it held of the file before.
    struct FileReport
    {
        enum Outcome { Indexed, Skipped, Failed };
        // Absolute, as the store keeps it.
        QString path;
        Outcome outcome = Failed;
        // What the store holds of the file now (for Indexed and Skipped).
        qint64 records = 0;
        qint64 runs = 0;
        // Why it failed, for the user.
        QString error;
    };
    // Told, on the store's thread, how far writing a file has come: once its
    // transaction has begun (0 rows), then every progressRows rows.
    using WriteProgress = std::function<void(const QString &path, qint64 rows)>;
    static constexpr qint64 progressRows = 16384;

    RunStore();
    ~RunStore();
    Q_DISABLE_COPY_MOVE(RunStore)

    // Opens the database at `path`, creating it and its tables when needed;
    // false with `error` set when it cannot, or when the file is some other
    // database or no database at all.
    bool open(const QString &path, QString *error);
    void close();
    bool isOpen() const { return m_database.isOpen(); }

    // Indexes the log at `path`. Once `cancelled` is set, the file being
    // written is rolled back and no other is read.
    FileReport index(const QString &path, const std::atomic<bool> *cancelled = nullptr);
    // Indexes the logs at `paths`, reading several at once on other threads
    // while one is written; the reports come in the order of `paths`, each
    // also given to `done` once its file is finished.
    std::vector<FileReport> index(const QStringList &paths, const std::atomic<bool> *cancelled = nullptr,
                                  const std::function<void(const FileReport &)> &done = {});
    void setWriteProgress(WriteProgress progress) { m_progress = std::move(progress); }

    // Writes table `table` ("files", "records" or "runs") to `device` as
    // CSV (with a header line) or as JSON Lines (an object a row, keys in
    // column order, NULL as null).
    enum class Format { Csv, JsonLines };
    bool exportTable(const QString &table, Format format, QIODevice &device, QString *error);

private:
    FileReport write(const PreparedLog &log, const std::atomic<bool> *cancelled);
    bool writeRows(const PreparedLog &log, qint64 fileId, const std::atomic<bool> *cancelled, QString *error);
    bool writeRecords(const PreparedLog &log, qint64 fileId, const std::atomic<bool> *cancelled, QString *error);
    bool writeRuns(const PreparedLog &log, qint64 fileId, QString *error);
    FileReport stored(const QString &path, FileReport::Outcome outcome);

    QString m_connection;
    QSqlDatabase m_database;
    WriteProgress m_progress;
};
