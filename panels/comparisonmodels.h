#pragma once

#include "runcomparison.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <memory>

// The comparison's three tables. Each cell's Qt::UserRole holds what
// sorting compares, numbers as numbers; recordOf() says which record of
// which side a row leads to.
class ComparisonModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Where a row leads: a record of one side; side is -1 for none.
    struct Record
    {
        int side = -1; // 0 for A, 1 for B
        int row = -1;
    };

    explicit ComparisonModel(QObject *parent = nullptr);

    void setComparison(std::shared_ptr<const RunComparison> comparison);
    const RunComparison *comparison() const { return shown.get(); }

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    virtual Record recordOf(int row) const = 0;

protected:
    virtual QStringList headers() const = 0;
    virtual QString text(int row, int column) const = 0;
    // The value sorting compares; the text unless overridden.
    virtual QVariant sortValue(int row, int column) const { return text(row, column); }
    virtual bool isNumeric(int column) const = 0;

    std::shared_ptr<const RunComparison> shown;
};

// One row per action name of either side.
class ComparisonByNameModel final : public ComparisonModel
{
    Q_OBJECT

public:
    enum Column { Name, CountA, CountB, CompletedA, CompletedB, CancelledA, CancelledB, NeverEndedA, NeverEndedB,
                  MedianA, MedianB, P95A, P95B, DeltaMedian, Ratio, ColumnCount };
    using ComparisonModel::ComparisonModel;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    Record recordOf(int row) const override;

protected:
    QStringList headers() const override;
    QString text(int row, int column) const override;
    QVariant sortValue(int row, int column) const override;
    bool isNumeric(int column) const override { return column != Name; }
};

// The top-level runs of both sides, aligned.
class ComparisonSequenceModel final : public ComparisonModel
{
    Q_OBJECT

public:
    enum Column { Action, StartA, StartB, OutcomeA, OutcomeB, DurationA, DurationB, ColumnCount };
    using ComparisonModel::ComparisonModel;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    Record recordOf(int row) const override;

protected:
    QStringList headers() const override;
    QString text(int row, int column) const override;
    QVariant sortValue(int row, int column) const override;
    bool isNumeric(int column) const override;
};

// B's error and warning templates that A never had.
class ComparisonNewErrorsModel final : public ComparisonModel
{
    Q_OBJECT

public:
    enum Column { Template, Count, FirstTime, Subsystem, ColumnCount };
    using ComparisonModel::ComparisonModel;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    Record recordOf(int row) const override;

protected:
    QStringList headers() const override;
    QString text(int row, int column) const override;
    QVariant sortValue(int row, int column) const override;
    bool isNumeric(int column) const override { return column == Count || column == FirstTime; }
};
