#include "updater/testprofiles/ComponentScannerRun.h"

#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/VornSettings.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/services/ComponentScanner.h"
#include "updater/services/ComponentScannerResultXMLReader.h"
#include "updater/services/ContextCollectStarter.h"
#include "updater/services/DownloadChoicesRemoteClient.h"
#include "updater/services/PlatformIdentifier.h"

#include <QEvent>
#include <QTimer>

ComponentScannerRun::ComponentScannerRun(int& argc, char** argv)
    : QCoreApplication(argc, argv)
    , logger_(SimpleLogger::getLogger(this))
{
    QTimer::singleShot(0, this, SLOT(appReadyToInit()));
}

ComponentScannerRun::~ComponentScannerRun()
{
    // The client and the scanner hand what they own to deferred deletion,
    // which no event loop runs any more at this point.
    downloadChoicesClient_.reset();
    scanner_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    certificates_.reset();
}

void ComponentScannerRun::appReadyToInit()
{
    WorkingDirectoryProvider workingDirectoryProvider;
    const QString workingDirectory = workingDirectoryProvider.getWorkingDirectory();
    scanner_ = std::make_unique<ComponentScanner>(workingDirectory, new ComponentScannerResultXMLReader(nullptr),
                                                  new ContextCollectStarter(workingDirectory, nullptr),
                                                  QCoreApplication::applicationDirPath(), nullptr);
    scanner_->scan();
    const QString resultXml = scanner_->resultXml();
    logger_->debug(QStringLiteral("Result XML:"), QString());
    logger_->debug(resultXml, QString());

    certificates_ = std::make_unique<SslCertificates>(nullptr);
    certificates_->loadCertificates();
    auto* restClient = new RESTClient(certificates_.get());
    const VornSettings settings;
    const QString rootUrl = settings.getRootRestUrl();
    downloadChoicesClient_ = std::make_unique<DownloadChoicesRemoteClient>(
        restClient, WIN32, new ServiceUrl(QStringLiteral("productlinescan"), rootUrl, restClient, nullptr),
        new ServiceUrl(QStringLiteral("downloadchoiceprereleaseauthorizationsearch"), rootUrl, restClient, nullptr),
        nullptr);

    const QString hyphens(44, QLatin1Char('-'));
    logger_->debug(QStringLiteral("ProductLine Id from Server: "), QString());
    logger_->debug(hyphens, QString());
    logger_->debug(downloadChoicesClient_->getProductLineIdFromComponentScannerXML(resultXml), QString());
    logger_->debug(hyphens, QString());

    QCoreApplication::quit();
}
