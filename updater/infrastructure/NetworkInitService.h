#pragma once

#include <QObject>
#include <QString>

class AbstractRESTClient;
class Logger;
class SslCertServerChecker;
class SslCertificates;

// The start-up network checks of the wizard's first page. The three signals
// are relays for the page and the offline dialog; the service itself never
// emits them.
class AbstractNetworkInitService : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isSSLCertificateValid() = 0;
    virtual bool isOnline() = 0;
    virtual void registerRemoteAppender() = 0;

signals:
    void sslCertificateNotValidSignal();
    void appCanceledByUserSignal();
    void appRunOfflineByUserSignal();
};

// Threads: the wizard runs the three operations on the global thread pool,
// one after another, never at the same time; each blocks for REST calls.
// None of the collaborators is owned.
class NetworkInitService : public AbstractNetworkInitService {
    Q_OBJECT
public:
    NetworkInitService(SslCertificates* sslCertificates, SslCertServerChecker* sslCertServerChecker,
                       AbstractRESTClient* restClient, QObject* parent);

    // Loads the built-in certificates, then checks the REST root's
    // certificate; the server is not contacted when loading fails.
    bool isSSLCertificateValid() override;
    // True when a GET of the REST root ends without a network error.
    bool isOnline() override;
    // Adds a remote log output to the hub; every call adds one more.
    void registerRemoteAppender() override;

private:
    Logger* logger_;
    AbstractRESTClient* restClient_;
    SslCertServerChecker* sslCertServerChecker_;
    SslCertificates* sslCertificates_;
    QString rootUrl_;
};
