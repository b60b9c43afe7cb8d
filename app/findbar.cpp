#include "findbar.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

// Long enough for a word to be typed, short enough to feel at once.
constexpr int typingPause = 150; // ms

} // namespace

FindBar::FindBar(QWidget *parent)
    : QToolBar(tr("Find"), parent)
{
    setObjectName(QStringLiteral("findBar"));
    setMovable(false);
    addWidget(new QLabel(tr("Find"), this));
    edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("findEdit"));
    edit->setClearButtonEnabled(true);
    edit->setPlaceholderText(tr("text in the rows shown"));
    edit->installEventFilter(this);
    addWidget(edit);
    QAction *previous = addAction(tr("Previous"), this, &FindBar::previousRequested);
    previous->setObjectName(QStringLiteral("findPrevious"));
    QAction *next = addAction(tr("Next"), this, &FindBar::nextRequested);
    next->setObjectName(QStringLiteral("findNext"));
    caseToggle = addAction(tr("Match case"));
    caseToggle->setObjectName(QStringLiteral("findMatchCase"));
    caseToggle->setCheckable(true);
    regexToggle = addAction(tr("Regular expression"));
    regexToggle->setObjectName(QStringLiteral("findRegularExpression"));
    regexToggle->setCheckable(true);
    count = new QLabel(this);
    count->setObjectName(QStringLiteral("findCount"));
    count->setMinimumWidth(count->fontMetrics().horizontalAdvance(QStringLiteral("000,000 of 000,000")));
    addWidget(count);
    QAction *close = addAction(tr("Close"), this, [this] {
        hide();
        emit closed();
    });
    close->setObjectName(QStringLiteral("findClose"));

    pause = new QTimer(this);
    pause->setSingleShot(true);
    pause->setInterval(typingPause);
    connect(pause, &QTimer::timeout, this, &FindBar::queryChanged);
    connect(edit, &QLineEdit::textChanged, pause, qOverload<>(&QTimer::start));
    for (QAction *toggle : {caseToggle, regexToggle})
        connect(toggle, &QAction::toggled, this, &FindBar::queryChanged);
    hide();
}

QString FindBar::text() const
{
    return edit->text();
}

bool FindBar::matchCase() const
{
    return caseToggle->isChecked();
}

bool FindBar::regularExpression() const
{
    return regexToggle->isChecked();
}

void FindBar::open()
{
    show();
    edit->setFocus();
    edit->selectAll();
}

void FindBar::showCount(int current, int total)
{
    if (total < 0)
        count->setText(tr("not an expression"));
    else if (edit->text().isEmpty())
        count->clear();
    else
        count->setText(tr("%1 of %2").arg(current + 1).arg(total));
}

void FindBar::showCounting()
{
    count->setText(tr("counting") + QChar(0x2026));
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // A query still waiting for the pause goes first.
            if (pause->isActive()) {
                pause->stop();
                emit queryChanged();
            }
            if (key->modifiers() & Qt::ShiftModifier)
                emit previousRequested();
            else
                emit nextRequested();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            hide();
            emit closed();
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}
