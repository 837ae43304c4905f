#include "updater/services/SelfUpdateService.h"

#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/JsonHelpers.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/services/AbstractUpdateLauncher.h"
#include "updater/services/ArtifactDownloader.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/services/LocalStorage.h"
#include "updater/services/PlatformIdentifier.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>
#include <QUrl>

#include <cmath>
#include <limits>

namespace {

// A byte count from the server. JSON numbers arrive as doubles; one that is
// negative, not finite or beyond 64 bits reads as 0 rather than overflowing
// the conversion.
qint64 byteCount(const QVariant& value)
{
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < 0.0 || number >= 9223372036854775808.0)
        return 0;
    return static_cast<qint64>(number);
}

} // namespace

SelfUpdateService::SelfUpdateService(AbstractRESTClient* restClient, AbstractServiceUrl* serviceUrl,
                                     QObject* downloadManager, int platform,
                                     AbstractWorkingDirectoryProvider* workingDirectoryProvider,
                                     LocalStorage* localStorage, AbstractUpdateLauncher* launcher, QObject* parent)
    : AbstractSelfUpdateService(parent)
    , downloadManager_(downloadManager)
    , restClient_(restClient)
    , serviceUrl_(serviceUrl)
    , workingDirectoryProvider_(workingDirectoryProvider)
    , localStorage_(localStorage)
    , launcher_(launcher)
    , platform_(platform)
    , logger_(SimpleLogger::getLogger(this))
{
    // A close during the store must not leave unzip writing into the folder
    // the next run uses, nor the store's thread running while the process
    // ends.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &SelfUpdateService::endStore);
    // Comes from the store's thread, and reaches the page on this one.
    if (localStorage_)
        connect(localStorage_, &LocalStorage::waitingForAnotherRun, this, &SelfUpdateService::storeWaiting);
}

SelfUpdateService::~SelfUpdateService()
{
    endStore();
    releaseDownloader();
    if (downloadManager_)
        downloadManager_->deleteLater();
    if (serviceUrl_)
        serviceUrl_->deleteLater();
}

QVariantMap SelfUpdateService::fetchDocument(const QString& rel, const QString& question, bool* answered)
{
    QString address = serviceUrl_->getLinkUrl(rel);
    address.replace(QStringLiteral("{?version}"),
                    QStringLiteral("?version=%1").arg(QCoreApplication::applicationVersion()));
    const RESTResponse response = restClient_->get(address);
    if (response.cancelled())
        checkCancelled_ = true;
    logger_->debug(QStringLiteral("json: ") + response.body, QString());
    return jsonAnswer(response, question, address, logger_, answered).toMap();
}

bool SelfUpdateService::isClientTooOldToSelfUpdate()
{
    return fetchDocument(QStringLiteral("discontinued"), QStringLiteral("isClientTooOldToSelfUpdate"))
        .value(QStringLiteral("discontinued"))
        .toBool();
}

QString SelfUpdateService::getClientTooOldErrorText()
{
    return fetchDocument(QStringLiteral("discontinued"), QStringLiteral("getClientTooOldErrorText"))
        .value(QStringLiteral("versionRequirementErrorText"))
        .toString();
}

bool SelfUpdateService::checkForUpdatesAndRetrieveUrls()
{
    bool answered = false;
    const QVariantMap document =
        fetchDocument(QStringLiteral("update"), QStringLiteral("checkForUpdatesAndRetrieveUrls"), &answered);
    if (!answered)
        return false;
    serverVersion_ = document.value(QStringLiteral("version")).toString();

    QString prefix;
    switch (platform_) {
    case OSX:
        logger_->debug(QStringLiteral("Getting MAC Links..."), QString());
        prefix = QStringLiteral("mac");
        break;
    case WIN32:
        logger_->debug(QStringLiteral("Getting WIN32 Links..."), QString());
        prefix = QStringLiteral("win32");
        break;
    case WIN64:
        logger_->debug(QStringLiteral("Getting WIN64 Links..."), QString());
        prefix = QStringLiteral("win64");
        break;
    default:
        logger_->error(QStringLiteral("Unknown PlatformIdentifier."),
                       QStringLiteral("PlatformIdentifier: ") + QString::number(platform_));
        return false;
    }
    link_ = document.value(prefix + QStringLiteral("Link")).toString();
    fileSize_ = byteCount(document.value(prefix + QStringLiteral("Filesize")));
    checksum_ = document.value(prefix + QStringLiteral("Checksum")).toString();

    updateRequired_ = document.value(QStringLiteral("updateRequired")).toBool();
    if (updateRequired_) {
        logger_->debug(QStringLiteral("Update is required! New Version is ") + serverVersion_, QString());
        return true;
    }
    logger_->debug(QStringLiteral("This Version is up to date."), QString());
    return false;
}

int SelfUpdateService::checkSelfUpdate()
{
    // A question the run's end cut off has no answer: neither "too old" nor
    // "up to date" is known, and nothing more is asked.
    checkCancelled_ = false;
    const auto cancelled = [this] {
        if (checkCancelled_)
            logger_->info(QStringLiteral("Self-update check cancelled."), QString());
        return checkCancelled_;
    };
    const bool tooOld = isClientTooOldToSelfUpdate();
    if (cancelled())
        return kCheckCancelled;
    if (tooOld) {
        logger_->info(QStringLiteral("Client is too old and cannot be updated"), QString());
        return 2;
    }
    const bool required = checkForUpdatesAndRetrieveUrls();
    if (cancelled())
        return kCheckCancelled;
    if (required) {
        // A copy from the store that is offered its own version again (a
        // release whose label is newer than the version built into it)
        // would download, store and start itself on every turn.
        const QString running = localStorage_ ? localStorage_->versionOfRunningCopy() : QString();
        if (!running.isEmpty() && !launcher_->isLocalStoreVersionNewer(running, serverVersion_)) {
            logger_->info(QStringLiteral("The offered update is not newer than this copy from the local store, "
                                         "going on without it."),
                          QStringLiteral("Offered: ") + serverVersion_ + QStringLiteral(", stored as: ") + running);
            return 1;
        }
        logger_->info(QStringLiteral("Client requires update"), QString());
        return 0;
    }
    logger_->info(QStringLiteral("Client is up-to-date already"), QString());
    return 1;
}

void SelfUpdateService::releaseDownloader()
{
    if (!artifactDownloader_)
        return;
    disconnect(artifactDownloader_, nullptr, this, nullptr);
    artifactDownloader_->deleteLater();
    artifactDownloader_ = nullptr;
}

void SelfUpdateService::downloadUpdate()
{
    // Two transfers to the one archive path would write into each other's
    // file; the running download goes on and reports for both calls.
    if (downloadRunning_) {
        logger_->error(QStringLiteral("SelfUpdate download is already running."), link_);
        return;
    }
    auto* artifact = new DownloadChoiceArtifact(QUrl(link_, QUrl::TolerantMode), static_cast<quint64>(fileSize_),
                                                checksum_);
    archiveFileName_ = artifact->fileName;
    downloadFolder_ = workingDirectoryProvider_->getWorkingDirectory();
    logger_->debug(QStringLiteral("currentVersionDownloadPath ") + downloadFolder_, QString());

    // A download after an ended one replaces it: the ended downloader (and
    // with it its manager) is released, and the next one needs a manager of
    // its own.
    releaseDownloader();
    QObject* manager = downloadManager_ ? downloadManager_ : new DownloadManager();
    downloadManager_ = nullptr;
    // Which of the two failures it was, for the user: told before the
    // downloader, whose report follows at once.
    checksumFailed_ = false;
    connect(manager, SIGNAL(downloadError(DownloadManagerErrors)), this,
            SLOT(managerErrorSlot(DownloadManagerErrors)));
    artifactDownloader_ = new ArtifactDownloader(manager, {artifact}, QDir(downloadFolder_), 0, nullptr);
    // The downloader holds the artifact without owning it.
    connect(artifactDownloader_, &QObject::destroyed, [artifact] { delete artifact; });
    connect(artifactDownloader_, SIGNAL(downloadsFinished()), this, SLOT(updateDownloadFinishedSlot()));
    connect(artifactDownloader_, SIGNAL(downloadProgress(int)), this, SLOT(downloadProgressSlot(int)));
    connect(artifactDownloader_, SIGNAL(downloadError()), this, SLOT(downloadErrorSlot()));

    emit downloadProgressSetup(static_cast<int>(fileSize_));
    emit downloadStarted();

    // A link that names no file would make the download folder itself the
    // archive; nothing is fetched for it.
    if (!artifact->hasUsableFileName()) {
        logger_->error(QStringLiteral("SelfUpdate Download Error"), QStringLiteral("No file name in link: ") + link_);
        emit downloadError(tr("The update cannot be downloaded from %1.").arg(link_));
        return;
    }
    downloadRunning_ = true;
    artifactDownloader_->downloadNextArtifact();
}

void SelfUpdateService::downloadProgressSlot(int percent)
{
    emit downloadProgressInPercent(percent);
}

void SelfUpdateService::managerErrorSlot(DownloadManagerErrors error)
{
    checksumFailed_ = error == ChecksumError;
}

void SelfUpdateService::downloadErrorSlot()
{
    downloadRunning_ = false;
    logger_->error(QStringLiteral("SelfUpdate Download Error"), QString());
    emit downloadError(checksumFailed_ ? tr("The update downloaded from %1 does not match its checksum.").arg(link_)
                                       : tr("The update cannot be downloaded from %1.").arg(link_));
}

void SelfUpdateService::updateDownloadFinishedSlot()
{
    logger_->debug(QStringLiteral("download finished"), QString());
    emit downloadsFinished();

    const QString archivePath = downloadFolder_ + archiveFileName_;
    logger_->debug(QStringLiteral("Storing Installer"), QString());
    // Waiting for another run's store and unpacking may take long: off the
    // GUI thread, on a thread of its own, so that no remote-log post in the
    // pool holds it up. The download counts as running until the copy is
    // stored, so that no second transfer writes into the folder meanwhile.
    const QString version = serverVersion_;
    LocalStorage* store = localStorage_;
    stored_ = false;
    storeThread_ = QThread::create([this, store, archivePath, version] {
        stored_ = store->storeUpdaterArchive(archivePath, version);
    });
    connect(storeThread_, &QThread::finished, this, &SelfUpdateService::storeFinished);
    storeThread_->start();
}

void SelfUpdateService::endStore()
{
    if (!storeThread_)
        return;
    disconnect(storeThread_, nullptr, this, nullptr);
    localStorage_->cancelStore();
    storeThread_->wait();
    delete storeThread_;
    storeThread_ = nullptr;
    localStorage_->releaseStore();
    downloadRunning_ = false;
}

void SelfUpdateService::storeFinished()
{
    if (!storeThread_)
        return;
    storeThread_->wait();
    delete storeThread_;
    storeThread_ = nullptr;
    downloadRunning_ = false;
    if (!QDir(downloadFolder_).removeRecursively())
        logger_->error(QStringLiteral("Could not remove temporary files."),
                       QStringLiteral("directoryToClean: ") + downloadFolder_);

    // The lock is held until the copy runs: no other run of the user
    // empties or replaces it before.
    const bool launched = launcher_->launchLatestIfNewerInOnlineMode();
    localStorage_->releaseStore();
    if (launched) {
        QCoreApplication::quit();
        return;
    }
    // Named for the user: the store's fault (the folder or file at fault, the
    // disk, unzip), else why the stored copy was not started.
    QString problem = localStorage_->storeProblem();
    if (problem.isEmpty() && stored_) {
        const QString current = QCoreApplication::applicationVersion();
        const QString stored = localStorage_->latestVersionInLocalStore();
        // The store's refusal of the copy, else the system's refusal to run
        // it (exec's cause), else the copy that was tried.
        QString why = localStorage_->startProblem();
        if (why.isEmpty())
            why = launcher_->launchProblem();
        if (why.isEmpty())
            why = localStorage_->pathToLatestVersionInLocalStore();
        problem = !launcher_->isLocalStoreVersionNewer(current, stored)
                      ? tr("The update %1 is not newer than this Pathwarden %2.").arg(stored, current)
                      : tr("The stored update %1 cannot be started: %2").arg(stored, why);
    }
    logger_->error(QStringLiteral("Could not start downloaded Pathwarden"), problem);
    emit downloadError(problem);
}
