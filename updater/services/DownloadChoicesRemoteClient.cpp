#include "updater/services/DownloadChoicesRemoteClient.h"

#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/JsonHelpers.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/services/PlatformIdentifier.h"
#include "updater/services/ServerValues.h"

#include <QThreadPool>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

#include <vector>


namespace {

struct PlatformKeys {
    QString artifactsRel;
    QString sizeKey;
};

PlatformKeys keysFor(int platform)
{
    switch (platform) {
    case WIN32: return {QStringLiteral("artifactsWin32"), QStringLiteral("totalFilesizeWin32")};
    case WIN64: return {QStringLiteral("artifactsWin64"), QStringLiteral("totalFilesizeWin64")};
    default: return {QStringLiteral("artifactsMac"), QStringLiteral("totalFilesizeMac")};
    }
}

QVariantMap field(const QVariant& object, const char* key)
{
    return object.toMap().value(QLatin1String(key)).toMap();
}

QString text(const QVariantMap& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

QVariantList list(const QVariantMap& object, const char* key)
{
    return object.value(QLatin1String(key)).toList();
}

bool present(const QVariantMap& object, const char* key)
{
    const QVariant value = object.value(QLatin1String(key));
    return value.isValid() && !value.isNull();
}

// The server's address for a query: "?" starts the query, "&" joins one that
// the address already carries.
QString withQuery(const QString& address, const QString& query)
{
    return address + (address.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + query;
}

} // namespace

DownloadChoicesRemoteClient::DownloadChoicesRemoteClient(AbstractRESTClient* restClient, int platform,
                                                         AbstractServiceUrl* productLineScan,
                                                         AbstractServiceUrl* prereleaseSearch, QObject* parent)
    : QObject(parent)
    , restClient_(restClient)
    , platform_(platform)
    , productLineScan_(productLineScan)
    , prereleaseSearch_(prereleaseSearch)
    , logger_(SimpleLogger::getLogger(this))
{
    logger_->info(QStringLiteral("Initializing 'DownloadChoicesRemoteClient'"),
                  QStringLiteral("Platform: ") + platformName(static_cast<PlatformIdentifier>(platform_)));
}

DownloadChoicesRemoteClient::~DownloadChoicesRemoteClient()
{
    for (QObject* owned : {static_cast<QObject*>(restClient_), static_cast<QObject*>(productLineScan_),
                           static_cast<QObject*>(prereleaseSearch_)}) {
        if (owned)
            owned->deleteLater();
    }
}

QString DownloadChoicesRemoteClient::getProductLineIdFromComponentScannerXML(const QString& scanResultXml)
{
    logger_->debug(QStringLiteral("getProductLineIdFromComponentScannerXML"), QString());
    const QString address = withQuery(productLineScan_->getUrl(),
                                      QStringLiteral("platform=")
                                          + platformName(static_cast<PlatformIdentifier>(platform_)));
    logger_->info(QStringLiteral("ProductlineIdFromComponentScan Request"), QStringLiteral("Url: ") + address);
    const RESTResponse response = restClient_->postXmlFile(address, scanResultXml);
    logger_->info(QStringLiteral("ProductlineIdFromComponentScan Response"),
                  QStringLiteral("JsonResponse: ") + response.body);

    bool ok = false;
    const QVariant document = jsonAnswer(response, QStringLiteral("getProductLineIdFromComponentScannerXML"), address,
                                         logger_, &ok);
    if (!ok)
        return QString();
    const QVariantList productLines = document.toList();
    if (productLines.isEmpty())
        return QString();
    const QVariantList links = list(productLines.first().toMap(), "links");
    if (links.isEmpty())
        return QString();
    for (const QVariant& link : links) {
        const QVariantMap entry = link.toMap();
        if (text(entry, "rel") == QLatin1String("productlinedownloadchoiceoptions")) {
            const QString href = text(entry, "href");
            logger_->debug(QStringLiteral("productLineIdLink from server: ") + href, QString());
            return href;
        }
    }
    logger_->error(QStringLiteral("ProductLine Url not found."), QStringLiteral("scanResultXML: ") + scanResultXml);
    return QString();
}

QList<DownloadChoice*> DownloadChoicesRemoteClient::getDownloadChoices(const QString& scanResultXml)
{
    return readDownloadChoicesFromServer(getProductLineIdFromComponentScannerXML(scanResultXml));
}

QList<DownloadChoice*> DownloadChoicesRemoteClient::readDownloadChoicesFromServer(const QString& url)
{
    QList<DownloadChoice*> result;
    logger_->info(QStringLiteral("ReadDownloadChoices Request"), QStringLiteral("Url: ") + url);
    const RESTResponse response = restClient_->get(url);
    logger_->info(QStringLiteral("ReadDownloadChoices Response"), QStringLiteral("JsonResponse: ") + response.body);

    bool ok = false;
    const QVariant document = jsonAnswer(response, QStringLiteral("readDownloadChoicesFromServer"), url, logger_, &ok);
    if (!ok)
        return result;
    struct Offer {
        QString name;
        QString moreInfoLink;
        quint64 size;
        QString artifactsLink;
        QList<DownloadChoiceArtifact*> artifacts;
    };
    std::vector<Offer> offers;
    const PlatformKeys keys = keysFor(platform_);
    const QVariantList entries = document.toList();
    for (const QVariant& entry : entries) {
        const QVariantMap choice = field(entry, "downloadChoice");
        const QVariantList links = list(choice, "links");
        for (const QVariant& link : links) {
            const QVariantMap linkEntry = link.toMap();
            if (text(linkEntry, "rel") == keys.artifactsRel)
                offers.push_back({text(choice, "name"), text(choice, "moreInfoLink"),
                                  sizeFromServer(choice.value(keys.sizeKey)), text(linkEntry, "href"), {}});
        }
    }
    // One request after another took minutes for thousands of choices; a
    // few at a time, so that no server is flooded by one client.
    {
        QThreadPool queries;
        queries.setMaxThreadCount(kParallelQueries);
        for (Offer& offer : offers)
            queries.start([this, &offer] { offer.artifacts = resolvePlatformArtifactLinks(offer.artifactsLink); });
        queries.waitForDone();
    }
    for (Offer& offer : offers) {
        if (offer.artifacts.isEmpty())
            continue;
        logger_->debug(QStringLiteral("add of download choice ") + offer.name, QString());
        result.append(new DownloadChoice(offer.name, offer.moreInfoLink, offer.artifacts, offer.size));
    }
    return result;
}

QList<DownloadChoice*> DownloadChoicesRemoteClient::readRestrictedDownloadChoices(const QString& accessCode)
{
    // The code is typed by the user: encoded, it stays one query value
    // whatever it holds ("&", "#", blanks ...).
    const QString code = QString::fromLatin1(QUrl::toPercentEncoding(accessCode.trimmed()));
    QString address = prereleaseSearch_->getUrl();
    address.replace(QStringLiteral("{?pra}"), QStringLiteral("?pra=%1").arg(code));
    return readDownloadChoicesFromServer(address);
}

QList<DownloadChoiceArtifact*> DownloadChoicesRemoteClient::resolvePlatformArtifactLinks(const QString& url)
{
    QList<DownloadChoiceArtifact*> result;
    logger_->info(QStringLiteral("ResolvePlatformArtifactLinks Request"), QStringLiteral("Url: ") + url);
    const RESTResponse response = restClient_->get(url);
    logger_->info(QStringLiteral("ResolvePlatformArtifactLinks Response"),
                  QStringLiteral("JsonResponse: ") + response.body);
    bool ok = false;
    const QVariant document = jsonAnswer(response, QStringLiteral("resolvePlatformArtifactLinks"), url, logger_, &ok);
    if (!ok)
        return result;
    const QVariantList elements = document.toList();
    for (const QVariant& element : elements) {
        const QVariantMap map = element.toMap();
        auto* artifact = new DownloadChoiceArtifact(
            QUrl(text(map, "href"), QUrl::TolerantMode), sizeFromServer(map.value(QStringLiteral("filesize"))),
            text(map, "checksum"), map.value(QStringLiteral("msiReplace")).toBool(),
            map.value(QStringLiteral("msiUpdate")).toBool(), map.value(QStringLiteral("msiUpgrade")).toBool(),
            map.value(QStringLiteral("msiFullUI")).toBool(), map.value(QStringLiteral("msiHidden")).toBool());
        const QVariantList links = list(map, "links");
        for (const QVariant& link : links) {
            const QVariantMap linkEntry = link.toMap();
            if (text(linkEntry, "rel") == QLatin1String("artifactinfos")) {
                artifact->distributions = resolveArtifactInfosLinks(text(linkEntry, "href"));
                break;
            }
        }
        result.append(artifact);
    }
    return result;
}

QList<MacDistribution> DownloadChoicesRemoteClient::resolveArtifactInfosLinks(const QString& url)
{
    QList<MacDistribution> result;
    logger_->info(QStringLiteral("ResolveArtifactInfosLinks Request"), QStringLiteral("Url: ") + url);
    const QString body = restClient_->get(url).body;
    logger_->info(QStringLiteral("ResolveArtifactInfosLinks Response"), QStringLiteral("JsonResponse: ") + body);
    const QVariantList elements = jsonToVariant(body.toUtf8()).toList();
    for (const QVariant& element : elements) {
        const QVariantMap map = element.toMap();
        if (!present(map, "artifactPackage") || !present(map, "bundleIds"))
            continue;
        const QVariantMap package = field(map, "artifactPackage");
        if (!present(package, "path"))
            continue;
        QList<QString> packageIds;
        const QVariantList bundleIds = list(map, "bundleIds");
        for (const QVariant& bundle : bundleIds) {
            const QVariantMap bundleEntry = bundle.toMap();
            if (present(bundleEntry, "bundleId"))
                packageIds.append(text(bundleEntry, "bundleId"));
        }
        result.append(MacDistribution(text(package, "path"), packageIds));
    }
    return result;
}
