#pragma once

#include <QFutureWatcher>
#include <QWizardPage>

class AbstractNetworkInitService;
class CheckIfOnlineDialog;
class Logger;
class QLabel;

// The wizard's preparation page: checks the server certificate, then that
// the server is online, then switches the remote log on, each on the global
// thread pool, and moves the wizard on. A failed certificate check ends the
// application after a critical message; an offline server hands over to the
// offline dialog, whose "Try again" repeats only the online check.
//
// Threads: the checks run on pool threads; their results are read here on
// the GUI thread through the watchers' finished() signals (queued), so no
// page state is touched by a worker. The collaborators are not owned.
class AppInitProgressPage : public QWizardPage {
    Q_OBJECT
public:
    AppInitProgressPage(AbstractNetworkInitService* networkInitService, CheckIfOnlineDialog* checkIfOnlineDialog);
    ~AppInitProgressPage() override;

    void initializePage() override;

public slots:
    void sslValidationFinishedAndGoToCheckInternetConnectionSlot();
    void checkConnectionResultSlot();
    void createRemoteAppenderSlot();
    void finishWizardPage();

private:
    AbstractNetworkInitService* networkInitService_;
    QLabel* label_;
    Logger* logger_;
    QFutureWatcher<bool> certificateWatcher_;
    QFutureWatcher<bool> onlineWatcher_;
    QFutureWatcher<void> registrationWatcher_;
    CheckIfOnlineDialog* checkIfOnlineDialog_;
    bool initialized_ = false;
};
