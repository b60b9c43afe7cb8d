// Saves a picture of the whole screen of the current display to the PNG file
// named on the command line; `make run` uses it to show the window on a
// machine without a display of its own.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screengrab OUTPUT.png\n");
        return 2;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "screengrab: could not save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
