#pragma once

#include <QObject>
#include <QStringList>

class QMenu;
class QSettings;

// File > Open Recent: the last files opened, latest first, kept in the
// settings store under "RecentFiles", with "Clear List".
class RecentFiles final : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxFiles = 10;

    RecentFiles(QSettings &settings, QMenu *menu, QObject *parent = nullptr);

    void add(const QString &path);
    void remove(const QString &path);
    void clear();

signals:
    void chosen(const QString &path);

private:
    void rebuild();

    QSettings &settings;
    QMenu *menu;
    QStringList list;
};
