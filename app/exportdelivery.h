#pragma once

#include "recordexport.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class BackgroundWork;
class LogFileViewer;

// Writes the exports of the window's viewers with work of the window's own,
// so that the result of an export is heard of also when its tab was closed
// or reloaded meanwhile. While an export runs its viewer is busy, and the
// delivery is running for as long as any export is.
class ExportDelivery final : public QObject
{
    Q_OBJECT

public:
    explicit ExportDelivery(QObject *parent);
    Q_DISABLE_COPY_MOVE(ExportDelivery)

    // Has `viewer` export through this object from now on.
    void attach(LogFileViewer *viewer);
    bool isRunning() const { return running > 0; }

signals:
    // An export started or ended.
    void runningChanged(bool running);
    // An export has ended whose viewer is gone. (A viewer that is still
    // there says so itself, with its exportFinished().)
    void finishedWithoutViewer(const RecordExport::Result &result);

private:
    void start(const QPointer<LogFileViewer> &viewer, std::shared_ptr<LogFile> file, std::vector<bool> hidden,
               int rows, const QString &path, RecordExport::Done done, RecordExport::Form form);

    BackgroundWork *work = nullptr;
    int running = 0;
};
