#pragma once

#include "updater/infrastructure/DownloadJob.h"

#include <QList>
#include <QObject>
#include <QString>

class DownloadChoice;

// Downloads the chosen download choices one after another. A run ends with
// downloadsFinished() or, at the first failed artifact, with one
// downloadError(name); each choice's downloadStarted(name) comes before
// anything else about that choice.
class AbstractDownloadChoicesService : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    // The choices whose downloads completed, in completion order, over every
    // run of this service.
    virtual QList<DownloadChoice*> finishedDownloadChoices() = 0;
    // The choices stay their caller's and must outlive the run.
    virtual void startDownloads(QList<DownloadChoice*> choices) = 0;

public:
    // After downloadError(name): why that choice failed; nothing known by
    // default.
    virtual DownloadFailure lastFailure() const { return {}; }

signals:
    void downloadStarted(QString name);
    void downloadError(QString name);
    void downloadsFinished();
    // Total bytes of the run, bytes done, the 1-based number of the choice
    // in progress and the number of choices. Not sent while the total is 0.
    void downloadProgress(quint64 total, quint64 done, int index, int count);
    // The run's total in bytes, its low 32 bits taken as an int.
    void downloadProgressSetup(int total);
};
