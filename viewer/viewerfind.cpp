#include "viewerfind.h"

#include "entrysearch.h"
#include "logfile.h"
#include "rowmatcher.h"
#include "rowvisibility.h"

#include <algorithm>
#include <iterator>

void ViewerFind::setMatcher(std::shared_ptr<const RowMatcher> matcher)
{
    current = std::move(matcher);
}

bool ViewerFind::isValid() const
{
    return !current || current->isValid();
}

void ViewerFind::cancel()
{
    token.cancel();
    for (const CancelToken &addition : additions)
        addition.cancel();
    additions.clear();
    counting = false;
}

void ViewerFind::start(const std::shared_ptr<LogFile> &file, const RowVisibility &visibility, BackgroundWork &work,
                       std::function<void()> counted)
{
    cancel();
    found.clear();
    if (!current || !current->isValid() || !file)
        return;
    counting = true;
    token = EntrySearch::start(file, current, visibility.hiddenRows(), work,
                               [this, counted = std::move(counted)](std::vector<int> &&matches) {
                                   found = std::move(matches);
                                   counting = false;
                                   counted();
                               });
}

void ViewerFind::addRows(const std::shared_ptr<LogFile> &file, const RowVisibility &visibility,
                         const std::vector<int> &context, int first, int end, BackgroundWork &work,
                         std::function<void()> counted)
{
    if (!current || !current->isValid() || counting)
        return;
    // Rows that show now as context of the new ones, then those: looked at
    // off this thread, as a pattern may take its time on every row.
    std::vector<int> rows;
    for (const int row : context) {
        if (visibility.isShown(row))
            rows.push_back(row);
    }
    for (int row = first; row < end; ++row) {
        if (visibility.isShown(row))
            rows.push_back(row);
    }
    if (rows.empty())
        return;
    additions.erase(std::remove_if(additions.begin(), additions.end(),
                                   [](const CancelToken &addition) { return addition.isFinished(); }),
                    additions.end());
    additions.push_back(EntrySearch::startOver(file, current, std::move(rows), work,
                                               [this, counted = std::move(counted)](std::vector<int> &&matches) {
                                                   std::vector<int> merged;
                                                   merged.reserve(found.size() + matches.size());
                                                   std::merge(found.begin(), found.end(), matches.begin(),
                                                              matches.end(), std::back_inserter(merged));
                                                   merged.erase(std::unique(merged.begin(), merged.end()),
                                                                merged.end());
                                                   found = std::move(merged);
                                                   counted();
                                               }));
}

void ViewerFind::recheck(const std::shared_ptr<LogFile> &file, const RowVisibility &visibility, int row,
                         BackgroundWork &work, std::function<void()> counted)
{
    const auto at = std::lower_bound(found.begin(), found.end(), row);
    if (at != found.end() && *at == row)
        found.erase(at);
    addRows(file, visibility, {}, row, row + 1, work, std::move(counted));
}

int ViewerFind::indexOf(int entry) const
{
    const auto it = std::lower_bound(found.begin(), found.end(), entry);
    return it != found.end() && *it == entry ? int(it - found.begin()) : -1;
}

int ViewerFind::next(int entry, bool forward) const
{
    if (found.empty())
        return -1;
    if (forward) {
        const auto it = std::upper_bound(found.begin(), found.end(), entry);
        return it == found.end() ? found.front() : *it;
    }
    const auto it = std::lower_bound(found.begin(), found.end(), entry);
    return it == found.begin() ? found.back() : *(it - 1);
}
