#pragma once

#include <QLineEdit>
#include <QStringList>

class QCompleter;
class QStringListModel;

// The filter line: any length, an example as placeholder, the filters that
// parsed before offered as completion and with Up and Down, Escape to clear,
// and a red frame while its text does not parse, until it is edited.
class FilterLine final : public QLineEdit
{
    Q_OBJECT

public:
    static constexpr int maxHistory = 50;

    explicit FilterLine(QWidget *parent = nullptr);

    // Filters that parsed, the latest first.
    const QStringList &history() const { return filters; }
    void setHistory(const QStringList &history);
    // Puts a filter that parsed first in the history.
    void remember(const QString &filter);
    // Marks the text as one that does not parse, until it is edited.
    void setInvalid(bool invalid);
    bool isInvalid() const { return property("invalid").toBool(); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QStringList filters;
    QStringListModel *model = nullptr;
    // Where Up and Down are in the history; -1 for the line being typed.
    int browsing = -1;
    QString typed;
};
