// stress_load [--scale FACTOR] [--case NAME[,NAME...]] [--timeout SECONDS]
//             [--max-memory-mb MB] [--list]
//
// Feeds the reader and the viewer the inputs a crash, a robot gone wrong or a
// half-copied file leave behind: huge lines, absurd action descriptions, no
// line feeds, NUL bytes, broken UTF-8, and a very long log. Each case runs in
// a fresh process, so that every peak is its own and a crash or a runaway
// case cannot take the others with it. --scale multiplies every size (0.1
// for a quick run); a case that runs past --timeout is killed and reported.

#include "logfile.h"
#include "logfileviewer.h"
#include "benchsupport.h"
#include "heaptuning.h"
#include "robotloggenerator.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Writing the input takes memory of its own; resetting the high-water mark
// afterwards leaves only what reading and showing it cost.
void resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

// Writes through a buffer of its own, so that no input is ever held whole.
class Output final
{
public:
    explicit Output(const QString &path)
        : file(path)
    {
        ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        buffer.reserve(chunk + 4096);
    }
    ~Output() { finish(); }

    void write(const QByteArray &bytes)
    {
        buffer.append(bytes);
        if (buffer.size() >= chunk)
            flush();
    }
    void write(const char *bytes) { write(QByteArray::fromRawData(bytes, int(qstrlen(bytes)))); }
    void write(char c)
    {
        buffer.append(c);
        if (buffer.size() >= chunk)
            flush();
    }
    bool finish()
    {
        flush();
        if (file.isOpen())
            file.close();
        return ok;
    }

private:
    static constexpr int chunk = 1 << 20;

    void flush()
    {
        if (!buffer.isEmpty() && file.isOpen() && file.write(buffer) != buffer.size())
            ok = false;
        buffer.clear();
    }

    QFile file;
    QByteArray buffer;
    bool ok = false;
};

// Generates a robot log of `lines` lines into `path`.
bool generate(const QString &path, qint64 lines)
{
    RobotLogOptions options;
    options.lines = lines;
    RobotLogStats stats;
    QString error;
    if (!writeRobotLog(path, options, &stats, &error)) {
        std::fprintf(stderr, "stress_load: %s\n", qPrintable(error));
        return false;
    }
    return true;
}

// Generates a robot log and passes it through `damage` chunk by chunk.
bool generateDamaged(const QString &path, qint64 lines,
                     const std::function<void(const QByteArray &, Output &)> &damage)
{
    const QString clean = path + QStringLiteral(".clean");
    if (!generate(clean, lines))
        return false;
    QFile in(clean);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    Output out(path);
    while (!in.atEnd())
        damage(in.read(1 << 20), out);
    in.close();
    QFile::remove(clean);
    return out.finish();
}

qint64 scaled(double scale, qint64 size)
{
    return std::max<qint64>(1, qint64(std::llround(double(size) * scale)));
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

const qint64 megabyte = 1 << 20;

// `text` repeated to at least `size` bytes, then a line end.
void writeLongLine(Output &out, const QByteArray &text, qint64 size)
{
    for (qint64 written = 0; written < size; written += text.size())
        out.write(text);
    out.write('\n');
}

// One start record whose sub-actions nest millions of levels deep, with every
// list closed or with no closing bracket at all.
bool writeDeepAction(const QString &path, double scale, bool closed)
{
    Output out(path);
    out.write("1.0 : Info : planner : starting action: 1: A ");
    const qint64 size = scaled(scale, 100 * megabyte);
    qint64 written = 0;
    qint64 levels = 0;
    for (qint64 id = 2; written < size || levels < 100000; ++id, ++levels) {
        const QByteArray level = "[" + number(id) + ": X ";
        out.write(level);
        written += level.size() + (closed ? 1 : 0);
    }
    for (qint64 i = 0; closed && i < levels; ++i)
        out.write(']');
    out.write("\n2.0 : Info : planner : completing action: 1:\n");
    return out.finish();
}

// One case: its name and how it writes its input.
struct StressCase
{
    const char *name;
    std::function<bool(const QString &path, double scale)> write;
};

const std::vector<StressCase> &stressCases()
{
    static const std::vector<StressCase> cases = {
        {"long-record", [](const QString &path, double scale) {
             // One record whose message is 100 MB of ordinary text.
             Output out(path);
             out.write("1.0 : Info : drive : ");
             writeLongLine(out, "the quick brown fox jumps over the lazy robot ", scaled(scale, 100 * megabyte));
             out.write("2.0 : Info : drive : after\n");
             return out.finish();
         }},
        {"long-garbage", [](const QString &path, double scale) {
             // 100 MB that is no record at all: digits and points, which the
             // record pattern keeps almost matching, and no colon.
             Output out(path);
             writeLongLine(out, "12.5 3.75 1000.25 ", scaled(scale, 100 * megabyte));
             return out.finish();
         }},
        {"long-continuation", [](const QString &path, double scale) {
             // A continuation line of 100 MB of subsystem-like letters without a colon.
             Output out(path);
             out.write("1.0 : Info : drive : before\n ");
             writeLongLine(out, "drivedrivedrivedrive", scaled(scale, 100 * megabyte));
             return out.finish();
         }},
        {"wide-action", [](const QString &path, double scale) {
             // One start record naming millions of sub-actions.
             Output out(path);
             out.write("1.0 : Info : planner : starting action: 1: A [");
             const qint64 size = scaled(scale, 100 * megabyte);
             qint64 written = 0;
             for (qint64 id = 2; written < size; ++id) {
                 const QByteArray child = number(id) + ": C [],";
                 out.write(child);
                 written += child.size();
             }
             out.write("]\n2.0 : Info : planner : completing action: 1:\n");
             return out.finish();
         }},
        {"deep-action", [](const QString &path, double scale) {
             // Sub-actions nested millions of levels deep, every list closed.
             return writeDeepAction(path, scale, true);
         }},
        {"deep-unclosed", [](const QString &path, double scale) {
             // The same without a single closing bracket.
             return writeDeepAction(path, scale, false);
         }},
        {"nul-gap", [](const QString &path, double scale) {
             // A crashed writer's run of 1.2 GB of NUL bytes between two
             // records: one line far longer than a string can be.
             {
                 Output out(path);
                 out.write("1.0 : Info : a : x\n");
                 if (!out.finish())
                     return false;
             }
             QFile file(path);
             if (!file.open(QIODevice::ReadWrite) || !file.resize(scaled(scale, 1200 * megabyte)))
                 return false;
             file.seek(file.size());
             return file.write("2.0 : Info : a : y\n") > 0;
         }},
        {"long-join", [](const QString &path, double scale) {
             // One record continued by 11.8 million 100-byte lines: a joined
             // message far longer than a string can be.
             Output out(path);
             out.write("1.0 : Info : drive : start\n");
             const QByteArray line = "  drive : " + QByteArray(89, 'c') + "\n";
             const qint64 lines = scaled(scale, 11800000);
             for (qint64 i = 0; i < lines; ++i)
                 out.write(line);
             return out.finish();
         }},
        {"x-lines", [](const QString &path, double scale) {
             // 60 million unusable lines: each costs a problem count, not a message.
             Output out(path);
             const qint64 lines = scaled(scale, 60000000);
             for (qint64 i = 0; i < lines; ++i)
                 out.write("x\n");
             return out.finish();
         }},
        {"empty-lines", [](const QString &path, double scale) {
             Output out(path);
             out.write("1.0 : Info : drive : first\n");
             const qint64 lines = scaled(scale, 5000000);
             for (qint64 i = 0; i < lines; ++i)
                 out.write('\n');
             out.write("2.0 : Info : drive : last\n");
             return out.finish();
         }},
        {"cr-only", [](const QString &path, double scale) {
             // A log whose line ends were turned into bare carriage returns.
             return generateDamaged(path, scaled(scale, 1000000), [](const QByteArray &in, Output &out) {
                 QByteArray copy = in;
                 copy.replace('\n', '\r');
                 out.write(copy);
             });
         }},
        {"nul-bytes", [](const QString &path, double scale) {
             // About one NUL in 200 bytes, some replacing a byte, some inserted.
             Random random(5);
             return generateDamaged(path, scaled(scale, 1000000), [&random](const QByteArray &in, Output &out) {
                 QByteArray copy;
                 copy.reserve(in.size() + in.size() / 100);
                 for (const char c : in) {
                     const int roll = random.below(400);
                     if (roll == 0) {
                         copy.append('\0');
                     } else if (roll == 1) {
                         copy.append('\0');
                         copy.append(c);
                     } else {
                         copy.append(c);
                     }
                 }
                 out.write(copy);
             });
         }},
        {"invalid-utf8", [](const QString &path, double scale) {
             // Stray high bytes, sequences cut short, overlong encodings,
             // surrogates and code points past U+10FFFF, about one in 100 bytes.
             static const char *const broken[] = {
                 "\xff", "\xfe", "\x80", "\xbf\xbf", "\xc3", "\xe2\x82", "\xf0\x9f\x98",
                 "\xc0\xaf", "\xc1\xbf", "\xe0\x80\xaf", "\xf0\x80\x80\xaf", "\xed\xa0\x80",
                 "\xf4\x90\x80\x80", "\xf8\x88\x80\x80\x80", "\xef\xbb\xbf", "\xe2\x82\xac"};
             Random random(6);
             return generateDamaged(path, scaled(scale, 1000000), [&random](const QByteArray &in, Output &out) {
                 QByteArray copy;
                 copy.reserve(in.size() + in.size() / 20);
                 for (const char c : in) {
                     if (random.below(100) == 0)
                         copy.append(broken[random.below(int(sizeof broken / sizeof *broken))]);
                     copy.append(c);
                 }
                 out.write(copy);
             });
         }},
        {"generated", [](const QString &path, double scale) {
             return generate(path, scaled(scale, 5000000));
         }},
        {"action-chain", [](const QString &path, double scale) {
             // Every action lists the one before it as its only child.
             Output out(path);
             out.write("1.0 : Info : planner : starting action: 1: X\n");
             const qint64 records = scaled(scale, 100000);
             for (qint64 id = 2; id <= records; ++id)
                 out.write(number(id) + ".0 : Info : planner : starting action: " + number(id) + ": X ["
                           + number(id - 1) + ":]\n");
             return out.finish();
         }},
        {"action-fan-repeat", [](const QString &path, double scale) {
             // One action listing 100,000 existing actions, completed 100,000 times.
             Output out(path);
             const qint64 children = scaled(scale, 100000);
             for (qint64 id = 1; id <= children; ++id)
                 out.write("1.0 : Info : planner : starting action: " + number(id) + ": C\n");
             const QByteArray parent = number(children + 1);
             out.write("2.0 : Info : planner : starting action: " + parent + ": P [");
             for (qint64 id = 1; id <= children; ++id) {
                 out.write(number(id) + ":");
                 if (id < children)
                     out.write(',');
             }
             out.write("]\n");
             const qint64 completions = scaled(scale, 100000);
             for (qint64 i = 0; i < completions; ++i)
                 out.write("3.0 : Info : planner : completing action: " + parent + ":\n");
             return out.finish();
         }},
    };
    return cases;
}

const StressCase *findCase(const QString &name)
{
    for (const StressCase &c : stressCases()) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

const char *const tableHeader = "%-18s %9s %9s %9s %9s %8s %8s %8s %8s %9s\n";
const char *const tableRow = "%-18s %9.1f %9d %9lld %9d %8.2f %8.2f %8.2f %8.2f %9ld\n";

int runOne(int argc, char **argv, const StressCase &stressCase, double scale)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "stress_load: no temporary directory\n");
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("stress.log"));
    if (!stressCase.write(path, scale)) {
        std::fprintf(stderr, "stress_load: cannot write the input of %s\n", stressCase.name);
        return 1;
    }
    const double inputMegabytes = double(QFileInfo(path).size()) / megabyte;
    resetPeakMemory();

    QElapsedTimer timer;
    timer.start();
    QStringList errors;
    std::shared_ptr<LogFile> file = LogFile::load(path, errors);
    const double load = lapSeconds(timer);
    if (!file) {
        std::fprintf(stderr, "stress_load: %s\n", qPrintable(errors.join(QLatin1Char('\n'))));
        return 1;
    }

    auto viewer = std::make_unique<LogFileViewer>(file);
    const double build = lapSeconds(timer);

    // What the user sees first: the window painted, then the last row.
    viewer->resize(1200, 800);
    viewer->show();
    QCoreApplication::processEvents();
    if (const int top = viewer->topLevelItemCount()) {
        viewer->setCurrentItem(viewer->topLevelItem(top - 1));
        viewer->scrollToBottom();
        QCoreApplication::processEvents();
    }
    const double show = lapSeconds(timer);
    const int entries = file->entries().size();
    const long long problems = file->problemCount();
    const int subRows = viewer->subActionRowCount();

    viewer.reset();
    file.reset();
    const double destroy = lapSeconds(timer);
    const long peak = statusMegabytes("VmHWM");

    std::printf(tableRow, stressCase.name, inputMegabytes, entries, problems, subRows, load, build,
                show, destroy, peak);
    std::fflush(stdout);
    return 0;
}

int runAll(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    double scale = 1.0;
    int timeout = 1800;
    long maxMemory = 12288;
    QStringList names;
    for (const StressCase &c : stressCases())
        names.append(QLatin1String(c.name));

    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        bool ok = hasValue;
        if (argument == QLatin1String("--list")) {
            for (const QString &name : qAsConst(names))
                std::printf("%s\n", qPrintable(name));
            return 0;
        } else if (argument == QLatin1String("--scale") && hasValue) {
            scale = arguments.at(++i).toDouble(&ok);
            ok = ok && scale > 0;
        } else if (argument == QLatin1String("--timeout") && hasValue) {
            timeout = arguments.at(++i).toInt(&ok);
            ok = ok && timeout > 0;
        } else if (argument == QLatin1String("--max-memory-mb") && hasValue) {
            maxMemory = arguments.at(++i).toLong(&ok);
            ok = ok && maxMemory >= 0;
        } else if (argument == QLatin1String("--case") && hasValue) {
            names = arguments.at(++i).split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (const QString &name : qAsConst(names))
                ok = ok && findCase(name);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr,
                         "usage: stress_load [--scale FACTOR] [--case NAME[,NAME...]] [--timeout SECONDS]\n"
                         "                   [--max-memory-mb MB (0: no limit)] [--list]\n");
            return 2;
        }
    }

    std::printf("scale %g, timeout %d s, address space limit %ld MB per case\n", scale, timeout, maxMemory);
    std::printf(tableHeader, "case", "input MB", "entries", "problems", "sub rows", "load s", "build s",
                "show s", "free s", "peak MB");
    std::fflush(stdout);

    int failures = 0;
    for (const QString &name : qAsConst(names)) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--single"), name, QString::number(scale, 'g', 17),
                     QString::number(maxMemory)});
        QElapsedTimer timer;
        timer.start();
        QString failure;
        if (!child.waitForFinished(timeout * 1000)) {
            child.kill();
            child.waitForFinished(-1);
            failure = QStringLiteral("TIMEOUT after %1 s").arg(timeout);
        } else if (child.exitStatus() == QProcess::CrashExit) {
            failure = QStringLiteral("CRASHED after %1 s").arg(timer.elapsed() / 1000.0, 0, 'f', 1);
        } else if (child.exitCode() != 0) {
            failure = QStringLiteral("FAILED with exit code %1").arg(child.exitCode());
        }
        if (!failure.isEmpty()) {
            std::printf("%-18s %s\n", qPrintable(name), qPrintable(failure));
            std::fflush(stdout);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    // Run with the heap the program itself runs with.
    restartWithHugePageHeap(argv);

    if (argc == 5 && QByteArray(argv[1]) == "--single") {
        const StressCase *stressCase = findCase(QString::fromLocal8Bit(argv[2]));
        bool scaleOk = false;
        bool memoryOk = false;
        const double scale = QByteArray(argv[3]).toDouble(&scaleOk);
        const long maxMemory = QByteArray(argv[4]).toLong(&memoryOk);
        if (!stressCase || !scaleOk || scale <= 0 || !memoryOk || maxMemory < 0) {
            std::fprintf(stderr, "stress_load: bad arguments\n");
            return 2;
        }
        if (maxMemory > 0) {
            // A runaway case fails on its own instead of starving the machine.
            const rlim_t bytes = rlim_t(maxMemory) * 1024 * 1024;
            const struct rlimit limit = {bytes, bytes};
            setrlimit(RLIMIT_AS, &limit);
        }
        return runOne(argc, argv, *stressCase, scale);
    }
    return runAll(argc, argv);
}
