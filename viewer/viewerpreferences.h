#pragma once

#include "highlightrules.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

// What the user chose for every viewer of the program at once: the
// highlight rules and the columns hidden by name. The window reads them
// from the settings and keeps them there; each viewer takes them when it is
// made and follows their changes. GUI thread only.
class ViewerPreferences final : public QObject
{
    Q_OBJECT

public:
    static ViewerPreferences &instance();
    Q_DISABLE_COPY_MOVE(ViewerPreferences)

    // The rules, compiled; never null.
    const std::shared_ptr<const HighlightRuleSet> &highlightRules() const { return rules; }
    void setHighlightRules(std::vector<HighlightRule> list);

    // Columns hidden by the user, by their header label.
    bool isColumnHidden(const QString &name) const { return hidden.contains(name); }
    void setColumnHidden(const QString &name, bool hide);
    QStringList hiddenColumns() const;
    void setHiddenColumns(const QStringList &names);

signals:
    void highlightRulesChanged();
    void hiddenColumnsChanged();

private:
    ViewerPreferences();

    std::shared_ptr<const HighlightRuleSet> rules;
    QSet<QString> hidden;
};
