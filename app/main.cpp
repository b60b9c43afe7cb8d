#include "commandline.h"
#include "heaptuning.h"
#include "mirtlogfileanalyzer.h"

#include <QApplication>

#include <vector>

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);

    // Help and the version need no display: they are answered before the
    // toolkit starts, and before it takes any option for its own.
    const commandline::Parsed early = commandline::parse(commandline::arguments(argc, argv));
    if (early.action == commandline::Action::Help || early.action == commandline::Action::Version)
        return commandline::answer(early);

    // The identity scopes the settings store, so it is set before the window exists.
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorvane.com"));
    QCoreApplication::setApplicationName(QStringLiteral("MirtLogFileAnalyzer"));
    QCoreApplication::setApplicationVersion(commandline::applicationVersion);
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    // The toolkit takes its own options (-style, -platform and the like) out
    // of the arguments before "--"; the files after it are not shown to it.
    const int optionsEnd = commandline::optionsEnd(argc, argv);
    int toolkitArgc = optionsEnd;
    QApplication application(toolkitArgc, argv);
    std::vector<const char *> left(argv, argv + toolkitArgc);
    left.insert(left.end(), argv + optionsEnd, argv + argc);
    const int leftCount = int(left.size());
    left.push_back(nullptr);

    const commandline::Parsed parsed = commandline::parse(commandline::arguments(leftCount, left.data()));
    if (parsed.action != commandline::Action::Open)
        return commandline::answer(parsed);
    MirtLogFileAnalyzer::setCommandLineBytes(leftCount, left.data());
    MirtLogFileAnalyzer window;
    window.show();
    return application.exec();
}
