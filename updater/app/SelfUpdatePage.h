#pragma once

#include <QWizardPage>

class Logger;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class SelfUpdateService;

// Wizard page 2: asks the self-update service whether this updater may go on.
// Up to date: the page completes and moves the wizard on by itself. Update
// required: it shows the download's progress and the restart notice (what
// follows a finished download belongs to the service). Too old: the server's
// explanation with "Install without updating" and "Cancel installation". A
// failed download ends the application with -1 after a critical message.
//
// Ownership: the service is used, not owned; the views belong to the page.
// Threads: GUI thread; the check blocks in the REST client's local loop.
class SelfUpdatePage : public QWizardPage {
    Q_OBJECT
public:
    explicit SelfUpdatePage(SelfUpdateService* selfUpdateService, QWidget* parent = nullptr);

    void initializePage() override;
    bool isComplete() const override;

signals:
    void clientTooOldInstallWithoutUpdating();
    void clientTooOldCancelInstallation();

private slots:
    void downloadFinishedSlot();
    void downloadErrorSlot(QString text);
    void downloadProgressInPercentSlot(int value);
    void downloadStartedSlot();
    void storeWaitingSlot(bool waiting);

public slots:
    void checkForNewUpdatesSlot();

private:
    void buildViews();
    void showPreparingText();

    SelfUpdateService* selfUpdateService_;
    bool complete_ = false;
    QStackedWidget* views_ = nullptr;
    QPushButton* cancelInstallationButton_ = nullptr;
    QPushButton* installWithoutUpdatingButton_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QLabel* clientTooOldLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    Logger* logger_;
};
