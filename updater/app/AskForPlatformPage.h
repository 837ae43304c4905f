#pragma once

#include <QWizardPage>

class Logger;
class QLabel;
class QPushButton;

// Wizard page for a 64-bit Windows target whose medium also offers the 32-bit
// product: the user picks one of the two. The wizard adds the download-choice
// page for the chosen platform while the signal is being emitted; the page
// then moves the wizard on to it. No wizard button is shown; Enter picks the
// 64-bit product.
//
// Threads: GUI thread only.
class AskForPlatformPage : public QWizardPage {
    Q_OBJECT
public:
    explicit AskForPlatformPage(QWidget* parent);

    void initializePage() override;

signals:
    void win32PlatformSelectedSignal();
    void win64PlatformSelectedSignal();

public slots:
    void win32Slot();
    void win64Slot();

private:
    // Both buttons go dead after the first choice, so that a repeated click
    // or key press cannot add the download-choice page twice.
    void choose(void (AskForPlatformPage::*selectedSignal)());

    QLabel* label_;
    Logger* logger_;
    QPushButton* install32BitButton_;
    QPushButton* install64BitButton_;
    bool initialized_ = false;
};
