#pragma once

#include "backgroundwork.h"
#include "logfile.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class LogLoader;

namespace cli {

// The name standard input goes by, in messages and in the file column.
QString standardInputName();
// The name an argument is shown by: the file name as given, or the name of
// standard input for "-".
QString inputName(const QString &argument);

// Opens one argument for reading: a log file's path, or "-" for standard
// input. Returns a file descriptor the caller owns, or -1 with `error` set
// to the reader's message. The one place that knows how logs are opened.
int openInput(const QString &argument, QString &error);

// Reads the files named by the arguments, each by the two-thread load the
// window uses, and hands them over in the order given. A few are read ahead
// of the one taken, so that many files never wait in memory at once.
class FileLoads final
{
public:
    // Files read ahead of the one taken.
    static constexpr int readAhead = 2;

    // With `all`, every file is read at once (for merging them).
    FileLoads(const QStringList &arguments, bool all);
    ~FileLoads();
    Q_DISABLE_COPY_MOVE(FileLoads)

    int count() const { return int(loads.size()); }
    // Waits for file `index`; null when it could not be read, with error()
    // saying why.
    std::shared_ptr<LogFile> take(int index);
    const QString &error(int index) const { return loads[size_t(index)].error; }
    // Stops the loads still running.
    void cancel();

private:
    void start(int index);

    struct Slot
    {
        std::shared_ptr<LogLoader> loader;
        std::shared_ptr<LogFile> file;
        QString error;
        bool finished = false;
    };

    QStringList arguments;
    int started = 0;
    QObject receiver;
    BackgroundWork *work;
    std::vector<Slot> loads;
};

} // namespace cli
