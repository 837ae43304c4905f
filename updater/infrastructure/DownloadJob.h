#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>

// How a download failed; carried by DownloadManager::downloadError.
enum DownloadManagerErrors {
    // The transfer failed, was refused before it began (bad address or file
    // name, a ".part" or target that is not a regular file), broke a limit
    // (stall, deadline, size) or the verified file could not be put in place.
    TransferError = 0,
    // The file's SHA-256 differs from the expected one, the expected hash is
    // not a SHA-256 at all, or the file could not be read for hashing.
    ChecksumError = 1
};

Q_DECLARE_METATYPE(DownloadManagerErrors)

// Why the last job of a download manager failed, as far as it can tell the
// user: a checksum that does not match, or the server's error status.
struct DownloadFailure {
    bool failed = false;
    DownloadManagerErrors error = TransferError;
    // The status of an answer that was an error (400 and above); else 0.
    int httpStatus = 0;
    QString httpReason;
};

// One file to download, as the artifact downloader hands it to the download
// manager. A plain value, copied freely.
struct DownloadJob {
    DownloadJob() = default;
    // filePath = folder + the platform separator + fileName, not cleaned: a
    // folder that ends in a separator gives two in a row.
    DownloadJob(const QUrl& url, const QString& folder, const QString& fileName, const QString& expectedHash);

    QUrl url;
    QString filePath;
    // Hexadecimal SHA-256 text in any letter case.
    QString expectedHash;
    // The QNetworkReply::NetworkError reported for this job; 0 when built.
    int networkError = 0;
    // Set once the job's file was verified and put in place.
    bool finished = false;
    // The file's size as the server's document gives it; 0 when unknown.
    // It caps the transfer and, without an announced length, sizes progress.
    qint64 expectedSize = 0;
};
