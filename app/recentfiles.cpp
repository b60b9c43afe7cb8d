#include "recentfiles.h"

#include <QAction>
#include <QMenu>
#include <QSettings>

RecentFiles::RecentFiles(QSettings &settings, QMenu *menu, QObject *parent)
    : QObject(parent)
    , settings(settings)
    , menu(menu)
    , list(settings.value(QStringLiteral("RecentFiles")).toStringList().mid(0, maxFiles))
{
    rebuild();
}

void RecentFiles::add(const QString &path)
{
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > maxFiles)
        list.removeLast();
    settings.setValue(QStringLiteral("RecentFiles"), list);
    rebuild();
}

void RecentFiles::remove(const QString &path)
{
    if (list.removeAll(path) == 0)
        return;
    settings.setValue(QStringLiteral("RecentFiles"), list);
    rebuild();
}

void RecentFiles::clear()
{
    list.clear();
    settings.setValue(QStringLiteral("RecentFiles"), list);
    rebuild();
}

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
        QAction *action = menu->addAction(number + QLatin1Char(' ') + QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
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
