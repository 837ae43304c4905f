#include "updater/services/DownloadChoicesService.h"

#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/services/ArtifactDownloader.h"
#include "updater/services/DownloadChoice.h"

#include <QDir>

namespace {

// The last percentage reported, shared by every service of the process and
// never reset: an equal value is not reported again, also across choices.
// GUI thread only.
int lastReportedPercent = -1;

} // namespace

DownloadChoicesService::DownloadChoicesService(AbstractWorkingDirectoryProvider* provider, QObject* parent)
    : AbstractDownloadChoicesService(parent)
    , provider_(provider)
    , logger_(SimpleLogger::getLogger(this))
{
}

DownloadChoicesService::~DownloadChoicesService()
{
    if (currentDownloader_)
        currentDownloader_->deleteLater();
}

QList<DownloadChoice*> DownloadChoicesService::finishedDownloadChoices()
{
    return finished_;
}

DownloadFailure DownloadChoicesService::lastFailure() const
{
    return failure_;
}

void DownloadChoicesService::startDownloads(QList<DownloadChoice*> choices)
{
    choices.removeAll(nullptr);
    pending_ = choices;
    index_ = 0;
    aborted_ = false;
    finishedBytes_ = 0;
    totalBytes_ = 0;
    choiceCount_ = choices.size();
    for (const DownloadChoice* choice : choices)
        totalBytes_ += choice->totalFilesize;
    emit downloadProgressSetup(static_cast<int>(static_cast<quint32>(totalBytes_)));
    downloadNextChoice();
}

void DownloadChoicesService::downloadNextChoice()
{
    if (aborted_)
        return;
    if (pending_.isEmpty()) {
        emit downloadsFinished();
        return;
    }
    currentChoice_ = pending_.takeFirst();
    if (currentDownloader_) {
        disconnect(currentDownloader_, nullptr, this, nullptr);
        currentDownloader_->deleteLater();
    }
    const QDir folder(QDir::fromNativeSeparators(provider_->getWorkingDirectory()));
    currentDownloader_ = new ArtifactDownloader(new DownloadManager(), currentChoice_->artifacts, folder, 1, nullptr);
    connect(currentDownloader_, &ArtifactDownloader::downloadsFinished, this,
            &DownloadChoicesService::currentDownloadFinishedSlot);
    connect(currentDownloader_, &ArtifactDownloader::downloadProgress, this,
            &DownloadChoicesService::downloadProgressSlot);
    connect(currentDownloader_, &ArtifactDownloader::downloadError, this, &DownloadChoicesService::downloadErrorSlot);
    const QString name = currentChoice_->name;
    logger_->debug(QStringLiteral("download next slot ") + name, QString());

    starting_ = true;
    currentDownloader_->downloadNextArtifact();
    emit downloadStarted(name);
    index_ += 1;
    starting_ = false;

    // Replayed in order; a held-back end may start the next choice, whose
    // own reports are handled within that start.
    const QList<QPair<HeldBack, int>> held = heldBack_;
    heldBack_.clear();
    for (const auto& report : held) {
        switch (report.first) {
        case HeldBack::Finished: currentDownloadFinishedSlot(); break;
        case HeldBack::Progress: downloadProgressSlot(report.second); break;
        case HeldBack::Error: downloadErrorSlot(); break;
        }
    }
}

bool DownloadChoicesService::holdBack(HeldBack kind, int value)
{
    if (!starting_)
        return false;
    heldBack_.append(qMakePair(kind, value));
    return true;
}

void DownloadChoicesService::currentDownloadFinishedSlot()
{
    if (holdBack(HeldBack::Finished))
        return;
    logger_->debug(QStringLiteral("currentDownloadFinished"), QString());
    finishedBytes_ += currentChoice_->totalFilesize;
    finished_.append(currentChoice_);
    downloadNextChoice();
}

void DownloadChoicesService::downloadProgressSlot(int value)
{
    if (holdBack(HeldBack::Progress, value))
        return;
    // With a total of 0 there is nothing to measure the bytes against.
    if (value == lastReportedPercent || totalBytes_ == 0)
        return;
    const auto current = static_cast<quint64>(static_cast<double>(currentChoice_->totalFilesize) * (value / 100.0));
    emit downloadProgress(totalBytes_, finishedBytes_ + current, index_, choiceCount_);
    lastReportedPercent = value;
}

void DownloadChoicesService::downloadErrorSlot()
{
    if (holdBack(HeldBack::Error))
        return;
    logger_->debug(QStringLiteral("download error "), QString());
    aborted_ = true;
    pending_.clear();
    failure_ = currentDownloader_ ? currentDownloader_->lastFailure() : DownloadFailure();
    emit downloadError(currentChoice_->name);
}
