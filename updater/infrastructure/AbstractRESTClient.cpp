#include "updater/infrastructure/AbstractRESTClient.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkReply>
#include <QUrl>

AbstractRESTClient::AbstractRESTClient(SslCertificates* certificates)
    : QObject(nullptr)
    , sslCertificates_(certificates)
{
    qRegisterMetaType<RESTClientErrors>("RESTClientErrors");
}

void AbstractRESTClient::sslErrorsSlot(QNetworkReply* reply, const QList<QSslError>& errors)
{
    reportSslErrors(reply ? reply->url().host() : QString(), errors);
}

void AbstractRESTClient::reportSslErrors(const QString& host, const QList<QSslError>& errors)
{
    // The host alone is looked up: the whole address ("host:port/path")
    // never resolves and could stall on the resolver.
    QHostInfo hostInfo;
    if (!host.isEmpty()) {
        hostInfo = QHostInfo::fromName(host);
        if (hostInfo.hostName().isEmpty())
            hostInfo.setHostName(host);
    }
    for (const QSslError& error : errors) {
        QString text = error.errorString() + QStringLiteral(" - Host: '") + hostInfo.hostName();
        if (hostInfo.addresses().isEmpty())
            text += QLatin1Char('\'');
        else
            text += QStringLiteral("' (") + hostInfo.addresses().first().toString() + QLatin1Char(')');
        if (logger_)
            logger_->error(QStringLiteral("SSL Error found."), text);
    }
    emit restClientError(SslError);
}
