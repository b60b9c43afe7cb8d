// storeindexer DATABASE [--stop-after ROWS] FILE...
//
// Indexes FILEs into the store at DATABASE and prints a line per file:
// its outcome, records and runs. With --stop-after, once ROWS rows of a
// file are written inside its transaction, prints "writing" and waits
// there until it is killed.

#include "runstore.h"

#include <QCoreApplication>

#include <cstdio>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: storeindexer DATABASE [--stop-after ROWS] FILE...\n");
        return 2;
    }
    const QString database = arguments.takeFirst();
    qint64 stopAfter = -1;
    if (arguments.size() >= 2 && arguments.front() == QLatin1String("--stop-after")) {
        stopAfter = arguments.at(1).toLongLong();
        arguments = arguments.mid(2);
    }
    RunStore store;
    QString error;
    if (!store.open(database, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    store.setWriteProgress([stopAfter](const QString &, qint64 rows) {
        if (stopAfter < 0 || rows < stopAfter)
            return;
        std::printf("writing\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    });
    static const char *const outcomes[] = {"indexed", "skipped", "failed"};
    int status = 0;
    for (const RunStore::FileReport &report : store.index(arguments)) {
        std::printf("%s %s %lld %lld %s\n", outcomes[report.outcome], qPrintable(report.path),
                    static_cast<long long>(report.records), static_cast<long long>(report.runs),
                    qPrintable(report.error));
        status |= report.outcome == RunStore::FileReport::Failed;
    }
    return status;
}
