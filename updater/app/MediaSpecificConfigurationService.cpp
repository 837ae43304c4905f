#include "updater/app/MediaSpecificConfigurationService.h"

#include <QVariant>

MediaSpecificConfigurationService::MediaSpecificConfigurationService(const QString& filePath)
    : QSettings(filePath, QSettings::IniFormat)
{
}

QString MediaSpecificConfigurationService::defaultMandatoryUpdateProductLink()
{
    return QStringLiteral("https://www.holmgrave.com/downloads");
}

QString MediaSpecificConfigurationService::mandatoryUpdateProductLink()
{
    sync();
    return value(QStringLiteral("MandatoryUpdateProductLink"), defaultMandatoryUpdateProductLink()).toString();
}

bool MediaSpecificConfigurationService::isMandatoryUpdate()
{
    sync();
    return value(QStringLiteral("MandatoryUpdate_Mac"), QStringLiteral("false")).toBool();
}

bool MediaSpecificConfigurationService::is32BitAvailable()
{
    sync();
    return value(QStringLiteral("32BitAvailable_Mac"), QStringLiteral("true")).toBool();
}
