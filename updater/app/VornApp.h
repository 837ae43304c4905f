#pragma once

#include <QApplication>
#include <QFutureWatcher>

class AbstractInstallerLauncher;
class AskForGoOnlineDialog;
class ConsentDialog;
class Logger;
class MandatoryUpdateDialog;
class VornAppService;
class VornClientArguments;
class VornConfiguration;

// The updater's application object in the interactive run. Every way out of
// the run ends here: the event loop returns 0 when the product installer was
// started (or the run was simply quit) and -1 when the start failed.
class VornApp : public QApplication {
    Q_OBJECT
public:
    VornApp(int& argc, char** argv);

    // Called once by the composition root. The wizard may be null while it
    // cannot be built yet; going online then shows no window.
    void init(VornConfiguration* configuration, VornAppService* appService, const QString& applicationVersion,
              QWidget* wizard);

signals:
    void appOnErrorMustExit();

private slots:
    void cleanUpBeforeClosing();
    void showOSVersionIsTooOldMessageAndQuit();
    // The medium's scan for the road without downloads has ended.
    void scanWithoutDownloadsFinished();

public slots:
    void askForGoOnline();
    void informAboutMandatoryUpdate();
    void appReadyToInit();
    void showWizardSlot();
    void skipDownloadAndRunInstallerSlot();
    void installerStartedStateSlot(bool started);

private:
    // Either answer of the dialog moves the run on; the dialog comes forward
    // once the event loop runs.
    void askForConsent(ConsentDialog* dialog);
    // Removes the installer-information file at path, then starts the
    // installer without one.
    void startInstallerWithoutInformationFile(const QString& path);

    Logger* logger_;
    QWidget* wizard_ = nullptr;
    VornConfiguration* configuration_ = nullptr;
    VornClientArguments* clientArguments_ = nullptr;
    AskForGoOnlineDialog* askForGoOnlineDialog_ = nullptr;
    MandatoryUpdateDialog* mandatoryUpdateDialog_ = nullptr;
    AbstractInstallerLauncher* installerLauncher_ = nullptr;
    // The road without downloads is taken once; its scan of the medium.
    bool withoutDownloads_ = false;
    QFutureWatcher<QString> scanWithoutDownloads_;
};
