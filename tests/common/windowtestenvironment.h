#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>

// What a test of the main window sets up before its application object
// exists: the offscreen platform, the application identity that scopes the
// settings store, and a settings store of its own in a temporary folder, so
// that no test reads or writes the user's settings.
class WindowTestEnvironment final
{
public:
    WindowTestEnvironment()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
        QCoreApplication::setApplicationName(QStringLiteral("MirtLogFileAnalyzer"));
    }
    Q_DISABLE_COPY_MOVE(WindowTestEnvironment)

private:
    QTemporaryDir config;
};

// Waits until a window has read the files it opened and applied its filters.
#define WAIT_UNTIL_IDLE(window) QTRY_VERIFY_WITH_TIMEOUT(!(window).property("busy").toBool(), 60000)
