#pragma once

#include <QFutureWatcher>
#include <QWizardPage>

class Logger;
class QLabel;
class QProgressBar;
class WindowsProductInstallerUpdateService;

// Wizard page of a Windows target: asks the update service whether a newer
// product installer is offered, downloads and unpacks it, then moves the
// wizard on. Every failure is logged and only moves the wizard on; the
// medium's own installer is used then.
//
// Threads: the server question and the unpacking run on the global thread
// pool, one at a time; their results are read here on the GUI thread in the
// watchers' finished() slots. Download signals arrive on the GUI thread.
// The service is used, not owned.
class WindowsProductInstallerUpdatePage : public QWizardPage {
    Q_OBJECT
public:
    WindowsProductInstallerUpdatePage(WindowsProductInstallerUpdateService* service, QWidget* parent);
    // Waits for a background step that still runs: it uses the service.
    ~WindowsProductInstallerUpdatePage() override;

    void initializePage() override;

public slots:
    void newInstallerAvailableSlot();
    void downloadProgressInPercentSlot(int value);
    void downloadFinishedSlot();
    void unzipFinishedSlot();
    void downloadErrorSlot();

private:
    // Moves the wizard on once; a late signal of a step that already ended
    // the page must not skip the page after it.
    void moveOn();

    QProgressBar* progressBar_;
    QLabel* label_;
    Logger* logger_;
    WindowsProductInstallerUpdateService* service_;
    QFutureWatcher<bool> checkWatcher_;
    QFutureWatcher<bool> unzipWatcher_;
    bool initialized_ = false;
    bool done_ = false;
};
