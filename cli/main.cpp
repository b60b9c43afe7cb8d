// mirtlog: the log viewer's reading, filters and analysis on the command
// line, without a display.
#include "clirun.h"
#include "heaptuning.h"
#include "localpath.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // The heap the window has: fewer page faults while millions of records
    // are made.
    restartWithHugePageHeap(argv);
    // A reader that goes away (`| head`) shows as EPIPE on a write, which
    // ends the output quietly.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(decodeLocalPath(QByteArray(argv[i])));
    return cli::run(arguments, stdout, stderr);
}
