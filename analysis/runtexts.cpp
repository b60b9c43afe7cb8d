#include "runtexts.h"

#include "entrypresentation.h"
#include "logfileentry.h"
#include "robotaction.h"

#include <QStringBuilder>

#include <cmath>

namespace {

QString recordMessage(const LogFile::ReadAccess &file, int row)
{
    const auto &entries = file.entries();
    return row >= 0 && row < entries.size() ? entries.at(row)->message() : QString();
}

QString chainOf(const ActionAnalysis &analysis, const RunTexts &texts, const LogFile::ReadAccess &file, int run)
{
    const int cause = analysis.shownCauseRow(run);
    if (cause < 0 || cause >= file.entries().size())
        return QString();
    QString chain;
    bool first = true;
    for (int step : analysis.failedPath(run)) {
        const ActionOccurrence &occurrence = analysis.occurrences[size_t(step)];
        if (!first)
            chain += QStringLiteral(" → ");
        chain += texts.names[size_t(step)];
        if (!first)
            chain += QStringLiteral(" (") % ActionOccurrence::outcomeText(occurrence.outcome) % QLatin1Char(')');
        first = false;
    }
    const LogFileEntry &record = *file.entries().at(cause);
    return chain % QStringLiteral(" → \"") % record.message() % QStringLiteral("\" at ")
        % EntryPresentation::timeText(record.time());
}

} // namespace

std::shared_ptr<const RunTexts> RunTexts::make(const ActionAnalysis &analysis, const LogFile::ReadAccess &file,
                                               const std::atomic<bool> *cancelled)
{
    auto texts = std::make_shared<RunTexts>();
    const size_t count = analysis.occurrences.size();
    texts->names.reserve(count);
    texts->arguments.reserve(count);
    texts->causes.reserve(count);
    for (size_t run = 0; run < count; ++run) {
        if ((run & 0xfff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            return nullptr;
        const ActionOccurrence &occurrence = analysis.occurrences[run];
        texts->names.push_back(occurrence.action ? occurrence.action->name().trimmed() : QString());
        texts->arguments.push_back(occurrence.action ? occurrence.action->arguments().join(QStringLiteral(", "))
                                                     : QString());
        texts->causes.push_back(recordMessage(file, analysis.shownCauseRow(int(run))));
        texts->widestId = std::max(texts->widestId, std::abs(occurrence.id));
        for (double time : {occurrence.startTime, occurrence.endTime}) {
            if (std::fabs(time) > std::fabs(texts->widestTime))
                texts->widestTime = time;
        }
        if (occurrence.hasDuration() && std::fabs(occurrence.duration()) > std::fabs(texts->widestDuration))
            texts->widestDuration = occurrence.duration();
    }
    texts->causeChains.reserve(count);
    texts->haystacks.reserve(count);
    for (size_t run = 0; run < count; ++run) {
        if ((run & 0xfff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            return nullptr;
        const ActionOccurrence &occurrence = analysis.occurrences[run];
        texts->causeChains.push_back(chainOf(analysis, *texts, file, int(run)));
        const QChar line = QLatin1Char('\n');
        texts->haystacks.push_back((texts->names[run] % line % texts->arguments[run] % line
                                    % ActionOccurrence::outcomeText(occurrence.outcome) % line % occurrence.subsystem
                                    % line % texts->causes[run])
                                       .toLower());
    }
    return texts;
}
