#include "player/ui/CustomStyle.h"

#include "player/ui/Constants.h"
#include "player/ui/FontHelper.h"
#include "player/ui/Pixmaps.h"

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmapCache>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTableView>
#include <QToolTip>
#include <QWidget>

namespace {

// Every brush that polish puts into a palette is solid and set for all groups.
void setAll(QPalette& palette, QPalette::ColorRole role, const QColor& color)
{
    palette.setBrush(QPalette::All, role, QBrush(color, Qt::SolidPattern));
}

template <typename T = QWidget>
T* child(QWidget* widget, const char* name)
{
    return widget->findChild<T*>(QLatin1String(name));
}

void setFontOn(QWidget* widget, const char* name, const QFont& font)
{
    if (auto* w = child(widget, name))
        w->setFont(font);
}

void setPaletteOn(QWidget* widget, const char* name, const QPalette& palette)
{
    if (auto* w = child(widget, name))
        w->setPalette(palette);
}

QPalette windowTextPalette(const QColor& color)
{
    QPalette palette;
    setAll(palette, QPalette::WindowText, color);
    return palette;
}

// The time and volume panels: transparent window, light value texts.
void polishValuePanel(QWidget* widget)
{
    QPalette palette;
    setAll(palette, QPalette::Window, Qt::transparent);
    setAll(palette, QPalette::WindowText, lightTextColor);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QPalette transportPalette(const QColor& highlight)
{
    QPalette palette;
    setAll(palette, QPalette::Button, buttonColor);
    setAll(palette, QPalette::Window, QColor(65, 66, 66));
    setAll(palette, QPalette::Mid, QColor(77, 79, 82));
    setAll(palette, QPalette::Highlight, highlight);
    return palette;
}

// Qt's own dialogs (the widget file dialogs where the desktop offers none,
// plain message boxes): the error dialogs' dark colours, with the roles that
// lists, fields and bevels need as well.
QPalette dialogPalette()
{
    QPalette palette;
    setAll(palette, QPalette::Window, backgroundColor);
    setAll(palette, QPalette::WindowText, textColor);
    setAll(palette, QPalette::Base, emptyRowColor);
    setAll(palette, QPalette::AlternateBase, rowBackgroundColor);
    setAll(palette, QPalette::Text, lightTextColor);
    setAll(palette, QPalette::Button, buttonColor);
    setAll(palette, QPalette::ButtonText, lightTextColor);
    setAll(palette, QPalette::BrightText, Qt::white);
    setAll(palette, QPalette::Light, QColor(87, 89, 92));
    setAll(palette, QPalette::Midlight, controlMidColor);
    setAll(palette, QPalette::Mid, QColor(77, 79, 82));
    setAll(palette, QPalette::Dark, controlShadowColor);
    setAll(palette, QPalette::Shadow, Qt::black);
    setAll(palette, QPalette::Highlight, highlightColor);
    setAll(palette, QPalette::HighlightedText, Qt::white);
    setAll(palette, QPalette::Link, Qt::lightGray);
    setAll(palette, QPalette::LinkVisited, Qt::gray);
    setAll(palette, QPalette::ToolTipBase, backgroundColor);
    setAll(palette, QPalette::ToolTipText, Qt::lightGray);
    setAll(palette, QPalette::PlaceholderText, dimTextColor);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setBrush(QPalette::Disabled, role, QBrush(dimTextColor, Qt::SolidPattern));
    return palette;
}

// Widgets are recognised by their meta-object class name, so the style does
// not depend on the headers of every panel it dresses.
bool is(const QWidget* widget, const char* className)
{
    return widget->inherits(className);
}

} // namespace

CustomStyle::CustomStyle()
    : QProxyStyle(static_cast<QStyle*>(nullptr))
{
    setBaseStyle(QStyleFactory::create(styleName));

    QPalette tooltip = QToolTip::palette();
    setAll(tooltip, QPalette::ToolTipText, Qt::lightGray);
    setAll(tooltip, QPalette::ToolTipBase, backgroundColor);
    QToolTip::setPalette(tooltip);
}

CustomStyle::~CustomStyle() = default;

void CustomStyle::polish(QApplication* application)
{
    QProxyStyle::polish(application);
    // The font of every widget without one of its own (the track table and
    // its header, the menus, the dialogs), in pixels like the player's other
    // fonts, so that the layout holds at any screen resolution.
    QFont font = QApplication::font();
    font.setPixelSize(FontHelper::applicationFontPixels);
    QApplication::setFont(font);
}

void CustomStyle::polish(QWidget* widget)
{
    if (!widget)
        return;

    if (is(widget, "ErrorDialog")) {
        QFont font = widget->font();
        font.setFamily(fontFamily);
        widget->setFont(font);
        QPalette palette;
        setAll(palette, QPalette::Window, backgroundColor);
        setAll(palette, QPalette::Button, buttonColor);
        setAll(palette, QPalette::WindowText, textColor);
        setAll(palette, QPalette::ButtonText, textColor);
        setAll(palette, QPalette::Mid, QColor(77, 79, 82));
        widget->setPalette(palette);
    } else if (is(widget, "InfoBoxWidget")) {
        const QPalette captions = windowTextPalette(Qt::darkGray);
        for (const char* name : {"upcEanCaptionLabel", "artistCaptionLabel", "albumCaptionLabel"}) {
            setFontOn(widget, name, FontHelper::getBoldFont(FontHelper::Size10));
            setPaletteOn(widget, name, captions);
        }
        const QPalette values = windowTextPalette(Qt::gray);
        for (const char* name : {"artistLabel", "albumLabel", "upcEanLabel"}) {
            setFontOn(widget, name, FontHelper::getBoldFont(FontHelper::Size14));
            setPaletteOn(widget, name, values);
        }
    } else if (is(widget, "TableViewWidget")) {
        QFont font = widget->font();
        font.setWeight(QFont::Bold);
        font.setFamily(fontFamily);
        widget->setFont(font);
        if (auto* table = child<QTableView>(widget, "tableView")) {
            QPalette palette;
            for (auto role : {QPalette::Base, QPalette::Dark, QPalette::Button, QPalette::Light,
                              QPalette::Mid, QPalette::Shadow})
                setAll(palette, role, Qt::transparent);
            setAll(palette, QPalette::Window, QColor(38, 39, 40, 10));
            table->setPalette(palette);
        }
    } else if (is(widget, "TimeWidget")) {
        const QPalette captions = windowTextPalette(dimTextColor);
        for (const char* name : {"trackCaptionLabel", "timeCaptionLabel", "cdTimeCaptionLabel"}) {
            setFontOn(widget, name, FontHelper::getBoldFont(FontHelper::Size10));
            setPaletteOn(widget, name, captions);
        }
        for (const char* name : {"trackLabel", "timeLabel", "cdTimeLabel"})
            setFontOn(widget, name, FontHelper::getBoldFont(FontHelper::Size12));
        polishValuePanel(widget);
    } else if (is(widget, "VolumeSliderWidget")) {
        setFontOn(widget, "volumeLabel", FontHelper::getBoldFont(FontHelper::Size10));
        setPaletteOn(widget, "volumeLabel", windowTextPalette(dimTextColor));
        for (const char* name : {"dBValueLabel", "volumeValueLabel"}) {
            setFontOn(widget, name, FontHelper::getBoldFont(FontHelper::Size10));
            setFontOn(widget, name, FontHelper::getBoldFont(FontHelper::Size12));
        }
        polishValuePanel(widget);
    } else if (is(widget, "TransportWidget")) {
        const QPalette buttons = transportPalette(buttonColor);
        for (const char* name : {"backButton", "nextButton", "stopButton"})
            setPaletteOn(widget, name, buttons);
        setPaletteOn(widget, "playButton", transportPalette(accentGreenColor));
    } else if (is(widget, "MeterNumericalDisplayWidget")) {
        widget->setFont(FontHelper::getBoldFont(FontHelper::Size11));
        QPalette palette = widget->palette();
        setAll(palette, QPalette::WindowText, Qt::gray);
        widget->setPalette(palette);
        QPalette values = widget->palette();
        setAll(values, QPalette::WindowText, Qt::white);
        setPaletteOn(widget, "levelValueLabel", values);
        setPaletteOn(widget, "rmsValueLabel", values);
    } else if (is(widget, "AboutDialog")) {
        QPalette palette;
        setAll(palette, QPalette::Window, Qt::white);
        setAll(palette, QPalette::WindowText, Qt::black);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    } else if (is(widget, "QFileDialog") || is(widget, "QMessageBox")) {
        widget->setPalette(dialogPalette());
    }

    if (qobject_cast<QScrollBar*>(widget) || qobject_cast<QPushButton*>(widget) ||
        qobject_cast<QHeaderView*>(widget))
        widget->setAttribute(Qt::WA_Hover);
}

void CustomStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const
{
    switch (element) {
    case PE_FrameMenu:
        if (qstyleoption_cast<const QStyleOptionFrame*>(option)) {
            painter->fillRect(option->rect, QColor(60, 60, 60));
            painter->fillRect(option->rect.adjusted(1, 1, -1, -1), backgroundColor);
        } else {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
        }
        return;
    case PE_PanelButtonCommand: {
        const QPalette& pal = option->palette;
        QBrush fill = pal.brush(QPalette::Button);
        QBrush frame = pal.brush(QPalette::Window);
        const bool hovered = option->state & State_MouseOver;
        const bool checked = option->state & State_On;
        if (((option->state & State_Raised) && hovered) || checked)
            fill = pal.brush(QPalette::Mid);
        if (checked) {
            frame = QBrush(pal.color(QPalette::Window).lighter(150));
            fill = hovered ? QBrush(pal.color(QPalette::Highlight).lighter(120))
                           : pal.brush(QPalette::Highlight);
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->fillRect(option->rect, frame);
        painter->fillRect(option->rect.adjusted(1, 1, -1, -1), fill);
        painter->restore();
        return;
    }
    case PE_IndicatorArrowDown:
        return;
    case PE_IndicatorCheckBox:
    case PE_IndicatorMenuCheckMark:
        drawCheckMark(option, painter);
        return;
    case PE_PanelMenu: {
        const QRect r = option->rect;
        painter->fillRect(r, backgroundColor);
        const QColor strip(20, 21, 22);
        if (option->direction == Qt::RightToLeft)
            painter->fillRect(QRect(QPoint(r.right() - 19, r.top()), QPoint(r.right(), r.bottom())), strip);
        else
            painter->fillRect(QRect(QPoint(r.left(), r.top()), QPoint(19, r.bottom())), strip);
        return;
    }
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void CustomStyle::drawCheckMark(const QStyleOption* option, QPainter* painter) const
{
    if (!qstyleoption_cast<const QStyleOptionButton*>(option))
        return;
    const QIcon check(QStringLiteral(":check"));
    const QRect target(option->rect.left() + 1, option->rect.top() + 2, 10, 10);
    if (option->state & State_MouseOver)
        check.paint(painter, target, Qt::AlignCenter, QIcon::Active, QIcon::On);
    else
        check.paint(painter, target, Qt::AlignCenter, QIcon::Normal, QIcon::Off);
}

int CustomStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        return 16;
    case PM_SliderThickness:
        return QProxyStyle::pixelMetric(metric, option, widget) - 1;
    case PM_SliderLength:
        return QProxyStyle::pixelMetric(metric, option, widget) - 4;
    case PM_MenuPanelWidth:
        return QProxyStyle::pixelMetric(metric, option, widget) + 2;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int CustomStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const
{
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QIcon CustomStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                const QWidget* widget) const
{
    QString name;
    if (standardIcon == SP_MessageBoxInformation)
        name = QStringLiteral(":info");
    else if (standardIcon == SP_MessageBoxCritical)
        name = QStringLiteral(":exclamation");
    const QPixmap pixmap = name.isEmpty() ? QPixmap() : loadPixmap(const_cast<QWidget*>(widget), name);
    if (!pixmap.isNull())
        return QIcon(recolorPixmap(pixmap, Qt::gray));
    // Every other icon is the base style's: Qt's own dialogs (the widget file
    // dialogs, message boxes) take their navigation buttons, file and folder
    // icons and warning signs from here and would otherwise show none.
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

QPixmap CustomStyle::generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap,
                                         const QStyleOption* option) const
{
    const QString key = QString::number(pixmap.cacheKey());
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    if (iconMode != QIcon::Active)
        return QProxyStyle::generatedIconPixmap(iconMode, pixmap, option);

    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(image.rect(), Qt::white);
    }
    QPixmap white = QPixmap::fromImage(image);
    QPixmapCache::insert(key, white);
    return white;
}
