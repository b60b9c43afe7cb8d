#include "actionanalysistask.h"

#include "handoff.h"
#include "logfile.h"

#include <QThreadPool>

std::shared_ptr<ActionAnalysisTask> ActionAnalysisTask::start(std::shared_ptr<LogFile> file,
                                                              std::shared_ptr<Handoff> handoff, Done done)
{
    std::shared_ptr<ActionAnalysisTask> task(new ActionAnalysisTask);
    // The entries there are now; a file that grows is analysed again.
    task->entryCount = file->entries().size();
    task->file = std::move(file);
    task->handoff = std::move(handoff);
    task->done = std::move(done);
    QThreadPool::globalInstance()->start([task] { task->run(); });
    return task;
}

void ActionAnalysisTask::run()
{
    Result result;
    {
        const std::shared_lock<std::shared_mutex> reading(file->accessLock());
        result.analysis = ActionAnalysis::compute(*file, entryCount, &cancelled);
    }
    if (!result.analysis || cancelled.load())
        return;
    result.lanes = std::make_shared<const TimelineLanes>(TimelineLanes::layOut(result.analysis->occurrences));
    auto self = shared_from_this();
    handoff->post([self, result] {
        if (!self->cancelled.load())
            self->done(result);
    });
}
