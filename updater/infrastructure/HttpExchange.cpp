#include "updater/infrastructure/HttpExchange.h"

#include "updater/infrastructure/HttpResponseParser.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QNetworkReply>
#include <QSslSocket>
#include <QStringList>
#include <QTimer>

namespace {

int networkErrorForSocketError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::RemoteHostClosedError: return QNetworkReply::RemoteHostClosedError;
    case QAbstractSocket::HostNotFoundError: return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SocketTimeoutError: return QNetworkReply::TimeoutError;
    case QAbstractSocket::SslHandshakeFailedError: return QNetworkReply::SslHandshakeFailedError;
    case QAbstractSocket::ProxyAuthenticationRequiredError: return QNetworkReply::ProxyAuthenticationRequiredError;
    case QAbstractSocket::ProxyConnectionRefusedError: return QNetworkReply::ProxyConnectionRefusedError;
    case QAbstractSocket::ProxyConnectionClosedError: return QNetworkReply::ProxyConnectionClosedError;
    case QAbstractSocket::ProxyConnectionTimeoutError: return QNetworkReply::ProxyTimeoutError;
    case QAbstractSocket::ProxyNotFoundError: return QNetworkReply::ProxyNotFoundError;
    case QAbstractSocket::ProxyProtocolError: return QNetworkReply::UnknownProxyError;
    default: return QNetworkReply::UnknownNetworkError;
    }
}

int networkErrorForParserFailure(HttpResponseParser::Failure failure)
{
    switch (failure) {
    case HttpResponseParser::Failure::BodyTooLarge: return QNetworkReply::UnknownContentError;
    case HttpResponseParser::Failure::Truncated: return QNetworkReply::RemoteHostClosedError;
    default: return QNetworkReply::ProtocolFailure;
    }
}

// The proxy the application's proxy factory names for the address; only
// HTTP and SOCKS5 proxies can carry our own connection.
QNetworkProxy proxyFor(const QUrl& url)
{
    for (const QNetworkProxy& proxy : QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url))) {
        if (proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::Socks5Proxy
            || proxy.type() == QNetworkProxy::NoProxy)
            return proxy;
    }
    return QNetworkProxy(QNetworkProxy::NoProxy);
}

} // namespace

int networkErrorForHttpStatus(int statusCode)
{
    if (statusCode < 400)
        return QNetworkReply::NoError;
    switch (statusCode) {
    case 400: return QNetworkReply::ProtocolInvalidOperationError;
    case 401: return QNetworkReply::AuthenticationRequiredError;
    case 403: return QNetworkReply::ContentAccessDenied;
    case 404: return QNetworkReply::ContentNotFoundError;
    case 405: return QNetworkReply::ContentOperationNotPermittedError;
    case 407: return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409: return QNetworkReply::ContentConflictError;
    case 410: return QNetworkReply::ContentGoneError;
    case 418: return QNetworkReply::ProtocolInvalidOperationError;
    case 500: return QNetworkReply::InternalServerError;
    case 501: return QNetworkReply::OperationNotImplementedError;
    case 503: return QNetworkReply::ServiceUnavailableError;
    default: return statusCode >= 500 ? QNetworkReply::UnknownServerError : QNetworkReply::UnknownContentError;
    }
}

HttpExchange::HttpExchange(const HttpRequest& request, const HttpLimits& limits)
    : request_(request)
    , limits_(limits)
    , parser_(new HttpResponseParser(limits.maxHeaderBytes, limits.maxBodyBytes, request.method != "HEAD"))
{
}

HttpExchange::~HttpExchange()
{
    delete parser_;
}

void HttpExchange::setSslErrorHandler(std::function<void(const QList<QSslError>&)> handler)
{
    sslErrorHandler_ = std::move(handler);
}

HttpOutcome HttpExchange::run()
{
    QEventLoop loop;
    loop_ = &loop;
    deadline_ = new QTimer(this);
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] {
        finish(QNetworkReply::TimeoutError,
               QStringLiteral("The server did not answer completely within %1 ms.").arg(limits_.deadlineMs));
    });
    idle_ = new QTimer(this);
    idle_->setSingleShot(true);
    connect(idle_, &QTimer::timeout, this, [this] {
        finish(QNetworkReply::TimeoutError,
               QStringLiteral("Nothing was sent or received for %1 ms.").arg(limits_.idleTimeoutMs));
    });
    // Started inside the loop, so that a call that ends at once quits a
    // running loop; an abandon() queued before comes first.
    QMetaObject::invokeMethod(this, &HttpExchange::start, Qt::QueuedConnection);
    loop.exec();
    // Ended from outside: the application's exit ends every loop of its
    // thread, and any loop started afterwards at once, before the call
    // started. No answer came, and an empty one must not pass for a success.
    if (!finished_)
        finish(QNetworkReply::OperationCanceledError,
               QStringLiteral("The call was ended before its answer came: the updater is closing."));
    loop_ = nullptr;
    return outcome_;
}

void HttpExchange::abandon()
{
    finish(QNetworkReply::OperationCanceledError,
           QStringLiteral("The call was abandoned because the updater is closing."));
}

void HttpExchange::start()
{
    if (finished_)
        return;
    const QUrl& url = request_.url;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        finish(QNetworkReply::ProtocolUnknownError, QStringLiteral("Protocol \"%1\" is unknown").arg(url.scheme()));
        return;
    }
    const QString host = url.host(QUrl::FullyEncoded);
    if (host.isEmpty()) {
        finish(QNetworkReply::HostNotFoundError, QStringLiteral("Host %1 not found").arg(host));
        return;
    }
    // A line break would end the header and start one of the text's own
    // choosing (a version from the command line goes into the User-Agent).
    for (const auto& header : qAsConst(request_.headers)) {
        const auto breaks = [](const QByteArray& text) {
            return text.contains('\r') || text.contains('\n') || text.contains('\0');
        };
        if (breaks(header.first) || breaks(header.second)) {
            finish(QNetworkReply::ProtocolInvalidOperationError,
                   QStringLiteral("The request header \"%1\" holds a line break; the request was not sent.")
                       .arg(QString::fromLatin1(header.first.left(64)).simplified()));
            return;
        }
    }
    const bool tls = scheme == QLatin1String("https");
    const quint16 port = static_cast<quint16>(url.port(tls ? 443 : 80));

    socket_ = new QSslSocket(this);
    connect(socket_, &QSslSocket::connected, this, [this, tls] {
        idle_->start();
        if (!tls)
            sendRequest();
    });
    connect(socket_, &QSslSocket::encrypted, this, &HttpExchange::sendRequest);
    connect(socket_, &QSslSocket::bytesWritten, this, [this] { idle_->start(); });
    connect(socket_, &QSslSocket::readyRead, this, &HttpExchange::readAvailable);
    connect(socket_, &QSslSocket::disconnected, this, &HttpExchange::connectionClosed);
    connect(socket_, &QAbstractSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) { socketFailed(error); });
    connect(socket_, QOverload<const QList<QSslError>&>::of(&QSslSocket::sslErrors), this,
            [this](const QList<QSslError>& errors) {
                // Never ignored: the handshake fails and nothing is sent.
                outcome_.sslErrorFound = true;
                outcome_.sslErrors = errors;
                if (sslErrorHandler_)
                    sslErrorHandler_(errors);
                QStringList texts;
                for (const QSslError& error : errors)
                    texts << error.errorString();
                finish(QNetworkReply::SslHandshakeFailedError, texts.join(QStringLiteral("; ")));
            });

    deadline_->start(qMax(1, limits_.deadlineMs));
    idle_->start(qMax(1, limits_.idleTimeoutMs));

    const QNetworkProxy proxy = proxyFor(url);
    if (tls) {
        socket_->setProxy(proxy);
        socket_->setSslConfiguration(request_.ssl);
        socket_->connectToHostEncrypted(host, port);
    } else if (proxy.type() == QNetworkProxy::HttpProxy) {
        // Plain HTTP through an HTTP proxy: the request goes to the proxy
        // with the whole address as its target.
        viaPlainProxy_ = true;
        if (!proxy.user().isEmpty())
            request_.headers.append(qMakePair(QByteArray("Proxy-Authorization"),
                                              "Basic " + (proxy.user() + QLatin1Char(':') + proxy.password())
                                                             .toUtf8()
                                                             .toBase64()));
        socket_->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        socket_->connectToHost(proxy.hostName(), proxy.port());
    } else {
        socket_->setProxy(proxy);
        socket_->connectToHost(host, port);
    }
}

void HttpExchange::sendRequest()
{
    if (requestSent_ || finished_)
        return;
    requestSent_ = true;
    const QUrl& url = request_.url;
    QByteArray target;
    if (viaPlainProxy_) {
        target = url.toEncoded(QUrl::RemoveUserInfo | QUrl::RemoveFragment);
    } else {
        target = url.path(QUrl::FullyEncoded).toLatin1();
        if (target.isEmpty())
            target = "/";
        if (url.hasQuery())
            target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    }
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1)
        host += ':' + QByteArray::number(url.port());

    QByteArray head = request_.method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto& header : request_.headers)
        head += header.first + ": " + header.second + "\r\n";
    if (!request_.body.isEmpty() || request_.method == "POST" || request_.method == "PUT")
        head += "Content-Length: " + QByteArray::number(request_.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket_->write(head + request_.body);
    idle_->start();
}

void HttpExchange::readAvailable()
{
    if (finished_)
        return;
    idle_->start();
    if (!parser_->feed(socket_->readAll())) {
        if (parser_->headersComplete())
            outcome_.statusCode = parser_->statusCode();
        finish(networkErrorForParserFailure(parser_->failure()), parser_->failureText());
        return;
    }
    if (parser_->isComplete())
        answerComplete();
}

void HttpExchange::connectionClosed()
{
    if (finished_)
        return;
    readAvailable();
    if (finished_)
        return;
    if (!requestSent_) {
        finish(QNetworkReply::RemoteHostClosedError, QStringLiteral("The server closed the connection."));
        return;
    }
    parser_->finishAtClose();
    if (parser_->isComplete()) {
        answerComplete();
        return;
    }
    finish(networkErrorForParserFailure(parser_->failure()), parser_->failureText());
}

void HttpExchange::socketFailed(int socketError)
{
    if (finished_)
        return;
    const auto error = static_cast<QAbstractSocket::SocketError>(socketError);
    if (error == QAbstractSocket::RemoteHostClosedError) {
        connectionClosed();
        return;
    }
    finish(networkErrorForSocketError(error), socket_->errorString());
}

void HttpExchange::answerComplete()
{
    outcome_.statusCode = parser_->statusCode();
    outcome_.location = parser_->header("location");
    outcome_.body = parser_->body();
    const int error = networkErrorForHttpStatus(outcome_.statusCode);
    finish(error, error == 0 ? QString()
                             : QStringLiteral("Error transferring %1 - server replied: %2")
                                   .arg(request_.url.toString(), QString::fromLatin1(parser_->reasonPhrase())));
}

void HttpExchange::finish(int networkError, const QString& errorString)
{
    if (finished_)
        return;
    finished_ = true;
    outcome_.networkError = networkError;
    outcome_.errorString = errorString;
    if (deadline_)
        deadline_->stop();
    if (idle_)
        idle_->stop();
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
    }
    if (loop_)
        loop_->quit();
}
