#pragma once

#include <QLineEdit>
#include <QStringList>

class QCompleter;
class QStringListModel;

// The filter line: any length, an example as placeholder, the filters that
// parsed before offered as completion and with Up and Down, Escape to clear,
// and a red frame while its text does not parse, until it is edited. The
// history keeps filters of up to maxFilterLength characters, at most
// maxHistory of them.
class FilterLine final : public QLineEdit
{
    Q_OBJECT

public:
    static constexpr int maxHistory = 50;
    static constexpr int maxFilterLength = 64 * 1024;

    explicit FilterLine(QWidget *parent = nullptr);

    // Filters that parsed, the latest first.
    const QStringList &history() const { return filters; }
    // The history as the settings hold it: entries that are not strings or
    // are too long are dropped, and the list is cut to maxHistory.
    void setHistory(const QVariant &history);
    // Puts a filter that parsed first in the history, unless it is too long
    // to be kept.
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
