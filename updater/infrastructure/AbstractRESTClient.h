#pragma once

#include "updater/infrastructure/RESTResponse.h"

#include <QList>
#include <QObject>
#include <QSslError>
#include <QString>

class Logger;
class QNetworkReply;
class SslCertificates;

enum RESTClientErrors {
    SslError = 0
};

// Blocking calls to the update server. Every call waits in a local event loop
// of the calling thread and returns the whole answer; nothing is thrown.
//
// Threads: any thread may call; one client may serve several threads at once
// because every call owns its access manager, loop and error collector.
class AbstractRESTClient : public QObject {
    Q_OBJECT
public:
    // certificates: the CA list every request trusts; not owned, may be null
    // for clients that never talk to a server (test doubles).
    explicit AbstractRESTClient(SslCertificates* certificates);

    virtual RESTResponse get(const QString& url) = 0;
    virtual RESTResponse postXmlFile(const QString& url, const QString& xml) = 0;
    virtual RESTResponse post(const QString& url, const QString& json) = 0;
    virtual RESTResponse put(const QString& url, const QString& json) = 0;
    virtual RESTResponse del(const QString& url) = 0;

signals:
    void restClientError(RESTClientErrors error);

public slots:
    // Logs each error with the server's host and emits restClientError once.
    // Runs on the calling thread of the request (direct connection) and
    // never accepts the errors, so the handshake fails.
    virtual void sslErrorsSlot(QNetworkReply* reply, const QList<QSslError>& errors);

protected:
    // What the slot does, for a call that knows only the server's host.
    void reportSslErrors(const QString& host, const QList<QSslError>& errors);

    SslCertificates* sslCertificates_;
    Logger* logger_ = nullptr;
};

Q_DECLARE_METATYPE(RESTClientErrors)
