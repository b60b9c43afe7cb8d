#pragma once

#include "logfollower.h"

#include <QObject>
#include <QStringList>

#include <vector>

class QTimer;

// Follows the files of a merged view: looks at each now and then and says
// when one of them changed, and how. A merged view shows a file's new
// records at their time, among the others', so it is merged anew then.
class SourceWatch final : public QObject
{
    Q_OBJECT

public:
    // Looks at the files once a second at most: each change merges them all
    // again.
    static constexpr int interval = 1000;

    explicit SourceWatch(const QStringList &paths, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(SourceWatch)

    // Starts or stops looking; what the files are when it starts is what
    // later looks compare with.
    void setActive(bool on);
    bool isActive() const;

signals:
    // A file grew (Continued), was cut shorter, or was replaced; the watch
    // has stopped.
    void changed(ReloadReason reason);

private:
    struct Seen
    {
        qint64 size = -1;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 modified = 0;
        bool operator==(const Seen &other) const;
    };
    static Seen look(const QString &path);
    void lookAgain();

    QStringList paths;
    std::vector<Seen> seen;
    QTimer *timer = nullptr;
};
