#include "updater/infrastructure/SslCertServerChecker.h"

#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/VornSettings.h"

SslCertServerChecker::SslCertServerChecker(RESTClient* restClient, QObject* parent)
    : AbstractSslCertServerChecker(parent)
    , restClient_(restClient)
    , rootUrl_(VornSettings().getRootRestUrl())
    , logger_(SimpleLogger::getLogger(this))
{
}

bool SslCertServerChecker::checkServerCertificate()
{
    const RESTResponse response = restClient_->get(rootUrl_);
    if (response.sslErrorFound) {
        logger_->error(QStringLiteral("SSL Error discoverd."), QStringLiteral("SSL Error: ") + response.errorString);
        return false;
    }
    return true;
}
