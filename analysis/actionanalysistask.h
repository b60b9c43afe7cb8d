#pragma once

#include "actionoccurrences.h"
#include "timelinelanes.h"

#include <atomic>
#include <functional>
#include <memory>

class Handoff;
class LogFile;

// The analysis of a file and the lanes of its timeline, computed on a
// worker thread and handed to the receiver of a Handoff.
class ActionAnalysisTask final : public std::enable_shared_from_this<ActionAnalysisTask>
{
public:
    struct Result
    {
        std::shared_ptr<const ActionAnalysis> analysis;
        std::shared_ptr<const TimelineLanes> lanes;
    };
    using Done = std::function<void(const Result &result)>;

    static std::shared_ptr<ActionAnalysisTask> start(std::shared_ptr<LogFile> file, std::shared_ptr<Handoff> handoff,
                                                     Done done);
    Q_DISABLE_COPY_MOVE(ActionAnalysisTask)

    void cancel() { cancelled.store(true, std::memory_order_relaxed); }

private:
    ActionAnalysisTask() = default;
    void run();

    std::shared_ptr<LogFile> file;
    int entryCount = 0;
    std::shared_ptr<Handoff> handoff;
    Done done;
    std::atomic<bool> cancelled{false};
};
