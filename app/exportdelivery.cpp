#include "exportdelivery.h"

#include "backgroundwork.h"
#include "logfileviewer.h"

#include <QPointer>

ExportDelivery::ExportDelivery(QObject *parent)
    : QObject(parent)
    , work(new BackgroundWork(this))
{
    setObjectName(QStringLiteral("exportDelivery"));
}

void ExportDelivery::attach(LogFileViewer *viewer)
{
    viewer->setExportRunner([self = QPointer<ExportDelivery>(this), viewer = QPointer<LogFileViewer>(viewer)](
                                std::shared_ptr<LogFile> file, std::vector<bool> hidden, int rows,
                                const QString &path, RecordExport::Done done, RecordExport::Form form) {
        if (!self) {
            done(RecordExport::Result{false, 0, path, QStringLiteral("the window is closing")});
            return;
        }
        self->start(viewer, std::move(file), std::move(hidden), rows, path, std::move(done), form);
    });
}

void ExportDelivery::start(const QPointer<LogFileViewer> &viewer, std::shared_ptr<LogFile> file,
                           std::vector<bool> hidden, int rows, const QString &path, RecordExport::Done done,
                           RecordExport::Form form)
{
    if (running++ == 0)
        emit runningChanged(true);
    RecordExport::start(std::move(file), std::move(hidden), rows, path, *work,
                        [this, viewer, done = std::move(done)](const RecordExport::Result &result) {
                            // A viewer still there passes the result on; for
                            // one that is gone, this object does.
                            const bool heard = !viewer.isNull();
                            done(result);
                            if (!heard)
                                emit finishedWithoutViewer(result);
                            if (--running == 0)
                                emit runningChanged(false);
                        },
                        form);
}
