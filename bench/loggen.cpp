// loggen LINES OUTPUT_PATH [VARIANT [NEVER_COMPLETED]]
// Writes a deterministic robot log; the same arguments give the same file.

#include "robotloggenerator.h"

#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr,
                     "usage: loggen LINES OUTPUT_PATH [VARIANT [NEVER_COMPLETED]]\n"
                     "  NEVER_COMPLETED: number of actions that never end (default: about 5%%)\n");
        return 2;
    }
    bool ok = false;
    RobotLogOptions options;
    options.lines = QString::fromLocal8Bit(argv[1]).toLongLong(&ok);
    if (!ok || options.lines < 0) {
        std::fprintf(stderr, "loggen: bad line count '%s'\n", argv[1]);
        return 2;
    }
    if (argc > 3) {
        options.variant = QString::fromLocal8Bit(argv[3]).toULongLong(&ok);
        if (!ok) {
            std::fprintf(stderr, "loggen: bad variant '%s'\n", argv[3]);
            return 2;
        }
    }
    if (argc > 4) {
        options.neverCompleted = QString::fromLocal8Bit(argv[4]).toLongLong(&ok);
        if (!ok || options.neverCompleted < 0) {
            std::fprintf(stderr, "loggen: bad count '%s'\n", argv[4]);
            return 2;
        }
    }

    RobotLogStats stats;
    QString error;
    if (!writeRobotLog(QString::fromLocal8Bit(argv[2]), options, &stats, &error)) {
        std::fprintf(stderr, "loggen: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("lines=%lld records=%lld actions=%lld never_completed=%lld\n",
                static_cast<long long>(stats.lines), static_cast<long long>(stats.records),
                static_cast<long long>(stats.actions), static_cast<long long>(stats.openActions));
    return 0;
}
