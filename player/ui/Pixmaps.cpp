#include "player/ui/Pixmaps.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QString>
#include <QWidget>

QPixmap loadPixmap(QWidget* widget, const QString& name)
{
    if (!widget)
        return QPixmap();
    QString resource = name;
    const int ratio = widget->devicePixelRatio();
    if (ratio >= 2)
        resource += QStringLiteral("@2x");
    QPixmap pixmap(resource);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QPixmap recolorPixmap(const QPixmap& source, const QColor& color)
{
    // A null source has nothing to tint, and caching it would park an empty
    // entry under the shared key of every null pixmap.
    if (source.isNull())
        return QPixmap();
    const QString key = QString::number(source.cacheKey());
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;

    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(image.rect(), color);
    }
    QPixmap tinted = QPixmap::fromImage(image);
    QPixmapCache::insert(key, tinted);
    return tinted;
}
