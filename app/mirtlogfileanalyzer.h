#pragma once

#include <QMainWindow>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>

class LogFile;
class QLabel;
class QMenu;
class QTabWidget;
class QTreeWidget;

// The one top-level window: a tab per open log file, the File and View menus
// and one status text. Settings: "geometry", "windowState" and "LastDir".
class MirtLogFileAnalyzer : public QMainWindow
{
    Q_OBJECT

public:
    explicit MirtLogFileAnalyzer(QWidget *parent = nullptr);
    ~MirtLogFileAnalyzer() override;

    // Reads one file and adds its tab; tells the user in the status text when
    // the file, or some of its lines, could not be read.
    void openLogFile(const QString &path);

    void fileOpen();
    void fileClose();
    void viewExpandAll();
    void viewCollapseAll();
    void closeTab(int index);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void setStatus(const QString &text, const QString &toolTip = QString());
    void placeOnFirstStart();

    QTabWidget *tabs = nullptr;
    QLabel *statusLabel = nullptr;
    QMenu *fileMenu = nullptr;
    QMenu *viewMenu = nullptr;
    QSettings settings;
    QString lastDir;
    QMap<QTreeWidget *, std::shared_ptr<LogFile>> viewerFiles;
};
