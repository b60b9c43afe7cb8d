#pragma once

#include <QToolBar>

class QLabel;
class QLineEdit;
class QTimer;

// The find bar under the tabs (`findBar`): the text to find (`findEdit`),
// "Match case" and "Regular expression", previous and next, and "n of N".
// Return goes to the next match and Escape closes the bar; the query is
// sent a moment after the typing stops.
class FindBar final : public QToolBar
{
    Q_OBJECT

public:
    explicit FindBar(QWidget *parent = nullptr);

    QString text() const;
    bool matchCase() const;
    bool regularExpression() const;
    QLineEdit *line() const { return edit; }
    // Shows the bar with its text selected, ready for typing.
    void open();
    // "n of N"; `current` from 0, -1 for none; a negative total for a text
    // that is no regular expression.
    void showCount(int current, int total);
    // While the matches are being counted.
    void showCounting();

signals:
    void queryChanged();
    void nextRequested();
    void previousRequested();
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *edit = nullptr;
    QAction *caseToggle = nullptr;
    QAction *regexToggle = nullptr;
    QLabel *count = nullptr;
    QTimer *pause = nullptr;
};
