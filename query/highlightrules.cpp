#include "highlightrules.h"

#include "entrypresentation.h"
#include "filterpass.h"
#include "logfile.h"

#include <QVariantMap>

namespace {

// Longer expressions are not kept, so that a damaged settings file cannot
// hold up the start compiling hundreds of huge rules.
constexpr int maxExpressionLength = 4096;

QString colourName(quint32 colour)
{
    return colour == EntryPresentation::noColour
        ? QString()
        : QStringLiteral("#%1").arg(colour & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
}

// The colour a settings text names; noColour for none, false when it names
// nothing.
bool colourOf(const QVariant &value, quint32 &colour)
{
    const QString text = value.toString();
    if (text.isEmpty()) {
        colour = EntryPresentation::noColour;
        return true;
    }
    // "#rrggbb", as colourName writes it.
    bool number = false;
    const uint rgb = text.size() == 7 && text.startsWith(QLatin1Char('#')) ? text.mid(1).toUInt(&number, 16) : 0;
    if (!number)
        return false;
    colour = rgb;
    return true;
}

} // namespace

bool HighlightRule::operator==(const HighlightRule &other) const
{
    return expression == other.expression && text == other.text && background == other.background
        && enabled == other.enabled;
}

QVariant HighlightRule::toSettings(const std::vector<HighlightRule> &rules)
{
    QVariantList list;
    for (const HighlightRule &rule : rules) {
        QVariantMap map;
        map.insert(QStringLiteral("expression"), rule.expression);
        map.insert(QStringLiteral("text"), colourName(rule.text));
        map.insert(QStringLiteral("background"), colourName(rule.background));
        map.insert(QStringLiteral("enabled"), rule.enabled);
        list << map;
    }
    return list;
}

std::vector<HighlightRule> HighlightRule::fromSettings(const QVariant &value)
{
    std::vector<HighlightRule> rules;
    const QVariantList list = value.toList();
    for (const QVariant &item : list) {
        if (int(rules.size()) >= HighlightRuleSet::maxRules)
            break;
        const QVariantMap map = item.toMap();
        const QVariant expression = map.value(QStringLiteral("expression"));
        if (expression.type() != QVariant::String || expression.toString().size() > maxExpressionLength)
            continue;
        HighlightRule rule;
        rule.expression = expression.toString();
        if (!colourOf(map.value(QStringLiteral("text")), rule.text)
            || !colourOf(map.value(QStringLiteral("background")), rule.background))
            continue;
        rule.enabled = map.value(QStringLiteral("enabled"), true).toBool();
        rules.push_back(rule);
    }
    return rules;
}

std::shared_ptr<const HighlightRuleSet> HighlightRuleSet::compile(std::vector<HighlightRule> rules)
{
    if (int(rules.size()) > maxRules)
        rules.resize(size_t(maxRules));
    std::shared_ptr<HighlightRuleSet> set(new HighlightRuleSet);
    set->list = std::move(rules);
    for (int i = 0; i < int(set->list.size()); ++i) {
        const HighlightRule &rule = set->list[size_t(i)];
        set->filters.push_back(CompiledFilter::compile(rule.expression));
        // An empty expression would colour every row: a rule just added
        // colours none until it says which.
        if (rule.enabled && !rule.expression.trimmed().isEmpty() && set->filters.back()->isValid())
            set->applied.push_back(i);
    }
    return set;
}

const HighlightRule *HighlightRuleSet::ruleOf(quint8 match) const
{
    if (match == noRule || match > applied.size())
        return nullptr;
    return &list[size_t(applied[size_t(match - 1)])];
}

HighlightJudge::HighlightJudge(const std::shared_ptr<const HighlightRuleSet> &rules, const QStringList &sources,
                               const std::shared_ptr<const LineMarks> &marks)
{
    for (int i = 0; i < int(rules->applied.size()); ++i)
        judges.push_back(
            std::make_unique<FilterJudge>(rules->filters[size_t(rules->applied[size_t(i)])], sources, marks));
}

quint8 HighlightJudge::firstMatch(const LogFileEntry &record, qint64 line)
{
    for (size_t i = 0; i < judges.size(); ++i) {
        if (judges[i]->keeps(record, line))
            return quint8(i + 1);
    }
    return HighlightRuleSet::noRule;
}

CancelToken HighlightPass::start(std::shared_ptr<LogFile> file, std::shared_ptr<const HighlightRuleSet> rules,
                                 int threads, BackgroundWork &work, Done done,
                                 std::shared_ptr<const LineMarks> marks)
{
    const bool none = rules->isEmpty();
    // A judge that answers with the first rule that matches.
    struct FirstRule final
    {
        FirstRule(const std::shared_ptr<const HighlightRuleSet> &rules, const QStringList &sources,
                  const std::shared_ptr<const LineMarks> &marks)
            : judge(rules, sources, marks)
        {
        }
        quint8 operator()(const LogFileEntry &entry, qint64 line) { return judge.firstMatch(entry, line); }
        HighlightJudge judge;
    };
    auto makeJudge = [rules = std::move(rules), sources = file->sourceNames(), marks = std::move(marks)] {
        return std::make_unique<FirstRule>(rules, sources, marks);
    };
    return FilterPass::judgeEntries<quint8>(std::move(file), threads, work, HighlightRuleSet::noRule, none,
                                            std::move(makeJudge), std::move(done));
}
