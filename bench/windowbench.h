#pragma once

// What the benchmarks that drive the real window share. Header only, so that
// `make bench-baseline` can build it into an earlier checkout as it stands.

#include "robotloggenerator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

// The application of a benchmark: offscreen unless a platform is asked for,
// with a settings store and files of its own in a temporary folder, both set
// before the application starts.
class WindowBenchApplication final
{
public:
    explicit WindowBenchApplication(char *program)
        : arguments{program, nullptr}
        , app((prepare(), argumentCount), arguments)
    {
    }

    QString filePath(const QString &name) const { return dir.filePath(name); }

    // A generated robot log of `lines` lines in the benchmark's folder; its
    // path, or an empty one (the reason printed) when it cannot be written.
    QString writeLog(qint64 lines, const QString &name = QStringLiteral("robot.log")) const
    {
        RobotLogOptions options;
        options.lines = lines;
        const QString path = filePath(name);
        QString error;
        if (!writeRobotLog(path, options, nullptr, &error)) {
            std::fprintf(stderr, "%s: %s\n", arguments[0], qPrintable(error));
            return QString();
        }
        return path;
    }

private:
    void prepare()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    }

    QTemporaryDir dir;
    int argumentCount = 1;
    char *arguments[2];
    QApplication app;
};

// One turn of the event loop, deleting what asked to be deleted later as the
// main loop would.
inline void turn()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline bool isBusy(const QMainWindow &window)
{
    return window.property("busy").toBool();
}

// Turns the event loop until `done` holds and the window is not busy, then
// once more so that what changed is painted.
template<typename Done>
void waitFor(QMainWindow &window, Done done)
{
    while (!done() || isBusy(window))
        turn();
    turn();
}

inline void waitUntilIdle(QMainWindow &window)
{
    waitFor(window, [] { return true; });
}

// The longest gap between the ticks of a 10 ms timer: how long the event
// loop did not turn. `onTick` runs at every tick.
class StallClock final : public QObject
{
public:
    explicit StallClock(std::function<void()> onTick = {})
        : onTick(std::move(onTick))
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { tick(); });
        timer.start();
        restart();
    }

    void restart()
    {
        longest = 0;
        clock.start();
        last = 0;
    }
    // Stops, counting the time since the last tick as a gap too.
    void stop()
    {
        timer.stop();
        longest = std::max(longest, clock.elapsed() - last);
    }
    double longestGap() const { return longest / 1e3; }

private:
    void tick()
    {
        const qint64 now = clock.elapsed();
        if (now - last > longest && qEnvironmentVariableIsSet("MIRT_TRACE"))
            std::fprintf(stderr, "gap %lld ms ending at %lld\n", static_cast<long long>(now - last),
                         static_cast<long long>(now));
        longest = std::max(longest, now - last);
        last = now;
        if (onTick)
            onTick();
    }

    std::function<void()> onTick;
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
};
