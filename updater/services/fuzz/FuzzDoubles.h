#pragma once

// Doubles shared by the services' fuzz targets: the server's side of a
// service, answering every request with the bytes under test.

#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"

#include <utility>

// Answers every request with status 200 and body; nothing goes over the
// network.
class EchoRESTClient : public AbstractRESTClient {
public:
    EchoRESTClient()
        : AbstractRESTClient(nullptr)
    {
    }

    QString body;

    RESTResponse get(const QString&) override { return answer(); }
    RESTResponse postXmlFile(const QString&, const QString&) override { return answer(); }
    RESTResponse post(const QString&, const QString&) override { return answer(); }
    RESTResponse put(const QString&, const QString&) override { return answer(); }
    RESTResponse del(const QString&) override { return answer(); }

private:
    RESTResponse answer() const
    {
        RESTResponse response;
        response.statusCode = 200;
        response.body = body;
        return response;
    }
};

// One address for the service and for each of its links, without link
// discovery.
class FixedServiceUrl : public AbstractServiceUrl {
public:
    explicit FixedServiceUrl(QString url)
        : url_(std::move(url))
    {
    }

    QString getLinkUrl(const QString&) override { return url_; }
    QString getUrl() override { return url_; }

private:
    QString url_;
};
