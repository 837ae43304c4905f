#pragma once

class QLabel;
class QWidget;

// Titles a top-level window "<display name> - Version <version>", makes it the
// active window and brings it to the front. The wizard and the consent dialogs
// all come forward this way.
void bringToForeground(QWidget* window);

// White-on-red notice that the server's certificate is not verified.
QLabel* createSecurityWarningLabel(QWidget* parent);
