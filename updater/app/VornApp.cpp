#include "updater/app/VornApp.h"

#include "updater/app/AskForGoOnlineDialog.h"
#include "updater/app/MandatoryUpdateDialog.h"
#include "updater/app/VornAppService.h"
#include "updater/app/VornClientArguments.h"
#include "updater/app/VornConfiguration.h"
#include "updater/app/WebLinkOpener.h"
#include "updater/infrastructure/BackgroundCalls.h"
#include "updater/infrastructure/RemoteLogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/services/ArtifactsFile.h"
#include "updater/services/ComponentScanner.h"
#include "updater/services/InstallerLauncher.h"

#include <QMessageBox>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

VornApp::VornApp(int& argc, char** argv)
    : QApplication(argc, argv)
    , logger_(SimpleLogger::getLogger(this))
{
    // The wizard's and dialogs' web links.
    new WebLinkOpener(this);
    logger_->debug(QStringLiteral("VornApp was created"), QString());
}

void VornApp::init(VornConfiguration* configuration, VornAppService* appService, const QString& applicationVersion,
                   QWidget* wizard)
{
    configuration_ = configuration;
    wizard_ = wizard;
    clientArguments_ = configuration->clientArguments();
    installerLauncher_ = configuration->installerLauncher();

    if (!clientArguments_->isParsingSuccessful()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"),
                        QStringLiteral("Could not parse CommandLine arguments!"), QMessageBox::Ok);
        box.exec();
    }

    const QString overrideVersion = clientArguments_->overrideAppVersion();
    setApplicationVersion(overrideVersion.isEmpty() ? applicationVersion : overrideVersion);
    setApplicationName(QApplication::translate("QApplication", "Pathwarden"));

    logger_->debug(QStringLiteral("QApplication::applicationDisplayName(): %1").arg(applicationDisplayName()),
                   QString());
    logger_->debug(QStringLiteral("QApplication::applicationVersion():     %1").arg(QApplication::applicationVersion()),
                   QString());
    logger_->debug(QStringLiteral("working temp dir of application: ")
                       + configuration->workingDirectoryProvider()->getWorkingDirectory(),
                   QString());

    askForGoOnlineDialog_ = configuration->askForGoOnlineDialog();
    mandatoryUpdateDialog_ = configuration->mandatoryUpdateDialog();

    connect(this, SIGNAL(aboutToQuit()), this, SLOT(cleanUpBeforeClosing()));
    if (installerLauncher_)
        connect(installerLauncher_, &AbstractInstallerLauncher::installerStartedState, this,
                &VornApp::installerStartedStateSlot);

    QTimer::singleShot(0, appService, SLOT(handlePreconditions()));
}

void VornApp::cleanUpBeforeClosing()
{
    // A quit while the medium is scanned for the road without downloads
    // (the dialog closed meanwhile) starts nothing and leaves no scan.
    if (scanWithoutDownloads_.isRunning()) {
        disconnect(&scanWithoutDownloads_, nullptr, this, nullptr);
        if (configuration_)
            configuration_->componentScanner()->cancel();
        scanWithoutDownloads_.waitForFinished();
    }
    logger_->debug(QStringLiteral("wait for running threads e.g. remote logger"), QString());
    // Bounded: a server that never answers must not keep the updater open.
    const QList<RESTClient*> clients = configuration_ ? QList<RESTClient*>{configuration_->restClient(),
                                                                           configuration_->choicesRestClient()}
                                                      : QList<RESTClient*>();
    const bool finished =
        finishBackgroundCalls(QThreadPool::globalInstance(), clients, kBackgroundCallsExitWaitMs, logger_);
    // What the background work logged until now still goes out; the lines of
    // the run's end stay local, and the entry point waits once more for the
    // posts queued meanwhile.
    endRemoteLogging();
    if (finished)
        logger_->debug(QStringLiteral("all threads are finished"), QString());
}

void VornApp::showOSVersionIsTooOldMessageAndQuit()
{
    logger_->error(QStringLiteral("Operating System not supported!"), QString());
    QMessageBox box(QMessageBox::Critical, QString(),
                    QObject::tr("This software cannot be installed on this computer because the installed version of "
                                "the operating system is too old. \n\nThe minimum system requirement is %1.")
                        .arg(VornConfiguration::minimumOSVersionText()),
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("osTooOldMessage"));
    box.exec();
    QTimer::singleShot(0, this, SLOT(quit()));
}

void VornApp::askForGoOnline()
{
    askForConsent(askForGoOnlineDialog_);
}

void VornApp::informAboutMandatoryUpdate()
{
    askForConsent(mandatoryUpdateDialog_);
}

void VornApp::askForConsent(ConsentDialog* dialog)
{
    connect(dialog, SIGNAL(stayOfflineSignal()), this, SLOT(skipDownloadAndRunInstallerSlot()));
    connect(dialog, SIGNAL(goOnlineSignal()), this, SLOT(appReadyToInit()));
    QTimer::singleShot(0, dialog, SLOT(bringWindowToForeground()));
}

void VornApp::appReadyToInit()
{
    logger_->info(QStringLiteral("App ready to init"), QString());
    QCoreApplication::sendPostedEvents();
    QTimer::singleShot(0, this, SLOT(showWizardSlot()));
}

void VornApp::showWizardSlot()
{
    logger_->debug(QStringLiteral("showWizardSlot"), QString());
    if (wizard_) {
        wizard_->show();
        QTimer::singleShot(500, wizard_, SLOT(bringWindowToForeground()));
    } else {
        logger_->error(QStringLiteral("no wizard available"), QString());
    }
    askForGoOnlineDialog_->close();
    mandatoryUpdateDialog_->close();
}

void VornApp::skipDownloadAndRunInstallerSlot()
{
    // A second answer while the medium is scanned changes nothing.
    if (withoutDownloads_)
        return;
    withoutDownloads_ = true;
    logger_->debug(QStringLiteral("skip download and start installer"), QString());
    ComponentScanner* scanner = configuration_ ? configuration_->componentScanner() : nullptr;
    if (!installerLauncher_ || !scanner) {
        startInstallerWithoutInformationFile(QString());
        return;
    }
    // The installer finds an installer-information file by its name, which
    // names the medium's product: only the medium's scan tells it. An earlier
    // run's file there would hand the installer that run's downloads, so it
    // goes before the installer starts. Scanned off this thread.
    logger_->info(QStringLiteral("Scanning the medium for the installer-information file's name."), QString());
    setOverrideCursor(Qt::BusyCursor);
    connect(&scanWithoutDownloads_, &QFutureWatcher<QString>::finished, this, &VornApp::scanWithoutDownloadsFinished);
    scanWithoutDownloads_.setFuture(QtConcurrent::run([scanner] {
        scanner->scan();
        return scanner->artifactsFilePath();
    }));
}

void VornApp::scanWithoutDownloadsFinished()
{
    restoreOverrideCursor();
    startInstallerWithoutInformationFile(scanWithoutDownloads_.result());
}

void VornApp::startInstallerWithoutInformationFile(const QString& path)
{
    if (!path.isEmpty() && configuration_) {
        ArtifactsFile* file = configuration_->artifactsFile();
        file->setArtifactsFilePath(path);
        file->removeEarlierFile();
    }
    if (installerLauncher_) {
        installerLauncher_->launchInstaller(QString());
    } else {
        // Without a launcher the installer cannot start; say so rather than
        // ending the run as if it had.
        logger_->error(QStringLiteral("no installer launcher available"), QString());
        installerStartedStateSlot(false);
    }
    askForGoOnlineDialog_->close();
}

void VornApp::installerStartedStateSlot(bool started)
{
    logger_->debug(QStringLiteral("installerStartedStateSlot result : ") + QString::number(started ? 1 : 0),
                   QString());
    // Closing the consent dialog afterwards must not turn the result into
    // the 0 of an ordinary quit.
    setQuitOnLastWindowClosed(false);
    disconnect(this, SIGNAL(lastWindowClosed()), this, SLOT(quit()));
    exit(started ? 0 : -1);
}
