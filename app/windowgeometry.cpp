#include "windowgeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {

// A restored window smaller than this is taken for damaged settings.
constexpr int minRestoredWidth = 200;
constexpr int minRestoredHeight = 150;

} // namespace

namespace windowgeometry {

void placeOnFirstStart(QWidget *window)
{
    // The size hint alone hides the Message column; start at about three
    // quarters of the screen, centred.
    window->setWindowState(window->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize size = available.size() * 3 / 4;
    window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

bool fitRestored(QWidget *window)
{
    // A geometry saved on a larger screen, or damaged, could make a window
    // far larger than any screen (and a backing store of gigabytes), or one
    // out of reach.
    const QRect saved = window->geometry();
    if (saved.width() < minRestoredWidth || saved.height() < minRestoredHeight)
        return false;
    const QScreen *screen = QGuiApplication::screenAt(saved.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return true;
    const QRect available = screen->availableGeometry();
    QRect fitted(saved.topLeft(), saved.size().boundedTo(available.size()));
    const QRect shown = fitted.intersected(available);
    if (qint64(shown.width()) * shown.height() * 2 < qint64(fitted.width()) * fitted.height())
        return false;
    // Moved inside the screen where it sticks out.
    fitted.moveLeft(std::max(available.left(), std::min(fitted.left(), available.right() - fitted.width() + 1)));
    fitted.moveTop(std::max(available.top(), std::min(fitted.top(), available.bottom() - fitted.height() + 1)));
    if (fitted != saved)
        window->setGeometry(fitted);
    return true;
}

} // namespace windowgeometry
