#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Renders the widget as a screen of the given device pixel ratio would show
// it, into folder/name.png, for a person to look at. False when the file
// could not be written.
bool renderToPng(QWidget& widget, const QString& folder, const QString& name, qreal ratio);

// The visible labels and buttons below widget whose text does not fit them
// (wider than a one-line widget, or taller than a word-wrapped label at its
// width), each as "<class> '<text>'"; empty when everything fits.
QStringList clippedTexts(const QWidget& widget);
