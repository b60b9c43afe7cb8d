#include "viewerpreferences.h"

#include <algorithm>

ViewerPreferences &ViewerPreferences::instance()
{
    static ViewerPreferences preferences;
    return preferences;
}

ViewerPreferences::ViewerPreferences()
    : rules(HighlightRuleSet::compile({}))
{
}

void ViewerPreferences::setHighlightRules(std::vector<HighlightRule> list)
{
    if (list == rules->rules())
        return;
    rules = HighlightRuleSet::compile(std::move(list));
    emit highlightRulesChanged();
}

void ViewerPreferences::setColumnHidden(const QString &name, bool hide)
{
    if (name.isEmpty() || hidden.contains(name) == hide)
        return;
    if (hide)
        hidden.insert(name);
    else
        hidden.remove(name);
    emit hiddenColumnsChanged();
}

QStringList ViewerPreferences::hiddenColumns() const
{
    QStringList names(hidden.begin(), hidden.end());
    std::sort(names.begin(), names.end());
    return names;
}

void ViewerPreferences::setHiddenColumns(const QStringList &names)
{
    QSet<QString> chosen;
    for (const QString &name : names) {
        if (!name.isEmpty())
            chosen.insert(name);
    }
    if (chosen == hidden)
        return;
    hidden = std::move(chosen);
    emit hiddenColumnsChanged();
}
