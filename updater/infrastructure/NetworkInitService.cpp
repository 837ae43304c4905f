#include "updater/infrastructure/NetworkInitService.h"

#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/RemoteLogAppender.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SslCertServerChecker.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/VornSettings.h"

#include <QCoreApplication>

NetworkInitService::NetworkInitService(SslCertificates* sslCertificates, SslCertServerChecker* sslCertServerChecker,
                                       AbstractRESTClient* restClient, QObject* parent)
    : AbstractNetworkInitService(parent)
    , logger_(SimpleLogger::getLogger(this))
    , restClient_(restClient)
    , sslCertServerChecker_(sslCertServerChecker)
    , sslCertificates_(sslCertificates)
{
}

bool NetworkInitService::isSSLCertificateValid()
{
    logger_->debug(QStringLiteral("isSSLCertificateValid?"), QString());
    if (!sslCertificates_->loadCertificates()) {
        logger_->error(QStringLiteral("Initialization of sslCertificates was not possible!"), QString());
        return false;
    }
    if (sslCertServerChecker_->checkServerCertificate())
        return true;
    logger_->error(QStringLiteral("Certificate check failed"), QString());
    return false;
}

bool NetworkInitService::isOnline()
{
    logger_->debug(QStringLiteral("isOnline?"), QString());
    if (rootUrl_.isEmpty())
        rootUrl_ = VornSettings().getRootRestUrl();
    const RESTResponse response = restClient_->get(rootUrl_);
    if (response.networkError != 0) {
        logger_->debug(QStringLiteral("ERROR, Offline @ ") + rootUrl_, QString());
        return false;
    }
    logger_->debug(QStringLiteral("OK, Online @ ") + rootUrl_, QString());
    return true;
}

void NetworkInitService::registerRemoteAppender()
{
    VornSettings settings;
    logger_->debug(QStringLiteral("register remote appender"), QString());
    const QStringList excluded = {QStringLiteral("AbstractRESTClient"), QStringLiteral("RESTClient")};
    auto* serviceUrl = new ServiceUrl(QStringLiteral("downloadclient"), settings.getRootRestUrl(), restClient_, nullptr);
    auto* appender = new RemoteLogAppender(restClient_, serviceUrl, parseLogLevel(settings.getRemoteLogLevel()),
                                           excluded, nullptr);
    // Made on a pool thread; handed to the GUI thread so that their deferred
    // deletion can run there.
    if (QCoreApplication::instance()) {
        serviceUrl->moveToThread(QCoreApplication::instance()->thread());
        appender->moveToThread(QCoreApplication::instance()->thread());
    }
    SimpleLogger::getInstance()->addAppender(appender);
}
