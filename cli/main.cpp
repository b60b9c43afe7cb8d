// mirtlog: the log viewer's reading, filters and analysis on the command
// line, without a display.
#include "clirun.h"
#include "heaptuning.h"
#include "localpath.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Standard input and error, when closed, read and write nothing, so that no
// file opened later takes their numbers. Output closed is an error.
bool standardStreamsOpen()
{
    for (int fd : {STDIN_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) < 0 && ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) != fd)
            return false;
    }
    if (::fcntl(STDOUT_FILENO, F_GETFD) >= 0)
        return true;
    std::fputs("mirtlog: standard output is closed\n", stderr);
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // The heap the window has: fewer page faults while millions of records
    // are made.
    restartWithHugePageHeap(argv);
    if (!standardStreamsOpen())
        return 2;
    // A reader that goes away (`| head`) shows as EPIPE on a write, which
    // ends the output quietly.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(decodeLocalPath(QByteArray(argv[i])));
    return cli::run(arguments, stdout, stderr);
}
