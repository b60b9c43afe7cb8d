#include "windowgeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

namespace {

// A restored window smaller than this is taken for damaged settings.
constexpr int minRestoredWidth = 200;
constexpr int minRestoredHeight = 150;

// The frame the window system puts around the window. The window is made on
// the platform for it, as showing it would; a window system that tells the
// frame only once the window shows gives none here.
QMargins frameMargins(QWidget *window)
{
    window->winId();
    const QWindow *handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

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
    // out of reach. What must fit is the frame: a client area as large as the
    // screen has its title bar and borders outside it.
    const QRect saved = window->geometry();
    if (saved.width() < minRestoredWidth || saved.height() < minRestoredHeight)
        return false;
    const QScreen *screen = QGuiApplication::screenAt(saved.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return true;
    const QMargins frame = frameMargins(window);
    const QRect available = screen->availableGeometry();
    const QRect savedFrame = saved.marginsAdded(frame);
    QRect fitted(savedFrame.topLeft(), savedFrame.size().boundedTo(available.size()));
    const QRect shown = fitted.intersected(available);
    if (qint64(shown.width()) * shown.height() * 2 < qint64(fitted.width()) * fitted.height())
        return false;
    // Moved inside the screen where it sticks out.
    fitted.moveLeft(std::max(available.left(), std::min(fitted.left(), available.right() - fitted.width() + 1)));
    fitted.moveTop(std::max(available.top(), std::min(fitted.top(), available.bottom() - fitted.height() + 1)));
    const QRect client = fitted.marginsRemoved(frame);
    if (client.width() < minRestoredWidth || client.height() < minRestoredHeight)
        return false;
    if (client != saved)
        window->setGeometry(client);
    return true;
}

} // namespace windowgeometry
