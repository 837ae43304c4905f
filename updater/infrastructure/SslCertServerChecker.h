#pragma once

#include <QObject>
#include <QString>

class Logger;
class RESTClient;

class AbstractSslCertServerChecker : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool checkServerCertificate() = 0;
};

// Sends one GET to the REST root and reports whether the server's
// certificate passed. An unreachable server passes: the online check is the
// one that catches it.
class SslCertServerChecker : public AbstractSslCertServerChecker {
    Q_OBJECT
public:
    // Reads "RootRestUrl" once, here. The REST client is not owned.
    SslCertServerChecker(RESTClient* restClient, QObject* parent);

    bool checkServerCertificate() override;

private:
    RESTClient* restClient_;
    QString rootUrl_;
    Logger* logger_;
};
