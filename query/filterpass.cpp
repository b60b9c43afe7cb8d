#include "filterpass.h"

#include "localpath.h"
#include "logfile.h"

#include <QThread>

int FilterPass::defaultThreadCount()
{
    return std::max(1, QThread::idealThreadCount());
}

namespace {

// A filter judge that answers as a pass keeps its flags.
class Keeping final
{
public:
    Keeping(const std::shared_ptr<const CompiledFilter> &filter, const QStringList &sources,
            std::shared_ptr<const LineMarks> marks)
        : judge(filter, sources, std::move(marks))
    {
    }
    char operator()(const LogFileEntry &entry, qint64 line) { return judge.keeps(entry, line) ? 1 : 0; }

private:
    FilterJudge judge;
};

} // namespace

CancelToken FilterPass::start(std::shared_ptr<LogFile> file, std::shared_ptr<const CompiledFilter> filter,
                              int threads, BackgroundWork &work, Done done,
                              std::shared_ptr<const LineMarks> marks)
{
    auto makeJudge = [filter = std::move(filter), sources = file->sourceNames(), marks = std::move(marks)] {
        return std::make_unique<Keeping>(filter, sources, marks);
    };
    return judgeEntries<char>(std::move(file), threads, work, char(0), false, std::move(makeJudge), std::move(done));
}
