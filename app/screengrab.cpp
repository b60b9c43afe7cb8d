// Saves a picture of the whole screen of the current display to the PNG file
// named on the command line; `make run` uses it to show the window on a
// machine without a display of its own. With --crop, the plain border
// around the windows is left out.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    const bool crop = argc == 3 && QByteArray(argv[1]) == "--crop";
    if (argc != 2 && !crop) {
        std::fprintf(stderr, "usage: screengrab [--crop] OUTPUT.png\n");
        return 2;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    QImage picture = screen ? screen->grabWindow(0).toImage() : QImage();
    if (crop && !picture.isNull()) {
        const QRgb border = picture.pixel(0, 0);
        QRect used;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (picture.pixel(x, y) != border)
                    used |= QRect(x, y, 1, 1);
            }
        }
        if (!used.isEmpty())
            picture = picture.copy(used);
    }
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[argc - 1]), "PNG")) {
        std::fprintf(stderr, "screengrab: could not save %s\n", argv[argc - 1]);
        return 1;
    }
    return 0;
}
