#include "updater/infrastructure/DownloadManager.h"

#include "updater/infrastructure/ContentRange.h"
#include "updater/infrastructure/FileValidationHash.h"
#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QSslError>
#include <QTimer>

#include <sys/stat.h>

namespace {

// Bounds what the network layer holds for us between two notifications.
constexpr qint64 kReadBufferBytes = 4 * 1024 * 1024;

enum class EntryKind { None, RegularFile, Other };

// Without following links: only a regular file of our own may be resumed,
// hashed or counted as downloaded; opening a FIFO could block for ever.
EntryKind entryKind(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return EntryKind::None;
    return S_ISREG(info.st_mode) ? EntryKind::RegularFile : EntryKind::Other;
}

bool isSha256Hex(const QString& text)
{
    if (text.size() != 64)
        return false;
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
              || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    }
    return true;
}

// NAME_MAX of the file systems we write to.
constexpr int kMostNameBytes = 255;

} // namespace

QString partialFileName(const QString& finalName)
{
    const QString ending = QStringLiteral(".part");
    const QByteArray name = QFile::encodeName(finalName);
    if (name.size() + ending.size() <= kMostNameBytes)
        return finalName + ending;
    const QString tie = QLatin1Char('~')
                        + QString::fromLatin1(QCryptographicHash::hash(name, QCryptographicHash::Sha256).toHex().left(16));
    int keep = kMostNameBytes - tie.size() - ending.size();
    // Never half a character: the name must stay valid text.
    while (keep > 0 && (static_cast<unsigned char>(name.at(keep)) & 0xC0) == 0x80)
        --keep;
    return QFile::decodeName(name.left(keep)) + tie + ending;
}

DownloadManager::DownloadManager()
    : AbstractDownloadManager(nullptr)
    , network_(new QNetworkAccessManager(this))
    , logger_(SimpleLogger::getLogger(this))
    , stallTimer_(new QTimer(this))
    , crawlTimer_(new QTimer(this))
{
    qRegisterMetaType<DownloadManagerErrors>("DownloadManagerErrors");
    network_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(network_, &QNetworkAccessManager::finished, this, &DownloadManager::finishedSlot);
    connect(network_, &QNetworkAccessManager::sslErrors, this, [this](QNetworkReply*, const QList<QSslError>& errors) {
        QStringList texts;
        for (const QSslError& error : errors)
            texts << error.errorString();
        logger_->error(QStringLiteral("SSL errors in DownloadManager"), texts.join(QStringLiteral("; ")));
    });
    stallTimer_->setSingleShot(true);
    connect(stallTimer_, &QTimer::timeout, this, [this] {
        logger_->error(QStringLiteral("Download stalled."),
                       QStringLiteral("No data for %1 ms from ").arg(stallTimeoutMs_) + job_.url.toString());
        fail(TransferError, QNetworkReply::TimeoutError);
    });
    connect(crawlTimer_, &QTimer::timeout, this, [this] {
        if (bytesThisWindow_ >= crawlMinimumBytes_) {
            bytesThisWindow_ = 0;
            return;
        }
        logger_->error(QStringLiteral("Download too slow."),
                       QStringLiteral("%1 bytes in %2 ms from ").arg(bytesThisWindow_).arg(crawlWindowMs_)
                           + job_.url.toString());
        fail(TransferError, QNetworkReply::TimeoutError);
    });
}

DownloadManager::~DownloadManager()
{
    // An interrupted transfer keeps its ".part" for a later run to resume.
    detachReply();
    if (file_)
        file_->close();
}

void DownloadManager::setStallTimeout(int milliseconds)
{
    stallTimeoutMs_ = milliseconds;
}

void DownloadManager::setCrawlLimit(int windowMilliseconds, qint64 minimumBytes)
{
    crawlWindowMs_ = windowMilliseconds;
    crawlMinimumBytes_ = minimumBytes;
}

QString DownloadManager::partPath() const
{
    const QFileInfo target(targetPath_);
    const QString folder = targetPath_.left(targetPath_.size() - target.fileName().size());
    return folder + partialFileName(target.fileName());
}

bool DownloadManager::download(DownloadJob job)
{
    if (active_) {
        logger_->error(QStringLiteral("A new download replaces one that has not ended."), targetPath_);
        detachReply();
        stallTimer_->stop();
        crawlTimer_->stop();
        file_.reset();
        active_ = false;
    }
    job_ = job;
    job_.networkError = 0;
    job_.finished = false;
    networkErrorFlag_ = false;
    failure_ = DownloadFailure();
    targetPath_ = job_.filePath;
    resumeOffset_ = 0;
    announcedTotal_ = -1;
    answerAccepted_ = false;
    request_ = QNetworkRequest(job_.url);
    // Byte ranges must count the file's own bytes, not a compressed form.
    request_.setRawHeader("Accept-Encoding", "identity");
    active_ = true;

    const QString scheme = job_.url.scheme().toLower();
    if (!job_.url.isValid() || job_.url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        logger_->error(QStringLiteral("Refused download address."), job_.url.toString());
        fail(TransferError, QNetworkReply::ProtocolUnknownError);
        return false;
    }
    // "", "." and ".." would make the target the folder itself or its parent.
    if (!isSafePathComponent(QFileInfo(targetPath_).fileName())) {
        logger_->error(QStringLiteral("Refused download file name."), targetPath_);
        fail(TransferError);
        return false;
    }
    if (!isSha256Hex(job_.expectedHash)) {
        // Such a file could never be verified; it is not worth a transfer.
        logger_->error(QStringLiteral("Checksum failure."),
                       QStringLiteral("Not a SHA-256 for ") + targetPath_ + QStringLiteral(": ") + job_.expectedHash);
        fail(ChecksumError);
        return false;
    }

    switch (entryKind(targetPath_)) {
    case EntryKind::Other:
        logger_->error(QStringLiteral("Download target is not a regular file."), targetPath_);
        fail(TransferError);
        return false;
    case EntryKind::RegularFile: {
        QFile existing(targetPath_);
        if (FileValidationHash(&existing, job_.expectedHash.toLower()).validate()) {
            logger_->debug(QStringLiteral("Current file '") + targetPath_ + QStringLiteral("' already exists. Skipping..."),
                           QString());
            job_.finished = true;
            active_ = false;
            emit progress(100);
            emit downloadComplete();
            return false;
        }
        // Not handed on, and not ours to delete: our own targets appear only
        // verified, so this one came from elsewhere.
        logger_->error(QStringLiteral("Checksum failure."),
                       QStringLiteral("File: ") + targetPath_ + QStringLiteral(" exists and does not match ")
                           + job_.expectedHash);
        fail(ChecksumError);
        return false;
    }
    case EntryKind::None:
        break;
    }

    const QString part = partPath();
    switch (entryKind(part)) {
    case EntryKind::Other:
        logger_->error(QStringLiteral("Partial file is not a regular file."), part);
        fail(TransferError);
        return false;
    case EntryKind::RegularFile:
        logger_->debug(QStringLiteral("A file '") + part + QStringLiteral("' exists. Resuming..."), QString());
        file_ = std::make_unique<QFile>(part);
        // Unbuffered: what the ".part" holds is what was written, so a pause
        // or an interrupted run resumes at the right byte.
        if (!file_->open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            logger_->error(QStringLiteral("Could not open the partial file."), part + QStringLiteral(": ")
                                                                                   + file_->errorString());
        resume();
        return active_;
    case EntryKind::None:
        break;
    }

    logger_->debug(QStringLiteral("A file '") + part + QStringLiteral("' does not exist. Starting Download..."),
                   QString());
    file_ = std::make_unique<QFile>(part);
    if (!file_->open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered)) {
        logger_->error(QStringLiteral("Could not create the partial file."), part + QStringLiteral(": ")
                                                                                  + file_->errorString());
        file_.reset();
        fail(TransferError);
        return false;
    }
    download(request_);
    return true;
}

void DownloadManager::resume()
{
    if (!file_) {
        logger_->error(QStringLiteral("resume: Current File is NULL!"), QString());
        if (active_)
            fail(TransferError);
        return;
    }
    if (!file_->isOpen()) {
        logger_->error(QStringLiteral("resume: Current is not open!"), QString());
        if (active_)
            fail(TransferError);
        return;
    }
    if (reply_) {
        logger_->error(QStringLiteral("resume: the transfer is running."), QString());
        return;
    }
    resumeOffset_ = file_->size();
    if (!file_->seek(resumeOffset_)) {
        logger_->error(QStringLiteral("resume: Could not seek in the partial file."), partPath());
        fail(TransferError);
        return;
    }
    request_.setRawHeader("Range", "bytes=" + QByteArray::number(resumeOffset_) + '-');
    download(request_);
}

void DownloadManager::download(QNetworkRequest& request)
{
    if (!file_ || !file_->isOpen()) {
        logger_->error(QStringLiteral("download: no open destination file."), QString());
        return;
    }
    detachReply();
    answerAccepted_ = false;
    announcedTotal_ = -1;
    lastPercent_ = -1;
    reply_ = network_->get(request);
    reply_->setReadBufferSize(kReadBufferBytes);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &DownloadManager::metaDataSlot);
    // The network layer holds back progress notifications that come less
    // than 100 ms apart, so data is taken as it arrives.
    connect(reply_, &QNetworkReply::readyRead, this, [this] { downloadProgressSlot(-1, -1); });
    connect(reply_, &QNetworkReply::downloadProgress, this, &DownloadManager::downloadProgressSlot);
    connect(reply_, &QNetworkReply::errorOccurred, this, &DownloadManager::errorSlot);
    stallTimer_->start(stallTimeoutMs_);
    bytesThisWindow_ = 0;
    crawlTimer_->start(crawlWindowMs_);
}

void DownloadManager::pause()
{
    if (!reply_) {
        logger_->error(QStringLiteral("pause: Current NetworkReply is 0!"), QString());
        return;
    }
    if (!file_) {
        logger_->error(QStringLiteral("pause: Current File is NULL!"), QString());
        return;
    }
    if (!file_->isOpen()) {
        logger_->error(QStringLiteral("pause: Current is not open!"), QString());
        return;
    }
    if (answerAccepted_ && !writeAvailable())
        return;
    // The aborted reply reports itself finished; detached, it is neither
    // verified nor cleaned up, and the job goes on with resume().
    detachReply();
    stallTimer_->stop();
    crawlTimer_->stop();
    logger_->info(QStringLiteral("Download paused."), partPath() + QStringLiteral(" holds ")
                                                          + QString::number(file_->size()) + QStringLiteral(" bytes"));
}

void DownloadManager::metaDataSlot()
{
    if (!reply_ || sender() != reply_ || answerAccepted_)
        return;
    const QVariant statusValue = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusValue.isValid())
        return;
    const int status = statusValue.toInt();
    const QVariant lengthValue = reply_->header(QNetworkRequest::ContentLengthHeader);
    const qint64 length = lengthValue.isValid() ? lengthValue.toLongLong() : -1;
    const QString where = job_.url.toString();
    if (status == 200) {
        if (resumeOffset_ > 0) {
            // The whole file instead of the rest: appending it would
            // assemble a wrong file, so it replaces what the ".part" held.
            logger_->info(QStringLiteral("Server sent the whole file instead of the requested range."), where);
            if (!file_->resize(0) || !file_->seek(0)) {
                logger_->error(QStringLiteral("Error writing file!"), QStringLiteral("Could not empty ") + partPath());
                fail(TransferError);
                return;
            }
            resumeOffset_ = 0;
        }
        announcedTotal_ = length;
    } else if (status == 206) {
        const QByteArray rangeText = reply_->rawHeader("Content-Range");
        ContentRange range;
        QString problem;
        if (!parseContentRange(rangeText, range))
            problem = QStringLiteral("unreadable Content-Range '%1'").arg(QString::fromLatin1(rangeText));
        else if (range.first != resumeOffset_)
            problem = QStringLiteral("range starts at %1 instead of %2").arg(range.first).arg(resumeOffset_);
        else if (length >= 0 && length != range.last - range.first + 1)
            problem = QStringLiteral("Content-Length %1 does not match the range %2-%3")
                          .arg(length).arg(range.first).arg(range.last);
        else if (range.total >= 0 && range.last + 1 != range.total)
            problem = QStringLiteral("range ends at %1 before the file's end %2").arg(range.last).arg(range.total);
        if (!problem.isEmpty()) {
            logger_->error(QStringLiteral("Unusable partial answer."), problem + QStringLiteral(": ") + where);
            fail(TransferError, QNetworkReply::ProtocolFailure);
            return;
        }
        announcedTotal_ = range.last + 1;
    } else if (status >= 400) {
        // The network layer reports such a status itself, as the reply's
        // error once its (short) body is in, and then finishes the reply;
        // finishedSlot ends the job there. Aborting now would race that
        // report, which may already be on its way from the network thread.
        // Nothing of the body is written, and the stall timer still runs.
        logger_->error(QStringLiteral("Unexpected HTTP status."), QString::number(status) + QStringLiteral(": ") + where);
        return;
    } else {
        logger_->error(QStringLiteral("Unexpected HTTP status."), QString::number(status) + QStringLiteral(": ") + where);
        fail(TransferError, QNetworkReply::ProtocolFailure);
        return;
    }
    if (announcedTotal_ >= 0 && announcedTotal_ > sizeLimit()) {
        logger_->error(QStringLiteral("Download is larger than expected."),
                       QStringLiteral("%1 bytes announced, at most %2 allowed: ").arg(announcedTotal_).arg(sizeLimit())
                           + where);
        fail(TransferError, QNetworkReply::UnknownContentError);
        return;
    }
    answerAccepted_ = true;
    stallTimer_->start(stallTimeoutMs_);
}

qint64 DownloadManager::sizeLimit() const
{
    if (job_.expectedSize > 0)
        return job_.expectedSize;
    if (announcedTotal_ >= 0)
        return qMin(announcedTotal_, kSizeCeiling);
    return kSizeCeiling;
}

qint64 DownloadManager::knownTotal() const
{
    if (announcedTotal_ >= 0)
        return announcedTotal_;
    return job_.expectedSize > 0 ? job_.expectedSize : -1;
}

bool DownloadManager::writeAvailable()
{
    const QByteArray data = reply_->readAll();
    if (data.isEmpty())
        return true;
    if (file_->pos() + data.size() > sizeLimit()) {
        logger_->error(QStringLiteral("Download is larger than expected."),
                       QStringLiteral("More than %1 bytes from ").arg(sizeLimit()) + job_.url.toString());
        fail(TransferError, QNetworkReply::UnknownContentError);
        return false;
    }
    if (file_->write(data) != data.size()) {
        logger_->error(QStringLiteral("Error writing file!"), partPath() + QStringLiteral(": ") + file_->errorString());
        fail(TransferError);
        return false;
    }
    bytesThisWindow_ += data.size();
    return true;
}

void DownloadManager::downloadProgressSlot(qint64 bytesReceived, qint64 bytesTotal)
{
    Q_UNUSED(bytesReceived)
    Q_UNUSED(bytesTotal)
    if (!reply_) {
        logger_->error(QStringLiteral("NetworkReply is null"),
                       QStringLiteral("downloadProgressSlot: A Network Error in the current network reply!"));
        return;
    }
    if (!reply_->isReadable()) {
        logger_->error(QStringLiteral("NetworkReply not readable"),
                       QStringLiteral("downloadProgressSlot: The NetworkReply is not readable!"));
        return;
    }
    if (!file_) {
        logger_->error(QStringLiteral("Error writing file!"),
                       QStringLiteral("downloadProgressSlot: The current destination file is NULL!"));
        return;
    }
    if (!file_->isWritable()) {
        logger_->error(QStringLiteral("Error writing file!"),
                       QStringLiteral("downloadProgressSlot: The current destination file can not be opened for "
                                      "writing!"));
        return;
    }
    if (!answerAccepted_ || !writeAvailable())
        return;
    stallTimer_->start(stallTimeoutMs_);
    const qint64 total = knownTotal();
    if (total == 0) {
        logger_->debug(QStringLiteral("downloadProgressSlot: File completely downloaded... there is nothing to do."),
                       QString());
    } else if (total > 0) {
        const int percent = static_cast<int>(qBound<qint64>(0, file_->pos() * 100 / total, 100));
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            emit progress(percent);
        }
    }
}

void DownloadManager::errorSlot(QNetworkReply::NetworkError code)
{
    if (!reply_ || sender() != reply_)
        return;
    logger_->error(QStringLiteral("Error in DownloadManager"),
                   QStringLiteral("QNetworkReply::NetworkError: ") + QString::number(code) + QStringLiteral(" ")
                       + reply_->errorString());
    job_.networkError = code;
    job_.finished = false;
    networkErrorFlag_ = true;
}

void DownloadManager::finishedSlot(QNetworkReply* reply)
{
    // Replies that were paused, refused or replaced end here too: they are
    // no longer the current one and report nothing.
    if (!reply || reply != reply_) {
        if (reply)
            reply->deleteLater();
        return;
    }
    if (!networkErrorFlag_ && reply_->error() == QNetworkReply::NoError && answerAccepted_ && file_
        && !writeAvailable())
        return;
    if (!networkErrorFlag_ && reply_->error() != QNetworkReply::NoError) {
        job_.networkError = reply_->error();
        networkErrorFlag_ = true;
    }
    // The server's own answer, for the user: a 404 is no broken line.
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (networkErrorFlag_ && status >= 400) {
        failure_.httpStatus = status;
        failure_.httpReason = reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().simplified();
    }
    detachReply();
    stallTimer_->stop();
    crawlTimer_->stop();
    if (networkErrorFlag_ || job_.networkError != 0) {
        logger_->error(QStringLiteral("Network Error."),
                       QStringLiteral("finishedSlot: A Network Error occured in current download job!"));
        fail(TransferError);
        return;
    }
    if (!file_) {
        logger_->error(QStringLiteral("Error writing file!"),
                       QStringLiteral("finishedSlot: The current destination file is NULL!"));
        fail(TransferError);
        return;
    }
    if (!answerAccepted_) {
        logger_->error(QStringLiteral("Network Error."), QStringLiteral("finishedSlot: The answer was not usable."));
        fail(TransferError, QNetworkReply::ProtocolFailure);
        return;
    }
    if (announcedTotal_ >= 0 && file_->pos() != announcedTotal_) {
        logger_->error(QStringLiteral("Network Error."), QStringLiteral("finishedSlot: The transfer ended after %1 of "
                                                                        "%2 bytes.")
                                                             .arg(file_->pos())
                                                             .arg(announcedTotal_));
        fail(TransferError, QNetworkReply::RemoteHostClosedError);
        return;
    }
    verifyAndPlace();
}

void DownloadManager::verifyAndPlace()
{
    file_->close();
    const QString part = partPath();
    const QString absolutePart = QFileInfo(part).absoluteFilePath();
    logger_->debug(QStringLiteral("Verifying ") + absolutePart + QStringLiteral(" (expected: ") + job_.expectedHash
                       + QStringLiteral(")"),
                   QString());
    QFile partFile(part);
    if (!FileValidationHash(&partFile, job_.expectedHash.toLower()).validate()) {
        logger_->error(QStringLiteral("Checksum failure."),
                       QStringLiteral("File: ") + absolutePart + QStringLiteral(" Expected hash: ") + job_.expectedHash);
        fail(ChecksumError);
        return;
    }
    // Never over something that appeared meanwhile, and never "complete"
    // without the file under its final name.
    if (entryKind(targetPath_) != EntryKind::None || !QFile::rename(part, targetPath_)) {
        logger_->error(QStringLiteral("Could not put the verified file in place."),
                       absolutePart + QStringLiteral(" -> ") + targetPath_);
        fail(TransferError);
        return;
    }
    file_.reset();
    job_.finished = true;
    active_ = false;
    emit downloadComplete();
}

void DownloadManager::detachReply()
{
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    if (!reply->isFinished())
        reply->abort();
    reply->deleteLater();
}

void DownloadManager::cleanUp()
{
    if (!file_)
        return;
    file_->close();
    const QString part = partPath();
    if (entryKind(part) == EntryKind::RegularFile && !QFile::remove(part))
        logger_->info(QStringLiteral("Cleanup failed!"), QStringLiteral("Failed to delete file ") + part);
    file_.reset();
}

DownloadFailure DownloadManager::lastFailure() const
{
    return failure_;
}

void DownloadManager::fail(DownloadManagerErrors error, int networkError)
{
    failure_.failed = true;
    failure_.error = error;
    detachReply();
    stallTimer_->stop();
    crawlTimer_->stop();
    if (networkError != 0)
        job_.networkError = networkError;
    cleanUp();
    if (!active_)
        return;
    active_ = false;
    emit downloadError(error);
}
