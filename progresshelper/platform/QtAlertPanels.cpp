#include "progresshelper/platform/QtAlertPanels.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace Skylarn {

void QtAlertPanels::bringApplicationToFront()
{
    // Without a window of our own there is nothing to raise; the panel that
    // follows activates itself when shown.
    if (QWidget *window = QApplication::activeWindow()) {
        window->raise();
        window->activateWindow();
    }
}

int QtAlertPanels::runInformational(const Alert &alert)
{
    return run(alert, false);
}

int QtAlertPanels::runCritical(const Alert &alert)
{
    return run(alert, true);
}

int QtAlertPanels::run(const Alert &alert, bool critical)
{
    QMessageBox box(critical ? QMessageBox::Critical : QMessageBox::Information, alert.title, alert.message);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    QPushButton *defaultButton = box.addButton(alert.defaultButton, QMessageBox::AcceptRole);
    QPushButton *alternateButton = nullptr;
    QPushButton *otherButton = nullptr;
    if (!alert.alternateButton.isEmpty())
        alternateButton = box.addButton(alert.alternateButton, QMessageBox::RejectRole);
    if (!alert.otherButton.isEmpty())
        otherButton = box.addButton(alert.otherButton, QMessageBox::DestructiveRole);
    box.setDefaultButton(defaultButton);
    // QMessageBox answers Escape and a close through the window manager by
    // clicking its escape button. Left to itself it would pick the alternate
    // button (a reject role), so Escape would confirm "Cancel Download". An
    // invisible button of its own takes that part instead.
    QPushButton *dismissButton = box.addButton(QString(), QMessageBox::RejectRole);
    dismissButton->hide();
    box.setEscapeButton(dismissButton);
    box.activateWindow();
    box.raise();
    box.exec();

    QAbstractButton *clicked = box.clickedButton();
    if (clicked == defaultButton)
        return DefaultButton;
    if (alternateButton && clicked == alternateButton)
        return AlternateButton;
    if (otherButton && clicked == otherButton)
        return OtherButton;
    return Dismissed;
}

} // namespace Skylarn
