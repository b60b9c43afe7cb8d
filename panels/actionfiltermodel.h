#pragma once

#include <QSortFilterProxyModel>

class ActionTableModel;

// Sorts the action runs by any column, numbers as numbers, comparing the
// runs' own values rather than their texts; and narrows them to the runs
// whose name, arguments or outcome contain a text, or to one action name.
class ActionFilterModel final : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit ActionFilterModel(QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *model) override;
    // Runs whose name, arguments or outcome contain `text` (letter case
    // aside); an empty text keeps every run.
    void setNarrowing(const QString &text);
    // Runs of exactly this action name; empty for any.
    void setName(const QString &name);

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    const ActionTableModel *table = nullptr;
    QString narrowing;
    QString name;
};
