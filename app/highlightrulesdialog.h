#pragma once

#include "highlightrules.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// Edits the ordered list of highlight rules: add, remove, move up and down,
// switch on and off, and per rule its filter expression and its text and
// background colours (each may be none). A rule that does not parse shows
// in red with the parser's message. The caller takes rules() on accept.
class HighlightRulesDialog final : public QDialog
{
    Q_OBJECT

public:
    HighlightRulesDialog(std::vector<HighlightRule> rules, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(HighlightRulesDialog)

    const std::vector<HighlightRule> &rules() const { return list; }
    // What the colour buttons set for rule `row`; noColour for none.
    void setRuleColours(int row, quint32 text, quint32 background);

private:
    void buildLayout();
    void connectControls();
    void addRule();
    void removeRule();
    void moveRule(int by);
    void chooseColour(bool background);
    // The list's rows anew from the rules, `current` selected.
    void refresh(int current);
    void showItem(int row);
    void showCurrent();
    int currentRow() const;

    std::vector<HighlightRule> list;
    QListWidget *view = nullptr;
    QLineEdit *expression = nullptr;
    QLabel *error = nullptr;
    QPushButton *textColour = nullptr;
    QPushButton *textNone = nullptr;
    QPushButton *backgroundColour = nullptr;
    QPushButton *backgroundNone = nullptr;
    QPushButton *add = nullptr;
    QPushButton *remove = nullptr;
    QPushButton *up = nullptr;
    QPushButton *down = nullptr;
    bool refreshing = false;
};
