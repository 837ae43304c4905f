#pragma once

// The console test profiles' runner of the download road and the test
// doubles of the "integration-test" and "self-update-run" profiles.

#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/services/LocalStorage.h"
#include "updater/services/SelfUpdateLauncher.h"

#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

class ArtifactsFile;
class ComponentScanner;
class DetachedQProcessStarter;
class DownloadChoice;
class DownloadChoicesRemoteClient;
class DownloadChoicesService;
class InstallerLauncher;
class Logger;
class SelfUpdateExtractor_OSX;
class WorkingDirectoryProvider;

// The "integration-test" profile: the updater's main road without a window
// and without the update server. A test REST client answers the catalogue
// requests from canned documents; the real download-choices client and
// service download the archives they name from the storage host (the host of
// "RootRestUrl"), then the real component scanner, installer-information
// file and installer launcher finish the road. The launch cannot succeed (it
// has no command to start), and that ends the run with 0; a failed download
// ends it with -1 before any installer-information file is written. Results
// show only in the log, progress among them in 64-bit byte counts.
//
// Ownership: everything the run makes lives as long as the profile and is
// released with it. Threads: the main thread; downloads run on its signals.
class IntegrationTester : public QCoreApplication {
    Q_OBJECT
public:
    IntegrationTester(int& argc, char** argv);
    ~IntegrationTester() override;

    // Where the canned documents put the test archives: "/storage/
    // integration-test/" on the scheme, host and port of rootRestUrl.
    static QString storageBaseUrl(const QString& rootRestUrl);

public slots:
    // Reads the canned choices and starts their downloads.
    void appReadyToInit();
    // Writes the installer-information file and tries the launch.
    void downloadsFinishedSlot();

private slots:
    void downloadErrorSlot(const QString& choiceName);
    void downloadProgressSlot(quint64 totalBytes, quint64 doneBytes, int index, int count);

private:
    Logger* logger_;
    std::unique_ptr<DownloadChoicesRemoteClient> remoteClient_;
    QList<DownloadChoice*> choices_;
    std::unique_ptr<WorkingDirectoryProvider> workingDirectoryProvider_;
    std::unique_ptr<DownloadChoicesService> downloadChoicesService_;
    std::unique_ptr<WorkingDirectoryProvider> artifactsWorkingDirectoryProvider_;
    std::unique_ptr<ArtifactsFile> artifactsFile_;
    std::unique_ptr<ComponentScanner> scanner_;
    std::unique_ptr<DetachedQProcessStarter> processStarter_;
    std::unique_ptr<InstallerLauncher> installerLauncher_;
    // Progress is logged in steps of a tenth of the run's total.
    int loggedTenths_ = -1;
};

// The integration test's REST client: the catalogue of one product line as
// canned documents (site-relative links, archives on the storage host). GET
// answers the five mapped addresses, compared exactly; the scan upload is
// answered with the product line; everything else gets the empty default
// answer. Every answer returns at once with status 0.
class MockedRESTForIntegrationTest : public AbstractRESTClient {
    Q_OBJECT
public:
    // storageBaseUrl ends with "/"; the archives' names follow it.
    explicit MockedRESTForIntegrationTest(const QString& storageBaseUrl);

    RESTResponse get(const QString& url) override;
    RESTResponse postXmlFile(const QString& url, const QString& xml) override;
    RESTResponse post(const QString& url, const QString& json) override;
    RESTResponse put(const QString& url, const QString& json) override;
    RESTResponse del(const QString& url) override;

private:
    // Address and body, in the order the addresses are compared.
    QList<QPair<QString, QString>> documents_;
    QString productLines_;
};

// The product-line scan address of the integration test, without link
// discovery.
class MockedServiceProductLineScanServiceUrl : public AbstractServiceUrl {
    Q_OBJECT
public:
    using AbstractServiceUrl::AbstractServiceUrl;

    QString getLinkUrl(const QString& rel) override;
    QString getUrl() override;
};

// The restricted-choices search address of the integration test, without
// link discovery.
class MockedServicePraAuthSearchServiceUrl : public AbstractServiceUrl {
    Q_OBJECT
public:
    using AbstractServiceUrl::AbstractServiceUrl;

    QString getLinkUrl(const QString& rel) override;
    QString getUrl() override;
};

// The local store of a self-update case: remembers the case's version (empty:
// nothing stored) at a made-up executable path. Storing stays the real
// operation, which the profile never calls; the store's INI file is opened
// but neither read nor written.
class MockedLocalStorageForSelfUpdateRun : public LocalStorage {
    Q_OBJECT
public:
    MockedLocalStorageForSelfUpdateRun(WorkingDirectoryProvider* workingDirectoryProvider,
                                       SelfUpdateExtractor_OSX* extractor, const QString& localStorageVersion,
                                       QObject* parent = nullptr);

    QString latestVersionInLocalStore() override;
    // "path/to/LocalStorage/<version>/path/to/executable".
    QString pathToLatestVersionInLocalStore() override;

    QString localStorageVersion;
};

// The self-update launcher of a self-update case: the real decisions, but a
// launch only reports success (on Qt's message log) and starts nothing.
class MockedUpdateLauncherForSelfUpdateRun : public SelfUpdateLauncher {
    Q_OBJECT
public:
    // The process starter the base requires becomes a child of the store,
    // which outlives the launcher; it is never used.
    explicit MockedUpdateLauncherForSelfUpdateRun(LocalStorage* localStorage, QObject* parent = nullptr);

    bool launchWithArguments(QString executablePath, bool onlineMode) override;
};

// The REST client of a self-update case. Answers the "update" and
// "discontinued" resources (any address holding "/downloadclients/update?
// version=" or "/downloadclients/discontinued?version=", whatever version
// follows) with the case's three values, and the two link documents that
// lead there from the REST root given at construction. Any other request is
// rejected by throwing its description as a QString; the runner catches it
// per case. Returns at once; nothing goes over the network.
class MockedRESTClientForSelfUpdateRun : public AbstractRESTClient {
public:
    explicit MockedRESTClientForSelfUpdateRun(const QString& rootRestUrl);

    RESTResponse get(const QString& url) override;
    RESTResponse postXmlFile(const QString& url, const QString& xml) override;
    RESTResponse post(const QString& url, const QString& json) override;
    RESTResponse put(const QString& url, const QString& json) override;
    RESTResponse del(const QString& url) override;

    QString serverVersion;
    bool updateRequired = false;
    bool discontinued = false;

private:
    QString rootRestUrl_;
};
