#include "updater/infrastructure/RESTClient.h"

#include "updater/infrastructure/HttpUserAgent.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/VornSettings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHttpMultiPart>
#include <QHttpPart>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QUrl>

#include <memory>
#include <mutex>

namespace {

QString utf8UpToNul(const QByteArray& bytes)
{
    const int nul = bytes.indexOf('\0');
    return QString::fromUtf8(nul >= 0 ? bytes.left(nul) : bytes);
}

void logRequestError(Logger* logger, const QString& url, const RESTResponse& response)
{
    logger->error(QStringLiteral("Network Request error."),
                  QStringLiteral("URL         : ") + url + QStringLiteral("\nHTTP Status : ")
                      + QString::number(response.statusCode) + QStringLiteral("\nErrorCode   : ")
                      + QString::number(response.networkError, 16) + QStringLiteral("\nErrorString : ")
                      + response.errorString + QStringLiteral("\n"));
}

} // namespace

void SSLErrorCollector::sslErrorsSlot(QNetworkReply*, const QList<QSslError>& sslErrors)
{
    errors = sslErrors;
    sslErrorFound = true;
}

RESTClient::RESTClient(SslCertificates* certificates)
    : AbstractRESTClient(certificates)
{
    logger_ = SimpleLogger::getLogger(this);
}

QString RESTClient::makerUrl()
{
    return QStringLiteral("https://www.example.com/holmgrave");
}

void RESTClient::setTransferTimeout(int milliseconds)
{
    transferTimeoutMs_ = milliseconds;
}

QString RESTClient::userAgent()
{
    static std::once_flag once;
    static QString text;
    std::call_once(once, [this] {
        HttpUserAgent* agent = HttpUserAgent::getInstance();
        agent->setProductName(QStringLiteral("Pathwarden"));
        agent->setVersion(QCoreApplication::applicationVersion());
        agent->setUrl(makerUrl());
        text = agent->toString();
        logger_->info(QStringLiteral(" ===== HttpUserAgent ====="), QString());
        logger_->info(QStringLiteral("User agent used for client-server HTTP communication:"), QString());
        logger_->info(text, QString());
        logger_->info(QString(), QString());
    });
    return text;
}

bool RESTClient::createRequest(const QString& url, QNetworkRequest& request)
{
    request.setUrl(QUrl(url, QUrl::TolerantMode));
    request.setRawHeader("User-Agent", userAgent().toUtf8());
    request.setTransferTimeout(transferTimeoutMs_);

    QSslConfiguration ssl = request.sslConfiguration();
    const QList<QSslCertificate> trusted = sslCertificates_ ? sslCertificates_->certificates()
                                                            : QList<QSslCertificate>();
    ssl.setCaCertificates(trusted);

    const bool verify = VornSettings().getCheckRootCA();
    if (verify) {
        ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
    } else {
        ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
        logger_->info(QStringLiteral("SSL certificate verification is DISABLED - certificate validity can NOT be "
                                     "guaranteed!"),
                      QString());
    }
    logger_->debug(QStringLiteral("peerVerifyMode = ") + QString::number(static_cast<int>(ssl.peerVerifyMode())),
                   QString());
    request.setSslConfiguration(ssl);
    // An empty CA list lets the network layer trust the system's
    // authorities again; the pinned trust must fail closed instead.
    return !(verify && trusted.isEmpty());
}

RESTResponse RESTClient::execute(const char* verbLabel, const QString& url, const Sender& send)
{
    logger_->debug(QLatin1String(verbLabel) + url, QString());

    QNetworkRequest request;
    if (!createRequest(url, request)) {
        RESTResponse refused;
        refused.networkError = QNetworkReply::SslHandshakeFailedError;
        refused.sslErrorFound = true;
        refused.errorString = QStringLiteral("No trusted CA certificate is loaded; the request was not sent.");
        logRequestError(logger_, url, refused);
        emit restClientError(SslError);
        return refused;
    }
    request.setRawHeader("Accept", "application/json");

    QNetworkAccessManager manager;
    QEventLoop loop;
    SSLErrorCollector collector;
    // The client's slot and the collector run on this thread, while the
    // reply still exists; a queued hand-over would see a deleted reply.
    connect(&manager, &QNetworkAccessManager::sslErrors, &loop, &QEventLoop::quit);
    connect(&manager, &QNetworkAccessManager::sslErrors, this, &AbstractRESTClient::sslErrorsSlot,
            Qt::DirectConnection);
    connect(&manager, &QNetworkAccessManager::sslErrors, &collector, &SSLErrorCollector::sslErrorsSlot,
            Qt::DirectConnection);

    QNetworkReply* reply = send(manager, request);
    bool tooLarge = false;
    auto checkSize = [&](qint64 size) {
        if (size > kMaxBodyBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid())
            checkSize(length.toLongLong());
    });
    connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) { checkSize(received); });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    RESTResponse response;
    response.statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.location = QString::fromUtf8(reply->rawHeader("Location"));
    response.networkError = reply->error();
    response.errorString = reply->errorString();
    response.sslErrorFound = collector.sslErrorFound;
    if (tooLarge) {
        response.networkError = QNetworkReply::UnknownContentError;
        response.errorString = QStringLiteral("The answer is larger than %1 bytes and was discarded.")
                                   .arg(kMaxBodyBytes);
    } else {
        if (reply->isOpen())
            response.body = utf8UpToNul(reply->readAll());
    }
    if (response.sslErrorFound && response.networkError == QNetworkReply::NoError) {
        // The call ended at the certificate report, before the network layer
        // gave up on the handshake: still a failed call, never a success.
        response.networkError = QNetworkReply::SslHandshakeFailedError;
        QStringList texts;
        for (const QSslError& error : collector.errors)
            texts << error.errorString();
        response.errorString = texts.join(QStringLiteral("; "));
    }
    reply->disconnect(&loop);
    reply->deleteLater();

    if (response.networkError != 0)
        logRequestError(logger_, url, response);
    return response;
}

RESTResponse RESTClient::get(const QString& url)
{
    return execute("GET : ", url, [](QNetworkAccessManager& manager, QNetworkRequest& request) {
        return manager.get(request);
    });
}

RESTResponse RESTClient::postXmlFile(const QString& url, const QString& xml)
{
    // Lives until execute has released its manager and reply: the body is
    // read while the request is sent.
    std::unique_ptr<QHttpMultiPart> multiPart(new QHttpMultiPart(QHttpMultiPart::FormDataType));
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/xml"));
    part.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"file\"; filename=\"file.xml\""));
    part.setBody(xml.toUtf8());
    multiPart->append(part);
    return execute("POST : ", url, [&multiPart](QNetworkAccessManager& manager, QNetworkRequest& request) {
        return manager.post(request, multiPart.get());
    });
}

RESTResponse RESTClient::post(const QString& url, const QString& json)
{
    const QByteArray body = json.toUtf8();
    return execute("POST : ", url, [&body](QNetworkAccessManager& manager, QNetworkRequest& request) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        return manager.post(request, body);
    });
}

RESTResponse RESTClient::put(const QString& url, const QString& json)
{
    const QByteArray body = json.toUtf8();
    return execute("PUT : ", url, [&body](QNetworkAccessManager& manager, QNetworkRequest& request) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        return manager.put(request, body);
    });
}

RESTResponse RESTClient::del(const QString& url)
{
    return execute("DEL : ", url, [](QNetworkAccessManager& manager, QNetworkRequest& request) {
        return manager.deleteResource(request);
    });
}
