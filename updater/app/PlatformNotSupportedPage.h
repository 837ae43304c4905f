#pragma once

#include <QWizardPage>

class Logger;
class QLabel;
class QPushButton;

// Wizard page for a 32-bit Windows target whose medium offers no 32-bit
// product: it says so, and its one button ends the application. It is the
// last page of its run.
//
// Threads: GUI thread only.
class PlatformNotSupportedPage : public QWizardPage {
    Q_OBJECT
public:
    explicit PlatformNotSupportedPage(QWidget* parent);

    void initializePage() override;

signals:
    void platformNotSupportedQuitInstallation();

private:
    QLabel* label_;
    Logger* logger_;
    QPushButton* quitButton_;
    bool initialized_ = false;
};
