#include "runtexts.h"

#include "logfileentry.h"
#include "robotaction.h"

#include <QHash>
#include <QStringBuilder>

#include <algorithm>

#include <cmath>

namespace {

QString recordMessage(const LogFile::ReadAccess &file, int row)
{
    const auto &entries = file.entries();
    return row >= 0 && row < entries.size() ? entries.at(row)->message() : QString();
}

// Per text, its place in alphabetical order; texts equal but for letter
// case share a place. Few texts are distinct, so they are sorted once each.
template<typename TextOf>
std::vector<int> ranksOf(size_t count, TextOf textOf)
{
    QHash<QString, int> distinct;
    std::vector<QString> texts;
    std::vector<int> firstRank(count);
    for (size_t i = 0; i < count; ++i) {
        const QString &text = textOf(i);
        auto found = distinct.constFind(text);
        if (found == distinct.constEnd()) {
            found = distinct.insert(text, int(texts.size()));
            texts.push_back(text);
        }
        firstRank[i] = found.value();
    }
    std::vector<int> order(texts.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(), [&texts](int a, int b) {
        const int byLetters = texts[size_t(a)].compare(texts[size_t(b)], Qt::CaseInsensitive);
        return byLetters != 0 ? byLetters < 0 : texts[size_t(a)] < texts[size_t(b)];
    });
    std::vector<int> rankOfText(texts.size());
    int rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && texts[size_t(order[i - 1])].compare(texts[size_t(order[i])], Qt::CaseInsensitive) != 0)
            ++rank;
        rankOfText[size_t(order[i])] = rank;
    }
    for (int &value : firstRank)
        value = rankOfText[size_t(value)];
    return firstRank;
}

} // namespace

std::shared_ptr<const RunTexts> RunTexts::make(const ActionAnalysis &analysis, const LogFile::ReadAccess &file,
                                               const std::atomic<bool> *cancelled)
{
    auto texts = std::make_shared<RunTexts>();
    if (file.file().isMerged()) {
        for (const LogFile::Source &source : file.file().sources())
            texts->sourceNames.push_back(source.name);
    }
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
        if (texts->arguments.back().size() > texts->longestArguments.size())
            texts->longestArguments = texts->arguments.back();
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
        texts->causeChains.push_back(analysis.causeChain(int(run), file));
        const QChar line = QLatin1Char('\n');
        texts->haystacks.push_back((texts->names[run] % line % texts->arguments[run] % line
                                    % ActionOccurrence::outcomeText(occurrence.outcome) % line % occurrence.subsystem
                                    % line % texts->causes[run])
                                       .toLower());
    }
    if (cancelled && cancelled->load(std::memory_order_relaxed))
        return nullptr;
    texts->nameRanks = ranksOf(count, [&](size_t run) -> const QString & { return texts->names[run]; });
    texts->argumentRanks = ranksOf(count, [&](size_t run) -> const QString & { return texts->arguments[run]; });
    texts->subsystemRanks =
        ranksOf(count, [&](size_t run) -> const QString & { return analysis.occurrences[run].subsystem; });
    texts->causeRanks = ranksOf(count, [&](size_t run) -> const QString & { return texts->causes[run]; });
    return texts;
}
