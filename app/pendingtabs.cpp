#include "pendingtabs.h"

#include <QTimer>

#include <unistd.h>

PendingTabs::PendingTabs(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("pendingTabs"));
}

PendingTabs::~PendingTabs()
{
    for (const Waiting &file : waiting)
        ::close(file.fd);
}

void PendingTabs::push(const LogTab::FileId &id, int fd, std::function<void(int fd)> add)
{
    waiting.push_back({id, fd, std::move(add)});
    if (!scheduled) {
        scheduled = true;
        QTimer::singleShot(0, this, &PendingTabs::addSome);
    }
}

bool PendingTabs::contains(const LogTab::FileId &id) const
{
    for (const Waiting &file : waiting) {
        if (file.id == id)
            return true;
    }
    return false;
}

void PendingTabs::addSome()
{
    scheduled = false;
    for (int added = 0; added < perTurn && !waiting.empty(); ++added) {
        // Taken off the list first: adding a tab may open more files.
        Waiting file = std::move(waiting.front());
        waiting.pop_front();
        file.add(file.fd);
    }
    if (waiting.empty()) {
        emit drained();
    } else if (!scheduled) {
        scheduled = true;
        QTimer::singleShot(0, this, &PendingTabs::addSome);
    }
}
