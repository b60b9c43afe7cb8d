// The LogFileViewer's highlight rules: the first rule true of each record,
// found for the whole file on worker threads when the rules change or the
// file has been read, and on this thread for the records following brings.

#include "logfileviewer.h"

#include "backgroundwork.h"
#include "logfile.h"
#include "viewerpreferences.h"

#include <QTimer>

void LogFileViewer::initializeLook()
{
    connect(&ViewerPreferences::instance(), &ViewerPreferences::highlightRulesChanged, this,
            &LogFileViewer::startHighlightPass);
    // The rules apply once the file is read: at the end of its load, or for
    // a file handed over read, as soon as the viewer is made.
    connect(this, &LogFileViewer::loaded, this, &LogFileViewer::startHighlightPass);
    QTimer::singleShot(0, this, [this] {
        if (file && !loading && !highlighting && !presenter.ruleSet())
            startHighlightPass();
    });
    initializeColumns();
}

void LogFileViewer::startHighlightPass()
{
    highlightPass.cancel();
    highlighting = false;
    // A file still being read is judged once it is read.
    if (!file || loading || disposing) {
        updateBusy();
        return;
    }
    const std::shared_ptr<const HighlightRuleSet> rules = ViewerPreferences::instance().highlightRules();
    if (rules->isEmpty()) {
        presenter.setRuleMatches(rules, {});
        viewport()->update();
        updateBusy();
        emit highlightsApplied();
        return;
    }
    // The rows keep the colours of the rules before until the new ones are
    // in.
    highlighting = true;
    highlightPass = HighlightPass::start(file, rules, 0, *work, [this, rules](std::vector<quint8> &&matches) {
        highlighting = false;
        if (disposing)
            return;
        const int judged = int(matches.size());
        presenter.setRuleMatches(rules, std::move(matches));
        // Entries a followed file gained while the pass ran.
        highlightFrom(judged);
        viewport()->update();
        updateBusy();
        emit highlightsApplied();
    }, marked.lineMarks());
    updateBusy();
}

void LogFileViewer::highlightFrom(int first)
{
    const std::shared_ptr<const HighlightRuleSet> &rules = presenter.ruleSet();
    // A pass that runs judges these as well when it ends.
    if (!file || highlighting || !rules || rules->isEmpty())
        return;
    std::vector<quint8> &matches = presenter.ruleMatches();
    const int count = file->entries().size();
    first = std::clamp(first, 0, int(matches.size()));
    matches.resize(size_t(count), HighlightRuleSet::noRule);
    HighlightJudge judge(rules, file->sourceNames(), marked.lineMarks());
    for (int number = first; number < count; ++number)
        matches[size_t(number)] = judge.firstMatch(*file->entries().at(number), file->lineOf(number));
}
