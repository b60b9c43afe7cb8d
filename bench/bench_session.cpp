// Sessions in the real window: saving and opening one of 64 tabs, and how
// long the event loop stands still while hostile session files are opened.
// bench_session [lines per log]

#include "mirtlogfileanalyzer.h"
#include "windowbench.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int tabCount = 64;

void writeBytes(const QString &path, const QByteArray &head, const QByteArray &fill, int repeats,
                const QByteArray &tail)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(head);
    for (int i = 0; i < repeats; ++i)
        file.write(fill);
    file.write(tail);
}

// Opens `path` in `window` and prints how long it took and the longest stall.
void timeOpening(MirtLogFileAnalyzer &window, const char *what, const QString &path)
{
    StallClock stalls;
    QElapsedTimer clock;
    clock.start();
    window.openSession(path);
    waitUntilIdle(window);
    stalls.stop();
    std::printf("%-46s %8.3f s, event loop stood still at most %.3f s\n", what, clock.elapsed() / 1e3,
                stalls.longestGap());
}

} // namespace

int main(int argc, char *argv[])
{
    WindowBenchApplication app(argv[0]);
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 20000;
    QStringList logs;
    for (int i = 0; i < tabCount; ++i)
        logs << app.writeLog(lines, QStringLiteral("robot%1.log").arg(i));
    const QString session = app.filePath(QStringLiteral("all.mirtsession"));
    {
        MirtLogFileAnalyzer window;
        window.openLogFiles(logs);
        waitUntilIdle(window);
        QElapsedTimer clock;
        clock.start();
        window.saveSession(session);
        std::printf("%-46s %8.3f s\n", qPrintable(QStringLiteral("saving %1 tabs of %2 lines").arg(tabCount).arg(lines)),
                    clock.elapsed() / 1e3);
    }
    {
        // The same files opened as a list, for comparison.
        MirtLogFileAnalyzer window;
        StallClock stalls;
        QElapsedTimer clock;
        clock.start();
        window.openLogFiles(logs);
        waitUntilIdle(window);
        stalls.stop();
        std::printf("%-46s %8.3f s, event loop stood still at most %.3f s\n",
                    qPrintable(QStringLiteral("the same %1 files opened as a list").arg(tabCount)), clock.elapsed() / 1e3,
                    stalls.longestGap());
    }
    {
        MirtLogFileAnalyzer window;
        timeOpening(window, qPrintable(QStringLiteral("opening %1 tabs of %2 lines").arg(tabCount).arg(lines)),
                    session);
        timeOpening(window, "the same again, in place of the open tabs", session);
    }
    MirtLogFileAnalyzer window;

    QJsonArray many;
    for (int i = 0; i < 30000; ++i)
        many.append(QJsonObject{{"files", QJsonArray{QJsonObject{{"path", QStringLiteral("gone%1.log").arg(i)}}}}});
    const QString tabs = app.filePath(QStringLiteral("tabs.mirtsession"));
    writeBytes(tabs,
               QJsonDocument(QJsonObject{{"format", "mirtsession"}, {"version", 1}, {"tabs", many}}).toJson(), {}, 0,
               {});
    timeOpening(window, "30,000 tabs of missing files (1.8 MB)", tabs);
    const QString deep = app.filePath(QStringLiteral("deep.mirtsession"));
    writeBytes(deep, {}, QByteArray(1024 * 1024, '['), 4, {});
    timeOpening(window, "4 MiB of nesting", deep);
    const QString huge = app.filePath(QStringLiteral("huge.mirtsession"));
    writeBytes(huge, R"({"format": "mirtsession", "version": 1, "tabs": [{"filter": ")", QByteArray(1024 * 1024, 'x'),
               100, "\"}]}");
    timeOpening(window, "a string of 100 MB", huge);
    return 0;
}
