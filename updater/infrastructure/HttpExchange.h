#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>
#include <QUrl>

#include <functional>

class HttpResponseParser;
class QEventLoop;
class QSslSocket;
class QTimer;

struct HttpRequest {
    QByteArray method;
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers; // besides Host, Content-Length and Connection
    QByteArray body;
    QSslConfiguration ssl; // for https
};

struct HttpLimits {
    int deadlineMs = 60000;    // the whole call, from connecting to the last byte
    int idleTimeoutMs = 30000; // no byte sent or received for this long
    qint64 maxHeaderBytes = 64 * 1024;
    qint64 maxBodyBytes = 16 * 1024 * 1024;
};

// What came back. networkError holds a QNetworkReply::NetworkError code, so
// callers judge it exactly as they would judge Qt's own replies: 0 only when
// the server gave a complete answer with a status below 400.
struct HttpOutcome {
    int statusCode = 0;
    QByteArray location;
    QByteArray body;
    int networkError = 0;
    QString errorString;
    bool sslErrorFound = false;
    QList<QSslError> sslErrors;
};

// One HTTP/1.1 request over a connection of its own (closed afterwards),
// plain or TLS, direct or through the application's proxy. Redirects are not
// followed. A header whose name or value holds a CR, LF or NUL is refused,
// and nothing is sent. The answer is read with HttpResponseParser's caps, and the call
// ends at the overall deadline whatever the server does.
//
// Threads: made, run and destroyed on one thread, which run() blocks in a
// local event loop; abandon() may be queued to that thread from any other.
class HttpExchange : public QObject {
    Q_OBJECT
public:
    HttpExchange(const HttpRequest& request, const HttpLimits& limits);
    ~HttpExchange() override;

    // Called on this exchange's thread when the server's certificate fails
    // verification, before the call ends with a handshake error.
    void setSslErrorHandler(std::function<void(const QList<QSslError>&)> handler);

    // Returns once the call has ended. When its thread's event loops are
    // ended from outside (the application's exit), the call ends with
    // OperationCanceledError.
    HttpOutcome run();

public slots:
    // Ends the call at once with OperationCanceledError.
    void abandon();

private:
    void start();
    void sendRequest();
    void readAvailable();
    void connectionClosed();
    void socketFailed(int socketError);
    void answerComplete();
    void finish(int networkError, const QString& errorString);

    HttpRequest request_;
    HttpLimits limits_;
    std::function<void(const QList<QSslError>&)> sslErrorHandler_;
    HttpResponseParser* parser_ = nullptr;
    QSslSocket* socket_ = nullptr;
    QTimer* deadline_ = nullptr;
    QTimer* idle_ = nullptr;
    QEventLoop* loop_ = nullptr;
    bool viaPlainProxy_ = false;
    bool finished_ = false;
    bool requestSent_ = false;
    HttpOutcome outcome_;
};

// The QNetworkReply::NetworkError code Qt gives for an HTTP status (0 below
// 400), and its error text.
int networkErrorForHttpStatus(int statusCode);
