#include "updater/infrastructure/HttpUserAgent.h"

#include "updater/infrastructure/SystemInformation.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

namespace {
QMutex instanceMutex;
HttpUserAgent* instance = nullptr;
} // namespace

HttpUserAgent* HttpUserAgent::getInstance(SystemInformation* systemInformation)
{
    QMutexLocker lock(&instanceMutex);
    if (instance && !systemInformation)
        return instance;
    delete instance;
    instance = new HttpUserAgent();
    instance->fillFrom(systemInformation ? systemInformation : SystemInformation::getInstance());
    return instance;
}

void HttpUserAgent::fillFrom(SystemInformation* systemInformation)
{
    if (!systemInformation)
        return;
    clientBits_ = systemInformation->getClientBits();
    osName_ = systemInformation->getOSName(true);
    osVersion_ = systemInformation->getOSVersion(true);
    osBits_ = systemInformation->getOSBits();
    const QStringList languages = systemInformation->getOSLanguage();
    osLanguage_ = languages.isEmpty() ? QString() : languages.first();
}

void HttpUserAgent::setProductName(const QString& productName)
{
    productName_ = productName;
}

void HttpUserAgent::setVersion(const QString& version)
{
    version_ = version;
}

void HttpUserAgent::setUrl(const QString& url)
{
    url_ = url;
}

void HttpUserAgent::systemInfoMap(QVariantMap& map) const
{
    const QPair<const char*, const QString*> fields[] = {{"ClientBits", &clientBits_},
                                                         {"OSName", &osName_},
                                                         {"OSVersion", &osVersion_},
                                                         {"OSBits", &osBits_},
                                                         {"OSLanguage", &osLanguage_}};
    for (const auto& field : fields) {
        if (!field.second->isEmpty())
            map.insert(QLatin1String(field.first), *field.second);
    }
}

QString HttpUserAgent::toString() const
{
    QVariantMap map;
    systemInfoMap(map);
    QByteArray json = QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact);
    const int nul = json.indexOf('\0');
    if (nul >= 0)
        json.truncate(nul);
    const QString suffix = url_.isEmpty() ? QString() : QStringLiteral("; +") + url_;
    // All four values in one substitution: a "%1" inside the product name or
    // the OS name must stay as it is, not be filled again by a later value.
    return QStringLiteral("%1/%2 (%3%4)").arg(productName_, version_, QString::fromUtf8(json), suffix);
}
