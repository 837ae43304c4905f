#include "updater/testsupport/WidgetRendering.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

bool renderToPng(QWidget& widget, const QString& folder, const QString& name, qreal ratio)
{
    QPixmap pixmap(widget.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::white);
    widget.render(&pixmap);
    QDir().mkpath(folder);
    return pixmap.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

QStringList clippedTexts(const QWidget& widget)
{
    QStringList clipped;
    auto describe = [](const QWidget* w, const QString& text) {
        return QString::fromLatin1(w->metaObject()->className()) + QStringLiteral(" '") + text
               + QStringLiteral("'");
    };
    for (const QLabel* label : widget.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&widget) || label->text().isEmpty())
            continue;
        const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                            : label->sizeHint().width() <= label->width();
        if (!fits)
            clipped << describe(label, label->text());
    }
    for (const QAbstractButton* button : widget.findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(&widget) && !button->text().isEmpty()
            && button->sizeHint().width() > button->width())
            clipped << describe(button, button->text());
    }
    return clipped;
}
