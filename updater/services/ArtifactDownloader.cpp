#include "updater/services/ArtifactDownloader.h"

#include "updater/infrastructure/AbstractDownloadManager.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/DownloadChoiceArtifact.h"

#include <QUuid>

#include <limits>

ArtifactDownloader::ArtifactDownloader(QObject* downloadManager, QList<DownloadChoiceArtifact*> artifacts,
                                       QDir targetFolder, int newSubfolderPerArtifact, QObject* parent)
    : ArtifactDownloadReports(parent)
    , targetFolder_(targetFolder)
    , downloadManager_(downloadManager)
    , logger_(SimpleLogger::getLogger(this))
    , newSubfolderPerArtifact_(newSubfolderPerArtifact != 0)
{
    setArtifacts(artifacts);
    logger_->debug(QStringLiteral("filesize of all artifacts ") + QString::number(totalBytes_), QString());
    if (downloadManager) {
        connect(downloadManager, SIGNAL(downloadComplete()), this, SLOT(currentArtifactDownloadFinishedSlot()));
        connect(downloadManager, SIGNAL(progress(int)), this, SLOT(downloadProgressSlot(int)));
        connect(downloadManager, SIGNAL(downloadError(DownloadManagerErrors)), this,
                SLOT(downloadErrorSlot(DownloadManagerErrors)));
    }
}

ArtifactDownloader::~ArtifactDownloader()
{
    // The logger belongs to the logging hub, which keeps it until the end.
    if (downloadManager_)
        downloadManager_->deleteLater();
}

void ArtifactDownloader::setArtifacts(QList<DownloadChoiceArtifact*> artifacts)
{
    artifacts_ = artifacts;
    totalBytes_ = 0;
    for (const DownloadChoiceArtifact* artifact : artifacts_) {
        if (artifact)
            totalBytes_ += artifact->filesize;
    }
}

DownloadChoiceArtifact* ArtifactDownloader::currentArtifact() const
{
    return position_ >= 0 && position_ < artifacts_.size() ? artifacts_.at(position_) : nullptr;
}

void ArtifactDownloader::downloadNextArtifact()
{
    QString folder = targetFolder_.absolutePath();
    if (newSubfolderPerArtifact_) {
        folder += QDir::separator() + QUuid::createUuid().toString(QUuid::WithBraces);
        if (!QDir(folder).exists())
            QDir().mkdir(folder);
    }
    if (position_ >= artifacts_.size()) {
        emit downloadsFinished();
        return;
    }
    DownloadChoiceArtifact* artifact = artifacts_.at(position_);
    auto* manager = qobject_cast<AbstractDownloadManager*>(downloadManager_.data());
    if (!artifact || !manager) {
        logger_->error(QStringLiteral("Artifact Download Error "),
                       artifact ? QStringLiteral("downloadNextArtifact: no download manager")
                                : QStringLiteral("downloadNextArtifact: no artifact"));
        emit downloadError();
        return;
    }
    artifact->outputDir = folder;
    DownloadJob job(artifact->url, folder, artifact->fileName, artifact->checksum);
    job.expectedSize = artifact->filesize <= quint64(std::numeric_limits<qint64>::max())
                           ? static_cast<qint64>(artifact->filesize)
                           : 0;
    emit nextArtifactHasStarted(artifact->url.toString());
    running_ = true;
    // May report the end at once (a verified file already there, or a job
    // that cannot start); nothing of this object is touched afterwards.
    manager->download(job);
}

void ArtifactDownloader::currentArtifactDownloadFinishedSlot()
{
    if (!running_)
        return;
    running_ = false;
    if (const DownloadChoiceArtifact* artifact = currentArtifact())
        bytesDone_ += artifact->filesize;
    position_ += 1;
    downloadNextArtifact();
}

void ArtifactDownloader::downloadProgressSlot(int percent)
{
    // Without a total there is no percentage (and no division by zero).
    const DownloadChoiceArtifact* artifact = currentArtifact();
    if (!running_ || totalBytes_ == 0 || !artifact)
        return;
    const quint64 part = quint64(qBound(0, percent, 100)) * artifact->filesize / 100;
    const float share = float(bytesDone_ + part) / float(totalBytes_) * 100.0f;
    emit downloadProgress(qBound(0, static_cast<int>(share), 100));
}

void ArtifactDownloader::downloadErrorSlot(DownloadManagerErrors errorType)
{
    if (!running_)
        return;
    running_ = false;
    const DownloadChoiceArtifact* artifact = currentArtifact();
    auto* manager = qobject_cast<AbstractDownloadManager*>(downloadManager_.data());
    failure_ = manager ? manager->lastFailure() : DownloadFailure();
    failure_.failed = true;
    failure_.error = errorType;
    logger_->error(QStringLiteral("Artifact Download Error ") + QString::number(errorType),
                   QStringLiteral("downloadErrorSlot: Error downloading artifact ")
                       + (artifact ? artifact->url.toString() : QString()));
    emit downloadError();
}
