#include "filterline.h"

#include "settingslists.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QStringListModel>
#include <QStyle>

#include <limits>

FilterLine::FilterLine(QWidget *parent)
    : QLineEdit(parent)
{
    // A pasted filter is never cut short: the default limit would silently
    // drop its tail and filter by what is left.
    setMaxLength(std::numeric_limits<int>::max());
    setPlaceholderText(tr("e.g.  type == \"error\" && time > 5    (Return applies, Escape clears)"));
    setClearButtonEnabled(true);
    setStyleSheet(QStringLiteral("FilterLine[invalid=\"true\"] { border: 2px solid #d00000; }"));
    model = new QStringListModel(this);
    auto *completer = new QCompleter(model, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    setCompleter(completer);
    connect(this, &QLineEdit::textEdited, this, [this] {
        setInvalid(false);
        browsing = -1;
    });
}

void FilterLine::setHistory(const QVariant &history)
{
    filters = settingslists::bounded(history, maxHistory, maxFilterLength);
    model->setStringList(filters);
}

void FilterLine::remember(const QString &filter)
{
    if (filter.isEmpty() || filter.size() > maxFilterLength)
        return;
    filters.removeAll(filter);
    filters.prepend(filter);
    while (filters.size() > maxHistory)
        filters.removeLast();
    model->setStringList(filters);
    browsing = -1;
}

void FilterLine::setInvalid(bool invalid)
{
    if (isInvalid() == invalid)
        return;
    setProperty("invalid", invalid);
    style()->unpolish(this);
    style()->polish(this);
}

void FilterLine::keyPressEvent(QKeyEvent *event)
{
    const bool popup = completer() && completer()->popup() && completer()->popup()->isVisible();
    if (!popup && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !filters.isEmpty()) {
        // Up goes to older filters, Down back towards the line being typed.
        if (browsing < 0)
            typed = text();
        browsing = std::clamp(browsing + (event->key() == Qt::Key_Up ? 1 : -1), -1, int(filters.size()) - 1);
        setText(browsing < 0 ? typed : filters.at(browsing));
        setInvalid(false);
        return;
    }
    if (!popup && event->key() == Qt::Key_Escape) {
        clear();
        setInvalid(false);
        browsing = -1;
        return;
    }
    QLineEdit::keyPressEvent(event);
}
