#pragma once

// Resource image helpers shared by every widget that paints the player's artwork.
// GUI thread only.

class QColor;
class QPixmap;
class QString;
class QWidget;

// Loads the resource image name (for example ":about_dialog"), taking its
// "@2x" variant when widget sits on a screen with a device pixel ratio of 2 or
// more; the pixmap carries the widget's integer ratio. A null widget, or a
// missing image, gives a null pixmap (there is no fallback to the plain image).
QPixmap loadPixmap(QWidget* widget, const QString& name);

// A copy of source in which every visible pixel takes color (alpha kept).
// Cached in QPixmapCache under the source's cache key only: once a source has
// been tinted, later calls with the same source return that first tint
// whatever colour they pass. CustomStyle's white Active icons share the key.
QPixmap recolorPixmap(const QPixmap& source, const QColor& color);
