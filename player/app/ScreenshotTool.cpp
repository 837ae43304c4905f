// glasswell_screenshot: saves what the X display shows (the whole screen) as
// a PNG, for a person to look at the running player under Xvfb. Used by
// scripts/screenshot-glasswell.sh; not part of the player.
//
//   glasswell_screenshot <out.png> [delay-ms]

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: glasswell_screenshot <out.png> [delay-ms]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int delay = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
    int status = 1;
    QTimer::singleShot(delay, [&]() {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QPixmap shot = screen ? screen->grabWindow(0) : QPixmap();
        if (shot.isNull() || !shot.save(out))
            std::fprintf(stderr, "glasswell_screenshot: could not grab or save the screen\n");
        else
            status = 0;
        QGuiApplication::quit();
    });
    QGuiApplication::exec();
    return status;
}
