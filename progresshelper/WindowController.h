#pragma once

// Skylarn's one controller: reads the command line, runs the chosen mode and
// answers the caller through the exit status. Question modes end the process
// themselves; the two progress modes run until the caller ends the process
// (or the user confirms cancelling a download).

#include "progresshelper/LaunchArguments.h"
#include "progresshelper/platform/PlatformServices.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace Skylarn {

class ProgressFileParser;

// Where a status window goes: 10 pixels in from the right and top edges of
// the screen's usable area. The area's own left edge is not added, as the
// caller's other windows expect.
QPoint statusWindowTopLeft(const QRect &visibleFrame, const QSize &windowSize);

// What the download bar shows for a reading of the progress file.
struct DownloadProgressView {
    bool determinate = false; // false: nothing known yet, the bar stays indeterminate
    double fraction = 0.0;    // 0 to 1
    double megabytesDone = 0.0;
    double megabytesTotal = 0.0;
};
// A total of 0 (or below) is not known yet; the bytes done are held to
// 0..total so that a stale or damaged reading cannot push the bar outside it.
// Sizes are 64-bit: downloads beyond 2 GiB are shown as they are.
DownloadProgressView downloadProgressView(qint64 currentSize, qint64 totalSize);

class WindowController : public IStatusWindowDelegate {
public:
    explicit WindowController(const PlatformServices &services);
    ~WindowController() override;

    // Parses the arguments (the program path included) and runs the mode.
    void awakeFromNib(const QStringList &processArguments);

    void setWebsitePath(const QString *path);
    QString websitePath() const { return m_websitePath; }
    bool hasWebsitePath() const;
    bool hasProgressFilePath() const;
    bool launchWebsite(const QString *path);
    void printUsageMessage();

    void startModeAskForInternetConnection();
    void startModeOpenWebsite();
    void startModeShowDownloadProgress(const QString &progressFilePath);
    void startModeShowInstallationProgress();
    void onProgressTimer();
    void actionButtonClickedCancelDownload();

    int operationMode() const { return m_operationMode; }
    QString progressFilePath() const { return m_progressFilePath; }
    bool shouldSuppressInformationalDialog() const { return m_shouldSuppressInformationalDialog; }
    IStatusWindow *window() const { return m_window; }

    // Status window delegate.
    bool windowShouldClose() override;
    void windowWillClose() override;
    void cancelButtonClicked() override { actionButtonClickedCancelDownload(); }

private:
    QString text(const char *key) const;
    void logMissingParameter(const QString &parameter);
    void showStatusWindow();

    PlatformServices m_services;
    IStatusWindow *m_window = nullptr;
    int m_operationMode = OperationModeNone;
    QString m_progressFilePath;
    QString m_websitePath;
    bool m_shouldSuppressInformationalDialog = false;
    std::unique_ptr<ProgressFileParser> m_xmlParser;
};

} // namespace Skylarn
