#pragma once

#include <QFutureWatcher>
#include <QList>
#include <QWizardPage>

#include <atomic>

class AbstractComponentScanner;
class AbstractDownloadChoicesService;
class AbstractInstallerLauncher;
class ArtifactsFile;
class DownloadChoice;
class DownloadChoicesRemoteClient;
class Logger;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

// The wizard's last page. On entry it scans the installed components and asks
// the server which download choices apply, in the background; it lists them
// with a check box each. The wizard's one button downloads the checked
// choices (or, with none checked, goes straight on), then the
// installer-information file is written and the product installer started;
// the application ends on the launcher's signal. A download error ends the
// application with -1. With restricted access a code can unlock further
// choices, which join the list.
//
// Threads: one background task at a time (scan and query, or the restricted
// query) on the global pool, through the one watcher; while it runs the
// choice list belongs to it, and the GUI thread reads the list only from the
// watcher's finished() slot on, with the button disabled meanwhile. Download
// signals arrive on the GUI thread.
//
// Ownership: the page owns the choices; every other collaborator belongs to
// the composition root (the remote client to the wizard).
class DownloadChoiceSelectionPage : public QWizardPage {
    Q_OBJECT
public:
    DownloadChoiceSelectionPage(AbstractDownloadChoicesService* downloadChoicesService,
                                DownloadChoicesRemoteClient* remoteClient, int platform, ArtifactsFile* artifactsFile,
                                AbstractComponentScanner* componentScanner, AbstractInstallerLauncher* installerLauncher,
                                bool accessRestrictedUpdates, QWidget* parent);
    // Waits for a background task that still runs, then frees the choices.
    ~DownloadChoiceSelectionPage() override;

    void initializePage() override;

    // The user cancelled the run: ends a running component scan (its
    // processes are killed, so this does not wait for a long scan), waits
    // until the background task has finished, and from now on the page
    // writes nothing, starts nothing and shows nothing more.
    void cancelAndWait();

private slots:
    void downloadSelectedButtonSlot();
    void downloadFinishedSlot();
    void downloadErrorSlot(QString name);
    void downloadProgressSlot(quint64 total, quint64 done, int index, int count);
    void downloadStartedSlot(QString name);
    void downloadChoicesTableSelectionChanged(QTableWidgetItem* item);
    void initProgressBarBeforeMultiDownloadStarts(int total);
    void betaAuthButtonClickedSlot();

public slots:
    void componentScannerFinishedAndDownloadChoicesReceivedFromServerSlot();

private:
    void installSelectedDownloads();
    // The box that tells the user why the run stops, then the run's end (-1).
    void stopWithError(const QString& boxName, const QString& cause);
    // Fills the rows from "from" on, a part per turn of the event loop, and
    // then hands the list to the user; nothing once a later listing began.
    void fillRows(int listing, int from);
    bool scanAndReadDownloadChoices();
    bool readAndMergeRestrictedDownloadChoices(QString code);
    void updateButtonText();
    void showDownloadedBytes(quint64 total, quint64 done);
    QWidget* moreInfoCell(const DownloadChoice* choice);

    QFutureWatcher<bool> watcher_;
    QLabel* statusLabel_;
    QLabel* secondLabel_;
    QTableWidget* table_;
    QProgressBar* progressBar_;
    QPushButton* restrictedUpdatesButton_ = nullptr;
    AbstractDownloadChoicesService* downloadChoicesService_;
    AbstractInstallerLauncher* installerLauncher_;
    DownloadChoicesRemoteClient* remoteClient_;
    int platform_;
    ArtifactsFile* artifactsFile_;
    AbstractComponentScanner* componentScanner_;
    Logger* logger_;
    QList<DownloadChoice*> choices_;
    bool accessRestrictedUpdates_;

    // Bytes of the choices handed to the download service: the service's own
    // set-up signal carries them narrowed to an int.
    quint64 downloadTotal_ = 0;
    static constexpr int kRowsPerTurn = 50;
    // Counts the listings; a row fill of an earlier one stops.
    int listing_ = 0;
    // Every row of the list is in the table.
    bool listed_ = false;
    bool initialized_ = false;
    bool installing_ = false;
    // Set by cancelAndWait on the GUI thread, read by the background task.
    std::atomic<bool> cancelled_{false};
};
