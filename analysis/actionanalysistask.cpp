#include "actionanalysistask.h"

#include "logfile.h"

CancelToken ActionAnalysisTask::start(std::shared_ptr<LogFile> file, BackgroundWork &work, Done done)
{
    // The entries there are now; a file that grows is analysed again.
    const int entryCount = file->entries().size();
    return work.run(
        [file = std::move(file), entryCount](const CancelToken &token) {
            Result result;
            {
                const LogFile::ReadAccess reading(*file);
                result.analysis = ActionAnalysis::compute(reading, entryCount, token.flag());
                if (result.analysis)
                    result.texts = RunTexts::make(*result.analysis, reading, token.flag());
            }
            if (result.analysis && !token.isCancelled())
                result.lanes =
                    std::make_shared<const TimelineLanes>(TimelineLanes::layOut(result.analysis->occurrences));
            return result;
        },
        [done = std::move(done)](const Result &result) {
            if (result.analysis && result.texts)
                done(result);
        });
}
