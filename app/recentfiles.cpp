#include "recentfiles.h"

#include "settingslists.h"

#include <QAction>
#include <QMenu>
#include <QSettings>

RecentFiles::RecentFiles(QSettings &settings, QMenu *menu, QObject *parent)
    : QObject(parent)
    , settings(settings)
    , menu(menu)
    , list(settingslists::bounded(settings.value(QStringLiteral("RecentFiles")), maxFiles, maxPathLength))
{
    setObjectName(QStringLiteral("recentFiles"));
    rebuild();
}

void RecentFiles::add(const QStringList &paths)
{
    bool changed = false;
    for (const QString &path : paths) {
        if (path.isEmpty() || path.size() > maxPathLength)
            continue;
        list.removeAll(path);
        list.prepend(path);
        changed = true;
    }
    if (!changed)
        return;
    while (list.size() > maxFiles)
        list.removeLast();
    save();
}

void RecentFiles::remove(const QString &path)
{
    if (list.removeAll(path) > 0)
        save();
}

void RecentFiles::clear()
{
    list.clear();
    save();
}

void RecentFiles::save()
{
    settings.setValue(QStringLiteral("RecentFiles"), list);
    rebuild();
    emit listChanged();
}

namespace {

// A path as its menu entry shows it: a long one keeps its start and its end,
// so that the menu stays narrower than the screen.
QString shownPath(const QString &path)
{
    constexpr int head = 40;
    constexpr int tail = 60;
    if (path.size() <= head + tail + 1)
        return path;
    return path.left(head) + QChar(0x2026) + path.right(tail);
}

} // namespace

void RecentFiles::rebuild()
{
    // The action chosen may be the one emitting: the old actions go later,
    // nameless, so that only the new ones answer to their names.
    for (QAction *old : menu->actions()) {
        menu->removeAction(old);
        old->setObjectName(QString());
        old->deleteLater();
    }
    for (int i = 0; i < list.size(); ++i) {
        const QString path = list.at(i);
        // "&1" to "&9", then "1&0": a key for each.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        const QString shown = shownPath(path).replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction *action = menu->addAction(number + QLatin1Char(' ') + shown);
        action->setStatusTip(path);
        action->setObjectName(QStringLiteral("recentFile%1").arg(i));
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path] { emit chosen(path); });
    }
    if (!list.isEmpty())
        menu->addSeparator();
    QAction *clearAction = menu->addAction(tr("Clear List"), this, &RecentFiles::clear);
    clearAction->setObjectName(QStringLiteral("clearRecent"));
    clearAction->setEnabled(!list.isEmpty());
}
