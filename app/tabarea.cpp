#include "tabarea.h"

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

TabArea::TabArea(QTabWidget *tabs, QWidget *findBar, QWidget *parent)
    : QWidget(parent)
    , tabs(tabs)
{
    setObjectName(QStringLiteral("tabArea"));
    hint = new QLabel(tr("Open a log with Ctrl+O or drop files here"), this);
    hint->setObjectName(QStringLiteral("emptyHint"));
    hint->setAlignment(Qt::AlignCenter);
    // Drawn as disabled text: a hint, not something to click.
    hint->setEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(hint, 1);
    layout->addWidget(tabs, 1);
    layout->addWidget(findBar);
    // The first tab added and the last one closed change the current tab.
    connect(tabs, &QTabWidget::currentChanged, this, &TabArea::showHintIfEmpty);
    showHintIfEmpty();
}

void TabArea::showHintIfEmpty()
{
    const bool empty = tabs->count() == 0;
    hint->setVisible(empty);
    tabs->setVisible(!empty);
}
