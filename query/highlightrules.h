#pragma once

#include "backgroundwork.h"
#include "compiledfilter.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class LineMarks;
class LogFile;
class LogFileEntry;

// One rule of the row colours: a filter expression, and the text and
// background colours (0xRRGGBB, noColour for none) of the rows it is true of.
struct HighlightRule
{
    QString expression;
    quint32 text = 0xFFFFFFFFu;
    quint32 background = 0xFFFFFFFFu;
    bool enabled = true;

    bool operator==(const HighlightRule &other) const;

    // As the settings keep it, and back; what cannot be a rule is left out
    // and the list is cut to maxRules.
    static QVariant toSettings(const std::vector<HighlightRule> &rules);
    static std::vector<HighlightRule> fromSettings(const QVariant &value);
};

// The rules in their order, compiled once. Disabled rules and rules that do
// not parse take part in nothing; for each entry a pass finds the first
// rule that is true of it, as one byte: 0 for none, i + 1 for rules()[i].
class HighlightRuleSet final
{
public:
    // A byte an entry: at most 254 rules.
    static constexpr int maxRules = 254;
    static constexpr quint8 noRule = 0;

    static std::shared_ptr<const HighlightRuleSet> compile(std::vector<HighlightRule> rules);
    Q_DISABLE_COPY_MOVE(HighlightRuleSet)

    const std::vector<HighlightRule> &rules() const { return list; }
    // Per rule, the compiled expression: its error() when it does not parse.
    const std::shared_ptr<const CompiledFilter> &compiled(int rule) const { return filters[size_t(rule)]; }
    // Whether any rule can colour a row.
    bool isEmpty() const { return applied.empty(); }
    // The rule of a pass's byte; null for noRule.
    const HighlightRule *ruleOf(quint8 match) const;

private:
    friend class HighlightJudge;
    HighlightRuleSet() = default;

    std::vector<HighlightRule> list;
    std::vector<std::shared_ptr<const CompiledFilter>> filters;
    // The rules that apply, by their place in `list`.
    std::vector<int> applied;
};

// Finds the first rule true of each record on one thread, with a
// FilterJudge per rule.
class HighlightJudge final
{
public:
    // `marks` are the lines the rules' `bookmarked` is true for.
    HighlightJudge(const std::shared_ptr<const HighlightRuleSet> &rules, const QStringList &sources,
                   const std::shared_ptr<const LineMarks> &marks = {});
    Q_DISABLE_COPY_MOVE(HighlightJudge)

    // The first rule true of `record`, which starts on line `line` of its file.
    quint8 firstMatch(const LogFileEntry &record, qint64 line = 0);

private:
    std::vector<std::unique_ptr<FilterJudge>> judges;
    std::vector<quint8> matches;
};

// Finds the first matching rule of every entry of a file on worker threads,
// in chunks, as a FilterPass judges a filter.
class HighlightPass final
{
public:
    using Done = std::function<void(std::vector<quint8> &&matches)>;

    // `done` runs on the thread of `work`'s owner with a byte an entry of
    // those the file had at the start; not when the token was cancelled.
    static CancelToken start(std::shared_ptr<LogFile> file, std::shared_ptr<const HighlightRuleSet> rules,
                             int threads, BackgroundWork &work, Done done,
                             std::shared_ptr<const LineMarks> marks = {});
};
