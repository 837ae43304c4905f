#include "updater/app/WebLinkOpener.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/DetachedProcess.h"
#include "updater/infrastructure/platform/ExternalPrograms.h"

#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

WebLinkOpener::WebLinkOpener(QObject* parent)
    : QObject(parent)
{
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
}

WebLinkOpener::~WebLinkOpener()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

bool WebLinkOpener::openUrl(const QUrl& url)
{
    const QString address = QString::fromLatin1(url.toEncoded());
    if (platform::startDetachedProcess(QString::fromLatin1(platform::kOpenCommand), {address}))
        return true;
    SimpleLogger::getLogger(this)->error(QStringLiteral("The web page could not be opened."), address);
    return false;
}
