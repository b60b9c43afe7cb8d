// bench_highlight [LINES]
//
// Writes a generated robot log (default 1,000,000 lines) and opens it in the
// real window three ways: without highlight rules, with five rules kept in
// the settings, and without rules and then given the five on the open tab.
// Prints, for each, the seconds until the window is no longer busy (the
// rules' colours in, where there are rules) and the longest event-loop
// stall meanwhile.

#include "highlightrules.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "viewerpreferences.h"
#include "windowbench.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTabWidget>

#include <cstdio>
#include <memory>

namespace {

std::vector<HighlightRule> fiveRules()
{
    const char *const expressions[] = {"type == \"error\"", "activity == \"cancel\"", "contains(message, \"timeout\")",
                                       "subsystem == \"vision\" && type == \"warning\"",
                                       "contains(text, \"joint\") && time > 100"};
    std::vector<HighlightRule> rules;
    quint32 background = 0xE0C0F0;
    for (const char *expression : expressions) {
        HighlightRule rule;
        rule.expression = QString::fromLatin1(expression);
        rule.background = background;
        background -= 0x101010;
        rules.push_back(rule);
    }
    return rules;
}

int colouredRows(MirtLogFileAnalyzer &window)
{
    auto *viewer = qobject_cast<LogFileViewer *>(window.findChild<QTabWidget *>(QStringLiteral("tabs"))->currentWidget());
    int coloured = 0;
    for (int row = 0; viewer && row < std::min(viewer->topLevelItemCount(), 2000); ++row)
        coloured += viewer->topLevelItem(row)->data(0, Qt::BackgroundRole).isValid() ? 1 : 0;
    return coloured;
}

// Opens `path`, or with `rulesLater` opens it and then sets the rules,
// and prints how long until the window is idle and its longest stall.
void run(const char *label, const QString &path, bool rulesLater)
{
    auto window = std::make_unique<MirtLogFileAnalyzer>();
    window->resize(1400, 900);
    window->show();
    QElapsedTimer clock;
    StallClock stalls;
    clock.start();
    window->openLogFiles({path}, true);
    if (rulesLater) {
        waitUntilIdle(*window);
        stalls.restart();
        clock.restart();
        ViewerPreferences::instance().setHighlightRules(fiveRules());
    }
    waitUntilIdle(*window);
    const double seconds = clock.nsecsElapsed() / 1e9;
    stalls.stop();
    std::printf("  %-44s %.3fs, longest stall %.3fs, %d of the first 2000 rows coloured\n", label, seconds,
                stalls.longestGap(), colouredRows(*window));
    window.reset();
    turn();
}

} // namespace

int main(int argc, char *argv[])
{
    WindowBenchApplication app(argv[0]);
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const QString path = app.writeLog(lines);
    if (path.isEmpty())
        return 1;
    std::printf("%lld lines, five highlight rules\n", static_cast<long long>(lines));
    for (int round = 0; round < 2; ++round) {
        ViewerPreferences::instance().setHighlightRules({});
        QSettings().remove(QStringLiteral("HighlightRules"));
        run("open without rules, until idle", path, false);
        QSettings().setValue(QStringLiteral("HighlightRules"), HighlightRule::toSettings(fiveRules()));
        run("open with five rules, until their colours", path, false);
        ViewerPreferences::instance().setHighlightRules({});
        QSettings().remove(QStringLiteral("HighlightRules"));
        run("five rules set on the open tab, until colours", path, true);
    }
    return 0;
}
