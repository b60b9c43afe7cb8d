#include "heaptuning.h"
#include "mirtlogfileanalyzer.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);

    // The identity scopes the settings store, so it is set before the window exists.
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorvane.com"));
    QCoreApplication::setApplicationName(QStringLiteral("MirtLogFileAnalyzer"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    QApplication application(argc, argv);
    // After the toolkit has taken its own options out of the arguments.
    MirtLogFileAnalyzer::setCommandLineBytes(argc, argv);
    MirtLogFileAnalyzer window;
    window.show();
    return application.exec();
}
