#pragma once

#include "updater/services/AbstractDownloadChoicesService.h"

#include <QList>

class AbstractWorkingDirectoryProvider;
class ArtifactDownloader;
class Logger;

// Downloads each choice's artifacts with a new download manager and artifact
// downloader into fresh braced-UUID folders of the run's working folder,
// turns the per-choice percentage into bytes over the whole run and stops
// for good at the first error.
//
// Reports of a choice that ends (or fails) at once, inside its own start,
// are held back until its downloadStarted and the index step are out, so a
// choice never ends before it started.
//
// Ownership: neither the choices nor the provider (which must outlive the
// service); each choice's downloader until the next one starts, the last one
// until the service goes. Threads: GUI thread only.
class DownloadChoicesService : public AbstractDownloadChoicesService {
    Q_OBJECT
public:
    explicit DownloadChoicesService(AbstractWorkingDirectoryProvider* provider, QObject* parent = nullptr);
    ~DownloadChoicesService() override;

    QList<DownloadChoice*> finishedDownloadChoices() override;
    void startDownloads(QList<DownloadChoice*> choices) override;
    DownloadFailure lastFailure() const override;

public slots:
    void currentDownloadFinishedSlot();
    void downloadProgressSlot(int value);
    void downloadErrorSlot();

private:
    enum class HeldBack { Finished, Progress, Error };

    void downloadNextChoice();
    // True when the report was held back because a choice is being started.
    bool holdBack(HeldBack kind, int value = 0);

    bool aborted_ = false;
    ArtifactDownloader* currentDownloader_ = nullptr;
    AbstractWorkingDirectoryProvider* provider_;
    QList<DownloadChoice*> pending_;
    QList<DownloadChoice*> finished_;
    quint64 totalBytes_ = 0;
    quint64 finishedBytes_ = 0;
    int choiceCount_ = 0;
    DownloadChoice* currentChoice_ = nullptr;
    int index_ = 0;
    DownloadFailure failure_;
    Logger* logger_;

    bool starting_ = false;
    QList<QPair<HeldBack, int>> heldBack_;
};
