#pragma once

#include "updater/services/AbstractSelfUpdateService.h"

#include "updater/infrastructure/DownloadJob.h"

#include <QVariantMap>

class AbstractRESTClient;
class AbstractServiceUrl;
class AbstractUpdateLauncher;
class AbstractWorkingDirectoryProvider;
class ArtifactDownloader;
class LocalStorage;
class Logger;
class QThread;

// Answers the self-update questions from the server's "discontinued" and
// "update" documents (links of the "downloadclient" service) and, when an
// update is required, downloads the archive into the run's working folder,
// hands it to the local store, removes the working folder and starts the
// stored copy in online mode; the application then quits.
//
// Ownership: the service address and the download manager are owned (the
// manager passes to the first artifact downloader, which owns its manager;
// later downloads get managers of their own). Each download's artifact lives
// as long as its downloader; an ended downloader is released when the next
// download replaces it, and the last one with the service. The
// REST client, the provider, the store and the launcher are used, not owned;
// the store must outlive a copy being stored.
//
// Threads: GUI thread. The three server questions block in the REST client's
// local event loop; the download runs on the download manager's signals, and
// the downloaded copy is stored (unpacked) on a thread of its own, not behind
// the pool's remote-log posts, during which the store is not used here. When
// the application ends (or the service goes) during the store, unzip ends
// with its process group and the store's thread is waited for: nothing of a
// half-unpacked copy is recorded or started.
class SelfUpdateService : public AbstractSelfUpdateService {
    Q_OBJECT
public:
    SelfUpdateService(AbstractRESTClient* restClient, AbstractServiceUrl* serviceUrl, QObject* downloadManager,
                      int platform, AbstractWorkingDirectoryProvider* workingDirectoryProvider,
                      LocalStorage* localStorage, AbstractUpdateLauncher* launcher, QObject* parent = nullptr);
    ~SelfUpdateService() override;

    int checkSelfUpdate() override;
    bool isClientTooOldToSelfUpdate() override;
    QString getClientTooOldErrorText() override;
    // Only after checkSelfUpdate answered 0. Returns at once; the outcome
    // comes as downloadsFinished() (then quit, or downloadError) or
    // downloadError. A call while a download runs is refused (logged).
    void downloadUpdate() override;
    bool checkForUpdatesAndRetrieveUrls() override;

signals:
    void downloadStarted();
    // The cause in the user's words; empty when none is known.
    void downloadError(QString text);
    void downloadsFinished();
    void downloadProgressInPercent(int percent);
    // The downloaded copy waits (true) for another run of the user to store
    // its own, or goes on after that wait (false).
    void storeWaiting(bool waiting);
    // The expected size in bytes, cut to an int; nothing connects it.
    void downloadProgressSetup(int size);

private slots:
    void updateDownloadFinishedSlot();
    // The stored copy is started, or the failure reported.
    void storeFinished();
    void downloadProgressSlot(int percent);
    void downloadErrorSlot();
    void managerErrorSlot(DownloadManagerErrors error);
    // Stops a store under way and waits for its thread.
    void endStore();

private:
    // GETs the link rel of the service with "{?version}" filled in and logs
    // the answer; the body read as a JSON object, empty (and *answered false,
    // the failure logged under question) when it is not JSON.
    QVariantMap fetchDocument(const QString& rel, const QString& question, bool* answered = nullptr);
    void releaseDownloader();

    QObject* downloadManager_;
    ArtifactDownloader* artifactDownloader_ = nullptr;
    AbstractRESTClient* restClient_;
    AbstractServiceUrl* serviceUrl_;
    AbstractWorkingDirectoryProvider* workingDirectoryProvider_;
    LocalStorage* localStorage_;
    AbstractUpdateLauncher* launcher_;
    int platform_;
    QString downloadFolder_;
    QString archiveFileName_;
    Logger* logger_;
    QString serverVersion_;
    QString link_;
    qint64 fileSize_ = 0;
    QString checksum_;
    bool updateRequired_ = false;
    // A question of the running check was cancelled.
    bool checkCancelled_ = false;
    bool downloadRunning_ = false;
    QThread* storeThread_ = nullptr;
    // Written on the store's thread, read once it has ended.
    bool stored_ = false;
    // The last download failed its checksum (rather than its transfer).
    bool checksumFailed_ = false;
};
