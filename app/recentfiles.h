#pragma once

#include <QObject>
#include <QStringList>

class QMenu;
class QSettings;

// File > Open Recent: the last files opened, latest first, kept in the
// settings store under "RecentFiles", with "Clear List". What the settings
// hold is bounded when read: a path longer than maxPathLength, or a value
// that is not a string, is dropped, and the list is cut to maxFiles.
class RecentFiles final : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxFiles = 10;
    // The longest path the system accepts.
    static constexpr int maxPathLength = 4096;

    RecentFiles(QSettings &settings, QMenu *menu, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(RecentFiles)

    const QStringList &files() const { return list; }
    // Puts the files first, as if each had been added in turn, so that the
    // last of them comes first; the list is saved and shown once.
    void add(const QStringList &paths);
    void add(const QString &path) { add(QStringList{path}); }
    void remove(const QString &path);
    void clear();

signals:
    void chosen(const QString &path);
    // The list was saved and its menu made anew.
    void listChanged();

private:
    void save();
    void rebuild();

    QSettings &settings;
    QMenu *menu;
    QStringList list;
};
