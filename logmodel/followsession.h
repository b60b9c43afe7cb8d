#pragma once

#include "logfollower.h"
#include "logloader.h"

#include <QObject>

#include <functional>
#include <memory>

class LogFile;
class QTimer;

// Follows a log that a writer appends to, from where its load stopped: it
// looks at the file four times a second while active, reads only the new
// bytes, a bounded piece per turn of the event loop, and adds the entries
// they give to the file through an Appender, linked as a load of the whole
// file would link them. It lives on the GUI thread, the one that appends to
// a shown file.
class FollowSession final : public QObject
{
    Q_OBJECT

public:
    static constexpr int interval = 250;                // ms between looks
    static constexpr qint64 bytesPerTurn = 512 * 1024; // read at most per look

    FollowSession(std::shared_ptr<LogFile> file, const LogLoader::Source &source, QObject *parent = nullptr);
    ~FollowSession() override;
    Q_DISABLE_COPY_MOVE(FollowSession)

    // Whether entries may be added now; asked before each look. The owner
    // says no while work of its own (a filter pass) counts the entries.
    void setGate(std::function<bool()> mayAppend);

    // Starts or stops looking. Stopped, it keeps its place, so that starting
    // again goes on with the lines written meanwhile; the record it held
    // back for continuation lines is added now, as soon as the file is free.
    void setActive(bool on);
    bool isActive() const { return active; }

signals:
    // Entries from `first` to before `end` were added and linked.
    void entriesAdded(int first, int end);
    // Lines continued entry `row`, the last one, after it was added: its
    // message grew, and it was linked again. Comes before entriesAdded()
    // for the entries after it.
    void lastEntryContinued(int row);
    // The file can be shown right only by reading it again; the session
    // has stopped.
    void reloadNeeded(ReloadReason reason);

private:
    void look();
    void handOnHeld();
    bool mayAppendNow() const;

    std::shared_ptr<LogFile> file;
    LogLoader::Source source;
    std::unique_ptr<LogFollower> follower;
    std::function<bool()> gate;
    QTimer *timer = nullptr;
    bool active = false;
};
