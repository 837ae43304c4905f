#pragma once

#include "updater/infrastructure/DownloadJob.h"

#include <QObject>

// What the artifact downloader needs of a download manager. A manager runs
// one job at a time; the next job starts only after the previous one ended.
class AbstractDownloadManager : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    // Starts the job. The job ends with exactly one downloadComplete() or
    // downloadError(DownloadManagerErrors) of the concrete manager, possibly
    // before this call returns. True when a transfer was started or resumed.
    virtual bool download(DownloadJob job) = 0;

public:
    // After a downloadError: why the job failed. Nothing known by default.
    virtual DownloadFailure lastFailure() const { return {}; }
};
