#include "updater/infrastructure/RESTClient.h"

#include "updater/infrastructure/HttpExchange.h"
#include "updater/infrastructure/HttpUserAgent.h"
#include "updater/infrastructure/SecureAddress.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/VornSettings.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QUrl>

#include <mutex>

static_assert(RESTResponse::kOperationCanceledError == QNetworkReply::OperationCanceledError,
              "RESTResponse names Qt's code for a cancelled call");

namespace {

QString utf8UpToNul(const QByteArray& bytes)
{
    const int nul = bytes.indexOf('\0');
    return QString::fromUtf8(nul >= 0 ? bytes.left(nul) : bytes);
}

void logRequestError(Logger* logger, const QString& url, const RESTResponse& response)
{
    const QString details = QStringLiteral("URL         : ") + url + QStringLiteral("\nHTTP Status : ")
                            + QString::number(response.statusCode) + QStringLiteral("\nErrorCode   : ")
                            + QString::number(response.networkError, 16) + QStringLiteral("\nErrorString : ")
                            + response.errorString + QStringLiteral("\n");
    // A call the run ended itself is no fault of the server's or ours.
    if (response.cancelled())
        logger->info(QStringLiteral("Network request cancelled."), details);
    else
        logger->error(QStringLiteral("Network Request error."), details);
}

HttpRequest makeRequest(const QByteArray& method)
{
    HttpRequest request;
    request.method = method;
    return request;
}

} // namespace

RESTClient::RESTClient(SslCertificates* certificates)
    : AbstractRESTClient(certificates)
{
    logger_ = SimpleLogger::getLogger(this);
}

QString RESTClient::makerUrl()
{
    return QStringLiteral("https://www.example.com/holmgrave");
}

void RESTClient::setCallDeadline(int milliseconds)
{
    callDeadlineMs_ = milliseconds;
}

void RESTClient::setTransferTimeout(int milliseconds)
{
    transferTimeoutMs_ = milliseconds;
}

int RESTClient::abandonRunningCalls()
{
    QMutexLocker lock(&callsMutex_);
    abandoned_ = true;
    // Each call runs a local event loop on its own thread; the queued
    // abandon reaches it there. A call leaves the set under this lock before
    // it is destroyed, so no invocation can outlive its target.
    for (HttpExchange* call : qAsConst(runningCalls_))
        QMetaObject::invokeMethod(call, &HttpExchange::abandon, Qt::QueuedConnection);
    return runningCalls_.size();
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

bool RESTClient::prepareSsl(HttpRequest& request, bool verify)
{
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    const QList<QSslCertificate> trusted = sslCertificates_ ? sslCertificates_->certificates()
                                                            : QList<QSslCertificate>();
    ssl.setCaCertificates(trusted);
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
    request.ssl = ssl;
    // An empty CA list would let the TLS layer trust the system's
    // authorities again; the pinned trust must fail closed instead.
    return !(verify && trusted.isEmpty());
}

RESTResponse RESTClient::refuse(const QString& url, int networkError, const QString& text, bool sslTrouble)
{
    RESTResponse refused;
    refused.networkError = networkError;
    refused.sslErrorFound = sslTrouble;
    refused.errorString = text;
    logRequestError(logger_, url, refused);
    if (sslTrouble)
        emit restClientError(SslError);
    return refused;
}

RESTResponse RESTClient::execute(const char* verbLabel, HttpRequest request, const QString& url)
{
    logger_->debug(QLatin1String(verbLabel) + url, QString());

    const bool verify = VornSettings().getCheckRootCA();
    if (verify && !url.isEmpty() && !isHttpsAddress(url)) {
        // Counts as a certificate failure: without TLS there is nothing the
        // pinned trust could have checked.
        logger_->error(QStringLiteral("Refused an address that is not HTTPS: only HTTPS is allowed while "
                                      "\"CheckRootCA\" is on."),
                       url);
        return refuse(url, QNetworkReply::ProtocolUnknownError,
                      QStringLiteral("Only HTTPS addresses are allowed while \"CheckRootCA\" is on; the request "
                                     "was not sent."),
                      true);
    }

    request.url = QUrl(url, QUrl::TolerantMode);
    request.headers.prepend(qMakePair(QByteArray("Accept"), QByteArray("application/json")));
    request.headers.prepend(qMakePair(QByteArray("User-Agent"), userAgent().toUtf8()));
    if (!prepareSsl(request, verify)) {
        return refuse(url, QNetworkReply::SslHandshakeFailedError,
                      QStringLiteral("No trusted CA certificate is loaded; the request was not sent."), true);
    }

    HttpLimits limits;
    limits.deadlineMs = callDeadlineMs_;
    limits.idleTimeoutMs = transferTimeoutMs_;
    limits.maxHeaderBytes = kMaxHeaderBytes;
    limits.maxBodyBytes = kMaxBodyBytes;
    HttpExchange exchange(request, limits);
    const QString host = request.url.host();
    exchange.setSslErrorHandler([this, host](const QList<QSslError>& errors) { reportSslErrors(host, errors); });
    {
        QMutexLocker lock(&callsMutex_);
        if (abandoned_) {
            lock.unlock();
            return refuse(url, QNetworkReply::OperationCanceledError,
                          QStringLiteral("The updater is closing; the request was not sent."), false);
        }
        runningCalls_.insert(&exchange);
    }
    const HttpOutcome outcome = exchange.run();
    {
        QMutexLocker lock(&callsMutex_);
        runningCalls_.remove(&exchange);
    }

    RESTResponse response;
    response.statusCode = outcome.statusCode;
    response.location = QString::fromUtf8(outcome.location);
    response.networkError = outcome.networkError;
    response.errorString = outcome.errorString;
    response.sslErrorFound = outcome.sslErrorFound;
    response.body = utf8UpToNul(outcome.body);
    if (response.networkError != 0)
        logRequestError(logger_, url, response);
    return response;
}

RESTResponse RESTClient::get(const QString& url)
{
    return execute("GET : ", makeRequest("GET"), url);
}

RESTResponse RESTClient::postXmlFile(const QString& url, const QString& xml)
{
    // One form-data part; a random boundary cannot occur in the document.
    const QByteArray boundary = "boundary_" + QByteArray::number(QRandomGenerator::global()->generate64(), 16)
                                + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    HttpRequest request = makeRequest("POST");
    request.headers.append(qMakePair(QByteArray("Content-Type"), "multipart/form-data; boundary=" + boundary));
    request.body = "--" + boundary + "\r\n"
                   + "Content-Type: text/xml\r\n"
                   + "Content-Disposition: form-data; name=\"file\"; filename=\"file.xml\"\r\n\r\n" + xml.toUtf8()
                   + "\r\n--" + boundary + "--\r\n";
    return execute("POST : ", request, url);
}

RESTResponse RESTClient::post(const QString& url, const QString& json)
{
    HttpRequest request = makeRequest("POST");
    request.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    request.body = json.toUtf8();
    return execute("POST : ", request, url);
}

RESTResponse RESTClient::put(const QString& url, const QString& json)
{
    HttpRequest request = makeRequest("PUT");
    request.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    request.body = json.toUtf8();
    return execute("PUT : ", request, url);
}

RESTResponse RESTClient::del(const QString& url)
{
    return execute("DEL : ", makeRequest("DELETE"), url);
}
