#include "updater/infrastructure/SecureAddress.h"

#include "updater/infrastructure/VornSettings.h"

#include <QUrl>

bool isHttpsAddress(const QString& url)
{
    const QUrl parsed(url, QUrl::TolerantMode);
    return parsed.isValid() && parsed.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
           && !parsed.host().isEmpty();
}

bool isHttpsRequired()
{
    return VornSettings().getCheckRootCA();
}
