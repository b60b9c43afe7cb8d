#pragma once

#include "actionoccurrences.h"
#include "logfile.h"
#include "runtexts.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

// What the store knows of a file it indexed before: enough to tell whether
// the file changed since.
struct KnownFile
{
    qint64 id = -1;
    qint64 size = -1;
    QString mtime;
    QString sha256;
};

// One log made ready for writing, on any thread: its size, modification
// time and SHA-256 as found before it was read, then, unless it is
// unchanged, the file read with its action runs and their texts.
struct PreparedLog final
{
    QString path;
    qint64 size = 0;
    QString mtime;
    QString sha256;
    // The file is the one the store knows: the same size, time and hash.
    bool unchanged = false;
    // Why it could not be read; empty when it was.
    QString error;
    std::shared_ptr<LogFile> file;
    std::shared_ptr<const ActionAnalysis> analysis;
    std::shared_ptr<const RunTexts> texts;

    // Hashes the file at the absolute `path` and, when `known` does not
    // describe it, reads it and analyses its runs. Stops with `error` set
    // when the file cannot be read, or once `cancelled` is set.
    static PreparedLog prepare(const QString &path, const KnownFile *known,
                               const std::atomic<bool> *cancelled = nullptr);
    // A modification time as the store keeps it: UTC, ISO 8601 with
    // milliseconds ("2026-03-01T08:15:02.125Z"), which SQLite's date
    // functions read.
    static QString timeText(const QDateTime &time);
};
