#pragma once

#include "updater/infrastructure/DownloadJob.h"
#include "updater/services/ArtifactDownloadReports.h"

#include <QDir>
#include <QList>
#include <QPointer>
#include <QString>

class DownloadChoiceArtifact;
class Logger;

// Downloads a list of artifacts one after another through one download
// manager into a target folder, optionally each into a fresh braced-UUID
// subfolder, and reports one byte-weighted percentage for the whole list. The
// list ends with downloadsFinished() or, at the first failed artifact, with
// downloadError(); nothing is retried.
//
// An artifact counts as finished only when the manager reported its file
// verified against the artifact's checksum.
//
// Ownership: the downloader owns its manager and releases it (deferred) when
// destroyed; the artifacts belong to their choice or the calling service.
// Threads: the thread that owns the manager (the GUI thread).
class ArtifactDownloader : public ArtifactDownloadReports {
    Q_OBJECT
public:
    // downloadManager is an AbstractDownloadManager with the signals
    // downloadComplete(), progress(int) and downloadError(DownloadManagerErrors).
    // Starts nothing.
    ArtifactDownloader(QObject* downloadManager, QList<DownloadChoiceArtifact*> artifacts, QDir targetFolder,
                       int newSubfolderPerArtifact, QObject* parent = nullptr);
    ~ArtifactDownloader() override;

    // After downloadError(): why the artifact failed, as its manager told.
    DownloadFailure lastFailure() const { return failure_; }

public slots:
    // Starts the artifact at the current position, or reports the end of the
    // list; either may be signalled before the call returns.
    virtual void downloadNextArtifact();
    // Replaces the list and its total; the position and the bytes done stay.
    virtual void setArtifacts(QList<DownloadChoiceArtifact*> artifacts);

public slots:
    void downloadProgressSlot(int percent);
    void currentArtifactDownloadFinishedSlot();
    void downloadErrorSlot(DownloadManagerErrors errorType);

private:
    // Null when setArtifacts shortened the list under the position.
    DownloadChoiceArtifact* currentArtifact() const;

    QDir targetFolder_;
    QList<DownloadChoiceArtifact*> artifacts_;
    quint64 bytesDone_ = 0;
    quint64 totalBytes_ = 0;
    // Guarded: a service that shares one manager between downloaders may
    // release it first.
    QPointer<QObject> downloadManager_;
    int position_ = 0;
    Logger* logger_;
    bool newSubfolderPerArtifact_;
    // An artifact of this downloader is with the manager. Reports of the
    // manager at any other time belong to someone else's job.
    bool running_ = false;
    DownloadFailure failure_;
};
