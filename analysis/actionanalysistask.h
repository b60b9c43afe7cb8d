#pragma once

#include "actionoccurrences.h"
#include "backgroundwork.h"
#include "runtexts.h"
#include "timelinelanes.h"

#include <functional>
#include <memory>

class LogFile;

// The analysis of a file, the texts of its runs and the lanes of its
// timeline, computed on a worker thread that reads the file through a
// ReadAccess.
class ActionAnalysisTask final
{
public:
    struct Result
    {
        std::shared_ptr<const ActionAnalysis> analysis;
        std::shared_ptr<const TimelineLanes> lanes;
        std::shared_ptr<const RunTexts> texts;
    };
    using Done = std::function<void(const Result &result)>;

    // Analyses the entries the file has now; `done` runs on the thread of
    // `work`'s owner, unless the returned token is cancelled first.
    static CancelToken start(std::shared_ptr<LogFile> file, BackgroundWork &work, Done done);
};
