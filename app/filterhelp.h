#pragma once

#include <QDialog>

// Help > Filter Language: the filter guide of the README, in a window of its
// own (`filterHelp`).
class FilterHelp final : public QDialog
{
    Q_OBJECT

public:
    explicit FilterHelp(QWidget *parent = nullptr);

    // The README's "Filtering" section, as Markdown.
    static QString guide();
};
