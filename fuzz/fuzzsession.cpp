#include "fuzzsession.h"

#include "sessionjson.h"

#include <cstdlib>

namespace fuzzentries {

namespace {

void holds(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

void readSessionJson(const QByteArray &data)
{
    const QString folder = QStringLiteral("/fuzz/sessions");
    const sessionjson::ReadResult read = sessionjson::fromJson(data, folder);
    if (!read.ok) {
        holds(!read.error.isEmpty());
        return;
    }
    const std::vector<SessionTab> &tabs = read.session.tabs;
    holds(tabs.size() <= size_t(sessionjson::maxTabs));
    for (const SessionTab &tab : tabs) {
        holds(tab.files.size() <= size_t(sessionjson::maxFilesPerTab));
        holds(tab.bookmarks.size() <= size_t(sessionjson::maxBookmarks));
        holds(tab.filter.size() <= sessionjson::maxFilterLength);
        for (const SessionBookmark &mark : tab.bookmarks)
            holds(mark.line > 0 && mark.line <= sessionjson::maxLine && mark.note.size() <= sessionjson::maxNoteLength);
    }
    // What was read is what a window would save again: it reads back alike.
    const sessionjson::ReadResult again = sessionjson::fromJson(sessionjson::toJson(read.session, folder), folder);
    holds(again.ok && again.session.tabs.size() == tabs.size());
    for (size_t i = 0; i < tabs.size(); ++i) {
        const SessionTab &before = tabs[i];
        const SessionTab &after = again.session.tabs[i];
        holds(after.filter == before.filter && after.contextRows == before.contextRows
              && after.following == before.following && after.bookmarks == before.bookmarks
              && after.files.size() == before.files.size());
    }
}

} // namespace fuzzentries
