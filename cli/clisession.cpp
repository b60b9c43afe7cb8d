#include "clisession.h"

#include "cliinput.h"
#include "filterpass.h"

#include <QEventLoop>
#include <QObject>

#include <algorithm>

namespace cli {

Session::Session(Options options, std::FILE *out, std::FILE *err)
    : given(std::move(options))
    , output(out)
    , err(err)
{
}

void Session::fail(const QString &message)
{
    failed = true;
    std::fputs(QStringLiteral("mirtlog: %1\n").arg(message).toLocal8Bit().constData(), err);
    std::fflush(err);
}

std::shared_ptr<const CompiledFilter> Session::compileFilter()
{
    auto filter = CompiledFilter::compile(given.hasFilter ? given.filter : QString());
    if (filter->isValid())
        return filter;
    fail(QStringLiteral("filter: %1").arg(filter->error()));
    return nullptr;
}

void Session::reportProblems(const LogFile &file, const QString &name)
{
    QByteArray text;
    for (const QString &message : file.messages())
        text += (name + QLatin1String(": ") + message + QLatin1Char('\n')).toLocal8Bit();
    const qint64 more = file.problemCount() - file.messages().size();
    if (more > 0)
        text += QStringLiteral("%1: (%2 more)\n").arg(name).arg(more).toLocal8Bit();
    std::fwrite(text.constData(), 1, size_t(text.size()), err);
    std::fflush(err);
}

std::shared_ptr<LogFile> Session::mergeFiles(std::vector<std::shared_ptr<LogFile>> files)
{
    if (files.size() == 1)
        return files.front();
    auto merged = LogFile::merge(files, {});
    if (!merged)
        fail(QStringLiteral("at most %1 files can be merged").arg(LogFile::maxSources));
    for (auto &file : files)
        leaveToSystem(file);
    return merged;
}

std::vector<std::shared_ptr<LogFile>> Session::readAll()
{
    FileLoads loads(given.files, true);
    std::vector<std::shared_ptr<LogFile>> files;
    for (int index = 0; index < loads.count(); ++index) {
        auto file = loads.take(index);
        const QString name = inputName(given.files[index]);
        if (file)
            reportProblems(*file, name);
        else
            fail(QStringLiteral("%1: %2").arg(name, loads.error(index)));
        files.push_back(std::move(file));
    }
    return files;
}

void Session::forEachFile(const Visit &visit)
{
    if (given.merge) {
        if (given.files.size() > LogFile::maxSources) {
            fail(QStringLiteral("at most %1 files can be merged").arg(LogFile::maxSources));
            return;
        }
        std::vector<std::shared_ptr<LogFile>> files = readAll();
        files.erase(std::remove(files.begin(), files.end(), nullptr), files.end());
        if (files.empty())
            return;
        auto merged = mergeFiles(std::move(files));
        if (merged)
            visit(merged);
        leaveToSystem(merged);
        return;
    }
    FileLoads loads(given.files, false);
    for (int index = 0; index < loads.count(); ++index) {
        auto file = loads.take(index);
        const QString name = inputName(given.files[index]);
        if (!file) {
            fail(QStringLiteral("%1: %2").arg(name, loads.error(index)));
            continue;
        }
        reportProblems(*file, name);
        const bool goOn = visit(file);
        // Freeing millions of records costs time the system saves at exit.
        leaveToSystem(file);
        if (!goOn) {
            loads.cancel();
            return;
        }
    }
}

std::vector<char> Session::judge(const std::shared_ptr<LogFile> &file,
                                 const std::shared_ptr<const CompiledFilter> &filter)
{
    if (!filter || filter->isEmpty())
        return {};
    QObject owner;
    auto *work = new BackgroundWork(&owner);
    std::vector<char> kept;
    bool done = false;
    FilterPass::start(file, filter, FilterPass::defaultThreadCount(), *work, [&](std::vector<char> &&result) {
        kept = std::move(result);
        done = true;
    });
    QEventLoop loop;
    while (!done)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    return kept;
}

int Session::status()
{
    if (!output.flush() && !output.closed())
        fail(QStringLiteral("cannot write the output: %1").arg(output.error()));
    if (failed)
        return 2;
    return output.closed() || rowsFound > 0 ? 0 : 1;
}

} // namespace cli
