#pragma once

#include "updater/infrastructure/AbstractDownloadManager.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>

#include <memory>

class Logger;
class QFile;
class QNetworkAccessManager;
class QTimer;

// The name a download has until it is verified: "<final name>.part" where
// that fits in a file name's 255 bytes. A longer one keeps the final name's
// leading bytes (whole characters), then "~", the first 16 hexadecimal digits
// of the final name's SHA-256 and ".part", at most 255 bytes in all: unique
// for each final name and made from it alone, so a later run finds the
// partial file an earlier one left. The final name is never shortened. Pure.
QString partialFileName(const QString& finalName);

// Downloads one file at a time over HTTP or HTTPS (the system's certificate
// authorities, no redirects) into "<target>.part" (see partialFileName),
// continues a ".part" left by an earlier run with a Range request, and gives
// the file its final name only after its SHA-256 matched. A failed job leaves neither the target nor
// its ".part" behind; a paused one keeps its ".part".
//
// Every job ends with exactly one downloadComplete() or downloadError(); a
// job whose target is already there and a job that cannot start end before
// download() returns. A target that is already there counts as downloaded
// only when it is a regular file whose hash matches; otherwise the job fails
// and the file is left alone. A job also ends when its
// transfer makes no progress for the stall timeout, when it crawls (fewer
// than the minimum bytes arrive in one crawl window), and when the file grows
// beyond its expected size (or, without one, beyond the announced size or the
// size ceiling). A slow transfer that keeps going is never ended for its
// length alone: several gigabytes over a slow line take many hours.
//
// Threads: the thread that owns the manager (the GUI thread) only. Made
// without a parent; its owner releases it.
class DownloadManager : public AbstractDownloadManager {
    Q_OBJECT
public:
    static constexpr int kDefaultStallTimeoutMs = 60 * 1000;
    // A server trickling a byte now and then must not hold the run for ever;
    // any line a user would wait on brings far more.
    static constexpr int kDefaultCrawlWindowMs = 5 * 60 * 1000;
    static constexpr qint64 kDefaultCrawlMinimumBytes = 64 * 1024;
    // Limit for a file whose size neither the job nor the server gives.
    static constexpr qint64 kSizeCeiling = qint64(16) * 1024 * 1024 * 1024;

    DownloadManager();
    ~DownloadManager() override;

    using AbstractDownloadManager::download;
    bool download(DownloadJob job) override;
    DownloadFailure lastFailure() const override;

    // For the jobs that start afterwards.
    void setStallTimeout(int milliseconds);
    // A transfer that brings fewer than minimumBytes in any window of
    // windowMilliseconds (counted from its request) fails.
    void setCrawlLimit(int windowMilliseconds, qint64 minimumBytes);

signals:
    void downloadComplete();
    // The current job's percentage, 0 to 100; only while the file's total
    // size is known.
    void progress(int percent);
    void downloadError(DownloadManagerErrors error);

public slots:
    // Stops the running transfer and keeps its ".part" open for resume().
    // A paused job has not ended: resume() continues it.
    void pause();
    // Continues the current job from its ".part" file's size.
    void resume();
    // Sends the GET for the request; serves only while a ".part" is open.
    void download(QNetworkRequest& request);
    void finishedSlot(QNetworkReply* reply);
    void downloadProgressSlot(qint64 bytesReceived, qint64 bytesTotal);
    void errorSlot(QNetworkReply::NetworkError code);

private:
    void metaDataSlot();
    // Appends what the reply holds; false (and the job failed) when the
    // file cannot take it or it would pass the size limit.
    bool writeAvailable();
    void fail(DownloadManagerErrors error, int networkError = 0);
    // Forgets the current reply without letting it report anything more.
    void detachReply();
    void cleanUp();
    void verifyAndPlace();
    qint64 sizeLimit() const;
    qint64 knownTotal() const;
    QString partPath() const;

    QNetworkAccessManager* network_;
    QNetworkRequest request_;
    QNetworkReply* reply_ = nullptr;
    std::unique_ptr<QFile> file_;
    QString targetPath_;
    DownloadJob job_;
    // Bytes that were in the ".part" when the running request was sent.
    qint64 resumeOffset_ = 0;
    Logger* logger_;
    bool networkErrorFlag_ = false;
    DownloadFailure failure_;

    // A job was started and has not reported its end yet.
    bool active_ = false;
    // The running reply's status and range were checked; its body may be
    // written.
    bool answerAccepted_ = false;
    // The whole file's size as the running answer announced it; -1 unknown.
    qint64 announcedTotal_ = -1;
    int lastPercent_ = -1;
    QTimer* stallTimer_;
    // Repeats every crawl window while a transfer runs.
    QTimer* crawlTimer_;
    int stallTimeoutMs_ = kDefaultStallTimeoutMs;
    int crawlWindowMs_ = kDefaultCrawlWindowMs;
    qint64 crawlMinimumBytes_ = kDefaultCrawlMinimumBytes;
    // Written to the ".part" since the running crawl window began.
    qint64 bytesThisWindow_ = 0;
};
