#pragma once

#include "updater/infrastructure/AbstractRESTClient.h"

#include <QNetworkRequest>

#include <functional>

class QNetworkAccessManager;

// Collects the SSL errors of one call.
class SSLErrorCollector : public QObject {
    Q_OBJECT
public:
    QList<QSslError> errors;
    bool sslErrorFound = false;

public slots:
    void sslErrorsSlot(QNetworkReply* qNetworkReply, const QList<QSslError>& errors);
};

// The REST client of the updater: asks for JSON, sends the updater's
// User-Agent and, while "CheckRootCA" is on, trusts only the built-in CA
// certificates. With no built-in certificate loaded it sends nothing rather
// than let the network layer fall back to the system's authorities.
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

    // Answers longer than this are cut off and reported as an error; the
    // server's JSON documents are a few kilobytes.
    static constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;
    // A call whose transfer makes no progress for this long ends with an
    // error instead of blocking its thread for ever.
    static constexpr int kDefaultTransferTimeoutMs = 120000;
    void setTransferTimeout(int milliseconds);

private:
    using Sender = std::function<QNetworkReply*(QNetworkAccessManager&, QNetworkRequest&)>;

    RESTResponse execute(const char* verbLabel, const QString& url, const Sender& send);
    // False when the request must not be sent: verification is on and no
    // trusted certificate is loaded.
    bool createRequest(const QString& url, QNetworkRequest& request);

    int transferTimeoutMs_ = kDefaultTransferTimeoutMs;
};
