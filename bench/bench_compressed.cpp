// bench_compressed [LINES] [ROUNDS]
//
// Opens a generated robot log (default 1,000,000 lines) in the real window,
// as plain text and compressed with gzip and zstd, each in a fresh window,
// in turns for ROUNDS rounds (default 3), and prints the best and the median
// time from the open to every row shown, the compressed size, and the
// time of a compressed open beside the plain one's. Then the same for
// LogFile::load, which reads without a window.

#include "benchsupport.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "windowbench.h"

#include <KCompressionDevice>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Kind
{
    const char *name;
    KCompressionDevice::CompressionType type;
    QString path;
    std::vector<double> window;
    std::vector<double> load;
    int records = -1;
};

// `plain` written again through the library; false when it cannot be.
bool compressFile(const QString &plain, const QString &path, KCompressionDevice::CompressionType type)
{
    QFile in(plain);
    KCompressionDevice out(path, type);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray block = in.read(4 * 1024 * 1024);
        if (out.write(block) != block.size())
            return false;
    }
    out.close();
    return true;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times.empty() ? 0 : times[times.size() / 2];
}

double best(const std::vector<double> &times)
{
    return times.empty() ? 0 : *std::min_element(times.begin(), times.end());
}

// Seconds from the open to every row shown; the records read.
double openInWindow(const QString &path, int &records)
{
    MirtLogFileAnalyzer window;
    window.resize(1200, 800);
    window.show();
    waitUntilIdle(window);
    QElapsedTimer clock;
    clock.start();
    window.openLogFile(path);
    auto *tabs = window.findChild<QTabWidget *>();
    waitFor(window, [&] {
        auto *viewer = qobject_cast<LogFileViewer *>(tabs->currentWidget());
        return viewer && viewer->logFile();
    });
    const double seconds = clock.elapsed() / 1e3;
    records = qobject_cast<LogFileViewer *>(tabs->currentWidget())->logFile()->entries().size();
    return seconds;
}

double loadHeadless(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    QStringList errors;
    const auto file = LogFile::load(path, errors);
    return file ? clock.elapsed() / 1e3 : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    WindowBenchApplication app(argv[0]);
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const int rounds = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 3;
    const QString plain = app.writeLog(lines);
    if (plain.isEmpty())
        return 1;
    std::vector<Kind> kinds = {{"plain", KCompressionDevice::None, plain, {}, {}},
                               {"gzip", KCompressionDevice::GZip, app.filePath(QStringLiteral("robot.log.gz")), {}, {}},
                               {"zstd", KCompressionDevice::Zstd, app.filePath(QStringLiteral("robot.log.zst")), {}, {}}};
    for (Kind &kind : kinds) {
        if (kind.type != KCompressionDevice::None && !compressFile(plain, kind.path, kind.type)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(kind.path));
            return 1;
        }
    }
    for (int round = 0; round < rounds; ++round) {
        for (Kind &kind : kinds)
            kind.window.push_back(openInWindow(kind.path, kind.records));
        for (Kind &kind : kinds)
            kind.load.push_back(loadHeadless(kind.path));
    }
    std::printf("%lld lines, %d rounds; seconds from the open to every row shown (window), and LogFile::load\n",
                static_cast<long long>(lines), rounds);
    const Kind &base = kinds.front();
    for (const Kind &kind : kinds) {
        std::printf("%-6s %8.1f MB %8d records  window best %6.2f s median %6.2f s (%.2fx plain)"
                    "  load best %6.2f s median %6.2f s (%.2fx plain)\n",
                    kind.name, QFileInfo(kind.path).size() / 1e6, kind.records, best(kind.window),
                    median(kind.window), median(kind.window) / median(base.window), best(kind.load),
                    median(kind.load), median(kind.load) / median(base.load));
        if (kind.records != base.records) {
            std::fprintf(stderr, "%s: %d records, not %d\n", kind.name, kind.records, base.records);
            return 1;
        }
    }
    return 0;
}
