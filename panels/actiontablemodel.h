#pragma once

#include "actionoccurrences.h"

#include <QAbstractTableModel>

#include <memory>

class LogFile;

// One row per action run of a file: its id, name, arguments, subsystem,
// start and end times, duration, outcome, number of sub-actions and, for a
// run cancelled or left running, the message of the record that explains it.
class ActionTableModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { IdColumn, NameColumn, ArgumentsColumn, SubsystemColumn, StartColumn, EndColumn,
                  DurationColumn, OutcomeColumn, SubActionsColumn, CauseColumn, ColumnCount };

    explicit ActionTableModel(QObject *parent = nullptr);

    void setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<LogFile> file);
    const ActionAnalysis *analysis() const { return current.get(); }
    const ActionOccurrence &occurrence(int row) const { return current->occurrences[size_t(row)]; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The texts of a run's cells, made once per run: sorting compares them
    // a million times.
    const QString &name(int row) const { return names[size_t(row)]; }
    const QString &arguments(int row) const { return argumentTexts[size_t(row)]; }
    QString cause(int row) const;

private:
    std::shared_ptr<const ActionAnalysis> current;
    std::shared_ptr<LogFile> file;
    std::vector<QString> names;
    std::vector<QString> argumentTexts;
};
