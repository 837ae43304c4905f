#pragma once

#include <QCoreApplication>

#include <memory>

class ComponentScanner;
class DownloadChoicesRemoteClient;
class Logger;
class SslCertificates;

// The "component-scanner-run" profile: runs the real component scan once over
// the folder of the running executable, asks the update server of
// "RootRestUrl" (through the production REST client and link discovery) for
// the product line of the scan result, as for a 32-bit Windows target
// whatever the machine, writes both to the log and ends the event loop. No
// failure stops the run: a failed scan or server question shows as an empty
// result in the log, next to the services' own error lines.
//
// Ownership: the scanner and the download-choices client (with what they
// own) live as long as the profile and are released with it. Threads: the
// main thread; the scan and the server question block it.
class ComponentScannerRun : public QCoreApplication {
    Q_OBJECT
public:
    ComponentScannerRun(int& argc, char** argv);
    ~ComponentScannerRun() override;

public slots:
    // The whole run, started by the event loop; ends with quit().
    void appReadyToInit();

private:
    Logger* logger_;
    std::unique_ptr<ComponentScanner> scanner_;
    // Outlives the REST client that the download-choices client owns.
    std::unique_ptr<SslCertificates> certificates_;
    std::unique_ptr<DownloadChoicesRemoteClient> downloadChoicesClient_;
};
