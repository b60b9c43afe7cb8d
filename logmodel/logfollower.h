#pragma once

#include "logfileentry.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class LogFile;
class LogReader;

// Why a followed file must be read again from its start.
enum class ReloadReason {
    Replaced,  // another file took its name (a rotated log)
    Shorter,   // it was cut shorter
    Rewritten, // the bytes before where reading stopped changed
    Continued, // a line continued a record already shown, or a line read
               // as complete went on
};
Q_DECLARE_METATYPE(ReloadReason)

// Reads what a writer appends to a log that has been read up to a line end,
// from where the reading stopped: nothing is read twice. A partial last line
// waits for its line end, and the last record is held back while lines may
// still continue it, until a poll finds nothing new; lines that continue a
// record handed on already extend it in place. poll() says when the file
// can no longer be followed from where it is: it shrank, another file took
// its name, or it was written anew.
class LogFollower final
{
public:
    using Batch = std::vector<std::pair<LogFileEntry, EntryLines>>;

    enum class Poll {
        Nothing,  // no new bytes
        Read,     // new bytes were read (and maybe entries given)
        More,     // read as much as allowed; more is waiting
        Reload,   // the file must be read again from its start
    };

    // Follows `file`, read from the file at `path` up to byte `offset`,
    // whose next line is line `nextLine`, which had the identity
    // `device`/`inode` when it was read, and whose last bytes read were
    // `tail`.
    LogFollower(LogFile &file, const QString &path, qint64 offset, qint64 nextLine, quint64 device, quint64 inode,
                const QByteArray &tail);
    ~LogFollower();
    Q_DISABLE_COPY_MOVE(LogFollower)
    // The line of the file the next line is, empty lines counted; the same
    // as the next line's number unless told.
    void setNextFileLine(qint64 line) { nextFileLine = line; }

    // Reads at most `maxBytes` new bytes; the entries no later line can
    // change any more go to `entries`, in file order, for the caller to
    // add to the file and link. `reason` says why a reload is needed.
    // `lastContinued` (when given) is set when lines continued the file's
    // last entry, which was handed on before: its message grew in place,
    // and the caller links it again and shows it anew.
    Poll poll(qint64 maxBytes, Batch &entries, ReloadReason &reason, bool *lastContinued = nullptr);
    // Hands on the record held back for continuation lines, as a poll that
    // finds nothing new does: for a follower about to pause.
    void handOnHeld(Batch &entries);

private:
    // False when the file cannot be followed now; `reason` is set when it
    // never can from here.
    bool open(ReloadReason &reason, bool &reload);
    // Whether the bytes before `offset` are still those read: a file cut
    // short and written again in place keeps its name, identity and size.
    bool tailIntact() const;

    LogFile &file;
    QString path;
    int fd = -1;
    qint64 offset = 0;
    qint64 nextLine = 1;
    qint64 nextFileLine = 1;
    quint64 device = 0;
    quint64 inode = 0;
    QByteArray tail;
    std::unique_ptr<LogReader> reader;
    Batch *sinkTarget = nullptr;
    // Whether lines could still continue the record handed on last (the
    // file's last entry, once the caller has added what a poll gave): such
    // a line would change an entry already shown.
    bool watchingLast = false;
    int lastLength = 0;
    bool opened = false;
};
