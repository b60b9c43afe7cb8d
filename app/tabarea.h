#pragma once

#include <QWidget>

class QLabel;
class QTabWidget;

// The centre of the window: the tabs, and the find bar directly under them,
// above the docks. While no tab is open, a hint (`emptyHint`) shows where
// the tabs would be.
class TabArea final : public QWidget
{
    Q_OBJECT

public:
    TabArea(QTabWidget *tabs, QWidget *findBar, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TabArea)

private:
    void showHintIfEmpty();

    QTabWidget *tabs;
    QLabel *hint;
};
