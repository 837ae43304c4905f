#include "updater/testprofiles/IntegrationTester.h"

#include "updater/infrastructure/DetachedQProcessStarter.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SystemInformation.h"
#include "updater/infrastructure/VornSettings.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/services/ArtifactsFile.h"
#include "updater/services/ComponentScanner.h"
#include "updater/services/ComponentScannerResultXMLReader.h"
#include "updater/services/ContextCollectStarter.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoicesRemoteClient.h"
#include "updater/services/DownloadChoicesService.h"
#include "updater/services/InstallerLauncher.h"
#include "updater/services/PlatformIdentifier.h"

#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>
#include <QtDebug>

namespace {

const QString kScanAddress = QStringLiteral("/productlines/search/scan");
const QString kOptionsAddress =
    QStringLiteral("/productlinedownloadchoiceoptions/search/productline?productlineid=Holmgrave%20Studio");
const QString kArtifactsAddress = QStringLiteral("/downloadchoices/3/artifacts/search/platform?platform=");
const QString kArtifactInfosAddress = QStringLiteral("/downloadchoices/3/artifacts/3/artifactinfos");

// The product line "Holmgrave Studio" (a name with a blank, %20 in
// addresses) with one download choice.
const char* const kProductLines = R"([{"productlineId":"Holmgrave Studio","name":"Holmgrave Studio","links":[)"
                                  R"({"rel":"self","href":"/productlines/Holmgrave%20Studio"},)"
                                  R"({"rel":"productlinedownloadchoiceoptions","href":)"
                                  R"("/productlinedownloadchoiceoptions/search/productline?productlineid=)"
                                  R"(Holmgrave%20Studio"}]}])";

const char* const kOptions =
    R"([{"productlineId":"default","downloadChoiceId":"5d1f3c7e-2b8a-4c61-9e0f-3a7b2d4c8e19",)"
    R"("downloadChoice":{"name":"Holmgrave Studio Sound Library","pra":null,)"
    R"("totalFilesizeWin32":1440090809,"totalFilesizeWin64":2440090809,"totalFilesizeMac":3440090809,"links":[)"
    R"({"rel":"self","href":"/downloadchoices/3"},)"
    R"({"rel":"artifacts","href":"/downloadchoices/3/artifacts"},)"
    R"({"rel":"artifactsWin32","href":"/downloadchoices/3/artifacts/search/platform?platform=win32"},)"
    R"({"rel":"artifactsWin64","href":"/downloadchoices/3/artifacts/search/platform?platform=win64"},)"
    R"({"rel":"artifactsMac","href":"/downloadchoices/3/artifacts/search/platform?platform=mac"}]},)"
    R"("links":[{"rel":"self","href":"/productlinedownloadchoiceoptions/5d1f3c7e-2b8a-4c61-9e0f-3a7b2d4c8e19"},)"
    R"({"rel":"productline","href":"/productlines/Holmgrave%20Studio"},)"
    R"({"rel":"downloadchoice","href":"/downloadchoices/3"}]}])";

// {platform}, {number} and the archive's {name}, {sha256}, {size} and
// {storage} base are filled in.
const char* const kWindowsArtifact =
    R"([{"platform":"{platform}","href":"{storage}{name}","checksum":"{sha256}","filesize":{size},)"
    R"("links":[{"rel":"self","href":"/downloadchoices/3/artifacts/{number}"}]}])";

const char* const kMacArtifact = R"([{"platform":"MAC","href":"{storage}{name}","checksum":"{sha256}",)"
                                 R"("filesize":{size},"links":[)"
                                 R"({"rel":"self","href":"/downloadchoices/3/artifacts/3"},)"
                                 R"({"rel":"artifactinfos","href":"/downloadchoices/3/artifacts/3/artifactinfos"}]}])";

const char* const kArtifactInfos =
    R"([{"links":[{"rel":"self","href":"/downloadchoices/3/artifacts/3/artifactinfos/1"},)"
    R"({"rel":"artifact","href":"/downloadchoices/3/artifacts/3"},)"
    R"({"rel":"bundleids","href":"/downloadchoices/3/artifacts/3/artifactinfos/1/bundleids"}],)"
    R"("artifactPackage":{"path":"/foo/bar"},"bundleIds":[)"
    R"({"bundleId":"com.holmgrave.pkg.StudioCore","links":[{"rel":"self","href":"/bundleids/1"}]},)"
    R"({"bundleId":"com.holmgrave.pkg.StudioSounds","links":[{"rel":"self","href":"/bundleids/2"}]}]}])";

// The test archives on the storage host: stored ZIP archives of these exact
// sizes and digests.
struct TestArchive {
    const char* name;
    const char* sha256;
    qint64 size;
};
const TestArchive kWin32Archive = {"artifact-for-win32.zip",
                                   "435325d04c1549c926ee7bc9c6b72fab94be784dec939023a3814729d6b44f08", 779115};
const TestArchive kWin64Archive = {"artifact-for-win64.zip",
                                   "1b71ed1050667842025230e86c1a3fdcc256d6e0b34a233df8d6be62aa9d8dc6", 779115};
const TestArchive kMacArchive = {"artifact-for-osx.zip",
                                 "74d52f4bd3e2572771befcfc6d2d9c624135c9aa23d34f406d5568c29434ee09", 359005416};

QString artifactDocument(const char* format, const QString& storageBaseUrl, const TestArchive& archive,
                         const QString& platform = QString(), int number = 0)
{
    // The storage base last: it comes from the settings and is not searched
    // for placeholders.
    return QString::fromLatin1(format)
        .replace(QStringLiteral("{platform}"), platform)
        .replace(QStringLiteral("{number}"), QString::number(number))
        .replace(QStringLiteral("{name}"), QString::fromLatin1(archive.name))
        .replace(QStringLiteral("{sha256}"), QString::fromLatin1(archive.sha256))
        .replace(QStringLiteral("{size}"), QString::number(archive.size))
        .replace(QStringLiteral("{storage}"), storageBaseUrl);
}

// A link document of the self-update double: {"links": [{rel, href}...]}.
QString linkDocument(const QList<QPair<QString, QString>>& links)
{
    QJsonArray array;
    for (const auto& link : links)
        array.append(QJsonObject{{QStringLiteral("rel"), link.first}, {QStringLiteral("href"), link.second}});
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("links"), array}}).toJson(QJsonDocument::Compact));
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

IntegrationTester::IntegrationTester(int& argc, char** argv)
    : QCoreApplication(argc, argv)
    , logger_(SimpleLogger::getLogger(this))
{
    QTimer::singleShot(0, this, SLOT(appReadyToInit()));
}

IntegrationTester::~IntegrationTester()
{
    installerLauncher_.reset();
    processStarter_.reset();
    scanner_.reset();
    artifactsFile_.reset();
    artifactsWorkingDirectoryProvider_.reset();
    downloadChoicesService_.reset();
    workingDirectoryProvider_.reset();
    remoteClient_.reset();
    // What the services handed to deferred deletion goes now: no event loop
    // runs any more.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qDeleteAll(choices_);
}

QString IntegrationTester::storageBaseUrl(const QString& rootRestUrl)
{
    const QUrl root(rootRestUrl);
    QUrl storage;
    storage.setScheme(root.scheme());
    storage.setHost(root.host());
    storage.setPort(root.port());
    storage.setPath(QStringLiteral("/storage/integration-test/"));
    return storage.toString(QUrl::FullyEncoded);
}

void IntegrationTester::appReadyToInit()
{
    logger_->debug(QStringLiteral("ready to start integration test"), QString());

    const VornSettings settings;
    auto* restClient = new MockedRESTForIntegrationTest(storageBaseUrl(settings.getRootRestUrl()));
    auto* scanAddress = new MockedServiceProductLineScanServiceUrl(nullptr);
    auto* restrictedSearchAddress = new MockedServicePraAuthSearchServiceUrl(nullptr);
    const int platform = SystemInformation::getInstance()->getPlatform();
    remoteClient_ = std::make_unique<DownloadChoicesRemoteClient>(restClient, platform, scanAddress,
                                                                  restrictedSearchAddress, nullptr);
    choices_ = remoteClient_->getDownloadChoices(QString());

    workingDirectoryProvider_ = std::make_unique<WorkingDirectoryProvider>(nullptr);
    downloadChoicesService_ = std::make_unique<DownloadChoicesService>(workingDirectoryProvider_.get(), nullptr);
    connect(downloadChoicesService_.get(), &DownloadChoicesService::downloadsFinished, this,
            &IntegrationTester::downloadsFinishedSlot);
    connect(downloadChoicesService_.get(), &DownloadChoicesService::downloadError, this,
            &IntegrationTester::downloadErrorSlot);
    // The 64-bit counts, not the set-up value: the canned total of
    // 3440090809 bytes does not fit an int.
    connect(downloadChoicesService_.get(), &DownloadChoicesService::downloadProgress, this,
            &IntegrationTester::downloadProgressSlot);
    downloadChoicesService_->startDownloads(choices_);
}

void IntegrationTester::downloadProgressSlot(quint64 totalBytes, quint64 doneBytes, int index, int count)
{
    if (totalBytes == 0)
        return;
    const int tenths = static_cast<int>(qMin<quint64>(doneBytes, totalBytes) * 10 / totalBytes);
    if (tenths <= loggedTenths_)
        return;
    loggedTenths_ = tenths;
    logger_->debug(QStringLiteral("Download progress"),
                   QStringLiteral("%1 of %2 bytes, download choice %3 of %4")
                       .arg(doneBytes)
                       .arg(totalBytes)
                       .arg(index)
                       .arg(count));
}

void IntegrationTester::downloadErrorSlot(const QString& choiceName)
{
    logger_->error(QStringLiteral("Integration test failed: a download failed."),
                   QStringLiteral("Download choice: ") + choiceName);
    QCoreApplication::exit(-1);
}

void IntegrationTester::downloadsFinishedSlot()
{
    artifactsWorkingDirectoryProvider_ = std::make_unique<WorkingDirectoryProvider>(nullptr);
    artifactsFile_ = std::make_unique<ArtifactsFile>(artifactsWorkingDirectoryProvider_.get(), nullptr);
    for (DownloadChoice* choice : downloadChoicesService_->finishedDownloadChoices())
        artifactsFile_->addDownloadChoice(choice);
    artifactsFile_->setSelectedPlatform(WIN32);

    const QString workingDirectory = artifactsWorkingDirectoryProvider_->getWorkingDirectory();
    scanner_ = std::make_unique<ComponentScanner>(workingDirectory, new ComponentScannerResultXMLReader(nullptr),
                                                  new ContextCollectStarter(workingDirectory, nullptr),
                                                  QCoreApplication::applicationDirPath(), nullptr);
    scanner_->scan();
    artifactsFile_->setOriginalInstallerPath(scanner_->installerDirPath());
    artifactsFile_->setArtifactsFilePath(scanner_->artifactsFilePath());

    processStarter_ = std::make_unique<DetachedQProcessStarter>(nullptr);
    // No command format: nothing can be started, so the launch reports
    // failure, which ends the run.
    installerLauncher_ = std::make_unique<InstallerLauncher>(QString(), QCoreApplication::applicationDirPath(),
                                                             QStringLiteral("."), processStarter_.get(), nullptr);
    connect(installerLauncher_.get(), &InstallerLauncher::installerStartedState, this, &QCoreApplication::quit);

    artifactsFile_->write();
    installerLauncher_->launchInstaller(artifactsFile_->artifactsFilePath());
}

MockedRESTForIntegrationTest::MockedRESTForIntegrationTest(const QString& storageBaseUrl)
    : AbstractRESTClient(nullptr)
    , productLines_(QString::fromLatin1(kProductLines))
{
    documents_ = {
        {kOptionsAddress, QString::fromLatin1(kOptions)},
        {kArtifactsAddress + QStringLiteral("win32"),
         artifactDocument(kWindowsArtifact, storageBaseUrl, kWin32Archive, QStringLiteral("WIN32"), 1)},
        {kArtifactsAddress + QStringLiteral("win64"),
         artifactDocument(kWindowsArtifact, storageBaseUrl, kWin64Archive, QStringLiteral("WIN64"), 2)},
        {kArtifactsAddress + QStringLiteral("mac"), artifactDocument(kMacArtifact, storageBaseUrl, kMacArchive)},
        {kArtifactInfosAddress, QString::fromLatin1(kArtifactInfos)},
    };
}

RESTResponse MockedRESTForIntegrationTest::get(const QString& url)
{
    RESTResponse response;
    for (const auto& document : qAsConst(documents_)) {
        if (url == document.first) {
            response.body = document.second;
            return response;
        }
    }
    qDebug().noquote() << QStringLiteral("Unmapped url cannot be mocked: \"%1\"").arg(url);
    return response;
}

RESTResponse MockedRESTForIntegrationTest::postXmlFile(const QString& url, const QString& xml)
{
    Q_UNUSED(xml)
    RESTResponse response;
    if (url.section(QLatin1Char('?'), 0, 0) == kScanAddress)
        response.body = productLines_;
    return response;
}

RESTResponse MockedRESTForIntegrationTest::post(const QString& url, const QString& json)
{
    Q_UNUSED(url)
    Q_UNUSED(json)
    return RESTResponse();
}

RESTResponse MockedRESTForIntegrationTest::put(const QString& url, const QString& json)
{
    Q_UNUSED(url)
    Q_UNUSED(json)
    return RESTResponse();
}

RESTResponse MockedRESTForIntegrationTest::del(const QString& url)
{
    Q_UNUSED(url)
    return RESTResponse();
}

QString MockedServiceProductLineScanServiceUrl::getLinkUrl(const QString& rel)
{
    Q_UNUSED(rel)
    return QString();
}

QString MockedServiceProductLineScanServiceUrl::getUrl()
{
    return kScanAddress;
}

QString MockedServicePraAuthSearchServiceUrl::getLinkUrl(const QString& rel)
{
    Q_UNUSED(rel)
    return QString();
}

QString MockedServicePraAuthSearchServiceUrl::getUrl()
{
    return QStringLiteral("/productlinedownloadchoiceoptions/search/pra{?pra}");
}

MockedLocalStorageForSelfUpdateRun::MockedLocalStorageForSelfUpdateRun(
    WorkingDirectoryProvider* workingDirectoryProvider, SelfUpdateExtractor_OSX* extractor,
    const QString& localStorageVersion, QObject* parent)
    : LocalStorage(workingDirectoryProvider, extractor, parent)
    , localStorageVersion(localStorageVersion)
{
}

QString MockedLocalStorageForSelfUpdateRun::latestVersionInLocalStore()
{
    return localStorageVersion;
}

QString MockedLocalStorageForSelfUpdateRun::pathToLatestVersionInLocalStore()
{
    return QStringLiteral("path/to/LocalStorage/") + localStorageVersion + QStringLiteral("/path/to/executable");
}

MockedUpdateLauncherForSelfUpdateRun::MockedUpdateLauncherForSelfUpdateRun(LocalStorage* localStorage,
                                                                           QObject* parent)
    : SelfUpdateLauncher(new DetachedQProcessStarter(localStorage), localStorage, QString(), parent)
{
}

bool MockedUpdateLauncherForSelfUpdateRun::launchWithArguments(QString executablePath, bool onlineMode)
{
    Q_UNUSED(executablePath)
    Q_UNUSED(onlineMode)
    qDebug("MockedUpdateLauncherForSelfUpdateRun::launchWithArguments()");
    return true;
}

MockedRESTClientForSelfUpdateRun::MockedRESTClientForSelfUpdateRun(const QString& rootRestUrl)
    : AbstractRESTClient(nullptr)
    , rootRestUrl_(rootRestUrl)
{
}

RESTResponse MockedRESTClientForSelfUpdateRun::get(const QString& url)
{
    RESTResponse response;
    const QString clients = rootRestUrl_ + QStringLiteral("/downloadclients");
    if (url.contains(QStringLiteral("/downloadclients/update?version="))
        || url.contains(QStringLiteral("/downloadclients/discontinued?version="))) {
        const QString version =
            QString::fromUtf8(QJsonDocument(QJsonArray{serverVersion}).toJson(QJsonDocument::Compact));
        // The version as a JSON string: the array's text without its brackets.
        response.body = QStringLiteral("{\"version\":%1,\"updateRequired\":%2,\"discontinued\":%3}")
                            .arg(version.mid(1, version.size() - 2), boolText(updateRequired), boolText(discontinued));
    } else if (url == rootRestUrl_) {
        response.body = linkDocument({{QStringLiteral("downloadclient"), clients}});
    } else if (url == clients) {
        response.body =
            linkDocument({{QStringLiteral("discontinued"), clients + QStringLiteral("/discontinued{?version}")},
                          {QStringLiteral("update"), clients + QStringLiteral("/update{?version}")}});
    } else {
        const QString rejection = QStringLiteral("ERROR: Unknown test case for url: '") + url
                                  + QStringLiteral("'; mockedServerClientVersion: ") + serverVersion
                                  + QStringLiteral(";") + QStringLiteral(" mockedIsClientVersionTooOld: ")
                                  + boolText(discontinued);
        throw rejection;
    }
    return response;
}

RESTResponse MockedRESTClientForSelfUpdateRun::postXmlFile(const QString& url, const QString& xml)
{
    Q_UNUSED(url)
    Q_UNUSED(xml)
    return RESTResponse();
}

RESTResponse MockedRESTClientForSelfUpdateRun::post(const QString& url, const QString& json)
{
    Q_UNUSED(url)
    Q_UNUSED(json)
    return RESTResponse();
}

RESTResponse MockedRESTClientForSelfUpdateRun::put(const QString& url, const QString& json)
{
    Q_UNUSED(url)
    Q_UNUSED(json)
    return RESTResponse();
}

RESTResponse MockedRESTClientForSelfUpdateRun::del(const QString& url)
{
    Q_UNUSED(url)
    return RESTResponse();
}
