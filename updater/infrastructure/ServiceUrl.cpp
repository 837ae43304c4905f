#include "updater/infrastructure/ServiceUrl.h"

#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/JsonHelpers.h"
#include "updater/infrastructure/SecureAddress.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QMutexLocker>
#include <QVariantList>
#include <QVariantMap>

Link LinkDiscoverer::findLink(const QString& rel, const QString& json) const
{
    bool ok = false;
    const QVariant document = jsonToVariant(json.toUtf8(), &ok);
    if (!ok)
        return Link();
    const QVariantList links = document.toMap().value(QStringLiteral("links")).toList();
    for (const QVariant& entry : links) {
        const QVariantMap map = entry.toMap();
        const QString entryRel = map.value(QStringLiteral("rel")).toString();
        const QString href = map.value(QStringLiteral("href")).toString();
        if (entryRel == rel && !href.isEmpty())
            return Link{rel, href};
    }
    return Link();
}

ServiceUrl::ServiceUrl(const QString& rel, const QString& rootUrl, AbstractRESTClient* restClient, QObject* parent)
    : AbstractServiceUrl(parent)
    , rel_(rel)
    , rootUrl_(rootUrl)
    , isRoot_(true)
    , restClient_(restClient)
    , logger_(SimpleLogger::getLogger(this))
{
}

ServiceUrl::ServiceUrl(const QString& rel, ServiceUrl* parentServiceUrl, AbstractRESTClient* restClient,
                       QObject* parent)
    : AbstractServiceUrl(parent)
    , rel_(rel)
    , parentServiceUrl_(parentServiceUrl)
    , isRoot_(false)
    , restClient_(restClient)
    , logger_(SimpleLogger::getLogger(this))
{
}

QString ServiceUrl::getUrl()
{
    QMutexLocker lock(&mutex_);
    if (!cachedUrl_.isEmpty())
        return cachedUrl_;
    QString base;
    if (isRoot_)
        base = rootUrl_;
    else if (parentServiceUrl_)
        base = parentServiceUrl_->getUrl();
    cachedUrl_ = getLink(base, rel_);
    return cachedUrl_;
}

QString ServiceUrl::getLinkUrl(const QString& rel)
{
    return getLink(getUrl(), rel);
}

QString ServiceUrl::getLink(const QString& url, const QString& rel)
{
    logger_->debug(QStringLiteral("getLink() url: ") + url + QStringLiteral(", rel: ") + rel, QString());
    if (!restClient_)
        return QString();
    const RESTResponse response = restClient_->get(url);
    if (response.networkError != 0)
        return QString();
    const Link link = LinkDiscoverer().findLink(rel, response.body);
    logger_->debug(QStringLiteral("found link: ") + link.href, QString());
    if (link.rel.isEmpty() || link.href.isEmpty())
        return QString();
    // A pinned HTTPS document must not lead the updater to clear text.
    if (isHttpsRequired() && !isHttpsAddress(link.href)) {
        logger_->error(QStringLiteral("Refused a link that is not HTTPS: only HTTPS is allowed while \"CheckRootCA\" "
                                      "is on."),
                       rel + QStringLiteral(": ") + link.href);
        return QString();
    }
    return link.href;
}
