#pragma once

#include "updater/infrastructure/AbstractRESTClient.h"

#include <QByteArray>
#include <QMutex>
#include <QSet>

#include <atomic>

class HttpExchange;
struct HttpRequest;

// The REST client of the updater: asks for JSON, sends the updater's
// User-Agent and, while "CheckRootCA" is on, talks HTTPS only and trusts only
// the built-in CA certificates. With no built-in certificate loaded it sends
// nothing rather than fall back to the system's authorities.
//
// Every call is bounded: it ends at an overall deadline, after a pause in
// the transfer, or when the answer's headers or body exceed their caps, with
// a network error and a text, never as a success. Calls run over a
// connection of their own (HttpExchange), so no state survives a call.
class RESTClient : public AbstractRESTClient {
    Q_OBJECT
public:
    explicit RESTClient(SslCertificates* certificates);

    RESTResponse get(const QString& url) override;
    RESTResponse postXmlFile(const QString& url, const QString& xml) override;
    RESTResponse post(const QString& url, const QString& json) override;
    RESTResponse put(const QString& url, const QString& json) override;
    RESTResponse del(const QString& url) override;

    // The User-Agent text, built once per process.
    QString userAgent();

    // The maker's web page named in the User-Agent.
    static QString makerUrl();

    // The server's documents are a few kilobytes; these bounds leave room
    // for slow lines and large catalogues while no server can hold a thread,
    // or the exit, for longer than a minute.
    static constexpr int kDefaultCallDeadlineMs = 60000;
    static constexpr int kDefaultTransferTimeoutMs = 30000;
    static constexpr qint64 kMaxHeaderBytes = 64 * 1024;
    static constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;

    // The whole call, from connecting to the last byte.
    void setCallDeadline(int milliseconds);
    // No byte sent or received for this long.
    void setTransferTimeout(int milliseconds);

    // Ends every call still running on any thread with OperationCanceledError
    // and refuses later calls; for the end of the run, when nobody waits for
    // the answers any more. Any thread.
    // Returns how many calls were running.
    int abandonRunningCalls();

private:
    RESTResponse execute(const char* verbLabel, HttpRequest request, const QString& url);
    // The server's SSL setup for a request; verify tells whether the pinned
    // trust is on. False when the request must not be sent: verification is
    // on and no trusted certificate is loaded.
    bool prepareSsl(HttpRequest& request, bool verify);
    RESTResponse refuse(const QString& url, int networkError, const QString& text, bool sslTrouble);

    std::atomic<int> callDeadlineMs_{kDefaultCallDeadlineMs};
    std::atomic<int> transferTimeoutMs_{kDefaultTransferTimeoutMs};

    QMutex callsMutex_;
    QSet<HttpExchange*> runningCalls_;
    bool abandoned_ = false;
};
