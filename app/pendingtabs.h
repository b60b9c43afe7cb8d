#pragma once

#include "logtab.h"

#include <QObject>

#include <deque>
#include <functional>

// Tabs of files opened in one call that are still to be added. A tab costs
// a viewer and a place in the tab bar, which lays out all its tabs again for
// each one added; a call that opens hundreds of files has their tabs added
// `perTurn` at a time, a batch per turn of the event loop, so that the window
// keeps answering meanwhile.
class PendingTabs final : public QObject
{
    Q_OBJECT

public:
    // As many tabs as a call adds at once, and as many as each later turn
    // of the event loop adds.
    static constexpr int perTurn = 10;

    explicit PendingTabs(QObject *parent = nullptr);
    // Closes the files of the tabs never added.
    ~PendingTabs() override;
    Q_DISABLE_COPY_MOVE(PendingTabs)

    // Has `add` make the tab of the file `id`, open as `fd`, at a later turn.
    void push(const LogTab::FileId &id, int fd, std::function<void(int fd)> add);
    bool isEmpty() const { return waiting.empty(); }
    // Whether the file is among those waiting for their tab.
    bool contains(const LogTab::FileId &id) const;

signals:
    // Every waiting tab has been added.
    void drained();

private:
    void addSome();

    struct Waiting
    {
        LogTab::FileId id;
        int fd = -1;
        std::function<void(int fd)> add;
    };
    std::deque<Waiting> waiting;
    bool scheduled = false;
};
