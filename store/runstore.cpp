#include "runstore.h"

#include "entrypresentation.h"
#include "logfileentry.h"
#include "preparedlog.h"
#include "robotaction.h"
#include "rowwriter.h"
#include "runcolumns.h"
#include "storeschema.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QThreadPool>
#include <QVariant>

#include <algorithm>
#include <future>
#include <memory>
#include <optional>

namespace {

std::atomic<int> connections{0};

bool isCancelled(const std::atomic<bool> *cancelled)
{
    return cancelled && cancelled->load(std::memory_order_relaxed);
}

QString absolutePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Files read at once while one is written: writing is the slower step, and
// every file read waits in memory until its turn.
int readerCount()
{
    return std::clamp(QThread::idealThreadCount() - 1, 1, 2);
}

// What the store knows of each of `paths`, by the same index.
std::vector<std::optional<KnownFile>> knownFiles(QSqlDatabase &database, const std::vector<QString> &paths)
{
    std::vector<std::optional<KnownFile>> known(paths.size());
    QSqlQuery lookup(database);
    lookup.prepare(QStringLiteral("SELECT id, size, mtime, sha256 FROM files WHERE path = ?"));
    for (size_t i = 0; i < paths.size(); ++i) {
        lookup.bindValue(0, paths[i]);
        if (lookup.exec() && lookup.next())
            known[i] = KnownFile{lookup.value(0).toLongLong(), lookup.value(1).toLongLong(),
                                 lookup.value(2).toString(), lookup.value(3).toString()};
        lookup.finish();
    }
    return known;
}

// Runs one statement; false with `error` set (the statement's own message)
// when it fails.
bool run(QSqlQuery &query, const QString &statement, QString *error)
{
    if (query.exec(statement))
        return true;
    *error = query.lastError().text();
    return false;
}

} // namespace

RunStore::RunStore()
    : m_connection(QStringLiteral("mirt-runstore-%1").arg(connections.fetch_add(1)))
{
}

RunStore::~RunStore()
{
    close();
}

void RunStore::close()
{
    if (!m_database.isValid())
        return;
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool RunStore::open(const QString &path, QString *error)
{
    close();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        *error = QStringLiteral("the SQLite driver of Qt SQL is not installed (Debian package libqt5sql5-sqlite)");
        return false;
    }
    const QString absolute = absolutePath(path);
    if (QFileInfo(absolute).isDir()) {
        *error = QStringLiteral("'") + absolute + QStringLiteral("' is a folder, not a database");
        return false;
    }
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_database.setDatabaseName(absolute);
    // Another writer of the same store is waited for, up to a point.
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    QString failure;
    if (!m_database.open()) {
        failure = m_database.lastError().text();
    } else {
        // With the write-ahead log a reader never waits for a writer, and a
        // commit needs no sync of its own yet leaves the database whole when
        // the machine stops; the first statement also finds out whether the
        // file is a database at all.
        QSqlQuery query(m_database);
        if (run(query, QStringLiteral("PRAGMA journal_mode=WAL"), &failure)
            && run(query, QStringLiteral("PRAGMA synchronous=NORMAL"), &failure)) {
            query.finish();
            if (StoreSchema::prepare(m_database, error))
                return true;
            close();
            return false;
        }
    }
    *error = QStringLiteral("'") + absolute + QStringLiteral("': ") + failure.trimmed();
    close();
    return false;
}

RunStore::FileReport RunStore::index(const QString &path, const std::atomic<bool> *cancelled)
{
    return index(QStringList{path}, cancelled).front();
}

std::vector<RunStore::FileReport> RunStore::index(const QStringList &paths, const std::atomic<bool> *cancelled,
                                                  const std::function<void(const FileReport &)> &done)
{
    const size_t count = size_t(paths.size());
    std::vector<FileReport> reports(count);
    std::vector<QString> absolute(count);
    for (size_t i = 0; i < count; ++i)
        absolute[i] = absolutePath(paths[int(i)]);
    if (!isOpen()) {
        for (size_t i = 0; i < count; ++i) {
            reports[i] = {absolute[i], FileReport::Failed, 0, 0, QStringLiteral("the store is not open")};
            if (done)
                done(reports[i]);
        }
        return reports;
    }
    const std::vector<std::optional<KnownFile>> known = knownFiles(m_database, absolute);
    QThreadPool readers;
    readers.setMaxThreadCount(readerCount());
    std::vector<std::future<PreparedLog>> prepared(count);
    const auto start = [&](size_t i) {
        auto task = std::make_shared<std::packaged_task<PreparedLog()>>(
            [path = absolute[i], file = known[i], cancelled] {
                return PreparedLog::prepare(path, file ? &*file : nullptr, cancelled);
            });
        prepared[i] = task->get_future();
        readers.start([task] { (*task)(); });
    };
    const size_t ahead = size_t(readerCount());
    for (size_t i = 0; i < std::min(ahead, count); ++i)
        start(i);
    for (size_t i = 0; i < count; ++i) {
        PreparedLog log = prepared[i].get();
        if (i + ahead < count && !isCancelled(cancelled))
            start(i + ahead);
        reports[i] = write(log, cancelled);
        if (done)
            done(reports[i]);
        if (isCancelled(cancelled)) {
            // The files not yet started are not read at all.
            for (size_t rest = i + 1; rest < count; ++rest) {
                reports[rest] = {absolute[rest], FileReport::Failed, 0, 0, QStringLiteral("cancelled")};
                if (prepared[rest].valid())
                    prepared[rest].wait();
                if (done)
                    done(reports[rest]);
            }
            break;
        }
    }
    return reports;
}

RunStore::FileReport RunStore::stored(const QString &path, FileReport::Outcome outcome)
{
    FileReport report{path, outcome, 0, 0, QString()};
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT records, (SELECT count(*) FROM runs WHERE file_id = files.id) "
                                 "FROM files WHERE path = ?"));
    query.bindValue(0, path);
    if (query.exec() && query.next()) {
        report.records = query.value(0).toLongLong();
        report.runs = query.value(1).toLongLong();
    }
    return report;
}

RunStore::FileReport RunStore::write(const PreparedLog &log, const std::atomic<bool> *cancelled)
{
    if (!log.error.isEmpty())
        return {log.path, FileReport::Failed, 0, 0, log.error};
    if (log.unchanged)
        return stored(log.path, FileReport::Skipped);
    if (isCancelled(cancelled))
        return {log.path, FileReport::Failed, 0, 0, QStringLiteral("cancelled")};
    QString error;
    QSqlQuery query(m_database);
    // The write lock is taken at once, so that the file's row found below
    // is still the file's when its rows are replaced.
    if (!run(query, QStringLiteral("BEGIN IMMEDIATE"), &error))
        return {log.path, FileReport::Failed, 0, 0, error};
    query.prepare(QStringLiteral("SELECT id FROM files WHERE path = ?"));
    query.bindValue(0, log.path);
    bool written = query.exec();
    if (written) {
        const qint64 fileId = query.next() ? query.value(0).toLongLong() : -1;
        query.finish();
        written = writeRows(log, fileId, cancelled, &error);
    } else {
        error = query.lastError().text();
    }
    if (written && isCancelled(cancelled)) {
        error = QStringLiteral("cancelled");
        written = false;
    }
    if (written)
        written = run(query, QStringLiteral("COMMIT"), &error);
    if (!written) {
        QSqlQuery(m_database).exec(QStringLiteral("ROLLBACK"));
        return {log.path, FileReport::Failed, 0, 0, error};
    }
    return {log.path, FileReport::Indexed, log.file->entries().size(), qint64(log.analysis->occurrences.size()),
            QString()};
}

// Within the file's transaction: its row in `files` (`fileId`, or a new one
// when -1) and its records and runs, in place of the old ones.
bool RunStore::writeRows(const PreparedLog &log, qint64 fileId, const std::atomic<bool> *cancelled, QString *error)
{
    QSqlQuery query(m_database);
    if (fileId >= 0) {
        query.prepare(QStringLiteral(
            "UPDATE files SET size = ?, mtime = ?, sha256 = ?, records = ?, problems = ? WHERE id = ?"));
    } else {
        query.prepare(QStringLiteral(
            "INSERT INTO files(size, mtime, sha256, records, problems, path) VALUES (?, ?, ?, ?, ?, ?)"));
    }
    query.bindValue(0, log.size);
    query.bindValue(1, log.mtime);
    query.bindValue(2, log.sha256);
    query.bindValue(3, qint64(log.file->entries().size()));
    query.bindValue(4, log.file->problemCount());
    query.bindValue(5, fileId >= 0 ? QVariant(fileId) : QVariant(log.path));
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    if (fileId < 0) {
        fileId = query.lastInsertId().toLongLong();
    } else {
        for (const char *table : {"records", "runs"}) {
            query.prepare(QStringLiteral("DELETE FROM %1 WHERE file_id = ?").arg(QLatin1String(table)));
            query.bindValue(0, fileId);
            if (!query.exec()) {
                *error = query.lastError().text();
                return false;
            }
        }
    }
    query.finish();
    if (m_progress)
        m_progress(log.path, 0);
    return writeRecords(log, fileId, cancelled, error) && writeRuns(log, fileId, error);
}

bool RunStore::writeRecords(const PreparedLog &log, qint64 fileId, const std::atomic<bool> *cancelled,
                            QString *error)
{
    RowWriter writer(m_database, QStringLiteral("records"), 8);
    if (!writer.prepare(error))
        return false;
    const LogFile &file = *log.file;
    const EntryList &entries = file.entries();
    const int count = entries.size();
    for (int number = 0; number < count; ++number) {
        const LogFileEntry &entry = *entries.at(number);
        const RobotAction *action = entry.action();
        writer.setInteger(0, fileId);
        writer.setInteger(1, file.lineOf(number));
        writer.setReal(2, entry.time());
        writer.setLastingText(3, EntryPresentation::typeName(entry.type()));
        writer.setLastingText(4, entry.subsystem());
        if (action) {
            writer.setInteger(5, action->id());
            writer.setLastingText(6, EntryPresentation::activityName(entry.activity()));
            writer.setText(7, EntryPresentation::actionText(*action));
        } else if (entry.messageIsWide()) {
            writer.setLastingText(7, entry.messageUtf16());
        } else {
            // The message as the file keeps it, read in place.
            writer.setLastingText(7, entry.messageLatin1());
        }
        if (!writer.add(error))
            return false;
        if ((number + 1) % progressRows == 0) {
            if (isCancelled(cancelled)) {
                *error = QStringLiteral("cancelled");
                return false;
            }
            if (m_progress)
                m_progress(log.path, number + 1);
        }
    }
    return true;
}

// The actions table's cells: texts as it shows them, numbers as numbers, and
// NULL where it shows nothing.
bool RunStore::writeRuns(const PreparedLog &log, qint64 fileId, QString *error)
{
    RowWriter writer(m_database, QStringLiteral("runs"), 11);
    if (!writer.prepare(error))
        return false;
    const ActionAnalysis &analysis = *log.analysis;
    const RunTexts &texts = *log.texts;
    for (size_t run = 0; run < analysis.occurrences.size(); ++run) {
        const ActionOccurrence &occurrence = analysis.occurrences[run];
        const auto text = [&](int column) { return RunColumns::cellText(analysis, texts, int(run), column); };
        writer.setInteger(0, fileId);
        writer.setInteger(1, occurrence.id);
        writer.setText(2, text(RunColumns::Name));
        writer.setText(3, text(RunColumns::Arguments));
        writer.setText(4, text(RunColumns::Subsystem));
        if (occurrence.startRow >= 0)
            writer.setReal(5, occurrence.startTime);
        if (occurrence.endRow >= 0)
            writer.setReal(6, occurrence.endTime);
        if (occurrence.hasDuration())
            writer.setReal(7, occurrence.duration());
        writer.setText(8, text(RunColumns::Outcome));
        writer.setInteger(9, occurrence.action ? occurrence.action->children().size() : 0);
        writer.setText(10, text(RunColumns::Cause));
        if (!writer.add(error))
            return false;
    }
    return true;
}
