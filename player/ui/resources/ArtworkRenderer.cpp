// Build-time tool: renders the player's SVG artwork into the PNG resources
// that the program loads, each at its logical size and as an "@2x" variant.
//
// Usage: glasswell_artwork <output folder> <image.svg>...
// Writes <output folder>/<image>.png and <output folder>/<image>@2x.png.
// The output depends only on the SVG sources, Qt and the installed fonts.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

bool render(QSvgRenderer& renderer, const QSize& logicalSize, int scale, const QString& target)
{
    QImage image(logicalSize * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    return image.convertToFormat(QImage::Format_ARGB32).save(target, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    // Fonts for the text marks need a GUI application, but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <output folder> <image.svg>...\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const QString source = QString::fromLocal8Bit(argv[i]);
        QSvgRenderer renderer(source);
        const QSize size = renderer.defaultSize();
        if (!renderer.isValid() || size.isEmpty()) {
            std::fprintf(stderr, "invalid artwork: %s\n", argv[i]);
            return 1;
        }
        const QString name = QFileInfo(source).completeBaseName();
        if (!render(renderer, size, 1, out.filePath(name + QStringLiteral(".png"))) ||
            !render(renderer, size, 2, out.filePath(name + QStringLiteral("@2x.png")))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
