#include "viewerfind.h"

#include "entrysearch.h"
#include "logfile.h"
#include "rowmatcher.h"
#include "rowvisibility.h"

#include <algorithm>

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
    counting = false;
}

void ViewerFind::start(const std::shared_ptr<LogFile> &file, const RowVisibility &visibility, BackgroundWork &work,
                       std::function<void()> counted)
{
    cancel();
    matches.clear();
    if (!current || !current->isValid() || !file)
        return;
    counting = true;
    token = EntrySearch::start(file, current, visibility.hiddenRows(), work,
                               [this, counted = std::move(counted)](std::vector<int> &&found) {
                                   matches = std::move(found);
                                   counting = false;
                                   counted();
                               });
}

void ViewerFind::addRows(const LogFile &file, const RowVisibility &visibility, const std::vector<int> &context,
                         int first, int end)
{
    if (!current || !current->isValid() || counting)
        return;
    const auto &entries = file.entries();
    // Rows that show now as context of the new ones, then those.
    for (const int row : context) {
        if (visibility.isShown(row) && current->matches(*entries.at(row)))
            matches.insert(std::lower_bound(matches.begin(), matches.end(), row), row);
    }
    for (int row = first; row < end; ++row) {
        if (visibility.isShown(row) && current->matches(*entries.at(row)))
            matches.push_back(row);
    }
}

int ViewerFind::indexOf(int entry) const
{
    const auto it = std::lower_bound(matches.begin(), matches.end(), entry);
    return it != matches.end() && *it == entry ? int(it - matches.begin()) : -1;
}

int ViewerFind::next(int entry, bool forward) const
{
    if (matches.empty())
        return -1;
    if (forward) {
        const auto it = std::upper_bound(matches.begin(), matches.end(), entry);
        return it == matches.end() ? matches.front() : *it;
    }
    const auto it = std::lower_bound(matches.begin(), matches.end(), entry);
    return it == matches.begin() ? matches.back() : *(it - 1);
}
